#pragma once

#include <memory>
#include <string>
#include <vector>

// The work table's order: ascending by the whole row text, without regard to letter case, in
// the collation of the user's locale. The window's table and the command line both use it.
class RowOrder final {
public:
    RowOrder();
    ~RowOrder();
    RowOrder(const RowOrder&) = delete;
    RowOrder& operator=(const RowOrder&) = delete;

    // True when row a sorts before row b.
    bool less(const std::string& a, const std::string& b) const;

    // Index at which a new row goes into the sorted rows: after every row that does not sort
    // after it, so that equal rows keep the order in which they came.
    std::size_t insertPosition(const std::vector<std::string>& sortedRows,
                               const std::string& row) const;

    // The indexes of rows in sorted order; equal rows keep their order.
    std::vector<std::size_t> sortedOrder(const std::vector<std::string>& rows) const;

    // Sorts rows in place; equal rows keep their order.
    void sort(std::vector<std::string>& rows) const;

private:
    // Exactly as the C locale's collation orders: the rows' bytes, ASCII letters folded.
    bool cLocaleLess(const std::string& a, const std::string& b) const;

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

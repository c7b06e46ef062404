#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The pages a site memory knows, found by address: the addresses lie one after the other in
// one text and an open-addressing table of their hashes points at them, so that looking up
// each row of a large retrieval costs one or two cache misses and no allocation.
class AddressIndex final {
public:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    // Makes room for pages addresses without growing.
    void reserve(std::size_t pages);
    // Adds an address not added before; returns its number (0, 1, 2... in the order added).
    std::uint32_t add(std::string_view address);
    // The number of address; kNone when it was not added.
    std::uint32_t find(std::string_view address) const;
    std::string_view address(std::uint32_t number) const;
    std::size_t size() const { return spans_.size(); }

private:
    void place(std::uint32_t number, std::size_t hash);
    void rehash(std::size_t size);

    std::string text_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> spans_; // offset and length in text_
    std::vector<std::uint64_t> slots_; // hash's upper half, number + 1; 0: empty
};

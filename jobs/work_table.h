#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include <QAbstractListModel>

#include "core/row_order.h"
#include "core/url_entry.h"
#include "memory/site_memory.h"

struct PageCheckResult;

// The work table: the row texts in table order, each with its check flag and the layout of its
// fields (20 bytes), so that views read a field without splitting the row again. Lives on the
// window's thread.
class WorkTable final : public QAbstractListModel {
    Q_OBJECT
public:
    // The row's fields, for views and delegates that read them through index.data(role).
    enum Role {
        LinkRole = Qt::UserRole + 1, // folder URL ending in "/"
        FilenameRole,
        LastmodRole,
        ChangefreqRole,
        PriorityRole,
        NewRole, // bool: the site memory did not know the row's page
        // QString: what the page check said of a page it did not find indexable (empty: nothing);
        // also the row's tooltip.
        CheckNoteRole,
    };

    explicit WorkTable(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // Qt::DisplayRole: the row text; Qt::CheckStateRole: the flag; the field roles: the field.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Only Qt::CheckStateRole can be set.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int count() const { return int(rows_.size()); }

    // A copy of row i. Throws std::out_of_range outside the table, as every indexed operation.
    std::string rowText(int i) const;
    // Every row text in table order, for readers of the whole table that need no copy.
    const std::vector<std::string>& rows() const { return rows_; }
    bool isChecked(int i) const;
    void setChecked(int i, bool checked);

    // Inserts row, not checked, after every row that does not sort after it; returns its index.
    int addRow(std::string row);

    // Puts row at index i without moving it to a sorted place; the flag stays.
    void replaceRow(int i, std::string row);

    void clear();

    // Replaces every row with rows, each at its sorted place, none checked; one reset for all.
    void fill(std::vector<std::string> rows);

    // The end of a retrieval: fill(rows), then every row checked and, when there is a memory,
    // its choices applied (learn: see SiteMemory::Apply) and the rows it did not know marked.
    // The window and the command line both take a retrieval's rows through here.
    AppliedMemory fillRetrieved(std::vector<std::string> rows, SiteMemory* memory, bool learn);

    bool isNew(int i) const;

    // The page check's verdicts on the rows now in the table: a row it leaves out is
    // unticked, and every row it did not find indexable gets its note. Returns the rows
    // unticked. A later clear or fill drops the notes.
    std::size_t applyPageCheck(const PageCheckResult& result);
    // True when the check left row i out (ticking it again is the user's word against it).
    bool leftOutByCheck(int i) const;
    std::size_t leftOutByCheckCount() const { return leftOutCount_; }

    // The rows as a retrieval without a memory would bring them: every row checked, with
    // defaults' change frequency and priority. For the site memory just erased.
    void forgetChoices(const SiteDefaults& defaults);

    // Sets every row's flag, first to last.
    void setAllChecked(bool checked);

    // Walks every row and counts the checked ones.
    int checkedCount() const;

    // The rows come from a stopped or failed retrieval, until the next complete one: a sitemap
    // written of them says so, and an upload asks before it publishes them.
    bool incomplete() const { return incomplete_; }
    void setIncomplete(bool incomplete) { incomplete_ = incomplete; }

private:
    void checkIndex(int i) const;

    RowOrder order_;
    std::vector<std::string> rows_;
    std::vector<UrlEntryLayout> layouts_; // beside rows_, index for index
    std::vector<bool> checked_;
    std::vector<bool> new_;
    // By RowAddress: the check's note and whether it left the page out.
    std::unordered_map<std::string, std::pair<std::string, bool>> checkNotes_;
    std::size_t leftOutCount_ = 0;
    bool incomplete_ = false;
};

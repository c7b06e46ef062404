#include "jobs/work_table.h"

#include <stdexcept>

#include "core/text_util.h"
#include "core/texts.h"
#include "jobs/page_check_job.h"
#include "jobs/problem_text.h"

WorkTable::WorkTable(QObject* parent) : QAbstractListModel(parent) {}

int WorkTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant WorkTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return {};
    const auto row = std::size_t(index.row());
    const auto text = [](std::string_view bytes) {
        return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    };
    switch (role) {
    case Qt::DisplayRole:
        return text(rows_[row]);
    case Qt::CheckStateRole:
        return checked_[row] ? Qt::Checked : Qt::Unchecked;
    case NewRole:
        return bool(new_[row]);
    case CheckNoteRole:
    case Qt::ToolTipRole: {
        if (checkNotes_.empty())
            return role == CheckNoteRole ? QVariant(QString()) : QVariant();
        const auto note = checkNotes_.find(RowAddress(rows_[row]));
        if (note != checkNotes_.end())
            return text(note->second.first);
        return role == CheckNoteRole ? QVariant(QString()) : QVariant();
    }
    case LinkRole:
    case FilenameRole:
    case LastmodRole:
    case ChangefreqRole:
    case PriorityRole:
        return text(layouts_[row].Field(rows_[row], UrlField(role - LinkRole)));
    default:
        return {};
    }
}

bool WorkTable::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= count())
        return false;
    setChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags WorkTable::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
           Qt::ItemNeverHasChildren;
}

void WorkTable::checkIndex(int i) const {
    if (i < 0 || i >= count())
        throw std::out_of_range(
            Filled(texts::kListIndexOutOfRange, {{"index", std::to_string(i)}}));
}

std::string WorkTable::rowText(int i) const {
    checkIndex(i);
    return rows_[std::size_t(i)];
}

bool WorkTable::isChecked(int i) const {
    checkIndex(i);
    return checked_[std::size_t(i)];
}

void WorkTable::setChecked(int i, bool checked) {
    checkIndex(i);
    checked_[std::size_t(i)] = checked;
    const QModelIndex changed = index(i);
    emit dataChanged(changed, changed, {Qt::CheckStateRole});
}

int WorkTable::addRow(std::string row) {
    const auto at = order_.insertPosition(rows_, row);
    beginInsertRows(QModelIndex(), int(at), int(at));
    layouts_.insert(layouts_.begin() + std::ptrdiff_t(at), UrlEntryLayout(row));
    rows_.insert(rows_.begin() + std::ptrdiff_t(at), std::move(row));
    checked_.insert(checked_.begin() + std::ptrdiff_t(at), false);
    new_.insert(new_.begin() + std::ptrdiff_t(at), false);
    endInsertRows();
    return int(at);
}

void WorkTable::replaceRow(int i, std::string row) {
    checkIndex(i);
    layouts_[std::size_t(i)] = UrlEntryLayout(row);
    rows_[std::size_t(i)] = std::move(row);
    const QModelIndex changed = index(i);
    emit dataChanged(
        changed, changed,
        {Qt::DisplayRole, LinkRole, FilenameRole, LastmodRole, ChangefreqRole, PriorityRole});
}

void WorkTable::clear() {
    beginResetModel();
    rows_.clear();
    layouts_.clear();
    checked_.clear();
    new_.clear();
    checkNotes_.clear();
    leftOutCount_ = 0;
    endResetModel();
}

void WorkTable::fill(std::vector<std::string> rows) {
    // A stable sort puts each row where one-by-one sorted insertion would.
    order_.sort(rows);
    beginResetModel();
    rows_ = std::move(rows);
    layouts_.clear();
    layouts_.reserve(rows_.size());
    for (const std::string& row : rows_)
        layouts_.emplace_back(row);
    checked_.assign(rows_.size(), false);
    new_.assign(rows_.size(), false);
    checkNotes_.clear();
    leftOutCount_ = 0;
    endResetModel();
}

AppliedMemory WorkTable::fillRetrieved(std::vector<std::string> rows, SiteMemory* memory,
                                       bool learn) {
    AppliedMemory applied;
    if (memory)
        applied = memory->Apply(rows, learn);
    applied.marks.resize(rows.size(), 0);
    // The marks travel with their rows through the sort.
    const std::vector<std::size_t> order = order_.sortedOrder(rows);
    beginResetModel();
    rows_.clear();
    rows_.reserve(rows.size());
    layouts_.clear();
    layouts_.reserve(rows.size());
    checked_.assign(rows.size(), true);
    new_.assign(rows.size(), false);
    checkNotes_.clear();
    leftOutCount_ = 0;
    for (std::size_t at = 0; at < order.size(); ++at) {
        const std::uint8_t mark = applied.marks[order[at]];
        rows_.push_back(std::move(rows[order[at]]));
        layouts_.emplace_back(rows_.back());
        checked_[at] = (mark & AppliedMemory::kUnticked) == 0;
        new_[at] = (mark & AppliedMemory::kNew) != 0;
    }
    endResetModel();
    return applied;
}

bool WorkTable::isNew(int i) const {
    checkIndex(i);
    return new_[std::size_t(i)];
}

std::size_t WorkTable::applyPageCheck(const PageCheckResult& result) {
    checkNotes_.clear();
    leftOutCount_ = 0;
    for (const RowVerdict& row : result.rows) {
        const Verdict verdict = row.verdict.verdict;
        if (verdict != Verdict::Indexable && verdict != Verdict::NotModified)
            checkNotes_[row.address] = {VerdictText(row.verdict), row.leftOut};
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (leftOutByCheck(int(i))) {
            checked_[i] = false;
            ++leftOutCount_;
        }
    }
    if (!rows_.empty())
        emit dataChanged(index(0), index(count() - 1),
                         {Qt::CheckStateRole, CheckNoteRole, Qt::ToolTipRole});
    return leftOutCount_;
}

bool WorkTable::leftOutByCheck(int i) const {
    checkIndex(i);
    if (checkNotes_.empty())
        return false;
    const auto note = checkNotes_.find(RowAddress(rows_[std::size_t(i)]));
    return note != checkNotes_.end() && note->second.second;
}

void WorkTable::forgetChoices(const SiteDefaults& defaults) {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        UrlEntryFields fields = ReadUrlEntry(rows_[i]);
        fields.changefreq = defaults.changefreq;
        fields.priority = defaults.priority;
        rows_[i] = BuildUrlEntry(fields);
        layouts_[i] = UrlEntryLayout(rows_[i]);
    }
    checked_.assign(rows_.size(), true);
    if (!rows_.empty())
        emit dataChanged(index(0), index(count() - 1));
}

void WorkTable::setAllChecked(bool checked) {
    for (std::size_t i = 0; i < checked_.size(); ++i)
        checked_[i] = checked;
    if (!rows_.empty())
        emit dataChanged(index(0), index(count() - 1), {Qt::CheckStateRole});
}

int WorkTable::checkedCount() const {
    int total = 0;
    for (const bool checked : checked_)
        total += checked ? 1 : 0;
    return total;
}

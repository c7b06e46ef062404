#include "core/row_order.h"

#include <algorithm>

#include <QCollator>
#include <QString>

namespace {
QString toQString(const std::string& row) {
    return QString::fromUtf8(row.data(), qsizetype(row.size()));
}
} // namespace

struct RowOrder::Impl {
    QCollator collator;
};

RowOrder::RowOrder() : impl_(std::make_unique<Impl>()) {
    impl_->collator.setCaseSensitivity(Qt::CaseInsensitive);
    impl_->collator.setNumericMode(false);
}

RowOrder::~RowOrder() = default;

bool RowOrder::less(const std::string& a, const std::string& b) const {
    // Folded like the sort keys below, so that single insertions and whole sorts agree.
    return impl_->collator.compare(toQString(a).toCaseFolded(), toQString(b).toCaseFolded()) < 0;
}

std::size_t RowOrder::insertPosition(const std::vector<std::string>& sortedRows,
                                     const std::string& row) const {
    const auto at = std::upper_bound(sortedRows.begin(), sortedRows.end(), row,
                                     [this](const std::string& value, const std::string& element) {
                                         return less(value, element);
                                     });
    return std::size_t(at - sortedRows.begin());
}

std::vector<std::size_t> RowOrder::sortedOrder(const std::vector<std::string>& rows) const {
    // One sort key per row: converting and collating per comparison costs far more. Keys of
    // the C locale keep letter case, so the text is case-folded first to order as less() does.
    std::vector<std::pair<QCollatorSortKey, std::size_t>> keyed;
    keyed.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        keyed.emplace_back(impl_->collator.sortKey(toQString(rows[i]).toCaseFolded()), i);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    std::vector<std::size_t> order;
    order.reserve(rows.size());
    for (const auto& entry : keyed)
        order.push_back(entry.second);
    return order;
}

void RowOrder::sort(std::vector<std::string>& rows) const {
    std::vector<std::string> sorted;
    sorted.reserve(rows.size());
    for (const std::size_t i : sortedOrder(rows))
        sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
}

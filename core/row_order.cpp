#include "core/row_order.h"

#include <algorithm>

#include <QCollator>
#include <QLocale>
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
    std::vector<std::size_t> order(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        order[i] = i;
    if (impl_->collator.locale().language() == QLocale::C) {
        // The C locale's keys are the case-folded text's bytes: compared in place, ASCII
        // folded on the fly, they need no copy of every row (a third of a large walk's memory).
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return cLocaleLess(rows[a], rows[b]);
        });
        return order;
    }
    // One sort key per row: converting and collating per comparison costs far more. Keys of
    // the C locale keep letter case, so the text is case-folded first to order as less() does.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(rows.size());
    for (const std::string& row : rows)
        keys.push_back(sortKey(row));
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return keys[a].compare(keys[b]) < 0;
    });
    return order;
}

QCollatorSortKey RowOrder::sortKey(const std::string& row) const {
    return impl_->collator.sortKey(toQString(row).toCaseFolded());
}

bool RowOrder::cLocaleLess(const std::string& a, const std::string& b) const {
    const auto folded = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 0x80 || y >= 0x80)
            return sortKey(a).compare(sortKey(b)) < 0; // folding beyond ASCII
        if (folded(x) != folded(y))
            return folded(x) < folded(y);
    }
    return a.size() < b.size();
}

void RowOrder::sort(std::vector<std::string>& rows) const {
    std::vector<std::string> sorted;
    sorted.reserve(rows.size());
    for (const std::size_t i : sortedOrder(rows))
        sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
}

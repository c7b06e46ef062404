#include "core/row_order.h"

#include <algorithm>
#include <string_view>

#include <QCollator>
#include <QLocale>
#include <QString>
#include <QVarLengthArray>

namespace {

// A row's text as the collator reads it, case-folded: on the stack for the usual row, so that
// comparing needs no allocation.
using Folded = QVarLengthArray<char16_t, 256>;

void foldInto(std::string_view text, Folded& out) {
    for (const char byte : text) {
        const auto c = static_cast<unsigned char>(byte);
        if (c >= 0x80) {
            const QString folded =
                QString::fromUtf8(text.data(), qsizetype(text.size())).toCaseFolded();
            out.clear();
            out.append(reinterpret_cast<const char16_t*>(folded.utf16()), folded.size());
            return;
        }
        out.append(char16_t(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c));
    }
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
    // Rows share long beginnings (the site's address, its folders): what the two share up to
    // a "/" orders them alike, so the collator reads only what follows, as it would itself.
    std::size_t shared = 0;
    while (shared < a.size() && shared < b.size() && a[shared] == b[shared])
        ++shared;
    const std::size_t slash = shared == 0 ? std::string::npos : a.rfind('/', shared - 1);
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    Folded x;
    Folded y;
    foldInto(std::string_view(a).substr(start), x);
    foldInto(std::string_view(b).substr(start), y);
    return impl_->collator.compare(QStringView(x.constData(), x.size()),
                                   QStringView(y.constData(), y.size())) < 0;
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
    // Compared in place, not by a sort key per row: the keys took a third of a large walk's
    // memory. In the C locale the collation is the case-folded bytes, compared directly.
    const bool cLocale = impl_->collator.locale().language() == QLocale::C;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return cLocale ? cLocaleLess(rows[a], rows[b]) : less(rows[a], rows[b]);
    });
    return order;
}

bool RowOrder::cLocaleLess(const std::string& a, const std::string& b) const {
    const auto folded = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 0x80 || y >= 0x80)
            return less(a, b); // folding beyond ASCII
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

#pragma once

#include <string>
#include <vector>

#include <QStyledItemDelegate>

// Draws the work table's rows: a check-box strip at the left, then the row in two lines on
// alternating stripes, with a dot at the right end of a row that is new to the site memory.
// The first line is the address the sitemap will hold, cut at the right edge; a tooltip shows
// it whole, and over the dot says what it means. The fields, the mark and the flag are read at every paint through the model's
// roles (WorkTable::Role, Qt::CheckStateRole), so any model that has them will do, a proxy too.
// Toggles a row's check box on a click in the strip or on Space and then reports it.
class RowDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 47;

    explicit RowDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // The file names the sitemap writes as their folder's address (none: every file under its
    // own name).
    void setIndexNames(std::vector<std::string> names);

    // The width of the check-box strip: 2 pixels wider than the style's check box.
    static int checkStripWidth(const QStyleOptionViewItem& option);

signals:
    // The user toggled the check box of the row at index.
    void checkToggled(const QModelIndex& index);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    void toggle(QAbstractItemModel* model, const QModelIndex& index);
    // The row's address as the sitemap will hold it, readable.
    QString address(const QModelIndex& index) const;

    std::vector<std::string> indexNames_;
};

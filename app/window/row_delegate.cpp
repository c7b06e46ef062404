#include "app/window/row_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

#include "jobs/work_table.h"
#include "core/texts.h"
#include "core/url_entry.h"
#include "app/widgets/header_widgets.h"
#include "sitemap/sitemap_writer.h"

namespace {

constexpr QColor kEvenRow(0xF0, 0xF1, 0xF4);
constexpr QColor kOddRow(0xFF, 0xFF, 0xFF);
// The dot at the right end of the second line of a row the site memory did not know.
constexpr QColor kNewMark(0xE0, 0x60, 0x00);
// Why the page check left the row out.
constexpr QColor kCheckNote(0xB0, 0x30, 0x20);
constexpr int kNewMarkSize = 12;

const QStyle* styleOf(const QStyleOptionViewItem& option) {
    return option.widget ? option.widget->style() : QApplication::style();
}

// Where the new-page dot stands in a row's text area.
QRect newMarkRect(const QRect& rect) {
    return QRect(rect.right() - 2 * kNewMarkSize, rect.top() + 27, kNewMarkSize, kNewMarkSize);
}

} // namespace

RowDelegate::RowDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void RowDelegate::setIndexNames(std::vector<std::string> names) {
    indexNames_ = std::move(names);
}

QString RowDelegate::address(const QModelIndex& index) const {
    // The sitemap carries it escaped; people read it unescaped.
    const std::string link = index.data(WorkTable::LinkRole).toString().toStdString();
    const std::string name = index.data(WorkTable::FilenameRole).toString().toStdString();
    return QString::fromStdString(ReadableAddress(SitemapAddress(link, name, indexNames_)));
}

int RowDelegate::checkStripWidth(const QStyleOptionViewItem& option) {
    return styleOf(option)->pixelMetric(QStyle::PM_IndicatorWidth, &option, option.widget) + 2;
}

QSize RowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    // The view stretches rows to its width; only the height is fixed.
    return QSize(1, kRowHeight);
}

void RowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
    const QStyle* style = styleOf(option);
    const int strip = checkStripWidth(option);
    const QRect stripRect(option.rect.left(), option.rect.top(), strip, option.rect.height());
    const QRect rect = option.rect.adjusted(strip, 0, 0, 0);

    painter->save();

    // The check box, centred in its strip on the list's own colour.
    painter->fillRect(stripRect, option.palette.base());
    QStyleOptionViewItem check(option);
    check.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    check.state |= index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked
                       ? QStyle::State_On
                       : QStyle::State_Off;
    const int indicator = strip - 2;
    check.rect = QRect(stripRect.left() + 1, stripRect.top() + (stripRect.height() - indicator) / 2,
                       indicator, indicator);
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, painter, option.widget);

    // Stripes by the row's index in the whole table; a selected row keeps its stripe.
    const QColor background = index.row() % 2 == 0 ? kEvenRow : kOddRow;
    painter->fillRect(rect, background);

    QFont font = option.font;
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    painter->setFont(font);
    painter->setBackgroundMode(Qt::OpaqueMode);
    painter->setBackground(background);

    const auto drawAt = [&](int left, int top, const QString& text, const QColor& colour) {
        if (text.isEmpty())
            return;
        const QRect box(QPoint(rect.left() + left, rect.top() + top), rect.bottomRight());
        painter->setPen(colour);
        // Plain text flags: no mnemonic, so "&" shows as itself; the box clips at its right.
        painter->drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    };

    // The fields come from the model, so the rows may stand behind a proxy.
    const auto field = [&index](WorkTable::Role role) { return index.data(role).toString(); };
    const QString changefreq = field(WorkTable::ChangefreqRole);
    const QString priority = field(WorkTable::PriorityRole);
    drawAt(5, 5, address(index), Qt::black);
    drawAt(5, 25, field(WorkTable::LastmodRole), Qt::black);
    if (!changefreq.isEmpty())
        drawAt(200, 25, QText(texts::kChangefreqLabel), kGrey);
    drawAt(290, 25, changefreq, Qt::black);
    if (!priority.isEmpty())
        drawAt(400, 25, QText(texts::kPriorityLabel), kGrey);
    drawAt(470, 25, priority, Qt::black);
    drawAt(540, 25, field(WorkTable::CheckNoteRole), kCheckNote);

    if (index.data(WorkTable::NewRole).toBool()) {
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(kNewMark);
        painter->drawEllipse(newMarkRect(rect));
        painter->setRenderHint(QPainter::Antialiasing, false);
    }

    if (option.state & QStyle::State_HasFocus) {
        painter->setBackgroundMode(Qt::TransparentMode);
        painter->setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

bool RowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                            const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    // Over the new-page dot its meaning, anywhere else the whole address, which the row cuts
    // at the right edge, and why the page check left the row out.
    const QRect rect = option.rect.adjusted(checkStripWidth(option), 0, 0, 0);
    const bool onMark = index.data(WorkTable::NewRole).toBool() &&
                        newMarkRect(rect).adjusted(-3, -3, 3, 3).contains(event->pos());
    const QString note = index.data(WorkTable::CheckNoteRole).toString();
    QToolTip::showText(event->globalPos(),
                       onMark           ? QText(texts::kNewPageTip)
                       : note.isEmpty() ? address(index)
                                        : address(index) + '\n' + note,
                       view->viewport());
    return true;
}

bool RowDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                              const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (!(index.flags() & Qt::ItemIsUserCheckable))
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton ||
            mouse->position().toPoint().x() >= option.rect.left() + checkStripWidth(option))
            return false;
        // The press selects the row as anywhere else; the release toggles. The double-click
        // event is swallowed so that it does not toggle a second time before its release.
        if (event->type() == QEvent::MouseButtonPress)
            return false;
        if (event->type() == QEvent::MouseButtonRelease)
            toggle(model, index);
        return true;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Select)
            return false;
        toggle(model, index);
        return true;
    }
    default:
        return false;
    }
}

void RowDelegate::toggle(QAbstractItemModel* model, const QModelIndex& index) {
    const bool checked = index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
    model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    emit checkToggled(index);
}

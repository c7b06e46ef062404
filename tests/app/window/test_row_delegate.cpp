// The row drawing against a model that carries the work table's roles, as the delegate reads
// them; behind a proxy too.
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QToolTip>
#include <QtTest>

#include "jobs/work_table.h"
#include "app/widgets/application.h"
#include "app/window/row_delegate.h"

namespace {

constexpr int kImageWidth = 900;
constexpr int kRowWidth = 700; // rows end here; the image goes on to show clipping
const QRgb kEven = qRgb(0xF0, 0xF1, 0xF4);
const QRgb kWhite = qRgb(0xFF, 0xFF, 0xFF);

// One row as the work table serves it: its fields by role, unchecked.
QStandardItem* row(const QString& name, const QString& changefreq, const QString& priority,
                   const QString& link = QStringLiteral("https://www.example.jp/")) {
    auto* item = new QStandardItem;
    item->setData(link, WorkTable::LinkRole);
    item->setData(name, WorkTable::FilenameRole);
    item->setData(QStringLiteral("2006-12-01T10:20:30+09:00"), WorkTable::LastmodRole);
    item->setData(changefreq, WorkTable::ChangefreqRole);
    item->setData(priority, WorkTable::PriorityRole);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    return item;
}

// Darkness of a pixel: 0 for white, 255 for black.
int ink(QRgb pixel) {
    return 255 - qGray(pixel);
}

} // namespace

class TestRowDelegate final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InitializeApplication();
        font_ = QFont(QStringLiteral("ＭＳ ゴシック"));
        font_.setPixelSize(13);
    }

    void stripesCountFromTheTopOfTheTable() {
        fill({row("a.html", "weekly", "0.5"), row("b.html", "weekly", "0.5"),
              row("c.html", "weekly", "0.5"), row("d.html", "weekly", "0.5")});
        const QImage image = render({0, 1, 2, 3});
        const int x = stripWidth() + kRowWidth / 2;
        QCOMPARE(image.pixel(x, 1), kEven);
        QCOMPARE(image.pixel(x, 47 + 1), kWhite);
        QCOMPARE(image.pixel(x, 2 * 47 + 1), kEven);
        QCOMPARE(image.pixel(x, 3 * 47 + 1), kWhite);
        // Rows 1 and 2 painted alone still take their index's colour.
        const QImage part = render({2, 1});
        QCOMPARE(part.pixel(x, 1), kEven);
        QCOMPARE(part.pixel(x, 47 + 1), kWhite);
    }

    void selectedRowKeepsItsStripeAndFocusShowsAFrame() {
        fill({row("a.html", "weekly", "0.5"), row("b.html", "weekly", "0.5")});
        const QImage plain = render({0, 1});
        const QImage selected = render({0, 1}, QStyle::State_Selected);
        const int x = stripWidth() + kRowWidth / 2;
        QCOMPARE(selected.pixel(x, 1), kEven);
        QCOMPARE(selected.pixel(x, 47 + 1), kWhite);
        QCOMPARE(selected.copy(stripWidth(), 0, kRowWidth, 94),
                 plain.copy(stripWidth(), 0, kRowWidth, 94));

        const QImage focused = render({0}, QStyle::State_Selected | QStyle::State_HasFocus);
        int frame = 0;
        for (int i = stripWidth(); i < stripWidth() + kRowWidth; ++i)
            frame += ink(focused.pixel(i, 0)) > 128 ? 1 : 0;
        QVERIFY2(frame > kRowWidth / 4, "dotted frame along the top edge");
        QVERIFY(ink(plain.pixel(stripWidth() + 1, 0)) < 32);
    }

    void aNewRowIsMarkedAtTheRightEndOfItsSecondLine() {
        QStandardItem* fresh = row("new.html", "weekly", "0.5");
        fresh->setData(true, WorkTable::NewRole);
        fill({row("a.html", "weekly", "0.5"), fresh});
        const QImage image = render({0, 1});
        const int x = stripWidth() + kRowWidth - 19; // the dot's centre
        QCOMPARE(image.pixel(x, 33), kEven);
        QCOMPARE(image.pixel(x, 47 + 33), qRgb(0xE0, 0x60, 0x00));
        QCOMPARE(image.pixel(x, 47 + 10), kWhite);
    }

    void captionsOnlyForNonEmptyFields() {
        fill({row("a.html", "weekly", "0.5"), row("b.html", "", "0.5"),
              row("c.html", "weekly", "")});
        const QImage image = render({0, 1, 2});
        const int left = stripWidth();
        // Grey caption ink is never darker than the caption colour; field text is black.
        const auto darkest = [&](int rowIndex, int from, int to) {
            int result = 0;
            for (int y = rowIndex * 47 + 25; y < rowIndex * 47 + 40; ++y)
                for (int x = left + from; x < left + to; ++x)
                    result = qMax(result, ink(image.pixel(x, y)));
            return result;
        };
        QVERIFY(darkest(0, 200, 285) > 40);
        QVERIFY(darkest(0, 200, 285) <= ink(qRgb(0x80, 0x80, 0x80)));
        QVERIFY(darkest(0, 290, 395) > 200);
        QVERIFY(darkest(0, 400, 465) > 40);
        QVERIFY(darkest(0, 400, 465) <= ink(qRgb(0x80, 0x80, 0x80)));
        QVERIFY(darkest(0, 470, 520) > 200);
        // Empty changefreq: no caption, no value; the priority part stays.
        QCOMPARE(darkest(1, 200, 395), ink(kWhite));
        QVERIFY(darkest(1, 400, 465) > 40);
        QVERIFY(darkest(1, 470, 520) > 200);
        // Empty priority: no caption, no value.
        QVERIFY(darkest(2, 200, 285) > 40);
        QCOMPARE(darkest(2, 400, kRowWidth), ink(kEven));
    }

    void longAddressIsCutAtTheRowsEdge() {
        fill({row(QString(300, u'w') + ".html", "weekly", "0.5")});
        const QImage image = render({0});
        const int right = stripWidth() + kRowWidth;
        int nearEdge = 0;
        for (int y = 5; y < 20; ++y) {
            for (int x = right; x < kImageWidth; ++x)
                QCOMPARE(image.pixel(x, y), kWhite);
            for (int x = right - 20; x < right; ++x)
                nearEdge = qMax(nearEdge, ink(image.pixel(x, y)));
        }
        QVERIFY2(nearEdge > 128, "the text runs up to the edge");
    }

    void ampersandIsDrawnAsItself() {
        const QString link = QStringLiteral("https://www.example.jp/");
        fill({row("Q&A.html", "weekly", "0.5", link)});
        const QImage image = render({0});
        int rightmost = 0;
        for (int y = 5; y < 20; ++y)
            for (int x = stripWidth(); x < stripWidth() + kRowWidth; ++x)
                if (ink(image.pixel(x, y)) > 64)
                    rightmost = qMax(rightmost, x);
        const QFontMetrics metrics(font_);
        const int expected = stripWidth() + 5 + metrics.horizontalAdvance(link + "Q&A.html");
        const int withoutAmpersand = stripWidth() + 5 + metrics.horizontalAdvance(link + "QA.html");
        QVERIFY2(qAbs(rightmost - expected) <= 2, qPrintable(QString::number(rightmost)));
        QVERIFY(qAbs(rightmost - withoutAmpersand) > 3);
    }

    void checkBoxFollowsTheFlag() {
        fill({row("a.html", "weekly", "0.5"), row("b.html", "weekly", "0.5")});
        model_.item(0)->setCheckState(Qt::Checked);
        const QImage image = render({0, 1});
        const QImage strip0 = image.copy(0, 0, stripWidth(), 47);
        const QImage strip1 = image.copy(0, 47, stripWidth(), 47);
        QVERIFY(strip0 != strip1);
        model_.item(1)->setCheckState(Qt::Checked);
        const QImage both = render({0, 1});
        QCOMPARE(both.copy(0, 47, stripWidth(), 47), strip0);
    }

    void behindAProxyItDrawsAndTogglesTheSameRows() {
        fill({row("a.html", "weekly", "0.5"), row("b.html", "", "1.0")});
        model_.item(1)->setCheckState(Qt::Checked);
        QSortFilterProxyModel proxy;
        proxy.setSourceModel(&model_);
        QCOMPARE(render({0, 1}, {}, &proxy), render({0, 1}));

        // Space toggles the row through the proxy, in the model behind it.
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
        QSignalSpy toggled(&delegate_, &RowDelegate::checkToggled);
        QAbstractItemDelegate& delegate = delegate_;
        QVERIFY(delegate.editorEvent(&space, &proxy, QStyleOptionViewItem(), proxy.index(0, 0)));
        QCOMPARE(model_.item(0)->checkState(), Qt::Checked);
        QCOMPARE(toggled.size(), 1);
    }

    // With folder addresses on, a folder's own page shows as the folder's address, as the
    // sitemap holds it; its tooltip gives the whole address, the new-page dot's its meaning.
    void rowsShowTheSitemapsAddressWithATooltip() {
        const QString news = QStringLiteral("https://www.example.jp/news/");
        fill({row(QString(), "weekly", "0.5", news)});
        const QImage folderOnly = render({0});
        fill({row(QStringLiteral("index.html"), "weekly", "0.5", news),
              row(QStringLiteral("a.html"), "weekly", "0.5", news)});
        QVERIFY(render({0}) != folderOnly);
        delegate_.setIndexNames({"index.html"});
        QCOMPARE(render({0}), folderOnly);

        model_.item(1)->setData(true, WorkTable::NewRole);
        QListView view;
        view.setModel(&model_);
        view.setItemDelegate(&delegate_);
        view.resize(stripWidth() + kRowWidth, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const auto tipAt = [&view](const QPoint& at) {
            QHelpEvent help(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
            QCoreApplication::sendEvent(view.viewport(), &help);
            return QToolTip::text();
        };
        const QRect second = view.visualRect(model_.index(1, 0));
        QCOMPARE(tipAt(view.visualRect(model_.index(0, 0)).center()), news);
        QCOMPARE(tipAt(second.topLeft() + QPoint(stripWidth() + 20, 10)), news + "a.html");
        QCOMPARE(tipAt(QPoint(second.right() - 18, second.top() + 33)),
                 QStringLiteral("新しいページ（サイトの記憶にまだないページ）"));
        // A row the page check left out says why, in its second line and its tooltip.
        const QImage plain = render({1});
        model_.item(1)->setData(QStringLiteral("noindex"), WorkTable::CheckNoteRole);
        QVERIFY(render({1}) != plain);
        QCOMPARE(tipAt(second.topLeft() + QPoint(stripWidth() + 20, 10)),
                 news + "a.html\nnoindex");
        delegate_.setIndexNames({});
    }

private:
    void fill(const QList<QStandardItem*>& rows) {
        model_.clear();
        for (QStandardItem* item : rows)
            model_.appendRow(item);
    }

    int stripWidth() const {
        QStyleOptionViewItem option;
        return RowDelegate::checkStripWidth(option);
    }

    // Paints the given rows one below the other, as a view would.
    QImage render(const std::vector<int>& rows, QStyle::State extra = {},
                  QAbstractItemModel* model = nullptr) {
        if (!model)
            model = &model_;
        QImage image(kImageWidth, int(rows.size()) * 47, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            QStyleOptionViewItem option;
            option.font = font_;
            option.palette = QApplication::palette();
            option.palette.setColor(QPalette::Base, Qt::white);
            option.state = QStyle::State_Enabled | extra;
            option.rect = QRect(0, int(i) * 47, stripWidth() + kRowWidth, 47);
            delegate_.paint(&painter, option, model->index(rows[i], 0));
        }
        return image;
    }

    QStandardItemModel model_;
    RowDelegate delegate_;
    QFont font_;
};

QTEST_MAIN(TestRowDelegate)
#include "test_row_delegate.moc"

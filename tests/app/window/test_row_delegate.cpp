#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include "app/widgets/application.h"
#include "app/window/row_delegate.h"
#include "app/url_entry.h"
#include "app/jobs/work_table.h"

namespace {

constexpr int kImageWidth = 900;
constexpr int kRowWidth = 700; // rows end here; the image goes on to show clipping
const QRgb kEven = qRgb(0xF0, 0xF1, 0xF4);
const QRgb kWhite = qRgb(0xFF, 0xFF, 0xFF);

std::string row(const std::string& name, const std::string& changefreq, const std::string& priority,
                const std::string& link = "https://www.example.jp/") {
    return BuildUrlEntry({link, name, "2006-12-01T10:20:30+09:00", changefreq, priority});
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
        table_.fill({row("a.html", "weekly", "0.5"), row("b.html", "weekly", "0.5"),
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
        table_.fill({row("a.html", "weekly", "0.5"), row("b.html", "weekly", "0.5")});
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

    void captionsOnlyForNonEmptyFields() {
        table_.fill({row("a.html", "weekly", "0.5"), row("b.html", "", "0.5"),
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
        table_.fill({row(std::string(300, 'w') + ".html", "weekly", "0.5")});
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
        const std::string link = "https://www.example.jp/";
        table_.fill({row("Q&A.html", "weekly", "0.5", link)});
        const QImage image = render({0});
        int rightmost = 0;
        for (int y = 5; y < 20; ++y)
            for (int x = stripWidth(); x < stripWidth() + kRowWidth; ++x)
                if (ink(image.pixel(x, y)) > 64)
                    rightmost = qMax(rightmost, x);
        const QFontMetrics metrics(font_);
        const int expected =
            stripWidth() + 5 + metrics.horizontalAdvance(QString::fromStdString(link + "Q&A.html"));
        const int withoutAmpersand =
            stripWidth() + 5 + metrics.horizontalAdvance(QString::fromStdString(link + "QA.html"));
        QVERIFY2(qAbs(rightmost - expected) <= 2, qPrintable(QString::number(rightmost)));
        QVERIFY(qAbs(rightmost - withoutAmpersand) > 3);
    }

    void checkBoxFollowsTheFlag() {
        table_.fill({row("a.html", "weekly", "0.5"), row("b.html", "weekly", "0.5")});
        table_.setChecked(0, true);
        const QImage image = render({0, 1});
        const QImage strip0 = image.copy(0, 0, stripWidth(), 47);
        const QImage strip1 = image.copy(0, 47, stripWidth(), 47);
        QVERIFY(strip0 != strip1);
        table_.setChecked(1, true);
        const QImage both = render({0, 1});
        QCOMPARE(both.copy(0, 47, stripWidth(), 47), strip0);
    }

private:
    int stripWidth() const {
        QStyleOptionViewItem option;
        return RowDelegate::checkStripWidth(option);
    }

    // Paints the given rows one below the other, as a view would.
    QImage render(const std::vector<int>& rows, QStyle::State extra = {}) {
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
            delegate_.paint(&painter, option, table_.index(rows[i]));
        }
        return image;
    }

    WorkTable table_;
    RowDelegate delegate_;
    QFont font_;
};

QTEST_MAIN(TestRowDelegate)
#include "test_row_delegate.moc"

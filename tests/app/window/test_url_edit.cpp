#include <functional>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include "app/window/Uurl_edit.h"
#include "app/widgets/application.h"
#include "app/widgets/message_dialogs.h"

namespace {

const std::string kRow =
    "https://www.example.jp/news/;index.html;2006-12-01T10:20:30+09:00;weekly;0.5;";

template <typename T> T* child(QWidget* dialog, const char* name) {
    T* found = dialog->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

} // namespace

class TestUrlEdit final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitializeApplication(); }

    void unchangedRowIsRebuiltIdentically() {
        Tfurl_edit dialog;
        dialog.FillFromRow(kRow);
        QCOMPARE(child<QLineEdit>(&dialog, "link")->text(),
                 QStringLiteral("https://www.example.jp/news/"));
        QCOMPARE(child<QLineEdit>(&dialog, "filename")->text(), QStringLiteral("index.html"));
        QCOMPARE(child<QLabel>(&dialog, "lastdate")->text(),
                 QStringLiteral("2006-12-01T10:20:30+09:00"));
        QCOMPARE(child<QComboBox>(&dialog, "changefreq")->currentIndex(), 3);
        QCOMPARE(child<QComboBox>(&dialog, "priority")->currentIndex(), 5);
        QCOMPARE(dialog.BuildRow(), kRow);
    }

    void valuesOutsideTheItemsAreKept() {
        Tfurl_edit dialog;
        dialog.FillFromRow("https://e.jp/;a.html;2006-12-01T10:20:30+09:00;Weekly;1;");
        auto* changefreq = child<QComboBox>(&dialog, "changefreq");
        auto* priority = child<QComboBox>(&dialog, "priority");
        QCOMPARE(changefreq->currentText(), QStringLiteral("Weekly"));
        QCOMPARE(changefreq->currentIndex(), 3); // the item equal to it, ignoring case
        QCOMPARE(priority->currentText(), QStringLiteral("1"));
        QCOMPARE(priority->currentIndex(), -1);
        QCOMPARE(dialog.BuildRow(), "https://e.jp/;a.html;2006-12-01T10:20:30+09:00;Weekly;1;");

        // Every opening overwrites all fields, an empty priority included.
        dialog.FillFromRow("https://e.jp/;b.html;;;;");
        QCOMPARE(priority->currentText(), QString());
        QCOMPARE(changefreq->currentText(), QString());
        QCOMPARE(dialog.BuildRow(), "https://e.jp/;b.html;;;;");
    }

    void editedFieldsMakeTheNewRow() {
        Tfurl_edit dialog;
        dialog.FillFromRow(kRow);
        child<QComboBox>(&dialog, "priority")->setCurrentIndex(8);
        QCOMPARE(dialog.BuildRow(),
                 "https://www.example.jp/news/;index.html;2006-12-01T10:20:30+09:00;weekly;0.8;");
        child<QComboBox>(&dialog, "changefreq")->setEditText(QStringLiteral("fortnightly"));
        child<QLineEdit>(&dialog, "filename")->setText(QStringLiteral("目次.html"));
        child<QLineEdit>(&dialog, "link")->clear();
        QCOMPARE(dialog.BuildRow(), ";目次.html;2006-12-01T10:20:30+09:00;fortnightly;0.8;");
    }

    void captionIsTheApplicationTitleAtEveryShow() {
        Tfurl_edit dialog;
        for (int i = 0; i < 2; ++i) {
            dialog.setWindowTitle(QStringLiteral("other"));
            QString caption;
            QPoint centre;
            QTimer::singleShot(0, &dialog, [&] {
                caption = dialog.windowTitle();
                centre = dialog.frameGeometry().center();
                dialog.reject();
            });
            QCOMPARE(dialog.exec(), int(QDialog::Rejected));
            QCOMPARE(caption, QStringLiteral("SITE WRIGHT Google Sitemap編"));
            const QPoint screenCentre =
                QGuiApplication::primaryScreen()->availableGeometry().center();
            QVERIFY((centre - screenCentre).manhattanLength() <= 2);
        }
    }

    void okWithASemicolonIsRefusedAndStaysOpen() {
        Tfurl_edit dialog;
        dialog.FillFromRow(kRow);
        QList<MessageRequest> asked;
        ScopedMessageResponder responder([&](const MessageRequest& request) {
            asked << request;
            return kFirstButton;
        });
        bool openAfterRefusal = false;
        QTimer::singleShot(0, &dialog, [&] {
            child<QComboBox>(&dialog, "priority")->setEditText(QStringLiteral("0.5;x"));
            child<QPushButton>(&dialog, "Button1")->click();
            openAfterRefusal = dialog.isVisible();
            child<QComboBox>(&dialog, "priority")->setEditText(QStringLiteral("0.9"));
            child<QPushButton>(&dialog, "Button1")->click();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY(openAfterRefusal);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].kind, MessageRequest::Kind::Info);
        QCOMPARE(asked[0].message, QStringLiteral("「;」は使用できません。"));
        QCOMPARE(asked[0].buttons, QStringList({QStringLiteral("確認")}));
        QCOMPARE(dialog.BuildRow(),
                 "https://www.example.jp/news/;index.html;2006-12-01T10:20:30+09:00;weekly;0.9;");

        for (const char* field : {"link", "filename"}) {
            asked.clear();
            dialog.FillFromRow(kRow);
            child<QLineEdit>(&dialog, field)->setText(QStringLiteral("a;b"));
            QTimer::singleShot(0, &dialog, [&] {
                child<QPushButton>(&dialog, "Button1")->click();
                dialog.reject();
            });
            QCOMPARE(dialog.exec(), int(QDialog::Rejected));
            QCOMPARE(asked.size(), 1);
        }
    }

    void cancelAndEscape() {
        Tfurl_edit dialog;
        dialog.FillFromRow(kRow);
        bool openAfterEscape = false;
        QTimer::singleShot(0, &dialog, [&] {
            QTest::keyClick(&dialog, Qt::Key_Escape);
            openAfterEscape = dialog.isVisible();
            child<QPushButton>(&dialog, "Button2")->click();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(openAfterEscape);
    }

    void enterInAFieldKeepsTheEdits() {
        Tfurl_edit dialog;
        dialog.FillFromRow(kRow);
        bool openAfterEnter = false;
        QTimer::singleShot(0, &dialog, [&] {
            for (const char* field : {"link", "filename"}) {
                auto* edit = child<QLineEdit>(&dialog, field);
                edit->setFocus();
                QTest::keyClicks(edit, QStringLiteral("x"));
                QTest::keyClick(edit, Qt::Key_Return);
            }
            openAfterEnter = dialog.isVisible();
            // Enter on the focused button presses it, as a click would.
            child<QPushButton>(&dialog, "Button1")->setFocus();
            QTest::keyClick(child<QPushButton>(&dialog, "Button1"), Qt::Key_Return);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY(openAfterEnter);
        QCOMPARE(dialog.BuildRow(),
                 "https://www.example.jp/news/x;index.htmlx;2006-12-01T10:20:30+09:00;weekly;0.5;");
    }

    void layoutAndTabOrder() {
        Tfurl_edit dialog;
        QCOMPARE(dialog.size(), QSize(513, 199));
        QCOMPARE(child<QLineEdit>(&dialog, "link")->geometry(), QRect(112, 15, 385, 21));
        QCOMPARE(child<QLineEdit>(&dialog, "filename")->geometry(), QRect(112, 45, 177, 21));
        QCOMPARE(child<QComboBox>(&dialog, "changefreq")->geometry(), QRect(112, 105, 89, 21));
        QCOMPARE(child<QComboBox>(&dialog, "priority")->geometry(), QRect(384, 105, 89, 21));
        QCOMPARE(child<QPushButton>(&dialog, "Button1")->geometry(), QRect(336, 144, 75, 25));
        QCOMPARE(child<QPushButton>(&dialog, "Button2")->geometry(), QRect(416, 144, 75, 25));
        QCOMPARE(child<QComboBox>(&dialog, "changefreq")->count(), 7);
        QCOMPARE(child<QComboBox>(&dialog, "priority")->itemText(10), QStringLiteral("1.0"));
        QCOMPARE(child<QComboBox>(&dialog, "priority")->itemText(0), QStringLiteral("0.0"));
        QVERIFY(!child<QPushButton>(&dialog, "Button1")->isDefault());
        QVERIFY(!child<QPushButton>(&dialog, "Button2")->autoDefault());
        QCOMPARE(child<QLabel>(&dialog, "lastdate")->focusPolicy(), Qt::NoFocus);

        QStringList order;
        QWidget* widget = child<QPushButton>(&dialog, "Button1");
        for (int i = 0; i < 6; ++i) {
            order << widget->objectName();
            do
                widget = widget->nextInFocusChain();
            while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty());
        }
        QCOMPARE(order,
                 QStringList({"Button1", "Button2", "link", "changefreq", "priority", "filename"}));
    }
};

QTEST_MAIN(TestUrlEdit)
#include "test_url_edit.moc"

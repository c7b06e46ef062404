#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include "app/widgets/application.h"
#include "app/widgets/message_dialogs.h"
#include "app/widgets/wait_dialog.h"
#include "app/widgets/wait_dialog_stopper.h"

namespace {

// Runs action on the modal dialog once it shows.
void whenShown(std::function<void(QDialog*)> action) {
    QTimer::singleShot(0, [action] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        action(dialog);
    });
}

QList<QPushButton*> buttonsOf(QDialog* dialog) {
    QList<QPushButton*> buttons = dialog->findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton* a, QPushButton* b) { return a->x() < b->x(); });
    return buttons;
}

} // namespace

class TestMessageDialogs final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitializeApplication(); }

    void confirmLooksAsTheCallerAsked() {
        QStringList captions;
        QString message;
        Qt::WindowFlags flags;
        QString title;
        bool iconShown = false;
        bool sameWidth = false;
        bool handCursors = true;
        whenShown([&](QDialog* dialog) {
            title = dialog->windowTitle();
            flags = dialog->windowFlags();
            const QList<QPushButton*> buttons = buttonsOf(dialog);
            for (QPushButton* button : buttons) {
                captions << button->text();
                handCursors = handCursors && button->cursor().shape() == Qt::PointingHandCursor;
            }
            sameWidth = buttons.size() == 2 && buttons[0]->width() == buttons[1]->width();
            message = dialog->findChild<QLabel*>(QStringLiteral("Message"))->text();
            const QLabel* icon = dialog->findChild<QLabel*>(QStringLiteral("Image"));
            iconShown = icon && icon->pixmap().size() == QSize(32, 32);
            dialog->done(kFirstButton);
        });
        ShowConfirm(QStringLiteral("サイトマップをアップロードします。\r\n/public_html"),
                    QStringLiteral("実行"), QStringLiteral("キャンセル"));
        QCOMPARE(title, QStringLiteral("SITE WRIGHT Google Sitemap編"));
        QCOMPARE(captions, QStringList({QStringLiteral("実行"), QStringLiteral("キャンセル")}));
        QCOMPARE(message, QStringLiteral("サイトマップをアップロードします。\n/public_html"));
        QVERIFY(iconShown);
        QVERIFY(sameWidth);
        QVERIFY(handCursors);
        QVERIFY(flags & Qt::CustomizeWindowHint);
        QVERIFY(flags & Qt::WindowTitleHint);
        QVERIFY(!(flags & Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & Qt::WindowSystemMenuHint));
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    }

    void confirmAnswersEnterAndEscape() {
        whenShown([](QDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Return); });
        QCOMPARE(
            ShowConfirm(QStringLiteral("q"), QStringLiteral("実行"), QStringLiteral("キャンセル")),
            6);
        whenShown([](QDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
        QCOMPARE(
            ShowConfirm(QStringLiteral("q"), QStringLiteral("実行"), QStringLiteral("キャンセル")),
            7);
        // Enter presses the button that has the focus.
        whenShown([](QDialog* dialog) {
            QPushButton* second = buttonsOf(dialog)[1];
            second->setFocus();
            QTest::keyClick(second, Qt::Key_Return);
        });
        QCOMPARE(
            ShowConfirm(QStringLiteral("q"), QStringLiteral("実行"), QStringLiteral("キャンセル")),
            7);
        whenShown([](QDialog* dialog) { buttonsOf(dialog)[1]->click(); });
        QCOMPARE(
            ShowConfirm(QStringLiteral("q"), QStringLiteral("実行"), QStringLiteral("キャンセル")),
            7);
        // A question whose safe answer is the second: Enter gives it.
        whenShown([](QDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Return); });
        QCOMPARE(ShowConfirm(QStringLiteral("q"), QStringLiteral("信頼する"),
                             QStringLiteral("キャンセル"), kSecondButton),
                 7);
    }

    // A message far taller than the screen (a long list) scrolls: the box and its buttons stay
    // within the screen, and the title is not cut.
    void aLongMessageFitsTheScreen() {
        QRect box;
        QRect screen;
        int titleRoom = 0;
        whenShown([&](QDialog* dialog) {
            box = dialog->frameGeometry();
            screen = dialog->screen()->availableGeometry();
            titleRoom = dialog->width() -
                        dialog->fontMetrics().horizontalAdvance(dialog->windowTitle());
            dialog->done(kFirstButton);
        });
        QStringList lines;
        for (int i = 0; i < 400; ++i)
            lines << QStringLiteral("/page-%1.html").arg(i);
        ShowConfirm(lines.join(QStringLiteral("\r\n")), QStringLiteral("削除"),
                    QStringLiteral("キャンセル"));
        QVERIFY(box.height() < screen.height());
        QVERIFY(titleRoom > 0);
    }

    void infoIgnoresEscapeAndAnswersEnter() {
        bool openAfterEscape = false;
        QStringList captions;
        whenShown([&](QDialog* dialog) {
            for (QPushButton* button : buttonsOf(dialog))
                captions << button->text();
            QTest::keyClick(dialog, Qt::Key_Escape);
            dialog->close(); // the window manager's close request does nothing either
            openAfterEscape = dialog->isVisible();
            QTest::keyClick(dialog, Qt::Key_Enter);
        });
        QCOMPARE(ShowInfo(QStringLiteral("接続成功"), QStringLiteral("確認")), 6);
        QVERIFY(openAfterEscape);
        QCOMPARE(captions, QStringList({QStringLiteral("確認")}));
    }

    void longTextWrapsWithinHalfTheScreen() {
        int textWidth = 0;
        int lines = 0;
        whenShown([&](QDialog* dialog) {
            const QLabel* label = dialog->findChild<QLabel*>(QStringLiteral("Message"));
            textWidth = label->width();
            lines = label->height() / label->fontMetrics().height();
            dialog->done(kFirstButton);
        });
        ShowInfo(QString(400, QChar(u'あ')), QStringLiteral("確認"));
        QVERIFY(textWidth <= QGuiApplication::primaryScreen()->availableGeometry().width() / 2);
        QVERIFY2(lines > 3, qPrintable(QString::number(lines)));
    }

    void shortLinesAreNotWrapped() {
        const QString line =
            QStringLiteral("現在のリストを破棄し、新たにサイトマップを作成します。");
        int lines = 0;
        whenShown([&](QDialog* dialog) {
            const QLabel* label = dialog->findChild<QLabel*>(QStringLiteral("Message"));
            lines = label->height() / label->fontMetrics().height();
            dialog->done(kFirstButton);
        });
        ShowConfirm(line + QStringLiteral("\r\n") + line, QStringLiteral("実行"),
                    QStringLiteral("キャンセル"));
        QCOMPARE(lines, 2);
    }

    void responderAnswersInsteadOfTheUser() {
        QList<MessageRequest> asked;
        {
            ScopedMessageResponder responder([&](const MessageRequest& request) {
                asked << request;
                return kSecondButton;
            });
            QCOMPARE(ShowConfirm(QStringLiteral("q"), QStringLiteral("a"), QStringLiteral("b")), 7);
            ShowPlainMessage(QStringLiteral("plain"));
            RunCommand([] { throw std::runtime_error("broken"); });
        }
        QCOMPARE(asked.size(), 3);
        QCOMPARE(asked[0].kind, MessageRequest::Kind::Confirm);
        QCOMPARE(asked[0].buttons, QStringList({QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(asked[1].kind, MessageRequest::Kind::Plain);
        QCOMPARE(asked[2].kind, MessageRequest::Kind::Error);
        QCOMPARE(asked[2].message, QStringLiteral("broken"));
        // Gone with its scope: the real dialog shows again.
        whenShown([](QDialog* dialog) { dialog->done(kFirstButton); });
        QCOMPARE(ShowInfo(QStringLiteral("x"), QStringLiteral("確認")), 6);
    }

    void dialogResponderAnswersInsteadOfTheUser() {
        QDialog dialog;
        auto* ok = new QPushButton(QStringLiteral("ok"), &dialog);
        QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
        {
            const ScopedDialogResponder responder([&](QDialog& shown) {
                QCOMPARE(&shown, &dialog);
                QVERIFY(!shown.isVisible());
                ok->click();
            });
            QCOMPARE(ExecDialog(dialog), int(QDialog::Accepted));
            const ScopedDialogResponder inner([](QDialog&) {});
            QCOMPARE(ExecDialog(dialog), int(QDialog::Rejected));
        }
        // Gone with its scope: the dialog really shows again.
        whenShown([](QDialog* shown) { shown->accept(); });
        QCOMPARE(ExecDialog(dialog), int(QDialog::Accepted));
    }

    void runWithStopWaitsForTheJobUntilItIsStopped() {
        // The job holds until stopped, the way a conversation with a silent server would.
        std::mutex mutex;
        std::condition_variable changed;
        bool stopped = false;
        std::thread::id jobThread;
        const auto job = [&] {
            jobThread = std::this_thread::get_id();
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return stopped; });
        };
        const auto stop = [&] {
            std::lock_guard<std::mutex> lock(mutex);
            stopped = true;
            changed.notify_all();
        };
        {
            const WaitDialogStopper stopper;
            RunWithStop(nullptr, QStringLiteral("待機"), job, stop);
            QCOMPARE(stopper.Presses(), 1);
        }
        QVERIFY(stopped);
        QVERIFY(jobThread != std::this_thread::get_id());

        // Escape stops as well; a job that ends by itself closes the dialog.
        stopped = false;
        whenShown([](QDialog* wait) {
            QCOMPARE(wait->objectName(), QStringLiteral("WaitDialog"));
            QTest::keyClick(wait, Qt::Key_Escape);
        });
        RunWithStop(nullptr, QStringLiteral("待機"), job, stop);
        QVERIFY(stopped);
        RunWithStop(
            nullptr, QStringLiteral("待機"), [] {}, [] {});
    }

    void aFailureOfTheJobIsThrownAgain() {
        try {
            RunWithStop(
                nullptr, QStringLiteral("待機"), [] { throw std::runtime_error("broken"); }, [] {});
            QFAIL("nothing thrown");
        } catch (const std::runtime_error& error) {
            QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("broken"));
        }
    }
};

QTEST_MAIN(TestMessageDialogs)
#include "test_message_dialogs.moc"

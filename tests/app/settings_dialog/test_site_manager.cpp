#include <algorithm>
#include <filesystem>
#include <future>
#include <memory>
#include <thread>

#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "core/file_io.h"
#include "core/texts.h"
#include "app/widgets/application.h"
#include "app/widgets/message_dialogs.h"
#include "app/widgets/wait_dialog_stopper.h"
#include "ftp/Uftp_module.h"
#include "mylib/BF2B64Text.h"
#include "settings/SiteSettings.h"
#include "app/settings_dialog/Usite_manager.h"
#include "support/fake_ftp_server.h"
#include "support/py_ftp_server.h"
#include "support/test_certificates.h"

namespace fs = std::filesystem;

class TestSiteManager final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitializeApplication(); }

    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
        asked_.clear();
        responder_ = std::make_unique<ScopedMessageResponder>([this](const MessageRequest& r) {
            asked_ << r;
            return kFirstButton;
        });
    }

    void cleanup() {
        dialog_.reset();
        responder_.reset();
        folder_.reset();
    }

    void firstStartShowsTheInitialValues() {
        create();
        QVERIFY(asked_.isEmpty());
        QCOMPARE(dialog_->windowTitle(), QStringLiteral("WEBサイトFTP設定"));
        for (const char* name : {"web_url", "hostname", "username", "password", "site_root"})
            QCOMPARE(edit(name)->text(), QString());
        QCOMPARE(combo("ext_list")->currentText(), QStringLiteral(".htm,.html,.php,.cgi"));
        QCOMPARE(combo("ext_list")->count(), 1);
        QVERIFY(combo("ext_list")->isEditable());

        const struct {
            const char* name;
            QStringList items;
            int selected;
        } lists[] = {
            {"changefreq",
             {"always", "hourly", "daily", "weekly", "monthly", "yearly", "never"},
             3},
            {"priority",
             {"0.0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1.0"},
             5},
            {"offset_1", {"+", "-"}, 0},
            {"offset_2", hours(), 9},
            {"offset_3", {"0", "1", "2", "3", "4", "5"}, 0},
            {"offset_4", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}, 0},
        };
        for (const auto& list : lists) {
            QComboBox* box = combo(list.name);
            QVERIFY2(!box->isEditable(), list.name);
            QStringList items;
            for (int i = 0; i < box->count(); ++i)
                items << box->itemText(i);
            QCOMPARE(items, list.items);
            QCOMPARE(box->currentIndex(), list.selected);
        }

        const SiteSettings settings = dialog_->Settings();
        QCOMPARE(QString::fromStdString(settings.TimeZoneOffset()), QStringLiteral("+09:00"));
        QCOMPARE(settings.changefreq, std::string("weekly"));
        QCOMPARE(settings.priority, std::string("0.5"));

        edit("password")->setText(QStringLiteral("secret"));
        QCOMPARE(edit("password")->displayText(), QStringLiteral("******"));
        QVERIFY(!fs::exists(programFolder() / "config_v1.dat"));
    }

    void labelsHintsAndButtonsStandInTheirOrder() {
        create();
        dialog_->show();
        // Reading order: page by page, top to bottom, then left to right within a line; the
        // buttons below the pages last.
        auto* pages = dialog_->findChild<QTabWidget*>(QStringLiteral("pages"));
        QStringList texts;
        const auto read = [&texts](QWidget* within, const QWidget* skip) {
            QList<QWidget*> shown;
            for (QWidget* widget : within->findChildren<QWidget*>()) {
                if (widget->isVisible() && (!skip || !skip->isAncestorOf(widget)) &&
                    (qobject_cast<QLabel*>(widget) || qobject_cast<QPushButton*>(widget)))
                    shown << widget;
            }
            std::sort(shown.begin(), shown.end(), [](QWidget* a, QWidget* b) {
                const int ay = a->mapTo(a->window(), a->rect().center()).y();
                const int by = b->mapTo(b->window(), b->rect().center()).y();
                if (qAbs(ay - by) > 4)
                    return ay < by;
                return a->mapTo(a->window(), QPoint()).x() < b->mapTo(b->window(), QPoint()).x();
            });
            for (QWidget* widget : shown) {
                if (auto* label = qobject_cast<QLabel*>(widget))
                    texts << label->text();
                else
                    texts << static_cast<QPushButton*>(widget)->text();
            }
        };
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            read(pages->widget(i), nullptr);
        }
        read(dialog_.get(), pages);
        QCOMPARE(texts,
                 QStringList({
                     "WEBサイトURL(アドレス)",
                     "例)https://www.example.jp(最後の/は不要です)",
                     "接続方式",
                     "ホスト名(アドレス)",
                     "ユーザー名(ID)",
                     "パスワード(フレーズ)",
                     "接続テスト",
                     "鍵ファイル（SFTP）",
                     "暗号化",
                     "同時接続数",
                     "並行して一覧を取得する接続の数（1: 一つの接続で順に）",
                     "FTP情報を入力してください。",
                     "同時に確認する数",
                     "取得の後、各ページを WEB サーバーに尋ね、検索エンジンが登録しないページ\n"
                     "（404、転送、noindex、別の正規 URL、確認用ファイル）のチェックを外します",
                     "サイトのルートフォルダー",
                     "例)/public_html(最後の/は不要です)",
                     "取得ファイルの拡張子",
                     "デフォルトの更新頻度\n(changefreq)",
                     "デフォルトの優先度\n(priority)",
                     "タイムゾーン・オフセット",
                     ":",
                     "MLSD 対応のサーバーでは、書き出す時間帯にだけ使います。\n"
                     "（対応しているかどうかは接続テストで分かります）",
                     "サイトマップ形式",
                     "除外するパス",
                     "1行に1つ 例)/drafts/ */admin/* *.bak.html /private*",
                     "IndexNow キー",
                     "IndexNow の送り先",
                     "空欄は共有の送り先です。IndexNow は参加する検索エンジンだけが読みます。\n"
                     "robots.txt の Sitemap: 行は主な検索エンジンがすべて読みます",
                     "実 行",
                     "キャンセル",
                 }));
        // The four time-zone lists share one row, around the ":".
        const int row = combo("offset_1")->y();
        for (const char* name : {"offset_2", "offset_3", "offset_4"})
            QCOMPARE(combo(name)->y(), row);
        QVERIFY(combo("offset_2")->x() < combo("offset_3")->x());
    }

    // It opens within its screen, and on one of 540 device-independent pixels (1920 x 1080 at
    // scale 2) it keeps its buttons, each page scrolling to its last control.
    void theDialogFitsASmallScreen() {
        create();
        dialog_->show();
        QVERIFY(dialog_->screen()->availableGeometry().contains(dialog_->frameGeometry()));
        dialog_->resize(dialog_->width(), 500);
        QCOMPARE(dialog_->height(), 500);
        for (const char* name : {"Button1", "Button2"})
            QVERIFY(dialog_->rect().contains(button(name)->geometry()));
        auto* pages = dialog_->findChild<QTabWidget*>(QStringLiteral("pages"));
        for (const char* name : {"connections", "offset_4", "index_names"}) {
            auto* control = dialog_->findChild<QWidget*>(QString::fromLatin1(name));
            for (int i = 0; i < pages->count(); ++i) {
                auto* scroll = static_cast<QScrollArea*>(pages->widget(i));
                if (!scroll->isAncestorOf(control))
                    continue;
                pages->setCurrentIndex(i);
                scroll->ensureWidgetVisible(control);
                const QRect at(control->mapTo(scroll->viewport(), QPoint()), control->size());
                QVERIFY2(scroll->viewport()->rect().contains(at), name);
            }
        }
    }

    void confirmingStoresEverythingButTheExtensionList() {
        create();
        edit("web_url")->setText(QStringLiteral("https://www.example.jp/サイト"));
        edit("hostname")->setText(QStringLiteral("ftp.example.jp:2121"));
        edit("username")->setText(QStringLiteral("ユーザー"));
        edit("password")->setText(QString());
        edit("site_root")->setText(QStringLiteral("/public_html"));
        combo("ext_list")->setEditText(QStringLiteral(".html"));
        combo("changefreq")->setCurrentText(QStringLiteral("daily"));
        combo("priority")->setCurrentText(QStringLiteral("1.0"));
        combo("offset_1")->setCurrentText(QStringLiteral("-"));
        combo("offset_2")->setCurrentText(QStringLiteral("05"));
        combo("offset_3")->setCurrentText(QStringLiteral("3"));
        combo("offset_4")->setCurrentText(QStringLiteral("7"));
        combo("sitemap_format")->setCurrentIndex(1);
        dialog_->findChild<QCheckBox*>(QStringLiteral("gzip"))->setChecked(true);
        dialog_->findChild<QPlainTextEdit*>(QStringLiteral("exclude"))
            ->setPlainText(QStringLiteral(" /drafts/\n\n*/admin/*, *.bak.html\n"));
        dialog_->findChild<QCheckBox*>(QStringLiteral("robots"))->setChecked(false);
        dialog_->findChild<QCheckBox*>(QStringLiteral("folder_addresses"))->setChecked(true);
        edit("index_names")->setText(QStringLiteral("index.php"));
        QCOMPARE(execClicking("Button1"), int(QDialog::Accepted));
        QVERIFY(asked_.isEmpty());
        QVERIFY(fs::exists(programFolder() / "config_v1.dat"));
        QVERIFY(fs::exists(programFolder() / "config_v1.conf"));

        dialog_.reset();
        create();
        const SiteSettings loaded = dialog_->Settings();
        QCOMPARE(QString::fromStdString(loaded.web_url),
                 QStringLiteral("https://www.example.jp/サイト"));
        QCOMPARE(loaded.hostname, std::string("ftp.example.jp:2121"));
        QCOMPARE(QString::fromStdString(loaded.username), QStringLiteral("ユーザー"));
        QCOMPARE(loaded.password, std::string());
        QCOMPARE(loaded.site_root, std::string("/public_html"));
        QCOMPARE(loaded.ext_list, std::string(".htm,.html,.php,.cgi"));
        QCOMPARE(loaded.changefreq, std::string("daily"));
        QCOMPARE(loaded.priority, std::string("1.0"));
        QCOMPARE(loaded.TimeZoneOffset(), std::string("-05:37"));
        QCOMPARE(loaded.sitemap_format, std::string("0.9"));
        QVERIFY(loaded.gzip && !loaded.robots && loaded.folder_addresses);
        QCOMPARE(loaded.exclude, std::string("/drafts/,*/admin/*,*.bak.html"));
        QCOMPARE(loaded.index_names, std::string("index.php"));
        // One pattern a line, as typed.
        QCOMPARE(dialog_->findChild<QPlainTextEdit*>(QStringLiteral("exclude"))->toPlainText(),
                 QStringLiteral("/drafts/\n*/admin/*\n*.bak.html"));
    }

    void anAddressThatWouldBreakTheRowsIsRefusedAndTheDialogStaysOpen() {
        create();
        const std::string withTab = "https://www.example.jp/a\tb";
        const struct {
            std::string url;
            QString message;
        } cases[] = {
            {"https://www.example.jp/a;b", QText(texts::kSeparatorRefused)},
            {withTab, QText(texts::kUnusableCharacter)},
            {"www.example.jp/", QText(texts::kSiteUrlNotWeb)},
        };
        for (const auto& refused : cases) {
            asked_.clear();
            edit("web_url")->setText(QString::fromStdString(refused.url));
            bool openAfterRefusal = false;
            QTimer::singleShot(0, dialog_.get(), [&] {
                button("Button1")->click();
                openAfterRefusal = dialog_->isVisible();
                button("Button2")->click();
            });
            QCOMPARE(dialog_->exec(), int(QDialog::Rejected));
            QVERIFY(openAfterRefusal);
            QCOMPARE(asked_.size(), 1);
            QCOMPARE(asked_[0].kind, MessageRequest::Kind::Info);
            QVERIFY(!refused.message.isEmpty());
            QCOMPARE(asked_[0].message, refused.message);
            QCOMPARE(asked_[0].buttons, QStringList({QStringLiteral("確認")}));
            QVERIFY(!fs::exists(programFolder() / "config_v1.dat"));
        }
    }

    void cancelKeepsTheTypedTextsAndTheFiles() {
        create();
        edit("hostname")->setText(QStringLiteral("stored-host"));
        QCOMPARE(execClicking("Button1"), int(QDialog::Accepted));
        const std::string dat = ReadFile(programFolder() / "config_v1.dat");
        const std::string conf = ReadFile(programFolder() / "config_v1.conf");

        edit("hostname")->setText(QStringLiteral("typed-host"));
        combo("ext_list")->setEditText(QStringLiteral(".php"));
        combo("priority")->setCurrentText(QStringLiteral("0.9"));
        QCOMPARE(execClicking("Button2"), int(QDialog::Rejected));
        QCOMPARE(edit("hostname")->text(), QStringLiteral("typed-host"));
        QCOMPARE(dialog_->Settings().ext_list, std::string(".php"));
        QCOMPARE(dialog_->Settings().priority, std::string("0.9"));
        QCOMPARE(ReadFile(programFolder() / "config_v1.dat"), dat);
        QCOMPARE(ReadFile(programFolder() / "config_v1.conf"), conf);
        QVERIFY(asked_.isEmpty());
    }

    void aDamagedLineIsShownAndTheDialogIsStillMade() {
        PrepareDatFileIV();
        // The second line decodes to 3 bytes, not whole cipher blocks.
        WriteFileAtomically(programFolder() / "config_v1.dat",
                            EncryptText("QZV", "read-host", DatFileIV) + "\r\nQUJD\r\n" +
                                EncryptText("QZV", "never-read", DatFileIV) + "\r\n");
        create();
        QVERIFY(dialog_);
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Error);
        QCOMPARE(edit("hostname")->text(), QStringLiteral("read-host"));
        QCOMPARE(edit("username")->text(), QString());
        QCOMPARE(edit("password")->text(), QString());
        QCOMPARE(combo("changefreq")->currentText(), QStringLiteral("weekly"));
    }

    void storedOffsetsThatAreNoItemLeaveTheListWithoutSelection() {
        WriteFileAtomically(programFolder() / "config_v1.conf",
                            EncryptText("QZV", "[offset_2]=7", ConfFileIV()) + "\r\n" +
                                EncryptText("QZV", "[changefreq]=Daily", ConfFileIV()) + "\r\n" +
                                EncryptText("QZV", "[priority]=0.8", ConfFileIV()) + "\r\n");
        create();
        QVERIFY(asked_.isEmpty());
        QCOMPARE(combo("offset_2")->currentIndex(), -1);
        QCOMPARE(dialog_->Settings().offset_2, std::string());
        // A stored value that is no item keeps the current selection.
        QCOMPARE(combo("changefreq")->currentText(), QStringLiteral("weekly"));
        QCOMPARE(combo("priority")->currentText(), QStringLiteral("0.8"));
    }

    void aFailedSaveIsShownAndTheDialogStillClosesWithOk() {
        create();
        // A folder in the file's place cannot be replaced.
        fs::create_directory(programFolder() / "config_v1.dat");
        QCOMPARE(execClicking("Button1"), int(QDialog::Accepted));
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Error);
        QVERIFY(!fs::exists(programFolder() / "config_v1.conf"));
    }

    void theConnectionTestUsesTheTypedTextsAndLogsOut() {
        PyFtpServer server;
        create();
        edit("hostname")->setText(QString::fromStdString(server.Host()));
        edit("username")->setText(QString::fromStdString(server.User()));
        edit("password")->setText(QStringLiteral("wrong"));
        button("Button3")->click();
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Plain);
        // With the reason a retrieval would give.
        QVERIFY2(asked_[0].message.startsWith(QStringLiteral("接続失敗\r\n")) &&
                     asked_[0].message.size() > 6,
                 qPrintable(asked_[0].message));

        edit("password")->setText(QString::fromStdString(server.Password()));
        button("Button3")->click();
        QCOMPARE(asked_.size(), 2);
        QCOMPARE(asked_[1].kind, MessageRequest::Kind::Plain);
        QCOMPARE(asked_[1].message, QStringLiteral("接続成功\r\n") + kMlsdLine);
        // Every test is a fresh login: the second one succeeds as well.
        QVERIFY(!ftp_.Lock()->IsConnected());
        button("Button3")->click();
        QCOMPARE(asked_.last().message, asked_[1].message);
        QVERIFY(!fs::exists(programFolder() / "config_v1.dat"));
    }

    // A server without MLSD: the offset setting must match the server's clock, and the test
    // says so.
    void theConnectionTestSaysWhenTheServerHasNoMlsd() {
        PyFtpServer server{PyFtpServer::WithoutMlsd{}};
        create();
        edit("hostname")->setText(QString::fromStdString(server.Host()));
        edit("username")->setText(QString::fromStdString(server.User()));
        edit("password")->setText(QString::fromStdString(server.Password()));
        button("Button3")->click();
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].message,
                 QStringLiteral("接続成功\r\nMLSD 非対応（LIST の時刻を使います。タイムゾーン・"
                                "オフセットにはサーバーの時計のオフセットを設定してください。）"));
    }

    // A server that requires TLS with a certificate no authority signed: the test fails, the
    // certificate is shown in the trust question and trusted (the responder answers "信頼する"), stored at once with
    // the settings, and the test runs again over TLS. Nothing typed but not stored is stored.
    void anUnverifiedCertificateIsOfferedTrustedAndStored() {
        QTemporaryDir certificatesFolder;
        const TestCertificates certificates(certificatesFolder.path().toStdString());
        PyFtpServer server(PyFtpServer::Tls{certificates.selfSigned.certificate,
                                            certificates.selfSigned.key, true});
        create();
        edit("hostname")->setText(QString::fromStdString(server.Host()));
        edit("username")->setText(QString::fromStdString(server.User()));
        edit("password")->setText(QString::fromStdString(server.Password()));
        dialog_->findChild<QComboBox*>(QStringLiteral("tls"))->setCurrentIndex(0);
        button("Button3")->click();
        // One box explains and asks; Enter there does not trust.
        QCOMPARE(asked_.size(), 2);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Confirm);
        QCOMPARE(asked_[0].defaultButton, kSecondButton);
        QVERIFY(asked_[0].message.startsWith(QStringLiteral("サーバーの証明書を確認できません。")));
        QVERIFY2(asked_[0].message.contains(QStringLiteral("自己署名")),
                 qPrintable(asked_[0].message));
        QVERIFY(asked_[0].message.contains(QStringLiteral("SHA-256 指紋: SHA256:")));
        QCOMPARE(asked_[0].buttons, QStringList({"信頼する", "キャンセル"}));
        const QStringList lines = asked_[1].message.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QStringLiteral("接続成功"));
        QVERIFY2(lines[1].startsWith(QStringLiteral("TLS で接続しました（TLSv1.3")),
                 qPrintable(lines[1]));
        QCOMPARE(lines[2], kMlsdLine);

        SiteSettings stored;
        LoadSettings(programFolder(), stored);
        QCOMPARE(QString::fromStdString(stored.tls_trust),
                 QString::fromStdString(server.Host()) + QStringLiteral(" ") +
                     asked_[0].message.mid(asked_[0].message.indexOf(QStringLiteral("SHA256:")),
                                           7 + 95));
        QVERIFY(stored.hostname.empty()); // the typed host was not stored with it
        QCOMPARE(QString::fromStdString(dialog_->Settings().tls_trust),
                 QString::fromStdString(stored.tls_trust));
    }

    void theConnectionTestOnASilentServerCanBeStopped() {
        // The server takes the user name, then never answers.
        FakeFtpServer silent({{"", {"220 Ready"}},
                              {"USER anna", {"331 Password required for anna"}},
                              fake_ftp::Stall()});
        create();
        edit("hostname")->setText(QString::fromStdString(silent.Host()));
        edit("username")->setText(QStringLiteral("anna"));
        edit("password")->setText(QStringLiteral("secret"));
        // Plain FTP: the server's script has no AUTH TLS.
        dialog_->findChild<QComboBox*>(QStringLiteral("tls"))->setCurrentIndex(2);
        const WaitDialogStopper stopper;
        QElapsedTimer clock;
        clock.start();
        button("Button3")->click();
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(stopper.Presses(), 1);
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Plain);
        // With the reason a retrieval would give.
        QVERIFY2(asked_[0].message.startsWith(QStringLiteral("接続失敗\r\n")) &&
                     asked_[0].message.size() > 6,
                 qPrintable(asked_[0].message));
        QVERIFY(!ftp_.Lock()->IsConnected());
    }

    void theConnectionTestWaitsForNoOtherConversation() {
        create();
        // Another thread (as a retrieval does) holds the FTP session until released.
        std::promise<void> held;
        std::promise<void> release;
        std::thread other([&] {
            auto session = ftp_.Lock();
            held.set_value();
            release.get_future().wait();
        });
        held.get_future().wait();
        button("Button3")->click();
        release.set_value();
        other.join();
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Info);
        QCOMPARE(asked_[0].message, QStringLiteral("ファイルリストの取得中です。"));
        QCOMPARE(asked_[0].buttons, QStringList({QStringLiteral("確認")}));
    }

private:
    // The connection test's line for a server that lists with MLSD, as pyftpdlib does.
    static inline const QString kMlsdLine =
        QStringLiteral("MLSD 対応（更新日時は秒まで正確です。タイムゾーン・オフセットは書き出す"
                       "時刻の時間帯にだけ使います。）");

    fs::path programFolder() const { return folder_->path().toStdString(); }

    void create() { dialog_ = std::make_unique<Tfsite_manager>(programFolder(), ftp_); }

    static QStringList hours() {
        QStringList items;
        for (int hour = 0; hour < 24; ++hour)
            items << QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0'));
        return items;
    }

    QLineEdit* edit(const char* name) const {
        auto* found = dialog_->findChild<QLineEdit*>(QString::fromLatin1(name));
        Q_ASSERT(found);
        return found;
    }
    QComboBox* combo(const char* name) const {
        auto* found = dialog_->findChild<QComboBox*>(QString::fromLatin1(name));
        Q_ASSERT(found);
        return found;
    }
    QPushButton* button(const char* name) const {
        auto* found = dialog_->findChild<QPushButton*>(QString::fromLatin1(name));
        Q_ASSERT(found);
        return found;
    }

    // Shows the dialog modally and presses the named button once it is up.
    int execClicking(const char* name) {
        QTimer::singleShot(0, dialog_.get(), [this, name] { button(name)->click(); });
        return dialog_->exec();
    }

    std::unique_ptr<QTemporaryDir> folder_;
    Tftp_module ftp_;
    std::unique_ptr<Tfsite_manager> dialog_;
    QList<MessageRequest> asked_;
    std::unique_ptr<ScopedMessageResponder> responder_;
};

QTEST_MAIN(TestSiteManager)
#include "test_site_manager.moc"

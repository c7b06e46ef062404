#include "app/settings_dialog/Usite_manager.h"

#include <algorithm>
#include <array>
#include <string_view>

#include <QScreen>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "jobs/problem_text.h"
#include "jobs/search_engines.h"
#include "core/texts.h"
#include "app/widgets/header_widgets.h"
#include "app/widgets/message_dialogs.h"

namespace {

template <std::size_t N> QStringList itemTexts(const std::array<std::string_view, N>& items) {
    QStringList texts;
    for (std::string_view item : items)
        texts << QString::fromUtf8(item.data(), qsizetype(item.size()));
    return texts;
}

QLabel* caption(const QString& text, const QColor& background, QWidget* parent) {
    QLabel* label = MakeBoxLabel(QString(), text, background, Qt::white, parent);
    label->setFixedWidth(150);
    // Two-line captions get room above and below their lines.
    label->setMinimumHeight(text.contains(u'\n') ? 36 : 21);
    return label;
}

QLabel* hint(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kGrey);
    label->setPalette(palette);
    return label;
}

QFrame* separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    return line;
}

QLineEdit* edit(const char* name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    return field;
}

QComboBox* dropDown(const char* name, const QStringList& items, int width, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->addItems(items);
    combo->setFixedWidth(width);
    combo->setCursor(Qt::PointingHandCursor);
    return combo;
}

QCheckBox* checkBox(const char* name, std::string_view text, QWidget* parent) {
    auto* box = new QCheckBox(QText(text), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setCursor(Qt::PointingHandCursor);
    return box;
}

QPushButton* button(const char* name, const QString& text, QWidget* parent) {
    auto* made = new QPushButton(text, parent);
    made->setObjectName(QString::fromLatin1(name));
    made->setFixedSize(75, 25);
    made->setCursor(Qt::PointingHandCursor);
    return made;
}

} // namespace

void Tfsite_manager::createControls() {
    ApplyDialogLook(this);

    // Three pages, each scrolling on its own: the dialog fits a 768-pixel screen, and a larger
    // scale factor too.
    auto* pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("pages"));
    QGridLayout* grid = nullptr;
    QWidget* page = nullptr;
    int row = 0;
    const auto addPage = [&](std::string_view title) {
        auto* scroll = new QScrollArea(pages);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        page = new QWidget(scroll);
        FillBackground(page, Qt::white);
        grid = new QGridLayout(page);
        grid->setContentsMargins(12, 12, 12, 12);
        grid->setHorizontalSpacing(8);
        grid->setVerticalSpacing(6);
        grid->setColumnStretch(1, 1);
        row = 0;
        scroll->setWidget(page);
        pages->addTab(scroll, QText(title));
    };
    // Pages scroll down only: the dialog is as wide as its widest page.
    const auto endPage = [&] {
        grid->setRowStretch(row, 1);
        auto* scroll = static_cast<QScrollArea*>(pages->widget(pages->count() - 1));
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setMinimumWidth(page->minimumSizeHint().width() +
                                scroll->verticalScrollBar()->sizeHint().width());
    };

    addPage(texts::kSettingsConnectionTab);
    web_url = edit("web_url", page);
    grid->addWidget(caption(QText(texts::kWebUrlCaption), kBlue, page), row, 0);
    grid->addWidget(web_url, row++, 1, 1, 2);
    grid->addWidget(hint(QText(texts::kWebUrlExample) + QText(texts::kNoFinalSlash), page), row++,
                    1, 1, 2);
    grid->addWidget(separator(page), row++, 0, 1, 3);

    transport = dropDown("transport", itemTexts(kTransportItems), 80, page);
    grid->addWidget(caption(QText(texts::kTransportCaption), kLavender, page), row, 0);
    grid->addWidget(transport, row++, 1, Qt::AlignLeft);
    hostname = edit("hostname", page);
    grid->addWidget(caption(QText(texts::kHostCaption), kLavender, page), row, 0);
    grid->addWidget(hostname, row++, 1);
    username = edit("username", page);
    grid->addWidget(caption(QText(texts::kUserCaption), kLavender, page), row, 0);
    grid->addWidget(username, row++, 1);
    password = edit("password", page);
    password->setEchoMode(QLineEdit::Password);
    password->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    grid->addWidget(caption(QText(texts::kPasswordCaption), kLavender, page), row, 0);
    grid->addWidget(password, row, 1);
    Button3 = button("Button3", QText(texts::kConnectionTestButton), page);
    Button3->setAutoDefault(false);
    connect(Button3, &QPushButton::clicked, this,
            [this] { RunCommand([this] { Button3Click(); }); });
    grid->addWidget(Button3, row++, 2);
    key_file = edit("key_file", page);
    grid->addWidget(caption(QText(texts::kKeyFileCaption), kLavender, page), row, 0);
    grid->addWidget(key_file, row++, 1);
    QStringList tlsCaptions;
    for (std::string_view item : texts::kTlsItemCaptions)
        tlsCaptions << QText(item);
    tls = dropDown("tls", tlsCaptions, 160, page);
    // TLS is FTP's; an SSH connection is always encrypted.
    const auto showTransport = [this] {
        const bool sftp = transport->currentText() == QText(kTransportItems[1]);
        tls->setEnabled(!sftp);
        key_file->setEnabled(sftp);
    };
    connect(transport, &QComboBox::currentIndexChanged, this, showTransport);
    showTransport();
    grid->addWidget(caption(QText(texts::kTlsCaption), kLavender, page), row, 0);
    grid->addWidget(tls, row++, 1, Qt::AlignLeft);
    connections = dropDown("connections", itemTexts(kConnectionItems), 60, page);
    grid->addWidget(caption(QText(texts::kConnectionsCaption), kLavender, page), row, 0);
    grid->addWidget(connections, row++, 1, Qt::AlignLeft);
    grid->addWidget(hint(QText(texts::kConnectionsHint), page), row++, 1, 1, 2);
    grid->addWidget(hint(QText(texts::kFtpHint), page), row++, 1, 1, 2);
    // The page check is offered where a new user looks first; it stays off until asked for.
    check_pages = checkBox("check_pages", texts::kCheckPagesCheck, page);
    check_connections = dropDown("check_connections", itemTexts(kCheckConnectionItems), 60, page);
    stable_lastmod = checkBox("stable_lastmod", texts::kStableLastmodCheck, page);
    auto* check = new QHBoxLayout;
    check->addWidget(check_pages);
    check->addWidget(check_connections);
    check->addWidget(new QLabel(QText(texts::kCheckConnectionsCaption), page));
    check->addStretch();
    grid->addLayout(check, row++, 1, 1, 2);
    grid->addWidget(hint(QText(texts::kCheckPagesHint), page), row++, 1, 1, 2);
    grid->addWidget(stable_lastmod, row++, 1, 1, 2);
    endPage();
    addPage(texts::kSettingsSiteTab);

    site_root = edit("site_root", page);
    grid->addWidget(caption(QText(texts::kSiteRootCaption), kTeal, page), row, 0);
    grid->addWidget(site_root, row++, 1);
    grid->addWidget(hint(QText(texts::kSiteRootExample) + QText(texts::kNoFinalSlash), page), row++,
                    1, 1, 2);

    ext_list = new QComboBox(page);
    ext_list->setObjectName(QStringLiteral("ext_list"));
    ext_list->setEditable(true);
    // Typed text is taken as it stands and never added to the items.
    ext_list->setInsertPolicy(QComboBox::NoInsert);
    ext_list->addItem(QString::fromUtf8(kDefaultExtList.data(), qsizetype(kDefaultExtList.size())));
    grid->addWidget(caption(QText(texts::kExtensionsCaption), kTeal, page), row, 0);
    grid->addWidget(ext_list, row++, 1);

    changefreq = dropDown("changefreq", itemTexts(kChangefreqItems), 100, page);
    grid->addWidget(caption(QText(texts::kChangefreqDefaultCaption), kGrey, page), row, 0);
    grid->addWidget(changefreq, row++, 1, Qt::AlignLeft);
    priority = dropDown("priority", itemTexts(kPriorityItems), 70, page);
    grid->addWidget(caption(QText(texts::kPriorityDefaultCaption), kGrey, page), row, 0);
    grid->addWidget(priority, row++, 1, Qt::AlignLeft);

    auto* offsets = new QHBoxLayout;
    offsets->setSpacing(4);
    offset_1 = dropDown("offset_1", itemTexts(kOffset1Items), 45, page);
    offset_2 = dropDown("offset_2", itemTexts(kOffset2Items), 50, page);
    offset_3 = dropDown("offset_3", itemTexts(kOffset3Items), 45, page);
    offset_4 = dropDown("offset_4", itemTexts(kOffset4Items), 45, page);
    offsets->addWidget(offset_1);
    offsets->addWidget(offset_2);
    offsets->addWidget(new QLabel(QStringLiteral(":"), page));
    offsets->addWidget(offset_3);
    offsets->addWidget(offset_4);
    offsets->addStretch();
    grid->addWidget(caption(QText(texts::kTimeZoneCaption), kGrey, page), row, 0);
    grid->addLayout(offsets, row++, 1, 1, 2);
    grid->addWidget(hint(QText(texts::kTimeZoneHint), page), row++, 1, 1, 2);
    endPage();
    addPage(texts::kSettingsSitemapTab);

    QStringList formatCaptions;
    for (std::string_view item : texts::kSitemapFormatCaptions)
        formatCaptions << QText(item);
    sitemap_format = dropDown("sitemap_format", formatCaptions, 160, page);
    gzip = checkBox("gzip", texts::kGzipPartsCheck, page);
    auto* format = new QHBoxLayout;
    format->addWidget(sitemap_format);
    format->addWidget(gzip);
    format->addStretch();
    grid->addWidget(caption(QText(texts::kSitemapFormatCaption), kSlate, page), row, 0);
    grid->addLayout(format, row++, 1, 1, 2);
    exclude = new QPlainTextEdit(page);
    exclude->setObjectName(QStringLiteral("exclude"));
    exclude->setTabChangesFocus(true);
    exclude->setFixedHeight(60);
    grid->addWidget(caption(QText(texts::kExcludeCaption), kSlate, page), row, 0, Qt::AlignTop);
    grid->addWidget(exclude, row++, 1, 1, 2);
    grid->addWidget(hint(QText(texts::kExcludeHint), page), row++, 1, 1, 2);
    robots = checkBox("robots", texts::kRobotsCheck, page);
    grid->addWidget(robots, row++, 1, 1, 2);
    folder_addresses = checkBox("folder_addresses", texts::kFolderAddressesCheck, page);
    grid->addWidget(folder_addresses, row++, 1, 1, 2);
    // Below its check box: the names need the field's whole width.
    index_names = edit("index_names", page);
    grid->addWidget(index_names, row++, 1);
    // The key is made when IndexNow is first turned on, and shown so that it can be checked on
    // the site.
    indexnow = checkBox("indexnow", texts::kIndexNowCheck, page);
    grid->addWidget(indexnow, row++, 1, 1, 2);
    indexnow_key = edit("indexnow_key", page);
    indexnow_key->setReadOnly(true);
    grid->addWidget(caption(QText(texts::kIndexNowKeyCaption), kSlate, page), row, 0);
    grid->addWidget(indexnow_key, row++, 1, 1, 2);
    indexnow_endpoint = edit("indexnow_endpoint", page);
    indexnow_endpoint->setPlaceholderText(DefaultIndexNowEndpoint().toString());
    grid->addWidget(caption(QText(texts::kIndexNowEndpointCaption), kSlate, page), row, 0);
    grid->addWidget(indexnow_endpoint, row++, 1, 1, 2);
    grid->addWidget(hint(QText(texts::kIndexNowHint), page), row++, 1, 1, 2);
    connect(indexnow, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            return;
        if (const auto key = KeptOrNewIndexNowKey(indexnow_key->text().toStdString())) {
            indexnow_key->setText(QString::fromStdString(*key));
            return;
        }
        indexnow->setChecked(false);
        ShowInfo(QText(texts::kIndexNowNoKey), QText(texts::kConfirm));
    });
    endPage();

    Button1 = button("Button1", QText(texts::kOkButton), this);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] {
        // An address that would break every row is refused, and the dialog stays open.
        const SiteUrlProblem problem = SiteUrlProblemOf(web_url->text().toStdString());
        if (problem != SiteUrlProblem::None) {
            ShowInfo(QText(SiteUrlProblemText(problem)), QText(texts::kConfirm));
            return;
        }
        // The modal result is settled before the save runs: a failed save is shown, and the
        // dialog still closes with OK.
        RunCommand([this] { Button1Click(); });
        accept();
    });
    Button2 = button("Button2", QText(texts::kCancel), this);
    Button2->setAutoDefault(false);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(10);
    layout->addWidget(pages, 1);
    layout->addLayout(buttons);
    // The pages scroll, so the dialog never opens taller than its screen leaves room for.
    const int room = screen()->availableGeometry().height() - 80;
    resize(560, std::min(sizeHint().height(), room));
}

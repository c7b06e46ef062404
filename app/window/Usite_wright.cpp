#include "app/window/Usite_wright.h"

#include <algorithm>
#include <stdexcept>

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/file_io.h"
#include "core/ini_file.h"
#include "jobs/missing_pages.h"
#include "jobs/thread.h"
#include "jobs/work_table.h"
#include "core/texts.h"
#include "core/url_entry.h"
#include "app/widgets/elided_label.h"
#include "app/widgets/header_widgets.h"
#include "app/widgets/message_dialogs.h"
#include "app/widgets/program_icon.h"
#include "app/widgets/wait_dialog.h"
#include "app/window/Uurl_edit.h"
#include "app/window/row_delegate.h"
#include "app/window/window_geometry.h"
#include "ftp/Uftp_module.h"
#include "ftp/ftp_errors.h"
#include "settings/SiteSettings.h"
#include "app/settings_dialog/Usite_manager.h"
#include "jobs/table_sitemap.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "sitemap/sitemap_writer.h"
#include "sitemap/upload.h"

namespace {

constexpr QColor kBandGrey(0xF3, 0xF3, 0xF3);

const QString kMakerPage = QStringLiteral("https://www.quorvane.example/");
const QString kProductPage = QStringLiteral("https://www.quorvane.example/sitewright/");
const QString kInquiryMail = QStringLiteral("mailto:support@quorvane.example");
const QString kProtocolPage = QStringLiteral("https://www.sitemaps.org/ja/protocol.html");

// A version box's release text on one labelled line, then the version of this build.
QString withBuildVersion(std::string_view box) {
    const QString release = QText(box).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return QText(texts::kReleaseLabel) + release + QText(texts::kLineBreak) +
           QText(Filled(texts::kBuildVersion, {{"version", SW_VERSION}}));
}

QWidget* makeBand(const char* name, int height, const QColor& colour, QWidget* parent) {
    auto* band = new QWidget(parent);
    band->setObjectName(QString::fromLatin1(name));
    band->setFixedHeight(height);
    FillBackground(band, colour);
    return band;
}

} // namespace

TFsite_wright::TFsite_wright(std::filesystem::path programFolder, QWidget* parent)
    : QMainWindow(parent), programFolder_(std::move(programFolder)),
      urlOpener_([](const QUrl& address) { return QDesktopServices::openUrl(address); }) {
    setWindowTitle(QText(texts::kMainWindowTitle));
    setWindowIcon(ProgramIcon());
    setFont(PixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 12));
    FillBackground(this, Qt::white);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    createHeader(central);
    createCounters(central);
    createWorkTab(central);
    createStatusBar(central);
    setCentralWidget(central);
    createMenus();
    FormCreate();
}

TFsite_wright::~TFsite_wright() {
    stopRetrievalAndWait();
}

void TFsite_wright::createHeader(QWidget* parent) {
    QWidget* panel2 = makeBand("Panel2", 35, Qt::white, parent);
    auto* row = new QHBoxLayout(panel2);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    auto* iconButton = new QToolButton(panel2);
    iconButton->setObjectName(QStringLiteral("IconButton13"));
    iconButton->setAutoRaise(true);
    iconButton->setIcon(ProgramIcon());
    iconButton->setIconSize(QSize(32, 32));
    iconButton->setFixedSize(49, 35);
    iconButton->setCursor(Qt::PointingHandCursor);
    connect(iconButton, &QToolButton::clicked, this,
            [this] { RunCommand([this] { IconButton13Click(); }); });
    row->addWidget(iconButton);

    QLabel* product = MakeBoxLabel(QStringLiteral("product_panel"), QText(texts::kProductName),
                                   Qt::white, kLavender, panel2);
    product->setFont(PixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 16, true));
    product->setFixedWidth(280);
    row->addWidget(product);

    auto* gradient = new GradientBand(Qt::white, kSlate, 128, panel2);
    gradient->setObjectName(QStringLiteral("pjpl"));
    row->addWidget(gradient, 1);

    QWidget* panel27 = makeBand("Panel27", 35, kSlate, panel2);
    panel27->setFixedWidth(212);
    auto* makerRow = new QHBoxLayout(panel27);
    makerRow->setContentsMargins(0, 0, 0, 0);
    makerRow->setSpacing(0);
    makerRow->addStretch();
    auto* decoration = new QToolButton(panel27);
    decoration->setObjectName(QStringLiteral("IconButton12"));
    decoration->setAutoRaise(true);
    decoration->setIcon(MakerIcon());
    decoration->setFixedSize(30, 30);
    makerRow->addWidget(decoration);
    QLabel* maker = MakeBoxLabel(QStringLiteral("Label12"), QText(texts::kMakerName), kSlate,
                                 Qt::white, panel27);
    maker->setFont(PixelFont(QStringLiteral("Times New Roman"), 16, true));
    maker->setFixedWidth(175);
    makerRow->addWidget(maker);
    row->addWidget(panel27);

    parent->layout()->addWidget(panel2);
}

void TFsite_wright::createCounters(QWidget* parent) {
    QWidget* panel23 = makeBand("Panel23", 18, kSlate, parent);
    auto* row = new QHBoxLayout(panel23);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    auto* spacer = new QWidget(panel23);
    spacer->setObjectName(QStringLiteral("x_user_id"));
    spacer->setFixedWidth(17);
    row->addWidget(spacer);

    QLabel* title = MakeBoxLabel(QStringLiteral("title_panel"), QText(texts::kSitemapTitle), kSlate,
                                 Qt::white, panel23);
    title->setFont(PixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 16, true));
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title->setFixedWidth(176);
    row->addWidget(title);

    const QFont boxFont = PixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 13);
    const auto addBox = [&](const char* name, const QString& text, const QColor& background,
                            int width, bool bordered) {
        QLabel* box = MakeBoxLabel(QString::fromLatin1(name), text, background, Qt::white, panel23);
        box->setFont(boxFont);
        box->setFixedWidth(width);
        if (bordered)
            box->setFrameStyle(QFrame::Box | QFrame::Plain);
        row->addWidget(box);
        return box;
    };
    addBox("BoxLabel174", QText(texts::kFileCount), kBlue, 82, false);
    max_total = addBox("max_total", QString(), kGrey, 74, true);
    addBox("BoxLabel1", QText(texts::kSelectedCount), QColor(0x40, 0x80, 0x80), 82, false);
    select_total = addBox("select_total", QString(), kGrey, 74, true);
    row->addStretch();

    parent->layout()->addWidget(panel23);
}

void TFsite_wright::createWorkTab(QWidget* parent) {
    auto* pageControl = new QTabWidget(parent);
    pageControl->setObjectName(QStringLiteral("PageControl1"));
    pageControl->setCursor(Qt::PointingHandCursor);

    auto* sheet = new QWidget(pageControl);
    sheet->setObjectName(QStringLiteral("TabSheet1"));
    auto* column = new QVBoxLayout(sheet);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(makeBand("Panel5", 10, kBandGrey, sheet));

    table_ = new WorkTable(this);
    delegate_ = new RowDelegate(this);
    data_list = new QListView(sheet);
    data_list->setObjectName(QStringLiteral("data_list"));
    data_list->setFrameShape(QFrame::NoFrame);
    data_list->setFont(PixelFont(QStringLiteral("ＭＳ ゴシック"), 13));
    data_list->setUniformItemSizes(true);
    data_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    data_list->setSelectionMode(QAbstractItemView::SingleSelection);
    data_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    data_list->viewport()->setCursor(Qt::PointingHandCursor);
    data_list->setModel(table_);
    data_list->setItemDelegate(delegate_);
    connect(table_, &QAbstractItemModel::modelReset, this, &TFsite_wright::RecountChecked);
    data_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(delegate_, &RowDelegate::checkToggled, this, [this](const QModelIndex& index) {
        RunCommand([this, row = index.row()] {
            data_listClickCheck();
            rememberRows({row});
        });
    });
    connect(data_list, &QListView::doubleClicked, this,
            [this] { RunCommand([this] { data_listDblClick(); }); });
    connect(data_list, &QListView::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu1->popup(data_list->viewport()->mapToGlobal(at));
    });
    column->addWidget(data_list, 1);

    QWidget* panel6 = makeBand("Panel6", 41, kBandGrey, sheet);
    auto* bottom = new QHBoxLayout(panel6);
    bottom->setContentsMargins(0, 0, 10, 0);
    bottom->addStretch();
    Button5 = new QPushButton(QText(texts::kStop), panel6);
    Button5->setObjectName(QStringLiteral("Button5"));
    Button5->setFixedSize(73, 25);
    Button5->setCursor(Qt::PointingHandCursor);
    Button5->setEnabled(false);
    connect(Button5, &QPushButton::clicked, this,
            [this] { RunCommand([this] { Button5Click(); }); });
    bottom->addWidget(Button5);
    auto* closeButton = new QPushButton(QText(texts::kCloseButton), panel6);
    closeButton->setObjectName(QStringLiteral("Button4"));
    closeButton->setFixedSize(73, 25);
    closeButton->setCursor(Qt::PointingHandCursor);
    connect(closeButton, &QPushButton::clicked, this,
            [this] { RunCommand([this] { Button4Click(); }); });
    bottom->addWidget(closeButton);
    column->addWidget(panel6);

    pageControl->addTab(sheet, QText(texts::kWorkTableTab));
    parent->layout()->addWidget(pageControl);
}

void TFsite_wright::createStatusBar(QWidget* parent) {
    // A plain band rather than QStatusBar, whose own spacing does not fit 19 pixels.
    QWidget* bar = makeBand("StatusBar1", 19, QColor(0xF0, 0xF0, 0xF0), parent);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 1, 0, 0);
    row->setSpacing(2);
    const int widths[] = {50, 100, 0};
    for (int i = 0; i < 3; ++i) {
        // The last panel takes the rest of the width, whatever the length of its text.
        auto* panel = new ElidedLabel(bar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (widths[i] > 0)
            panel->setFixedWidth(widths[i]);
        else
            panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        row->addWidget(panel, widths[i] > 0 ? 0 : 1);
        statusPanels_[std::size_t(i)] = panel;
    }
    parent->layout()->addWidget(bar);
}

QAction* TFsite_wright::addItem(QMenu* menu, const char* name, std::string_view caption,
                                bool visible, void (TFsite_wright::*handler)()) {
    QAction* action = menu->addAction(QText(caption));
    action->setObjectName(QString::fromLatin1(name));
    action->setVisible(visible);
    if (handler) {
        connect(action, &QAction::triggered, this,
                [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); });
    }
    return action;
}

void TFsite_wright::createMenus() {
    const auto topMenu = [this](const char* name, std::string_view caption) {
        QMenu* menu = menuBar()->addMenu(QText(caption));
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    const auto separator = [](QMenu* menu, const char* name, bool visible) {
        QAction* action = menu->addSeparator();
        action->setObjectName(QString::fromLatin1(name));
        action->setVisible(visible);
    };

    QMenu* N1 = topMenu("N1", texts::kMenuFile);
    addItem(N1, "N7", texts::kMenuConnectionTest, false, &TFsite_wright::N7Click);
    addItem(N1, "N18", texts::kMenuReleaseVersion, true, &TFsite_wright::N18Click);
    addItem(N1, "N2", texts::kMenuQuit, true, &TFsite_wright::N2Click);

    QMenu* N3 = topMenu("N3", texts::kMenuSitemap);
    addItem(N3, "N8", texts::kMenuGetFileList, true, &TFsite_wright::N8Click);
    separator(N3, "N16", true);
    addItem(N3, "N13", texts::kMenuCreateSitemap, true, &TFsite_wright::N13Click);
    addItem(N3, "N15", texts::kMenuViewLocal, true, &TFsite_wright::N15Click);
    separator(N3, "N17", true);
    addItem(N3, "N14", texts::kMenuUpload, true, &TFsite_wright::N14Click);
    addItem(N3, "LOCAL1", texts::kMenuViewWeb, true, &TFsite_wright::LOCAL1Click);
    addItem(N3, "Google2", texts::kMenuNotifyGoogle, false);

    QMenu* N19 = topMenu("N19", texts::kMenuEdit);
    addItem(N19, "N20", texts::kMenuSelectAll, true, &TFsite_wright::N20Click);
    addItem(N19, "N21", texts::kMenuSelectNone, true, &TFsite_wright::N21Click);
    addItem(N19, "ResetMemory1", texts::kMenuResetMemory, true, &TFsite_wright::ResetMemoryClick);

    N4 = topMenu("N4", texts::kMenuRanking);
    addItem(N4, "yxh1", texts::kMenuDailyResults, true);
    N5 = topMenu("N5", texts::kMenuSiteTools);
    addItem(N5, "PING1", texts::kMenuPing, true);
    N6 = topMenu("N6", texts::kMenuMarketing);
    n10 = topMenu("n10", texts::kMenuAnalytics);

    QMenu* information = topMenu("Information1", texts::kMenuInformation);
    addItem(information, "N9", texts::kMenuManual, true, &TFsite_wright::N9Click);
    addItem(information, "Quorvane1", texts::kMenuMakerPage, true, &TFsite_wright::Quorvane1Click);
    addItem(information, "N22", texts::kMenuInquiry, true, &TFsite_wright::N22Click);
    separator(information, "N12", false);
    addItem(information, "SITEWRIGHTGoogleSitemap1", texts::kMenuProductPage, false,
            &TFsite_wright::SITEWRIGHTGoogleSitemap1Click);
    addItem(information, "Google1", texts::kMenuGoogle, false, &TFsite_wright::Google1Click);
    addItem(information, "N11", texts::kMenuOwnSite, false, &TFsite_wright::N11Click);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    addItem(PopupMenu1, "N23", texts::kMenuSelectAll, true, &TFsite_wright::N23Click);
    addItem(PopupMenu1, "N24", texts::kMenuSelectNone, true, &TFsite_wright::N24Click);
}

void TFsite_wright::FormCreate() {
    QRect workArea(0, 0, kDesignedWidth, kDesignedHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        workArea = screen->availableGeometry();
    const std::filesystem::path file = programFolder_ / kGeometryFileName;
    IniFile ini;
    try {
        ini = IniFile::Load(file);
    } catch (const FileError& error) {
        // An unreadable file places the window by the defaults; the close reports it again.
        ShowStandardError(QString::fromUtf8(error.what()));
    }
    storedGeometry_ = StoredWindowGeometry(ini, workArea);
    fittedGeometry_ = ReadWindowGeometry(ini, workArea);
    resize(fittedGeometry_.width, fittedGeometry_.height);
    move(fittedGeometry_.left, fittedGeometry_.top);
}

void TFsite_wright::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        RunCommand([this] { FormShow(); });
}

void TFsite_wright::FormShow() {
    std::error_code ignored;
    std::filesystem::remove(programFolder_ / "sitemap.xml", ignored);
    for (QMenu* menu : {N4, N5, N6, n10})
        menu->menuAction()->setVisible(false);
}

void TFsite_wright::closeEvent(QCloseEvent* event) {
    FormCloseQuery();
    stopRetrievalAndWait();
    // The window closes even when its geometry could not be stored.
    event->accept();
}

void TFsite_wright::FormCloseQuery() {
    const std::filesystem::path file = programFolder_ / kGeometryFileName;
    try {
        WriteWindowGeometry(file, GeometryToStore(storedGeometry_, fittedGeometry_,
                                                  WindowGeometry{x(), y(), width(), height()}));
    } catch (const FileError&) {
        ShowStandardError(
            QText(texts::kCannotWriteGeometry).arg(QString::fromStdString(file.string())));
    }
}

void TFsite_wright::SetUrlEditDialog(Tfurl_edit* dialog) {
    urlEdit_ = dialog;
}

void TFsite_wright::SetFtpModule(Tftp_module* ftp) {
    ftp_ = ftp;
}

void TFsite_wright::SetSiteManager(Tfsite_manager* dialog) {
    siteManager_ = dialog;
}

void TFsite_wright::SetRetrievalRunning(bool running) {
    retrievalRunning_ = running;
    Button5->setEnabled(running);
}

int TFsite_wright::CurrentRow() const {
    const QModelIndex current = data_list->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TFsite_wright::SetAllChecked(bool checked) {
    std::vector<int> changed;
    for (int i = 0; i < table_->count(); ++i)
        if (table_->isChecked(i) != checked)
            changed.push_back(i);
    table_->setAllChecked(checked);
    RecountChecked();
    rememberRows(changed);
}

void TFsite_wright::RecountChecked() {
    SetSelectTotalText(QString::number(table_->checkedCount()));
}

void TFsite_wright::FillAfterRetrieval(std::vector<std::string> rows) {
    const AppliedMemory applied = table_->fillRetrieved(std::move(rows), memory_.get(), true);
    SetMaxTotalText(QString::number(table_->count()));
    RecountChecked();
    missingPages_ = applied.missing;
    if (applied.fresh > 0)
        SetStatusText(2, QString::fromStdString(
                             Filled(texts::kNewRows, {{"count", std::to_string(applied.fresh)}})));
}

SiteMemory& TFsite_wright::memoryFor(const SiteSettings& settings) {
    // A memory another program held is tried again.
    if (!memory_ || memory_->SiteUrl() != settings.web_url || memory_->Locked())
        memory_ = std::make_unique<SiteMemory>(
            programFolder_, settings.web_url, [](const SiteMemory::Problem& problem) {
                ShowInfo(QString::fromStdString(MemoryProblemText(problem)),
                         QText(texts::kConfirm));
            });
    return *memory_;
}

void TFsite_wright::rememberRows(const std::vector<int>& rows) {
    if (!memory_ || rows.empty())
        return;
    std::vector<PageChoice> changes;
    changes.reserve(rows.size());
    for (const int i : rows)
        changes.push_back(ChoiceOfRow(table_->rowText(i), table_->isChecked(i), defaults_));
    memory_->Record(changes);
}

void TFsite_wright::offerToForgetMissing(const tthread1& run) {
    if (!memory_ || std::exchange(missingPages_, 0) == 0)
        return;
    std::vector<std::string> rows;
    rows.reserve(std::size_t(table_->count()));
    for (int i = 0; i < table_->count(); ++i)
        rows.push_back(table_->rowText(i));
    std::vector<std::string> missing =
        MissingPages(*memory_, rows, run.Settings(), run.Summary().robotsTxt);
    std::sort(missing.begin(), missing.end());
    if (missing.empty() || missing == keptMissing_)
        return;
    if (ShowConfirm(QString::fromStdString(Filled(texts::kForgetMissingQuestion,
                                                  {{"count", std::to_string(missing.size())},
                                                   {"pages", NamedPages(missing)}})),
                    QText(texts::kForget), QText(texts::kCancel)) == kSecondButton) {
        keptMissing_ = std::move(missing);
        return;
    }
    memory_->Forget(missing);
    keptMissing_.clear();
}

void TFsite_wright::ResetMemoryClick() {
    const SiteSettings settings = currentSettings();
    if (ShowConfirm(QString::fromStdString(
                        Filled(texts::kResetMemoryQuestion, {{"site", settings.web_url}})),
                    QText(texts::kErase), QText(texts::kCancel)) == kSecondButton)
        return;
    const bool tableOfSite = memory_ && memory_->SiteUrl() == settings.web_url;
    SiteMemory& memory = memoryFor(settings);
    if (memory.Locked()) {
        ShowInfo(QText(texts::kMemoryLocked), QText(texts::kConfirm));
        return;
    }
    std::string done = Filled(texts::kMemoryErased, {{"site", settings.web_url},
                                                     {"count", std::to_string(memory.Reset())}});
    if (tableOfSite) {
        table_->forgetChoices(defaults_);
        RecountChecked();
        done += Concat({texts::kLineBreak, texts::kTableChoicesReset});
    }
    ShowInfo(QString::fromStdString(done), QText(texts::kConfirm));
}

void TFsite_wright::SetMaxTotalText(const QString& text) {
    max_total->setText(text);
}

void TFsite_wright::SetSelectTotalText(const QString& text) {
    select_total->setText(text);
}

void TFsite_wright::SetStatusText(int panel, const QString& text) {
    statusPanels_.at(std::size_t(panel))->setText(text);
    if (panel == 0 && text == QText(texts::kPlainConnection))
        statusPanels_[0]->setToolTip(QText(texts::kPlainConnectionTip));
}

void TFsite_wright::showProgress(const RetrievalProgress& progress) {
    for (std::size_t panel = 0; panel < progress.panels.size(); ++panel)
        if (progress.panels[panel])
            SetStatusText(int(panel), *progress.panels[panel]);
    if (progress.maxTotal)
        SetMaxTotalText(*progress.maxTotal);
}

QString TFsite_wright::StatusText(int panel) const {
    return statusPanels_.at(std::size_t(panel))->text();
}

void TFsite_wright::SetUrlOpener(UrlOpener opener) {
    urlOpener_ = std::move(opener);
}

void TFsite_wright::SetManual(std::filesystem::path manual) {
    manual_ = std::move(manual);
}

void TFsite_wright::OpenAddress(const QUrl& address) {
    if (urlOpener_(address))
        return;
    // Without a browser the user still learns where to look.
    ShowInfo(QText(address.isLocalFile()
                       ? Filled(texts::kNoBrowserForFile, {{"file", address.toLocalFile().toStdString()}})
                       : Filled(texts::kNoBrowserForAddress,
                                {{"address", address.toString().toStdString()}})),
             QText(texts::kConfirm));
}

void TFsite_wright::openWebPage(const QString& address) {
    SetStatusText(1, QText(texts::kWebConnection));
    SetStatusText(2, address);
    OpenAddress(QUrl(address));
}

void TFsite_wright::N2Click() {
    close();
}

void TFsite_wright::Button4Click() {
    close();
}

void TFsite_wright::N18Click() {
    PrepareDatFileIV();
    ShowInfo(withBuildVersion(texts::kReleaseVersion), QText(texts::kConfirm));
}

void TFsite_wright::IconButton13Click() {
    ShowInfo(withBuildVersion(texts::kHeaderVersion), QText(texts::kConfirm));
}

void TFsite_wright::N20Click() {
    SetAllChecked(true);
}

void TFsite_wright::N21Click() {
    SetAllChecked(false);
}

void TFsite_wright::N23Click() {
    SetAllChecked(true);
}

void TFsite_wright::N24Click() {
    SetAllChecked(false);
}

void TFsite_wright::N9Click() {
    std::error_code error;
    if (!std::filesystem::is_regular_file(manual_, error)) {
        ShowInfo(QText(Filled(texts::kManualMissing, {{"file", manual_.string()}})),
                 QText(texts::kConfirm));
        return;
    }
    OpenAddress(QUrl::fromLocalFile(QString::fromStdString(manual_.string())));
}

void TFsite_wright::Quorvane1Click() {
    openWebPage(kMakerPage);
}

void TFsite_wright::N22Click() {
    OpenAddress(QUrl(kInquiryMail));
}

void TFsite_wright::SITEWRIGHTGoogleSitemap1Click() {
    openWebPage(kProductPage);
}

void TFsite_wright::Google1Click() {
    openWebPage(kProtocolPage);
}

void TFsite_wright::N11Click() {
    // "Own site" opens the protocol page that its status text names.
    openWebPage(kProtocolPage);
}

void TFsite_wright::data_listClickCheck() {
    RecountChecked();
}

void TFsite_wright::data_listDblClick() {
    const int current = CurrentRow();
    if (current < 0 || !urlEdit_)
        return;
    const std::string row = table_->rowText(current);
    if (row.empty())
        return;
    if (retrievalRunning_) {
        // The table is cleared and refilled by the retrieval; an edit could hit another row.
        ShowRetrievalRunning();
        return;
    }
    SetStatusText(2,
                  QString::fromStdString(ReadableAddress(
                      table_->index(current).data(WorkTable::LinkRole).toString().toStdString())));
    urlEdit_->FillFromRow(row);
    if (ExecDialog(*urlEdit_) != QDialog::Accepted)
        return;
    table_->replaceRow(current, urlEdit_->BuildRow());
    data_list->viewport()->update();
    if (memory_) {
        // Kept for the address the server lists, which the next retrieval brings back.
        PageChoice choice =
            ChoiceOfRow(table_->rowText(current), table_->isChecked(current), defaults_);
        choice.address = RowAddress(row);
        memory_->Record({choice});
    }
}

SiteSettings TFsite_wright::currentSettings() const {
    if (!siteManager_)
        throw std::logic_error("the settings dialog is not there");
    return siteManager_->Settings();
}

Tftp_module& TFsite_wright::ftpModule() const {
    if (!ftp_)
        throw std::logic_error("the FTP module is not there");
    return *ftp_;
}

void TFsite_wright::N8Click() {
    StartRetrieval();
}

void TFsite_wright::StartRetrieval() {
    if (retrievalRunning_) {
        ShowRetrievalRunning();
        return;
    }
    if (table_->count() > 0 && ShowConfirm(QText(texts::kDiscardList), QText(texts::kRun),
                                           QText(texts::kCancel)) == kSecondButton)
        return;
    if (!siteManager_)
        throw std::logic_error("the settings dialog is not there");
    if (ExecDialog(*siteManager_) != QDialog::Accepted)
        return;
    startRetrievalThread(siteManager_->Settings());
}

void TFsite_wright::startRetrievalThread(const SiteSettings& settings) {
    // The rows to come belong to this site; its memory is applied to them when they arrive.
    // Without it the table would tick again the pages the user unticked.
    while (memoryFor(settings).Locked())
        if (ShowConfirm(QText(texts::kMemoryLockedQuestion), QText(texts::kRetry),
                        QText(texts::kCancel)) == kSecondButton)
            return;
    defaults_ = {settings.changefreq, settings.priority};
    delegate_->setIndexNames(SitemapOptionsFor(settings).format.indexNames);
    missingPages_ = 0;
    // A stop of an earlier conversation must not end this one.
    ftpModule().ClearStop();
    auto* thread = new tthread1(ftpModule(), settings, programFolder_, this);
    // Calls already queued when the window stops a run early must not reach a deleted thread.
    const QPointer<tthread1> guarded(thread);
    // Queued, so that every change takes effect here in the order the walk made it.
    connect(
        thread, &tthread1::TableCleared, this, [this] { table_->clear(); }, Qt::QueuedConnection);
    connect(thread, &tthread1::ProgressChanged, this, &TFsite_wright::showProgress,
            Qt::QueuedConnection);
    connect(
        thread, &tthread1::MessageRequested, this,
        [guarded](const QString& text) {
            ShowPlainMessage(text);
            if (guarded)
                guarded->MessageAnswered();
        },
        Qt::QueuedConnection);
    connect(
        thread, &tthread1::TableFilled, this,
        [this](const std::vector<std::string>& rows) { FillAfterRetrieval(rows); },
        Qt::QueuedConnection);
    connect(
        thread, &QThread::finished, this,
        [this, guarded] {
            if (guarded)
                retrievalFinished(guarded);
        },
        Qt::QueuedConnection);
    retrieval_ = thread;
    SetRetrievalRunning(true);
    thread->start();
}

void TFsite_wright::retrievalFinished(tthread1* thread) {
    if (retrieval_ == thread)
        retrieval_.clear();
    SetRetrievalRunning(false);
    thread->deleteLater();
    const RetrievalSummary& summary = thread->Summary();
    const bool complete =
        !summary.stopped && !summary.endedEarly && !summary.loginFailed && summary.folders > 0;
    table_->setIncomplete(!complete);
    SetStatusText(0, complete ? QString() : QText(texts::kListIncomplete));
    if (summary.WalkedWholeSite())
        offerToForgetMissing(*thread);
    // A certificate the user now trusts lets the same retrieval run again.
    const std::optional<CertificateInfo>& certificate = thread->Summary().untrustedCertificate;
    if (certificate && siteManager_ && siteManager_->OfferTrust(*certificate))
        startRetrievalThread(siteManager_->Settings());
}

void TFsite_wright::Button5Click() {
    if (retrieval_)
        retrieval_->RequestStop();
}

void TFsite_wright::stopRetrievalAndWait() {
    if (!retrieval_)
        return;
    tthread1* thread = retrieval_;
    retrieval_.clear();
    // Nothing of the run reaches the window any more; a message it waits on is released.
    thread->disconnect(this);
    thread->RequestStop();
    thread->wait();
    delete thread;
    SetRetrievalRunning(false);
}

void TFsite_wright::N7Click() {
    if (retrievalRunning_) {
        ShowRetrievalRunning();
        return;
    }
    if (!siteManager_)
        throw std::logic_error("the settings dialog is not there");
    RunConnectionTest(this, ftpModule(), *siteManager_,
                      [](const QString& result) { ShowInfo(result, QText(texts::kConfirm)); });
}

void TFsite_wright::N13Click() {
    CreateSitemap();
}

void TFsite_wright::CreateSitemap() {
    const FolderLock lock(programFolder_);
    if (!folderLocked(lock))
        return;
    // An empty list replaces a standing sitemap only when the user says so (default: no).
    std::error_code ignored;
    if (table_->checkedCount() == 0 &&
        std::filesystem::exists(SitemapPath(programFolder_), ignored) &&
        ShowConfirm(QText(texts::kNoRowsReplaceQuestion), QText(texts::kCancel),
                    QText(texts::kRun)) != kSecondButton)
        return;
    // A sitemap split into parts opens at its index.
    WriteTableSitemap(*table_, programFolder_, currentSettings(),
                      [this](const std::string& location) {
                          SetStatusText(2, QString::fromStdString(location));
                      });
    OpenAddress(QUrl::fromLocalFile(QString::fromStdString(SitemapPath(programFolder_).string())));
}

bool TFsite_wright::folderLocked(const FolderLock& lock) const {
    if (!lock.Held())
        ShowInfo(QString::fromStdString(
                     Filled(texts::kFolderBusy, {{"folder", programFolder_.string()}})),
                 QText(texts::kConfirm));
    return lock.Held();
}

bool TFsite_wright::sitemapExists() const {
    std::error_code ignored;
    if (std::filesystem::exists(SitemapPath(programFolder_), ignored))
        return true;
    ShowInfo(QText(texts::kNoSitemap), QText(texts::kConfirm));
    return false;
}

void TFsite_wright::N15Click() {
    if (!sitemapExists())
        return;
    OpenAddress(QUrl::fromLocalFile(QString::fromStdString(SitemapPath(programFolder_).string())));
}

void TFsite_wright::LOCAL1Click() {
    if (!sitemapExists())
        return;
    openWebPage(QString::fromStdString(currentSettings().web_url) + QStringLiteral("/sitemap.xml"));
}

void TFsite_wright::N14Click() {
    // The upload and the retrieval would share the one FTP client.
    if (retrievalRunning_) {
        ShowRetrievalRunning();
        return;
    }
    if (!sitemapExists())
        return;
    const FolderLock lock(programFolder_);
    if (!folderLocked(lock))
        return;
    const SiteSettings settings = currentSettings();
    if (ShowConfirm(QText(texts::kUploadQuestion) + QText(texts::kLineBreak) +
                        QString::fromStdString(settings.site_root),
                    QText(texts::kRun), QText(texts::kCancel)) == kSecondButton)
        return;
    // Uploaded, a sitemap without any URL would empty the server's copy.
    if (SitemapHasNoUrl(programFolder_) &&
        ShowConfirm(QText(texts::kEmptySitemapConfirm), QText(texts::kRun),
                    QText(texts::kCancel)) == kSecondButton)
        return;
    UploadResult result;
    Tftp_module& ftp = ftpModule();
    // Asked on the window's thread while the upload's thread waits (default: no).
    const ShrinkCheck askShrink = [this](const ShrinkFinding& finding) {
        bool allowed = false;
        QMetaObject::invokeMethod(
            this,
            [&] {
                allowed = ShowConfirm(
                              QString::fromStdString(Concat({ShrinkText(finding), texts::kLineBreak,
                                                             texts::kShrinkQuestion})),
                              QText(texts::kCancel), QText(texts::kRun)) == kSecondButton;
            },
            Qt::BlockingQueuedConnection);
        return allowed;
    };
    for (SiteSettings uploadSettings = settings;;) {
        ftp.ClearStop();
        RunWithStop(
            this, QText(texts::kUploading),
            [&] { result = UploadSitemap(ftp, uploadSettings, programFolder_, askShrink); },
            [&ftp] { ftp.Abort(); });
        // A certificate the user now trusts lets the same upload run again.
        if (!result.untrustedCertificate || !siteManager_->OfferTrust(*result.untrustedCertificate))
            break;
        uploadSettings = currentSettings();
    }
    const QString reason = QString::fromStdString(result.reason);
    switch (result.outcome) {
    case UploadOutcome::Uploaded:
        ShowInfo(QString::fromStdString(
                     result.notice.empty()
                         ? std::string(texts::kUploaded)
                         : Concat({result.notice, texts::kLineBreak, texts::kUploaded})),
                 QText(texts::kConfirm));
        break;
    case UploadOutcome::ShrinkRefused:
        break;
    case UploadOutcome::NoSitemap:
        ShowInfo(QText(texts::kNoSitemap), QText(texts::kConfirm));
        break;
    case UploadOutcome::LoginFailed:
        // A certificate the user declined was explained in the question.
        if (!result.untrustedCertificate)
            ShowPlainMessage(QText(Concat({texts::kConnectFailed, texts::kLineBreak})) + reason);
        break;
    case UploadOutcome::FolderRefused:
        // As any failure of a command: the application's standard error display.
        ShowStandardError(reason);
        break;
    case UploadOutcome::UnusableFile:
    case UploadOutcome::StoreFailed:
        ShowInfo(QText(Concat({texts::kUploadFailed, texts::kLineBreak})) + reason,
                 QText(texts::kConfirm));
        break;
    }
}

#include "app/window/Usite_wright.h"

#include <algorithm>
#include <stdexcept>

#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/settings_dialog/Usite_manager.h"
#include "app/widgets/elided_label.h"
#include "app/widgets/header_widgets.h"
#include "app/widgets/message_dialogs.h"
#include "app/widgets/program_icon.h"
#include "app/window/window_geometry.h"
#include "core/file_io.h"
#include "core/ini_file.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "jobs/missing_pages.h"
#include "jobs/thread.h"
#include "jobs/problem_text.h"
#include "jobs/work_table.h"
#include "settings/SiteSettings.h"

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
    createRetrieval();
    FormCreate();
}

TFsite_wright::~TFsite_wright() {
    stopRetrievalAndWait();
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
            QString::fromStdString(Filled(texts::kCannotWriteGeometry, {{"file", file.string()}})));
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
    std::vector<std::string> tickedAnyway;
    std::vector<std::string> untickedAgain;
    for (const int i : rows) {
        changes.push_back(ChoiceOfRow(table_->rowText(i), table_->isChecked(i), defaults_));
        // A page the check left out: the user's tick wins over the check next time.
        if (table_->leftOutByCheck(i))
            (table_->isChecked(i) ? tickedAnyway : untickedAgain).push_back(changes.back().address);
    }
    memory_->Record(changes);
    memory_->SetTickedAnyway(tickedAnyway, true);
    memory_->SetTickedAnyway(untickedAgain, false);
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

QString TFsite_wright::StatusText(int panel) const {
    return statusPanels_.at(std::size_t(panel))->text();
}

void TFsite_wright::SetUrlOpener(UrlOpener opener) {
    urlOpener_ = std::move(opener);
}

void TFsite_wright::SetManual(std::filesystem::path manual) {
    manual_ = std::move(manual);
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

#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QMainWindow>
#include <QPointer>
#include <QUrl>

#include "app/window/window_geometry.h"
#include "memory/site_memory.h"
#include "settings/SiteSettings.h"

class FolderLock;
class ElidedLabel;
class QAction;
class QHBoxLayout;
class QLabel;
class QListView;
class QMenu;
class QProgressBar;
class QPushButton;
class RetrievalController;
class PageCheckController;
struct PageCheckReport;
struct RobotsResult;
class RowDelegate;
class Tfsite_manager;
class Tftp_module;
class Tfurl_edit;
class WorkTable;
class tthread1;
struct RetrievalProgress;
struct RetrievalSummary;
struct SiteSettings;

// The main window: the header, the two counters, the work table and the status bar, with the
// program's menus. Its geometry lives in site_wright.ini in the program folder.
class TFsite_wright final : public QMainWindow {
    Q_OBJECT
public:
    // Places itself from the geometry file in programFolder (FormCreate).
    explicit TFsite_wright(std::filesystem::path programFolder, QWidget* parent = nullptr);
    // Ends a running retrieval and waits for its thread, which uses the FTP module: the module
    // must outlive the window.
    ~TFsite_wright() override;

    // The row edit dialog, created after the main window; double-clicks open it.
    void SetUrlEditDialog(Tfurl_edit* dialog);
    // The FTP module and the settings dialog, created after the main window; the retrieval,
    // the connection test and the upload use them.
    void SetFtpModule(Tftp_module* ftp);
    void SetSiteManager(Tfsite_manager* dialog);

    const std::filesystem::path& programFolder() const { return programFolder_; }

    // --- work table and counters ---
    const WorkTable* table() const { return table_; }
    // The current row, or -1 when there is none.
    int CurrentRow() const;
    // The end of a retrieval: the rows take their sorted places, both counters show the row
    // count and every row is checked.
    void FillAfterRetrieval(std::vector<std::string> rows);

    // --- status bar ---
    QString StatusText(int panel) const;
    bool RetrievalRunning() const { return retrievalRunning_; }

    // Hands an address to the desktop (browser, mail program); false when nothing could open
    // it, and the user is told where the file or address is. Tests replace the opener to see
    // the addresses.
    using UrlOpener = std::function<bool(const QUrl&)>;
    void SetUrlOpener(UrlOpener opener);

    // The local manual that the help item opens (an HTML file).
    void SetManual(std::filesystem::path manual);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Reaches the steps below that no command isolates, for the window's tests.
    friend class MainWindowAccess;

    void createHeader(QWidget* parent);
    void createCounters(QWidget* parent);
    void createWorkTab(QWidget* parent);
    void createStatusBar(QWidget* parent);
    void createWalkProgress(QWidget* bar, QHBoxLayout* row);
    void createMenus();
    // The controller of the retrievals, its events wired to the window.
    void createRetrieval();
    QAction* addItem(QMenu* menu, const char* name, std::string_view caption, bool visible,
                     void (TFsite_wright::*handler)() = nullptr);

    void FormCreate();
    void FormShow();
    void FormCloseQuery();

    void N2Click();
    void N7Click();
    void N8Click();
    void N13Click();
    void N14Click();
    void N15Click();
    void LOCAL1Click();
    void Button5Click();
    void N18Click();
    void N20Click();
    void N21Click();
    void N23Click();
    void N24Click();
    void N9Click();
    void Quorvane1Click();
    void N22Click();
    void SITEWRIGHTGoogleSitemap1Click();
    void Google1Click();
    void N11Click();
    void IconButton13Click();
    void Button4Click();
    void data_listClickCheck();
    void data_listDblClick();
    void ResetMemoryClick();
    void Google2Click();

    // The site memory of settings' site, opened when the site changes.
    SiteMemory& memoryFor(const SiteSettings& settings);
    // Keeps the choices the given rows now stand for.
    void rememberRows(const std::vector<int>& rows);
    // After a whole walk, offers to forget the remembered pages the server no longer has.
    void offerToForgetMissing(const tthread1& run);

    // Sets every row's flag, then recounts.
    void SetAllChecked(bool checked);
    // Writes the number of checked rows into select_total.
    void RecountChecked();
    void SetMaxTotalText(const QString& text);
    void SetSelectTotalText(const QString& text);
    // Writes panel 0, 1 or 2; it shows at the next paint.
    void SetStatusText(int panel, const QString& text);
    // The run's events as the window shows them: panel 1 the connection state and the end,
    // panel 2 what the walk is at, the file counter the pages found so far, the status bar's
    // progress bar the folders listed of those known (a walk over several sessions).
    void retrievalStarted();
    void showProgress(const RetrievalProgress& progress);
    void showRetrievalEnd(const RetrievalSummary& summary, const std::vector<std::string>& rows);

    // While a retrieval runs, a second retrieval, the connection test, the upload and the row
    // edit dialog are refused; the stop button is enabled only then.
    void SetRetrievalRunning(bool running);

    // --- the sitemap menu ---
    // Confirmation when the table holds rows, the settings dialog, then a retrieval thread.
    void StartRetrieval();
    // Writes the checked rows as sitemap.xml in the program folder and opens it.
    void CreateSitemap();
    // After an upload to a site with an address: the robots.txt Sitemap: line offered (found:
    // what the upload's session read of it), then IndexNow when it is on.
    void tellSearchEngines(const SiteSettings& settings, const RobotsResult& found);
    // Runs the IndexNow notification under a wait dialog and shows its summary.
    void notifySearchEngines(const SiteSettings& settings);

    void OpenAddress(const QUrl& address);
    // Panel 1 "WEB接続", panel 2 the address, then the address to the desktop.
    void openWebPage(const QString& address);

    // The settings as the settings dialog holds them.
    SiteSettings currentSettings() const;
    Tftp_module& ftpModule() const;
    // False, after telling the user, when there is no sitemap.xml to show or upload.
    bool sitemapExists() const;
    // False, after telling the user, when another run holds the program folder.
    bool folderLocked(const FolderLock& lock) const;
    void startRetrievalThread(const SiteSettings& settings);
    void retrievalFinished(const tthread1& run);
    // After a complete walk, when the settings ask for it: the page check on its thread, the
    // table's rows refused to edits meanwhile; then its verdicts in the rows and the count.
    void startPageCheck(const tthread1& run);
    void pageCheckFinished(const PageCheckReport& report);
    // Ends a running retrieval and waits for its thread, so that it never outlives the window
    // or the FTP module.
    void stopRetrievalAndWait();

    std::filesystem::path programFolder_;
    // The geometry file's values and the window's place fitted from them into the work area.
    WindowGeometry storedGeometry_;
    WindowGeometry fittedGeometry_;
    std::filesystem::path manual_;
    Tfurl_edit* urlEdit_ = nullptr;
    Tftp_module* ftp_ = nullptr;
    Tfsite_manager* siteManager_ = nullptr;
    RetrievalController* retrieval_ = nullptr;
    PageCheckController* pageCheck_ = nullptr;
    SiteSettings checkSettings_; // the settings of the walk whose rows are being checked
    bool retrievalRunning_ = false;
    UrlOpener urlOpener_;
    // The memory of the site whose rows the table holds, with that site's defaults.
    std::unique_ptr<SiteMemory> memory_;
    SiteDefaults defaults_;
    std::size_t missingPages_ = 0;
    // The missing pages the user chose to keep, sorted: not asked about again while they stay
    // the same.
    std::vector<std::string> keptMissing_;

    WorkTable* table_ = nullptr;
    RowDelegate* delegate_ = nullptr;
    QListView* data_list = nullptr;
    QLabel* max_total = nullptr;
    QLabel* select_total = nullptr;
    QPushButton* Button5 = nullptr; // stops a running retrieval
    std::array<ElidedLabel*, 3> statusPanels_{};
    QProgressBar* walkProgress_ = nullptr;
    QMenu* N4 = nullptr;
    QMenu* N5 = nullptr;
    QMenu* N6 = nullptr;
    QMenu* n10 = nullptr;
    QMenu* PopupMenu1 = nullptr;
};

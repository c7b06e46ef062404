#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <QMainWindow>
#include <QUrl>

class QAction;
class QLabel;
class QListView;
class QMenu;
class RowDelegate;
class Tfurl_edit;
class WorkTable;

// The main window: the header, the two counters, the work table and the status bar, with the
// program's menus. Its geometry lives in site_wright.ini in the program folder.
class TFsite_wright final : public QMainWindow {
    Q_OBJECT
public:
    // Places itself from the geometry file in programFolder (FormCreate).
    explicit TFsite_wright(std::filesystem::path programFolder, QWidget* parent = nullptr);
    ~TFsite_wright() override;

    // The row edit dialog, created after the main window; double-clicks open it.
    void SetUrlEditDialog(Tfurl_edit* dialog);

    const std::filesystem::path& programFolder() const { return programFolder_; }

    // --- work table and counters ---
    WorkTable* table() const { return table_; }
    // The current row, or -1 when there is none.
    int CurrentRow() const;
    // Sets every row's flag, then recounts.
    void SetAllChecked(bool checked);
    // Writes the number of checked rows into select_total.
    void RecountChecked();
    // The end of a retrieval: the rows take their sorted places, both counters show the row
    // count and every row is checked.
    void FillAfterRetrieval(std::vector<std::string> rows);
    void SetMaxTotalText(const QString& text);
    void SetSelectTotalText(const QString& text);

    // --- status bar ---
    // Writes panel 0, 1 or 2 and repaints it at once, so that it shows during long work.
    void SetStatusText(int panel, const QString& text);
    QString StatusText(int panel) const;

    // While a retrieval runs the row edit dialog is refused.
    void SetRetrievalRunning(bool running) { retrievalRunning_ = running; }
    bool RetrievalRunning() const { return retrievalRunning_; }

    // Hands an address to the desktop (browser, mail program); the result is ignored. Tests
    // replace the opener to see the addresses.
    using UrlOpener = std::function<void(const QUrl&)>;
    void SetUrlOpener(UrlOpener opener);
    void OpenAddress(const QUrl& address);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createHeader(QWidget* parent);
    void createCounters(QWidget* parent);
    void createWorkTab(QWidget* parent);
    void createStatusBar(QWidget* parent);
    void createMenus();
    QAction* addItem(QMenu* menu, const char* name, const QString& caption, bool visible,
                     void (TFsite_wright::*handler)() = nullptr);

    void FormCreate();
    void FormShow();
    void FormCloseQuery();

    void N2Click();
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

    // Panel 1 "WEB接続", panel 2 the address, then the address to the desktop.
    void openWebPage(const QString& address);

    std::filesystem::path programFolder_;
    Tfurl_edit* urlEdit_ = nullptr;
    bool retrievalRunning_ = false;
    UrlOpener urlOpener_;

    WorkTable* table_ = nullptr;
    RowDelegate* delegate_ = nullptr;
    QListView* data_list = nullptr;
    QLabel* max_total = nullptr;
    QLabel* select_total = nullptr;
    std::array<QLabel*, 3> statusPanels_{};
    QMenu* N4 = nullptr;
    QMenu* N5 = nullptr;
    QMenu* N6 = nullptr;
    QMenu* n10 = nullptr;
    QMenu* PopupMenu1 = nullptr;
};

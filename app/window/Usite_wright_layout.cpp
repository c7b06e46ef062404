// The window's widgets, menus and status bar, placed as the program has always drawn them.
#include "app/window/Usite_wright.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/widgets/elided_label.h"
#include "app/widgets/header_widgets.h"
#include "app/widgets/message_dialogs.h"
#include "app/widgets/program_icon.h"
#include "app/window/row_delegate.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "settings/SiteSettings.h"
#include "jobs/work_table.h"

namespace {

constexpr QColor kBandGrey(0xF3, 0xF3, 0xF3);

QWidget* makeBand(const char* name, int height, const QColor& colour, QWidget* parent) {
    auto* band = new QWidget(parent);
    band->setObjectName(QString::fromLatin1(name));
    band->setFixedHeight(height);
    FillBackground(band, colour);
    return band;
}

} // namespace

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
        if (i == 1)
            createWalkProgress(bar, row);
    }
    parent->layout()->addWidget(bar);
}

void TFsite_wright::createWalkProgress(QWidget* bar, QHBoxLayout* row) {
    // Shown while several sessions list folders: wide enough for the whole text with large
    // counts, so that it is never cut.
    walkProgress_ = new QProgressBar(bar);
    walkProgress_->setObjectName(QStringLiteral("WalkProgress"));
    walkProgress_->setTextVisible(true);
    walkProgress_->setAlignment(Qt::AlignCenter);
    const QString widest = QText(
        Filled(texts::kWalkProgress, {{"done", "99999"}, {"known", "99999"}, {"sessions", "99"}}));
    walkProgress_->setFixedWidth(walkProgress_->fontMetrics().horizontalAdvance(widest) + 16);
    walkProgress_->setMaximumHeight(17);
    walkProgress_->hide();
    row->addWidget(walkProgress_);
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
    // Made visible for IndexNow; enabled while the settings have it on.
    QAction* notify =
        addItem(N3, "Google2", texts::kMenuNotifyGoogle, true, &TFsite_wright::Google2Click);
    connect(N3, &QMenu::aboutToShow, this,
            [this, notify] { notify->setEnabled(currentSettings().indexnow); });

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

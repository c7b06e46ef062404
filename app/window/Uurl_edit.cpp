#include "app/window/Uurl_edit.h"

#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

#include "core/texts.h"
#include "core/url_entry.h"
#include "app/widgets/application.h"
#include "app/widgets/header_widgets.h"
#include "app/widgets/message_dialogs.h"

namespace {

QLabel* captionBox(std::string_view text, const QColor& background, const QRect& geometry,
                   QWidget* parent) {
    QLabel* label = MakeBoxLabel(QString(), QText(text), background, Qt::white, parent);
    label->setGeometry(geometry);
    return label;
}

QComboBox* dropDown(const char* name, const QStringList& items, const QRect& geometry,
                    QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setEditable(true);
    // Typed text is taken as it stands and never added to the items.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(items);
    combo->setGeometry(geometry);
    combo->setCursor(Qt::PointingHandCursor);
    return combo;
}

// Shows text in the edit part whether or not it is an item; an item equal to it, ignoring case,
// becomes the selected one, so no value is lost by opening and confirming.
void showInCombo(QComboBox* combo, const QString& text) {
    combo->setCurrentIndex(combo->findText(text, Qt::MatchFixedString));
    combo->setEditText(text);
}

} // namespace

Tfurl_edit::Tfurl_edit(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("furl_edit"));
    ApplyDialogLook(this);
    resize(513, 199);

    captionBox(texts::kUrlCaption, kBlue, {15, 15, 90, 17}, this);
    link = new QLineEdit(this);
    link->setObjectName(QStringLiteral("link"));
    link->setGeometry(112, 15, 385, 21);

    captionBox(texts::kFileNameCaption, kLavender, {15, 45, 90, 17}, this);
    filename = new QLineEdit(this);
    filename->setObjectName(QStringLiteral("filename"));
    filename->setGeometry(112, 45, 177, 21);

    captionBox(texts::kLastmodCaption, kGrey, {15, 75, 90, 17}, this);
    lastdate = new QLabel(this);
    lastdate->setObjectName(QStringLiteral("lastdate"));
    lastdate->setTextFormat(Qt::PlainText);
    lastdate->setGeometry(112, 75, 48, 17);

    captionBox(texts::kChangefreqCaption, kLavender, {15, 105, 90, 17}, this);
    changefreq =
        dropDown("changefreq",
                 {QStringLiteral("always"), QStringLiteral("hourly"), QStringLiteral("daily"),
                  QStringLiteral("weekly"), QStringLiteral("monthly"), QStringLiteral("yearly"),
                  QStringLiteral("never")},
                 {112, 105, 89, 21}, this);

    captionBox(texts::kPriorityCaption, kTeal, {287, 105, 90, 17}, this);
    QStringList priorities;
    for (int tenth = 0; tenth <= 10; ++tenth)
        priorities << QString::number(tenth / 10.0, 'f', 1);
    priority = dropDown("priority", priorities, {384, 105, 89, 21}, this);

    auto* bevel = new QFrame(this);
    bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    bevel->setGeometry(8, 136, 497, 2);

    // Neither button is the default, so that Enter in a field never presses "キャンセル" and
    // throws the edits away; keyPressEvent lets Enter press only the button that has the focus.
    Button1 = new QPushButton(QText(texts::kOkButton), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    Button1->setGeometry(336, 144, 75, 25);
    Button1->setCursor(Qt::PointingHandCursor);
    connect(Button1, &QPushButton::clicked, this,
            [this] { RunCommand([this] { Button1Click(); }); });

    Button2 = new QPushButton(QText(texts::kCancel), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    Button2->setGeometry(416, 144, 75, 25);
    Button2->setCursor(Qt::PointingHandCursor);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    auto* panel = new QLabel(StatusBar1);
    panel->setFixedWidth(50);
    StatusBar1->addWidget(panel);

    setTabOrder(Button1, Button2);
    setTabOrder(Button2, link);
    setTabOrder(link, changefreq);
    setTabOrder(changefreq, priority);
    setTabOrder(priority, filename);
}

void Tfurl_edit::FillFromRow(const std::string& row) {
    const UrlEntryFields fields = ReadUrlEntry(row);
    link->setText(QString::fromStdString(fields.link));
    filename->setText(QString::fromStdString(fields.filename));
    lastdate->setText(QString::fromStdString(fields.lastmod));
    lastdate->adjustSize();
    showInCombo(changefreq, QString::fromStdString(fields.changefreq));
    showInCombo(priority, QString::fromStdString(fields.priority));
}

UrlEntryFields Tfurl_edit::fieldsFromControls() const {
    return {link->text().toStdString(), filename->text().toStdString(),
            lastdate->text().toStdString(), changefreq->currentText().toStdString(),
            priority->currentText().toStdString()};
}

std::string Tfurl_edit::BuildRow() const {
    return BuildUrlEntry(fieldsFromControls());
}

void Tfurl_edit::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void Tfurl_edit::FormShow() {
    setWindowTitle(ApplicationTitle());
    FitOnScreen(this);
    Button1->setFocus();
}

void Tfurl_edit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        // Neither button is the cancel button, so Escape leaves the dialog open.
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void Tfurl_edit::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int barHeight = StatusBar1->sizeHint().height();
    StatusBar1->setGeometry(0, height() - barHeight, width(), barHeight);
}

void Tfurl_edit::Button1Click() {
    // A ";" would shift every later field of the row.
    if (HasSeparatorInField(fieldsFromControls())) {
        ShowInfo(QText(texts::kSeparatorRefused), QText(texts::kConfirm));
        return;
    }
    accept();
}

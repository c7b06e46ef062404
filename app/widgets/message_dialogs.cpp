#include "app/widgets/message_dialogs.h"

#include <exception>
#include <utility>

#include <QDialog>
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "core/texts.h"
#include "app/widgets/application.h"
#include "app/widgets/header_widgets.h"
#include "app/widgets/program_icon.h"

namespace {

std::function<int(const MessageRequest&)>& responder() {
    static std::function<int(const MessageRequest&)> current;
    return current;
}

std::function<void(QDialog&)>& dialogResponder() {
    static std::function<void(QDialog&)> current;
    return current;
}

// The standard button width, which longer captions widen; every button gets the same width.
constexpr int kButtonWidth = 75;

// Room the window manager's title bar takes besides the title: the icon and its buttons.
constexpr int kTitleBarExtras = 110;

// The narrowest width at which the window manager shows the application title whole.
int titleWidth() {
    return QFontMetrics(QApplication::font()).horizontalAdvance(ApplicationTitle()) +
           kTitleBarExtras;
}

class MessageDialog final : public QDialog {
public:
    MessageDialog(const QString& message, const QStringList& captions, int defaultButton)
        : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
          hasCancel_(captions.size() > 1) {
        setWindowTitle(ApplicationTitle());
        setWindowIcon(ProgramIcon());

        auto* icon = new QLabel(this);
        icon->setObjectName(QStringLiteral("Image"));
        icon->setPixmap(ProgramIconPixmap());
        icon->setFixedSize(32, 32);

        QString text = message;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        auto* label = new QLabel(text, this);
        label->setObjectName(QStringLiteral("Message"));
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // Lines stay whole up to half the screen's width and wrap beyond it.
        int widest = 0;
        for (const QString& line : text.split(u'\n'))
            widest = qMax(widest, label->fontMetrics().horizontalAdvance(line) + 1);
        QRect area(0, 0, 2 * widest, 4 * label->heightForWidth(widest));
        if (const QScreen* screen = ScreenOf(this))
            area = screen->availableGeometry();
        const int limit = area.width() / 2;
        const int width = qMin(widest, limit);
        label->setMinimumWidth(width);
        label->setMaximumWidth(limit);

        // A message taller than the screen allows (a long list, a certificate) scrolls, so that
        // the buttons stay on the screen.
        QWidget* body = label;
        const int room = area.height() - 160;
        if (label->heightForWidth(width) > room) {
            auto* scroll = new QScrollArea(this);
            scroll->setFrameShape(QFrame::NoFrame);
            scroll->setWidget(label);
            scroll->setWidgetResizable(true);
            scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            scroll->setFixedSize(
                width + scroll->verticalScrollBar()->sizeHint().width() + 4, room);
            body = scroll;
        }

        auto* top = new QHBoxLayout;
        top->setSpacing(12);
        top->addWidget(icon, 0, Qt::AlignTop);
        top->addWidget(body, 1);

        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        int buttonWidth = kButtonWidth;
        QList<QPushButton*> made;
        for (int i = 0; i < captions.size(); ++i) {
            auto* button = new QPushButton(captions[i], this);
            button->setCursor(Qt::PointingHandCursor);
            const int result = i == 0 ? kFirstButton : kSecondButton;
            connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
            buttonWidth = qMax(buttonWidth, button->sizeHint().width());
            buttons->addWidget(button);
            made.append(button);
        }
        buttons->addStretch();
        for (QPushButton* button : made)
            button->setFixedWidth(buttonWidth);
        QPushButton* chosen = made.value(defaultButton == kSecondButton ? 1 : 0, made.front());
        chosen->setDefault(true);
        chosen->setFocus();

        auto* layout = new QVBoxLayout(this);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        layout->setContentsMargins(16, 16, 16, 12);
        layout->setSpacing(16);
        layout->addLayout(top);
        layout->addLayout(buttons);
        layout->addSpacerItem(new QSpacerItem(qMin(titleWidth(), area.width()) - 32, 0));
    }

    // Escape and the window manager's close request answer like the second button; a
    // one-button notice has none, so they do nothing there.
    void reject() override {
        if (hasCancel_)
            done(kSecondButton);
    }

private:
    bool hasCancel_;
};

int showMessageDialog(MessageRequest::Kind kind, const QString& message,
                      const QStringList& captions, int defaultButton = kFirstButton) {
    if (responder())
        return responder()(MessageRequest{kind, message, captions, defaultButton});
    MessageDialog dialog(message, captions, defaultButton);
    return dialog.exec();
}

void showMessageBox(MessageRequest::Kind kind, const QString& message) {
    if (responder()) {
        responder()(MessageRequest{kind, message, {}});
        return;
    }
    QMessageBox box(kind == MessageRequest::Kind::Error ? QMessageBox::Critical
                                                        : QMessageBox::NoIcon,
                    ApplicationTitle(), message, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    // The box is as wide as its text; a short text would cut the title.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(titleWidth(), 0), grid->rowCount(), 0, 1,
                      grid->columnCount());
    box.exec();
}

} // namespace

int ShowConfirm(const QString& message, const QString& firstCaption, const QString& secondCaption,
                int defaultButton) {
    return showMessageDialog(MessageRequest::Kind::Confirm, message, {firstCaption, secondCaption},
                             defaultButton);
}

int ShowInfo(const QString& message, const QString& caption) {
    return showMessageDialog(MessageRequest::Kind::Info, message, {caption});
}

void ShowPlainMessage(const QString& message) {
    showMessageBox(MessageRequest::Kind::Plain, message);
}

void ShowStandardError(const QString& message) {
    showMessageBox(MessageRequest::Kind::Error, message);
}

void ShowRetrievalRunning() {
    ShowInfo(QText(texts::kRetrievalRunning), QText(texts::kConfirm));
}

void RunCommand(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowStandardError(QString::fromUtf8(error.what()));
    }
}

ScopedMessageResponder::ScopedMessageResponder(std::function<int(const MessageRequest&)> responder_)
    : previous_(std::exchange(responder(), std::move(responder_))) {}

ScopedMessageResponder::~ScopedMessageResponder() {
    responder() = std::move(previous_);
}

int ExecDialog(QDialog& dialog) {
    if (!dialogResponder())
        return dialog.exec();
    dialog.setResult(QDialog::Rejected);
    dialogResponder()(dialog);
    return dialog.result();
}

ScopedDialogResponder::ScopedDialogResponder(std::function<void(QDialog&)> responder_)
    : previous_(std::exchange(dialogResponder(), std::move(responder_))) {}

ScopedDialogResponder::~ScopedDialogResponder() {
    dialogResponder() = std::move(previous_);
}

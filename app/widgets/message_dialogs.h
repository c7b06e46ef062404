#pragma once

#include <functional>

#include <QString>
#include <QStringList>

class QDialog;

// The program's modal message dialogs. All are called on the window's thread only.

// Results of the two dialogs: the first (left) and the second (right) button.
inline constexpr int kFirstButton = 6;
inline constexpr int kSecondButton = 7;

// A question with two buttons: 6 for the left one, 7 for the right one (also Escape); Enter
// presses defaultButton. The caption is the application title, the picture the program's
// icon, and the window has no title-bar buttons. The box fits the screen it opens on: a long
// message scrolls.
int ShowConfirm(const QString& message, const QString& firstCaption, const QString& secondCaption,
                int defaultButton = kFirstButton);

// A notice with one button; returns 6. Enter presses the button, Escape does nothing.
int ShowInfo(const QString& message, const QString& caption);

// The toolkit's plain message box with an OK button, titled with the application title.
void ShowPlainMessage(const QString& message);

// The application's standard error display: a message box with the error's text.
void ShowStandardError(const QString& message);

// The notice that refuses a command that would use the FTP client or the table while a
// retrieval runs.
void ShowRetrievalRunning();

// Runs a command handler; an exception that leaves it goes to the standard error display and
// the program goes on.
void RunCommand(const std::function<void()>& handler);

// One dialog as the functions above were asked to show it.
struct MessageRequest {
    enum class Kind { Confirm, Info, Plain, Error };
    Kind kind;
    QString message;
    QStringList buttons; // the callers' captions; empty for Plain and Error
    int defaultButton = kFirstButton; // the button Enter presses
};

// While an object of this class lives, every dialog above is answered by the responder instead
// of being shown (its result is what ShowConfirm/ShowInfo return). Meant for tests; restores
// the previous responder when it goes.
class ScopedMessageResponder final {
public:
    explicit ScopedMessageResponder(std::function<int(const MessageRequest&)> responder);
    ~ScopedMessageResponder();
    ScopedMessageResponder(const ScopedMessageResponder&) = delete;
    ScopedMessageResponder& operator=(const ScopedMessageResponder&) = delete;

private:
    std::function<int(const MessageRequest&)> previous_;
};

// Shows one of the program's own dialogs (the settings, the row edit) modally and returns its
// result. While a ScopedDialogResponder lives, its responder acts instead of the user: it gets
// the dialog unshown, may fill its controls and press its buttons, and the dialog's result then
// is the answer (Rejected unless a button or the responder accepted it).
int ExecDialog(QDialog& dialog);

// Meant for tests, as ScopedMessageResponder; restores the previous responder when it goes.
class ScopedDialogResponder final {
public:
    explicit ScopedDialogResponder(std::function<void(QDialog&)> responder);
    ~ScopedDialogResponder();
    ScopedDialogResponder(const ScopedDialogResponder&) = delete;
    ScopedDialogResponder& operator=(const ScopedDialogResponder&) = delete;

private:
    std::function<void(QDialog&)> previous_;
};

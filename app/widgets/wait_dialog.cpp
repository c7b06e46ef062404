#include "app/widgets/wait_dialog.h"

#include <exception>
#include <memory>

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "core/texts.h"
#include "app/widgets/application.h"
#include "app/widgets/header_widgets.h"
#include "app/widgets/program_icon.h"

namespace {

class WaitDialog final : public QDialog {
public:
    WaitDialog(QWidget* parent, const QString& text, const std::function<void()>& stop)
        : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), stop_(stop) {
        setObjectName(QStringLiteral("WaitDialog"));
        setWindowTitle(ApplicationTitle());
        setWindowIcon(ProgramIcon());
        ApplyDialogLook(this);

        auto* label = new QLabel(text, this);
        label->setTextFormat(Qt::PlainText);
        label->setMinimumWidth(240);
        stopButton_ = new QPushButton(QText(texts::kStop), this);
        stopButton_->setObjectName(QStringLiteral("StopButton"));
        stopButton_->setFixedSize(75, 25);
        stopButton_->setCursor(Qt::PointingHandCursor);
        connect(stopButton_, &QPushButton::clicked, this, [this] { reject(); });

        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(stopButton_);
        buttons->addStretch();
        auto* layout = new QVBoxLayout(this);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        layout->setContentsMargins(16, 16, 16, 12);
        layout->setSpacing(16);
        layout->addWidget(label);
        layout->addLayout(buttons);
    }

    // Every way out asks the job to stop; the dialog goes only once the job has returned.
    void reject() override {
        if (!stopButton_->isEnabled())
            return;
        stopButton_->setEnabled(false);
        stop_();
    }

protected:
    void showEvent(QShowEvent* event) override {
        QDialog::showEvent(event);
        FitOnScreen(this);
    }

private:
    const std::function<void()>& stop_;
    QPushButton* stopButton_ = nullptr;
};

} // namespace

void RunWithStop(QWidget* parent, const QString& text, const std::function<void()>& job,
                 const std::function<void()>& stop) {
    WaitDialog dialog(parent, text, stop);
    std::exception_ptr failure;
    const std::unique_ptr<QThread> worker(QThread::create([&job, &failure] {
        try {
            job();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    // Queued: finished comes from the worker, the dialog lives here.
    QObject::connect(worker.get(), &QThread::finished, &dialog,
                     [&dialog] { dialog.done(QDialog::Accepted); });
    worker->start();
    dialog.exec();
    worker->wait();
    if (failure)
        std::rethrow_exception(failure);
}

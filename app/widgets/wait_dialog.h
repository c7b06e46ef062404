#pragma once

#include <functional>

#include <QString>

class QWidget;

// Runs job on a worker thread of its own while a modal wait dialog (object name "WaitDialog")
// shows text and a "中止" button ("StopButton"), so that the windows keep painting and take no
// other command meanwhile. The button and Escape call stop on the window's thread; stop must
// make job return soon, from any point. Returns once job has returned; an exception that left
// job is thrown again here. Window thread only.
void RunWithStop(QWidget* parent, const QString& text, const std::function<void()>& job,
                 const std::function<void()>& stop);

#pragma once

#include <QString>

#include "jobs/thread.h"
#include "jobs/work_table.h"
#include "app/window/Usite_wright.h"

// The window's inner steps that no command reaches on its own, for its tests and pictures:
// a table state without a server, a panel text to compare against, a retrieval that runs.
class MainWindowAccess final {
public:
    static void SetChecked(TFsite_wright& window, int row, bool checked) {
        window.table_->setChecked(row, checked);
        window.RecountChecked();
    }
    static void SetStatusText(TFsite_wright& window, int panel, const QString& text) {
        window.SetStatusText(panel, text);
    }
    static void SetRetrievalRunning(TFsite_wright& window, bool running) {
        window.SetRetrievalRunning(running);
    }
    // The run's events as the retrieval controller hands them over.
    static void RetrievalStarted(TFsite_wright& window) { window.retrievalStarted(); }
    static void ShowProgress(TFsite_wright& window, const RetrievalProgress& progress) {
        window.showProgress(progress);
    }
    static void ShowRetrievalEnd(TFsite_wright& window, const RetrievalSummary& summary,
                                 const std::vector<std::string>& rows) {
        window.showRetrievalEnd(summary, rows);
    }
};

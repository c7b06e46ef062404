#pragma once

#include <QString>

// Titles the application with texts::kApplicationTitle and maps the interface's Windows font
// names onto the IPA fonts, which have the same metrics. Call once, right after the
// QApplication exists.
void InitializeApplication();

// The title set by InitializeApplication: the caption of every message dialog and of the row
// edit dialog.
QString ApplicationTitle();

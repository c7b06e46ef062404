#pragma once

#include <QString>

// The application title: the caption of every message dialog and of the row edit dialog.
inline constexpr char16_t kApplicationTitle[] = u"SITE WRIGHT Google Sitemap編";

// Titles the application and maps the interface's Windows font names onto the IPA fonts,
// which have the same metrics. Call once, right after the QApplication exists.
void InitializeApplication();

// The title set by InitializeApplication.
QString ApplicationTitle();

#pragma once

#include <QIcon>
#include <QPixmap>

// The program's 32 x 32 icon: a sitemap tree on the header's slate colour. The header button,
// every message dialog and the windows show it.
QPixmap ProgramIconPixmap();
QIcon ProgramIcon();

// The small decoration beside the maker's name in the header.
QIcon MakerIcon();

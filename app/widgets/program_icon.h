#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

// The program's icon, drawn for 32 x 32: a sitemap tree on the header's slate colour. The
// header button, every message dialog and the windows show it.
QPixmap ProgramIconPixmap();
// The same drawing at size x size pixels; needs no application object, so that the build can
// make the desktop theme's icons with it.
QImage ProgramIconImage(int size);
QIcon ProgramIcon();

// The small decoration beside the maker's name in the header.
QIcon MakerIcon();

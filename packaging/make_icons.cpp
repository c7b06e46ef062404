// Writes the program's icon as the PNG files of the desktop's hicolor theme:
//     make_icons OUTPUT_FOLDER ICON_NAME SIZE...
// makes OUTPUT_FOLDER/SIZExSIZE/apps/ICON_NAME.png for each size.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QDir>
#include <QImage>
#include <QString>

#include "app/widgets/program_icon.h"

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_icons OUTPUT_FOLDER ICON_NAME SIZE...\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 16 || size > 1024) {
            std::fprintf(stderr, "make_icons: size %s is not 16 to 1024\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(output).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(folder, name);
        if (!QDir().mkpath(folder) || !ProgramIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", file.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}

#pragma once

#include <QCoreApplication>

// A QCoreApplication for a GoogleTest executable, made at the first call and kept to the end:
// Qt loads plugins (the SQL driver) only with an application.
inline void EnsureCoreApplication() {
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}

#include <clocale>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include <QCoreApplication>

#include <unistd.h>

#include "core/texts.h"
#include "cli/command_line.h"
#include "cli/progress.h"

int main(int argc, char** argv) {
    // The site memory's database driver is a plugin, which only an application loads.
    QCoreApplication application(argc, argv);
    // The application takes the user's locale; numbers printed stay in the C form.
    std::setlocale(LC_NUMERIC, "C");
    texts::UseLanguage(texts::SystemLanguage());
    CommandLineIo io{std::cin, std::cout, std::cerr};
    DescribeTerminal(io, STDERR_FILENO);
    const int status = RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), io);
    // A run stopped by Ctrl-C or SIGTERM has cleaned up; it ends by that signal, so that a
    // calling shell or loop sees the interruption (status 130 or 143) and stops too.
    if (const int signal = InterruptSignal()) {
        std::cout.flush();
        std::cerr.flush();
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    return status;
}

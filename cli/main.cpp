#include <iostream>
#include <string>
#include <vector>

#include <sys/ioctl.h>
#include <unistd.h>

#include "cli/command_line.h"

int main(int argc, char** argv) {
    CommandLineIo io{std::cin, std::cout, std::cerr};
    io.progress = ::isatty(STDERR_FILENO) == 1;
    winsize size{};
    if (io.progress && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        io.columns = size.ws_col;
    return RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), io);
}

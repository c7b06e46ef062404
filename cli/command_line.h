#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

// Exit statuses of the sitewright command.
enum ExitStatus : int {
    kExitSuccess = 0,
    kExitFailure = 1, // the work failed; one line on stderr says why
    kExitUsage = 2,   // the command line was wrong
};

// Where a run of the command reads and writes, so that tests can stand in for the terminal.
struct CommandLineIo {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    // stderr is a terminal: generate shows a one-line progress display there.
    bool progress = false;
    // Width of that terminal, for the progress line.
    int columns = 80;
    // That terminal takes escape sequences (TERM is set and not "dumb").
    bool escapes = true;
    // When set, what stops a running walk before its next command; otherwise Ctrl-C does.
    const std::atomic<bool>* stop = nullptr;
};

// Runs "sitewright args..." (args without the program name) and returns its exit status.
int RunCommandLine(const std::vector<std::string>& args, CommandLineIo& io);

// The signal (SIGINT, SIGTERM) that stopped the last run's walk; 0 when none did.
int InterruptSignal();

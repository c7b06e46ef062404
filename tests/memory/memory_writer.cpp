// A second process on a site memory, for the tests: records one choice per transaction, as the
// window does click by click, then ends normally or kills itself without any clean-up.
//     memory_writer FOLDER SITE PREFIX COUNT [kill]
#include <csignal>
#include <cstdio>
#include <string>

#include <QCoreApplication>

#include <unistd.h>

#include "memory/site_memory.h"

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc < 5)
        return 2;
    bool failed = false;
    SiteMemory memory(argv[1], argv[2], [&failed](const SiteMemory::Problem& problem) {
        std::fprintf(stderr, "problem %d: %s\n", int(problem.kind), problem.detail.c_str());
        failed = true;
    });
    const int count = std::stoi(argv[4]);
    for (int i = 0; i < count && !failed; ++i)
        memory.Record({{std::string(argv[3]) + std::to_string(i) + ".html", true, "", "0.9", ""}});
    if (argc > 5 && std::string(argv[5]) == "kill")
        ::kill(::getpid(), SIGKILL);
    return failed ? 1 : 0;
}

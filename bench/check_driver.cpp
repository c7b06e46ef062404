// The page check alone, for bench/wan_check.py: asks for BASE/page00000.html .. BASE/page<N-1>.html
// with C connections and prints the elapsed time and the verdicts counted.
//
//     sitewright_check_driver BASE N C [--save FILE] [--previous FILE]
//
// --save writes each page's validators (ETag, Last-Modified, SHA-256, one line each); --previous
// reads them back, so that a second run asks conditionally as the site memory would make it.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "pagecheck/page_check.h"

namespace {

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out(1);
    for (const char c : line) {
        if (c == '\t')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s BASE N C [--save FILE] [--previous FILE]\n", argv[0]);
        return 2;
    }
    const std::string base = argv[1];
    const std::size_t count = std::strtoul(argv[2], nullptr, 10);
    PageCheckOptions options;
    options.connections = std::atoi(argv[3]);
    std::string save, previous;
    for (int i = 4; i + 1 < argc; i += 2)
        (std::string(argv[i]) == "--save" ? save : previous) = argv[i + 1];

    std::vector<PageToCheck> pages(count);
    char name[32];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "/page%05zu.html", i);
        pages[i].address = base + name;
    }
    if (!previous.empty()) {
        std::ifstream in(previous);
        std::string line;
        for (std::size_t i = 0; i < count && std::getline(in, line); ++i) {
            const auto f = fields(line);
            if (f.size() == 3)
                pages[i].previous = {f[0], f[1], f[2], {}};
        }
    }

    const std::atomic<bool> stop{false};
    const auto start = std::chrono::steady_clock::now();
    const PageCheckReport report = CheckPages(pages, options, NonPageNames(), stop);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

    std::map<std::string, std::size_t> verdicts;
    for (const PageVerdict& page : report.pages)
        ++verdicts[page.verdict == Verdict::Indexable     ? "indexable"
                   : page.verdict == Verdict::NotModified ? "not_modified"
                   : page.verdict == Verdict::Unreachable ? "unreachable"
                                                          : "other"];
    std::printf("elapsed %.3f s", elapsed.count());
    for (const auto& [verdict, n] : verdicts)
        std::printf(" %s %zu", verdict.c_str(), n);
    std::printf("\n");
    if (!save.empty()) {
        std::ofstream out(save);
        for (const PageVerdict& page : report.pages)
            out << page.validators.etag << '\t' << page.validators.lastModified << '\t'
                << page.validators.bodySha256 << '\n';
    }
    return 0;
}

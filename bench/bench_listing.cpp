#include "ftp/ftp_listing.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// 100,000 lines as a large Unix server lists them: files and folders, recent times and years.
std::vector<std::string> unixLines() {
    std::vector<std::string> lines = {"total 400000"};
    for (int i = 0; i < 100000; ++i) {
        const bool folder = i % 10 == 0;
        std::string line = folder ? "drwxr-xr-x    2 webuser  webgroup     4096 "
                                  : "-rw-r--r--    1 webuser  webgroup   123456 ";
        line += kMonths[i % 12];
        line += i % 31 < 9 ? "  " : " ";
        line += std::to_string(i % 28 + 1);
        line += i % 3 == 0 ? "  2019 " : " 10:2" + std::to_string(i % 10) + ' ';
        line += folder ? "folder-" + std::to_string(i) : "page-" + std::to_string(i) + ".html";
        lines.push_back(std::move(line));
    }
    return lines;
}

// 100,000 lines as an MS-DOS style server lists them.
std::vector<std::string> dosLines() {
    std::vector<std::string> lines;
    for (int i = 0; i < 100000; ++i) {
        char date[32];
        std::snprintf(date, sizeof date, "%02d-%02d-%02d  %02d:%02d%s", i % 12 + 1, i % 28 + 1,
                      i % 100, i % 12 + 1, i % 60, i % 2 ? "AM" : "PM");
        std::string line = date;
        line += i % 10 == 0 ? "       <DIR>          folder-" + std::to_string(i)
                            : "              123,456 page-" + std::to_string(i) + ".htm";
        lines.push_back(std::move(line));
    }
    return lines;
}

// 100,000 lines as a server lists them for MLSD: the same entries, with the facts ProFTPD sends,
// after the lines of the folder itself and its parent.
std::vector<std::string> mlsdLines() {
    std::vector<std::string> lines = {
        "modify=20190105102030;perm=flcdmpe;type=cdir;unique=FD00U2A1;UNIX.group=1000;"
        "UNIX.mode=0755;UNIX.owner=1000; .",
        "modify=20190105102030;perm=flcdmpe;type=pdir;unique=FD00U2A0;UNIX.group=1000;"
        "UNIX.mode=0755;UNIX.owner=1000; .."};
    for (int i = 0; i < 100000; ++i) {
        const bool folder = i % 10 == 0;
        char facts[160];
        std::snprintf(facts, sizeof facts,
                      "modify=2019%02d%02d10%02d%02d;perm=%s;%stype=%s;unique=FD00U%X;"
                      "UNIX.group=1000;UNIX.mode=%s;UNIX.owner=1000; ",
                      i % 12 + 1, i % 28 + 1, i % 60, i % 60, folder ? "flcdmpe" : "adfrw",
                      folder ? "" : "size=123456;", folder ? "dir" : "file", i,
                      folder ? "0755" : "0644");
        lines.push_back(facts + (folder ? "folder-" + std::to_string(i)
                                        : "page-" + std::to_string(i) + ".html"));
    }
    return lines;
}

void parse(benchmark::State& state, const std::vector<std::string>& lines,
           TIdFTPListFormat expected) {
    std::size_t entries = 0;
    for (auto _ : state) {
        // MLSD is known by the command that fetched it, never detected.
        const TIdFTPListItems listing = expected == TIdFTPListFormat::flfMlsd
                                            ? LoadListing(lines, expected, SystemClock())
                                            : InterpretListing(lines, SystemClock());
        entries = listing.size();
        benchmark::DoNotOptimize(listing.items.data());
        if (listing.format != expected)
            state.SkipWithError("the listing was not recognised");
    }
    state.counters["entries"] = double(entries);
}

} // namespace

static void BM_ParseUnixListing100k(benchmark::State& state) {
    parse(state, unixLines(), TIdFTPListFormat::flfUnix);
}
BENCHMARK(BM_ParseUnixListing100k)->Unit(benchmark::kMillisecond);

static void BM_ParseMlsdListing100k(benchmark::State& state) {
    parse(state, mlsdLines(), TIdFTPListFormat::flfMlsd);
}
BENCHMARK(BM_ParseMlsdListing100k)->Unit(benchmark::kMillisecond);

static void BM_ParseDosListing100k(benchmark::State& state) {
    parse(state, dosLines(), TIdFTPListFormat::flfDos);
}
BENCHMARK(BM_ParseDosListing100k)->Unit(benchmark::kMillisecond);

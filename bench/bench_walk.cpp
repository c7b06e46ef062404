#include "jobs/retrieval.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <utility>

#include "ftp/Uftp_module.h"
#include "settings/SiteSettings.h"
#include "support/py_ftp_server.h"
#include "support/test_certificates.h"

namespace fs = std::filesystem;

namespace {

constexpr int kTopFolders = 40;
constexpr int kSubfolders = 49; // 40 + 40 * 49 = 2,000 folders below the site root
constexpr int kFilesPerFolder = 10;

double processCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// A site of 2,000 folders of 10 pages each below root/site.
void makeSite(const fs::path& root) {
    const fs::path site = root / "site";
    for (int top = 0; top < kTopFolders; ++top) {
        const fs::path topFolder = site / ("section-" + std::to_string(top));
        for (int sub = -1; sub < kSubfolders; ++sub) {
            const fs::path folder =
                sub < 0 ? topFolder : topFolder / ("topic-" + std::to_string(sub));
            fs::create_directories(folder);
            for (int page = 0; page < kFilesPerFolder; ++page)
                std::ofstream(folder / ("page-" + std::to_string(page) + ".html")) << page;
        }
    }
}

// A real server on loopback with the site, made once.
PyFtpServer& siteServer() {
    static PyFtpServer server;
    static const bool made = (makeSite(server.Root()), true);
    (void)made;
    return server;
}

// The same site on a server that requires FTP over TLS, with a certificate of a test CA that the
// client is made to trust.
PyFtpServer& tlsSiteServer() {
    static const TrustedTestCa ca;
    static PyFtpServer server(PyFtpServer::Tls{ca.Certificates().trusted.certificate,
                                               ca.Certificates().trusted.key, true});
    static const bool made = (makeSite(server.Root()), true);
    (void)made;
    return server;
}

// The same site on a server that lists with LIST only.
PyFtpServer& listOnlySiteServer() {
    static PyFtpServer server{PyFtpServer::WithoutMlsd{}};
    static const bool made = (makeSite(server.Root()), true);
    (void)made;
    return server;
}

SiteSettings siteSettings(const PyFtpServer& server, const char* security) {
    SiteSettings settings;
    settings.web_url = "https://www.example.com";
    settings.hostname = server.Host();
    settings.username = server.User();
    settings.password = server.Password();
    settings.site_root = "/site";
    settings.tls = security;
    return settings;
}

// Shows nothing: the figure is the walk's own cost.
class SilentObserver final : public RetrievalObserver {
public:
    void Finished(const RetrievalSummary&, std::vector<std::string> rows) override {
        filled = rows.size();
    }
    std::size_t filled = 0;
};

// The least a client can do with the same commands: CWD and LIST per folder, CWD and LIST of
// the parent after each subfolder, folders told by the listing's first character.
void minimalWalk(TIdFTP& ftp, const std::string& path, std::size_t& pages) {
    ftp.ChangeFolder(path);
    ftp.ListFolder();
    const std::vector<std::string> lines = ftp.ListingLines();
    for (const std::string& line : lines) {
        const std::size_t blank = line.rfind(' ');
        const std::string name = line.substr(blank + 1);
        if (line[0] == 'd') {
            minimalWalk(ftp, path + "/" + name, pages);
            ftp.ChangeFolder(path);
            ftp.ListFolder();
        } else if (name.size() > 5 && name.compare(name.size() - 5, 5, ".html") == 0) {
            ++pages;
        }
    }
}

// Wall and CPU time of the runs of one client.
struct Runs {
    double wall = 0;
    double cpu = 0;
    double bestWall = 1e30;

    void add(double runWall, double runCpu) {
        wall += runWall;
        cpu += runCpu;
        bestWall = std::min(bestWall, runWall);
    }
};

// One run of the minimal client.
void runMinimal(PyFtpServer& server, Runs& runs, std::size_t& pages) {
    const double cpuStart = processCpuSeconds();
    const auto started = std::chrono::steady_clock::now();
    TIdFTP ftp;
    ftp.Connect(server.Host(), server.User(), server.Password());
    pages = 0;
    minimalWalk(ftp, "/site", pages);
    ftp.SendQuit();
    runs.add(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
             processCpuSeconds() - cpuStart);
}

// One whole retrieval with settings; its wall time and summary, the times added to runs.
std::pair<RetrievalSummary, double> timedWalk(const SiteSettings& settings, Runs& runs,
                                              std::size_t* pagesFound = nullptr) {
    Tftp_module module;
    SilentObserver observer;
    const double cpuStart = processCpuSeconds();
    const auto started = std::chrono::steady_clock::now();
    const RetrievalSummary summary = RunRetrieval(module, settings, observer);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    runs.add(wall, processCpuSeconds() - cpuStart);
    if (pagesFound)
        *pagesFound = observer.filled;
    return {summary, wall};
}

} // namespace

// The whole retrieval (login, walk, QUIT) of 2,000 folders with 10 matching files each, on a
// real pyftpdlib server on loopback. The iteration time is the retrieval's wall time; the
// minimal client's wall time for the same commands is measured alongside for the ratio.
static void BM_Walk2000FoldersRealServer(benchmark::State& state) {
    PyFtpServer& server = siteServer();
    const SiteSettings settings = siteSettings(server, "off");

    Runs walk;
    Runs minimal;
    RetrievalSummary summary;
    std::size_t minimalPages = 0;
    bool minimalFirst = true;
    for (auto _ : state) {
        // Each run leaves thousands of data connections in TIME_WAIT, which slows the next
        // run's connects and the server's binds: the two take turns at going first.
        if (minimalFirst)
            runMinimal(server, minimal, minimalPages);
        std::size_t pages = 0;
        const auto [result, wall] = timedWalk(settings, walk, &pages);
        summary = result;
        state.SetIterationTime(wall);
        if (!minimalFirst)
            runMinimal(server, minimal, minimalPages);
        minimalFirst = !minimalFirst;
        if (pages != minimalPages)
            state.SkipWithError("the walk and the minimal client found different pages");
    }
    state.counters["folders"] = double(summary.folders);
    state.counters["rows"] = double(summary.rows);
    state.counters["commands"] = double(summary.commands);
    // Loopback on a shared machine varies from run to run: the best runs are compared.
    state.counters["walk_best_s"] = walk.bestWall;
    state.counters["minimal_best_s"] = minimal.bestWall;
    state.counters["walk_vs_minimal"] = walk.bestWall / minimal.bestWall;
    state.counters["client_cpu_%"] = 100.0 * walk.cpu / walk.wall;
    state.counters["minimal_cpu_%"] = 100.0 * minimal.cpu / minimal.wall;
    // These two depend on the client alone, not on the server's speed.
    state.counters["walk_cpu_vs_minimal"] = walk.cpu / minimal.cpu;
    state.counters["client_cpu_us_per_command"] =
        1e6 * walk.cpu / double(state.iterations()) / double(summary.commands);
}
BENCHMARK(BM_Walk2000FoldersRealServer)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(4);

// The same walk over TLS (every listing on a TLS data connection that resumes the control
// connection's session) against the walk in plain FTP, taking turns on two servers of the same
// site. The iteration time is the TLS walk's; the ratio compares the best runs.
static void BM_Walk2000FoldersTlsAgainstPlain(benchmark::State& state) {
    PyFtpServer& tlsServer = tlsSiteServer();
    PyFtpServer& plainServer = siteServer();
    const SiteSettings tls = siteSettings(tlsServer, "required");
    const SiteSettings plain = siteSettings(plainServer, "off");
    Runs tlsRuns;
    Runs plainRuns;
    RetrievalSummary summary;
    bool tlsFirst = true;
    for (auto _ : state) {
        if (!tlsFirst)
            timedWalk(plain, plainRuns);
        const auto [result, wall] = timedWalk(tls, tlsRuns);
        summary = result;
        state.SetIterationTime(wall);
        if (tlsFirst)
            timedWalk(plain, plainRuns);
        tlsFirst = !tlsFirst;
        if (summary.rows != std::size_t(kTopFolders * (kSubfolders + 1) * kFilesPerFolder))
            state.SkipWithError("the walk over TLS did not find every page");
    }
    state.counters["rows"] = double(summary.rows);
    state.counters["tls_best_s"] = tlsRuns.bestWall;
    state.counters["plain_best_s"] = plainRuns.bestWall;
    state.counters["tls_vs_plain"] = tlsRuns.bestWall / plainRuns.bestWall;
    state.counters["tls_cpu_%"] = 100.0 * tlsRuns.cpu / tlsRuns.wall;
    state.counters["plain_cpu_%"] = 100.0 * plainRuns.cpu / plainRuns.wall;
}
BENCHMARK(BM_Walk2000FoldersTlsAgainstPlain)
    ->Unit(benchmark::kSecond)
    ->UseManualTime()
    ->Iterations(3);

// The walk listing with MLSD against the same walk listing with LIST, taking turns on two
// servers of the same site, one of them without MLSD. The iteration time is the MLSD walk's;
// the ratios compare the best wall times and the client CPU of all runs.
static void BM_Walk2000FoldersMlsdAgainstList(benchmark::State& state) {
    const SiteSettings mlsd = siteSettings(siteServer(), "off");
    const SiteSettings list = siteSettings(listOnlySiteServer(), "off");
    Runs mlsdRuns;
    Runs listRuns;
    bool mlsdFirst = true;
    for (auto _ : state) {
        RetrievalSummary listed;
        if (!mlsdFirst)
            listed = timedWalk(list, listRuns).first;
        const auto [summary, wall] = timedWalk(mlsd, mlsdRuns);
        state.SetIterationTime(wall);
        if (mlsdFirst)
            listed = timedWalk(list, listRuns).first;
        mlsdFirst = !mlsdFirst;
        if (!summary.exactTimes || listed.exactTimes)
            state.SkipWithError("a walk did not list as its server offers");
        if (summary.rows != listed.rows ||
            summary.rows != std::size_t(kTopFolders * (kSubfolders + 1) * kFilesPerFolder))
            state.SkipWithError("the two walks did not find every page");
    }
    const double runs = double(state.iterations());
    state.counters["mlsd_best_s"] = mlsdRuns.bestWall;
    state.counters["list_best_s"] = listRuns.bestWall;
    state.counters["mlsd_vs_list"] = mlsdRuns.bestWall / listRuns.bestWall;
    state.counters["mlsd_cpu_s"] = mlsdRuns.cpu / runs;
    state.counters["list_cpu_s"] = listRuns.cpu / runs;
    state.counters["mlsd_cpu_%"] = 100.0 * mlsdRuns.cpu / mlsdRuns.wall;
    state.counters["list_cpu_%"] = 100.0 * listRuns.cpu / listRuns.wall;
    state.counters["mlsd_cpu_vs_list"] = mlsdRuns.cpu / listRuns.cpu;
}
BENCHMARK(BM_Walk2000FoldersMlsdAgainstList)
    ->Unit(benchmark::kSecond)
    ->UseManualTime()
    ->Iterations(4);

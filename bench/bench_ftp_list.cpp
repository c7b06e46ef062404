#include "ftp/ftp_client.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <fstream>

#include "support/py_ftp_server.h"

namespace {

double processCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

} // namespace

// LIST of a folder of 20,000 entries from a real server on loopback, and its parse. The
// server (Python) does most of the work; the figure that matters is the client's own share:
// its CPU time over the wall time.
static void BM_ListFolder20000FromRealServer(benchmark::State& state) {
    PyFtpServer server;
    const auto folder = server.Root() / "big";
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 20000; ++i)
        std::ofstream(folder / ("page-" + std::to_string(i) + ".html")) << i;

    TIdFTP ftp;
    ftp.Connect(server.Host(), server.User(), server.Password());
    ftp.ChangeFolder("/big");

    double cpu = 0;
    double wall = 0;
    std::size_t entries = 0;
    for (auto _ : state) {
        const double cpuStart = processCpuSeconds();
        const auto wallStart = std::chrono::steady_clock::now();
        ftp.ListFolder();
        entries = ftp.FolderListing().size();
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        cpu += processCpuSeconds() - cpuStart;
    }
    ftp.SendQuit();
    state.counters["entries"] = double(entries);
    state.counters["client_cpu_%"] = 100.0 * cpu / wall;
}
BENCHMARK(BM_ListFolder20000FromRealServer)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

#include "ftp/ftp_client.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <string>

#include "support/fake_ftp_server.h"
#include "support/py_ftp_server.h"

namespace {

double processCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The resident memory of this process now and at its peak, in bytes, from /proc/self/status.
std::size_t statusBytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ':', 0) == 0)
            return std::stoul(line.substr(field.size() + 1)) * 1024;
    }
    return 0;
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

// Peak memory of one LIST, received, split and parsed, over the size of the listing. The
// listings are the size a hostile or a very large server sends: 127 MiB of bare line ends,
// 2,097,152 one-byte lines (the most lines a listing may have) and 100 MiB of Unix lines. The
// figure that matters is peak_per_byte (the peak is reset before each LIST); the time is
// mostly the loopback transfer.
static void BM_ListingPeakMemory(benchmark::State& state) {
    std::string unit;
    std::size_t times = 0;
    switch (state.range(0)) {
    case 0:
        unit = std::string(1 << 20, '\n');
        times = 127;
        break;
    case 1:
        unit = std::string(1 << 20, 'x');
        for (std::size_t i = 1; i < unit.size(); i += 2)
            unit[i] = '\n';
        times = 4;
        break;
    default:
        for (int i = 0; unit.size() < (1 << 20); ++i)
            unit += "-rw-r--r--    1 webuser  webgroup   123456 Jan  5  2019 page-" +
                    std::to_string(100000 + i % 900000) + ".html\r\n";
        times = 100;
        break;
    }
    std::size_t entries = 0;
    double peak = 0;
    for (auto _ : state) {
        FakeFtpServer server(fake_ftp::WithLogin({fake_ftp::Pasv(),
                                                  {"LIST", {"150 OK"}},
                                                  fake_ftp::SendDataRepeated(unit, times),
                                                  {"", {"226 OK"}}}));
        TIdFTP ftp;
        ftp.Connect(server.Host(), "anna", "secret");
        std::ofstream("/proc/self/clear_refs") << "5"; // resets the peak to the present
        const std::size_t before = statusBytes("VmRSS");
        ftp.ListFolder();
        try {
            entries = ftp.FolderListing().size();
        } catch (const EIdUnreadableListing&) {
            entries = 0; // the one-byte lines: parsed all the same
        }
        peak = double(statusBytes("VmHWM") - before);
        ftp.Disconnect();
    }
    const double bytes = double(unit.size() * times);
    state.counters["listing_MiB"] = bytes / (1 << 20);
    state.counters["entries"] = double(entries);
    state.counters["peak_MiB"] = peak / (1 << 20);
    state.counters["peak_per_byte"] = peak / bytes;
}
BENCHMARK(BM_ListingPeakMemory)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

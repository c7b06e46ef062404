#include "settings/SiteSettings.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

namespace fs = std::filesystem;

// Saving and loading both settings files with typical values: what confirming the settings
// dialog and the next start cost. Runs in a temporary folder.
static void BM_SettingsSaveLoad(benchmark::State& state) {
    std::string pattern = (fs::temp_directory_path() / "sw_bench_settings_XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        state.SkipWithError("cannot create a temporary folder");
        return;
    }
    const fs::path folder = pattern;
    SiteSettings settings;
    settings.web_url = "https://www.example.jp/shop";
    settings.hostname = "ftp.example.jp";
    settings.username = "example-user";
    settings.password = "a fairly long pass phrase";
    settings.site_root = "/public_html";
    for (auto _ : state) {
        SaveSettings(folder, settings);
        SiteSettings loaded;
        LoadSettings(folder, loaded);
        benchmark::DoNotOptimize(loaded);
    }
    fs::remove_all(folder);
}
BENCHMARK(BM_SettingsSaveLoad)->Unit(benchmark::kMicrosecond);

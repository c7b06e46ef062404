#include "settings/SiteSettings.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

namespace fs = std::filesystem;

// Saving and loading both settings files with typical values: what confirming the settings
// dialog and the next start cost. Runs in a temporary folder.
static void BM_SettingsSaveLoad(benchmark::State& state) {
    const QTemporaryDir temporary;
    if (!temporary.isValid()) {
        state.SkipWithError("cannot create a temporary folder");
        return;
    }
    const fs::path folder = temporary.path().toStdString();
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
}
BENCHMARK(BM_SettingsSaveLoad)->Unit(benchmark::kMicrosecond);

#include "sitemap/sitemap_writer.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include <QTemporaryDir>

namespace {

std::vector<std::string> makeRows(int count) {
    std::vector<std::string> rows;
    rows.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i)
        rows.push_back("https://www.example.jp/section" + std::to_string(i / 100) + "/;page" +
                       std::to_string(i) + ".html;2026-03-01T10:20:30+09:00;weekly;0.5;");
    return rows;
}

} // namespace

// 50,000 rows (the protocol's limit for one file) into the document and onto disk.
static void BM_SitemapWrite50k(benchmark::State& state) {
    const auto rows = makeRows(50000);
    const QTemporaryDir temporary;
    if (!temporary.isValid()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::filesystem::path folder = temporary.path().toStdString();
    for (auto _ : state) {
        SitemapBuilder builder;
        for (const auto& row : rows)
            benchmark::DoNotOptimize(builder.AddRow(row));
        WriteSitemap(folder, builder.Finish());
    }
}
BENCHMARK(BM_SitemapWrite50k)->Unit(benchmark::kMillisecond);

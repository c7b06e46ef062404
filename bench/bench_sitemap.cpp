#include "sitemap/sitemap_writer.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include <sys/resource.h>

namespace {

std::string pageRow(int i) {
    return "https://www.example.jp/section" + std::to_string(i / 100) + "/;page" +
           std::to_string(i) + ".html;2026-03-01T10:20:30+09:00;weekly;0.5;";
}

// The process's peak resident size so far.
long peakResidentKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::vector<std::string> makeRows(int count) {
    std::vector<std::string> rows;
    rows.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i)
        rows.push_back(pageRow(i));
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

// 1,000,000 checked rows written as parts of 50,000 URLs and their index, plain (0) or gzip
// (1). The rows are made one at a time, so the peak resident size is the writer's own (one part
// and its file) over what the process held before.
static void BM_SitemapParts1M(benchmark::State& state) {
    const QTemporaryDir temporary;
    if (!temporary.isValid()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    SitemapFilesOptions options;
    options.gzipParts = state.range(0) != 0;
    options.siteUrl = "https://www.example.jp";
    const long before = peakResidentKiB();
    std::size_t parts = 0;
    for (auto _ : state) {
        SitemapFilesWriter writer(temporary.path().toStdString(), options);
        for (int i = 0; i < 1000000; ++i)
            writer.AddRow(pageRow(i));
        parts = writer.Finish().parts;
    }
    state.counters["parts"] = double(parts);
    state.counters["peak_MiB"] = double(peakResidentKiB()) / 1024;
    state.counters["peak_growth_MiB"] = double(peakResidentKiB() - before) / 1024;
}
BENCHMARK(BM_SitemapParts1M)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

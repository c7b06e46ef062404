#include "core/str_conf.h"

#include <benchmark/benchmark.h>

// Field 5 of a typical 120-byte row: the priority, read when a row is drawn or written.
static void BM_StrFieldPriority(benchmark::State& state) {
    const std::string row =
        "https://www.example.jp/products/catalogue/2026-27/;spring-collection-indexes.html;"
        "2026-03-01T10:20:30+09:00;weekly;0.5;";
    for (auto _ : state)
        benchmark::DoNotOptimize(str_field(row, ";", 5));
    state.SetLabel(std::to_string(row.size()) + " bytes");
}
BENCHMARK(BM_StrFieldPriority);

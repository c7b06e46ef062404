#include "mylib/BF2B64Text.h"

#include <benchmark/benchmark.h>

namespace {

// A 40-byte settings value, enciphered as every settings line is: one key schedule per call.
const std::string kValue = "/home/users/web/public_html/site-root/ja";
const std::int64_t kIv = 0x0123456789ABCDEF;

} // namespace

static void BM_EncryptText(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(EncryptText("QZV", kValue, kIv));
    state.SetLabel(std::to_string(kValue.size()) + " bytes");
}
BENCHMARK(BM_EncryptText);

static void BM_DecryptText(benchmark::State& state) {
    const std::string stored = EncryptText("QZV", kValue, kIv);
    for (auto _ : state)
        benchmark::DoNotOptimize(DecryptText("QZV", stored, kIv));
    state.SetLabel(std::to_string(kValue.size()) + " bytes");
}
BENCHMARK(BM_DecryptText);

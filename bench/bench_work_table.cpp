#include <malloc.h>

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QListView>
#include <QTemporaryDir>

#include "app/window/Usite_wright.h"
#include "app/widgets/application.h"
#include "app/url_entry.h"
#include "app/jobs/work_table.h"

namespace {

// The widgets need an application; the benchmarks draw offscreen unless told otherwise.
void ensureApplication() {
    static int argc = 1;
    static char name[] = "sitewright_bench";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    InitializeApplication();
}

// Rows as a walk of a large site gathers them: unsorted, about 110 bytes each.
std::vector<std::string> walkedRows(int count) {
    std::vector<std::string> rows;
    rows.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const int n = (i * 7919) % count;
        rows.push_back(BuildUrlEntry({"https://www.example.jp/section" + std::to_string(n % 97) +
                                          "/sub" + std::to_string(n % 13) + "/",
                                      "page-" + std::to_string(n) + ".html",
                                      "2006-12-01T10:20:30+09:00", "weekly", "0.5"}));
    }
    return rows;
}

} // namespace

// The end of a retrieval with 100,000 rows: sorted fill, every row checked, both counters.
static void BM_FillAfterRetrieval(benchmark::State& state) {
    ensureApplication();
    QTemporaryDir folder;
    TFsite_wright window(folder.path().toStdString());
    const std::vector<std::string> rows = walkedRows(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> copy = rows;
        state.ResumeTiming();
        window.FillAfterRetrieval(std::move(copy));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FillAfterRetrieval)->Arg(100000)->Unit(benchmark::kMillisecond);

// One paint of the visible rows of a window at its designed size.
static void BM_PaintOneScreen(benchmark::State& state) {
    ensureApplication();
    QTemporaryDir folder;
    TFsite_wright window(folder.path().toStdString());
    window.FillAfterRetrieval(walkedRows(100000));
    window.show();
    QWidget* viewport = window.findChild<QListView*>(QStringLiteral("data_list"))->viewport();
    QImage image(viewport->size(), QImage::Format_RGB32);
    for (auto _ : state)
        viewport->render(&image);
    state.SetLabel(std::to_string(viewport->height() / 47 + 1) + " rows visible");
}
BENCHMARK(BM_PaintOneScreen)->Unit(benchmark::kMillisecond);

// Heap bytes the table holds per row beyond the row text itself: the string object, the
// allocator's share of the text block and the check flag.
static void BM_TableMemoryPerRow(benchmark::State& state) {
    const int count = int(state.range(0));
    for (auto _ : state) {
        const std::size_t before = mallinfo2().uordblks;
        WorkTable table;
        table.fill(walkedRows(count));
        table.setAllChecked(true);
        const std::size_t after = mallinfo2().uordblks;
        std::size_t textBytes = 0;
        for (int i = 0; i < table.count(); ++i)
            textBytes += table.rowText(i).size();
        state.counters["text_bytes_per_row"] = double(textBytes) / count;
        state.counters["bytes_per_row_beyond_text"] =
            (double(after) - double(before) - double(textBytes)) / count;
    }
}
BENCHMARK(BM_TableMemoryPerRow)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

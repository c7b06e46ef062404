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
#include "core/url_entry.h"
#include "jobs/work_table.h"
#include "memory/site_memory.h"

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

namespace {

// A site memory that knows every page of rows, with a choice for every tenth.
void rememberRows(SiteMemory& memory, const std::vector<std::string>& rows) {
    std::vector<std::string> copy = rows;
    memory.Apply(copy, true);
    std::vector<PageChoice> choices;
    for (std::size_t i = 0; i < rows.size(); i += 10) {
        PageChoice choice = ChoiceOfRow(rows[i], i % 20 != 0, {"weekly", "0.5"});
        if (i % 20 != 0)
            choice.priority = "0.8";
        choices.push_back(std::move(choice));
    }
    memory.Record(choices);
}

} // namespace

// What the site memory adds to the end of a retrieval: 100,000 rows, 10,000 remembered choices.
static void BM_MemoryApply(benchmark::State& state) {
    ensureApplication();
    QTemporaryDir folder;
    const std::vector<std::string> rows = walkedRows(int(state.range(0)));
    SiteMemory memory(folder.path().toStdString(), "https://www.example.jp", {});
    rememberRows(memory, rows);
    std::size_t applied = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> copy = rows;
        state.ResumeTiming();
        const AppliedMemory result = memory.Apply(copy, true);
        applied = result.unticked + result.edited;
        benchmark::DoNotOptimize(copy.data());
    }
    state.counters["choices"] = double(applied);
}
BENCHMARK(BM_MemoryApply)->Arg(100000)->Unit(benchmark::kMillisecond);

// Select all, then select none, of 100,000 rows: every row's choice built and kept in one
// transaction, as the window records them.
static void BM_MemoryRecordSelectAll(benchmark::State& state) {
    ensureApplication();
    QTemporaryDir folder;
    const std::vector<std::string> rows = walkedRows(int(state.range(0)));
    SiteMemory memory(folder.path().toStdString(), "https://www.example.jp", {});
    rememberRows(memory, rows);
    bool checked = true;
    for (auto _ : state) {
        std::vector<PageChoice> changes;
        changes.reserve(rows.size());
        for (const std::string& row : rows)
            changes.push_back(ChoiceOfRow(row, checked, {"weekly", "0.5"}));
        memory.Record(changes);
        checked = !checked;
    }
}
BENCHMARK(BM_MemoryRecordSelectAll)->Arg(100000)->Unit(benchmark::kMillisecond);

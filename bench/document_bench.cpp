// The species document on a synthetic disc (MORVELIN_BENCH_DISC, made by `morvelin-disc synth`):
//   BM_PaintViewport/small   paints one viewport of a document of about 1,000 lines;
//   BM_PaintViewport/large   the same viewport size in the fully unfolded document (about 100,000
//                            lines or more): painting starts from its cached first visible line, so
//                            the two should take the same time (bench/compare_document.sh checks the
//                            ratio, goal at most 1.2);
//   BM_UnfoldAll             unfolds every family and species of a freshly built document;
//   BM_FindAllNames          a find from the top that matches nothing, so every name is compared;
//   BM_SearchKeystroke       one keystroke of the search as you type with the same text (goal: no
//                            slower than BM_FindAllNames, so typing never stutters);
//   BM_SearchIndex           building the search index of a window.
// Each reports its size in the counter "items": lines of the document, or species searched.
// Both documents show the same kind of content in their viewport: unfolded species with their texts
// and sound bars. Painting goes through the pane's paint event into an image, sound bars included.

#include "core/data/data_loader.h"
#include "core/display/species_search.h"
#include "ui/display/show_form.h"
#include "ui/display/show_strings.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "ui/foundation/program_resources.h"
#include "core/foundation/textfile_handler.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QStyle>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using namespace morvelin;

constexpr int viewport_width = 1000;
constexpr int viewport_height = 750;
constexpr int small_lines = 1000;

std::string disc_folder() {
    const char* folder = std::getenv("MORVELIN_BENCH_DISC");
    if (!folder || !*folder) {
        std::fprintf(stderr, "Set MORVELIN_BENCH_DISC to a disc folder (morvelin-disc synth OUT).\n");
        std::exit(2);
    }
    std::string f = folder;
    if (f.back() != '/') f += '/';
    return f;
}

SHST_TClassShowStringsData everything_shown() {
    SHST_TClassShowStringsData s = SHST_TClassShowStringsData::create_default(data_set());
    s.visible.only_with_sounds_or_photos = false;
    for (int i = 1; i <= static_cast<int>(data_set().audio_cd_count()); ++i) {
        s.visible.carriers.visible_cds.insert(i);
        s.visible.carriers.playable_cds.insert(i);
    }
    return s;
}

void unfold_everything(TShowStrings& doc, int line_limit) {
    for (TShowStringsLine* l = doc.head(); l && doc.line_count() < line_limit; l = l->next) {
        if (l->kind == line_kind::family_fold && !l->expanded())
            doc.toggle_fold(l, true, false, false);
        else if (l->kind == line_kind::species_fold && !l->expanded())
            doc.toggle_fold(l, true, false, false);
    }
}

struct Document {
    std::unique_ptr<TShowForm> form;
    QImage image{viewport_width, viewport_height, QImage::Format_RGB32};
    int scroll = 0;
};

// The data set and the two documents, made once.
struct World {
    World() {
        environment().settings_file_path.clear();
        determine_edition_from_code(60);
        install_language_texts(Ttextfile_handler(disc_folder() + "Morvelin.txt", false));
        install_data_set(load_data({disc_folder()}));
        settings = everything_shown();
        small = make(small_lines);
        large = make(1 << 30);
        std::fprintf(stderr, "documents: %d and %d lines\n", small.form->strings().line_count(),
                     large.form->strings().line_count());
    }
    Document make(int line_limit) {
        Document d;
        d.form = std::make_unique<TShowForm>();
        d.form->resize(viewport_width + d.form->style()->pixelMetric(QStyle::PM_ScrollBarExtent),
                       viewport_height);
        d.form->set_up(nullptr, TShowStringsViewState::initial(), &settings);
        unfold_everything(d.form->strings(), line_limit);
        d.form->update_scroll_range();
        // A viewport among unfolded species: the middle of the document.
        d.scroll = d.form->strings().total_height() / 2;
        d.form->set_scroll_position(d.scroll);
        return d;
    }
    SHST_TClassShowStringsData settings;
    Document small;
    Document large;
};

World& world() {
    static World w;
    return w;
}

void paint(Document& d) {
    d.form->viewport()->render(&d.image);
}

void BM_PaintViewport(benchmark::State& state) {
    Document& d = state.range(0) == 0 ? world().small : world().large;
    paint(d); // bars of the viewport made once, as on the first paint
    for (auto _ : state) {
        paint(d);
        benchmark::ClobberMemory();
    }
    state.counters["items"] = d.form->strings().line_count();
}

void BM_UnfoldAll(benchmark::State& state) {
    world();
    const SHST_TClassShowStringsData settings = everything_shown();
    int lines = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<TShowForm>();
        form->resize(viewport_width, viewport_height);
        form->set_up(nullptr, TShowStringsViewState::initial(), &settings);
        state.ResumeTiming();
        unfold_everything(form->strings(), 1 << 30);
        lines = form->strings().line_count();
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
    state.counters["items"] = lines;
}

void BM_FindAllNames(benchmark::State& state) {
    TShowStrings& doc = world().small.form->strings();
    for (auto _ : state)
        benchmark::DoNotOptimize(doc.find("no such name anywhere", true));
    state.counters["items"] = static_cast<double>(data_set().species_count());
}

// One keystroke of the search as you type, over the index the window keeps: the same text that
// matches nothing, so every name is compared as in the find above.
void BM_SearchKeystroke(benchmark::State& state) {
    const SHST_TClassShowStringsData& shown = world().small.form->strings().settings();
    const SpeciesSearchIndex index(data_set(), shown.systematic_order);
    for (auto _ : state)
        benchmark::DoNotOptimize(index.find("no such name anywhere", shown.visible, 60));
    state.counters["items"] = static_cast<double>(index.name_count());
}

// Building that index: once per window, and again when its systematic order changes.
void BM_SearchIndex(benchmark::State& state) {
    const int order = world().small.form->strings().settings().systematic_order;
    for (auto _ : state)
        benchmark::DoNotOptimize(SpeciesSearchIndex(data_set(), order));
    state.counters["items"] = static_cast<double>(data_set().species_count());
}

double least(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

BENCHMARK(BM_PaintViewport)
    ->ArgName("large")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", least);
BENCHMARK(BM_UnfoldAll)->Unit(benchmark::kMillisecond)->Iterations(3)->ComputeStatistics("min", least);
BENCHMARK(BM_FindAllNames)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", least);
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", least);
BENCHMARK(BM_SearchIndex)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", least);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    init_program_resources();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The documents go before the application.
    world().small.form.reset();
    world().large.form.reset();
    return 0;
}

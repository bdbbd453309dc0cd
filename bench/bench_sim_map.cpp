// The similarity map of a full query: 1,500 demo-corpus messages (those with two or more dictionary
// words, as a query keeps them) laid out, grouped, their groups named and the labels placed on a
// 700 x 450 canvas, as View > Similarity Map does it before its first paint.
//
//   build-bench/bench/bench_sim_map
//
// BM_sim_map_fresh_process times the first map of a run in a fresh process (this program started
// again as a child), where the WordNet database is opened and read first: the wait a user sees
// the first time. BM_sim_map_again times later maps of the same run.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstring>

#include "collection.h"
#include "corpus.h"
#include "globals.h"
#include "opengl.h"
#include "termvec.h"
#include "wordnet.h"

namespace {

constexpr int message_n = 1500;

QList<tweet> messages() {
    QList<tweet> out;
    for (const QString& text : bench::demo_texts()) {
        tweet t;
        t.content(text);
        if (t.term_n() >= 2) out.append(t);
        if (out.size() == message_n) break;
    }
    return out;
}

// The map's computation and the placing of its labels, in milliseconds.
double show_map(opengl& gl, int& groups, int& labels) {
    QElapsedTimer t;
    t.start();
    gl.show_sim_map(true);
    labels = int(gl.sim_labels().size());
    const double ms = double(t.nsecsElapsed()) / 1e6;
    groups = int(gl.similarity_map().clusters().size());
    gl.show_sim_map(false);
    gl.reset_sim_map();
    return ms;
}

// In the child: the first map of the run, and the number of groups and of labels placed.
int fresh_child() {
    opengl gl;
    gl.resize(700, 450);
    gl.tweets() = messages();
    int groups = 0, labels = 0;
    const double ms = show_map(gl, groups, labels);
    std::printf("%.4f %d %d\n", ms, groups, labels);
    return 0;
}

void BM_sim_map_fresh_process(benchmark::State& state) {
    std::vector<double> r;
    for (auto _ : state) {
        r = bench::run_child("--fresh-child");
        if (r.size() != 3) {
            state.SkipWithError("the child could not lay out the map");
            return;
        }
        state.SetIterationTime(r[0] / 1e3);
    }
    state.counters["groups"] = r[1];
    state.counters["labels"] = r[2];
}
BENCHMARK(BM_sim_map_fresh_process)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_sim_map_again(benchmark::State& state) {
    opengl gl;
    gl.resize(700, 450);
    gl.tweets() = messages();
    int groups = 0, labels = 0;
    show_map(gl, groups, labels); // the database and the base forms are loaded from here on
    for (auto _ : state)
        state.SetIterationTime(show_map(gl, groups, labels) / 1e3);
    state.counters["groups"] = groups;
    state.counters["labels"] = labels;
}
BENCHMARK(BM_sim_map_again)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // The canvas is not shown: the offscreen platform gives it fonts without a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The map fills the program's analysis singletons, as it does in the program.
    collect = new collection();
    tvec = new termvec();
    if (argc == 2 && std::strcmp(argv[1], "--fresh-child") == 0) return fresh_child();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

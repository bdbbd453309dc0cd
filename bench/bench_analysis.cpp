// Text analysis of one full query: the collection of 1,500 messages (tokenising, stop words,
// WordNet base forms, term index, TF-IDF) and the pairwise similarity matrix, on messages of the
// demo corpus. The argument is the number of corpus messages joined into one message: 1 gives
// the corpus as it is (about 50 characters a message), 2 about 100 characters (the length of
// real short messages), 3 longer messages with more distinct words.
//
//   build-bench/bench/bench_analysis
//
// The first analysis of a run is measured in a fresh process (this program started again as a
// child), so that the WordNet database and the base-form cache start empty. BM_sklearn_anchor
// times bench/compare_sklearn.py (scikit-learn's TfidfVectorizer and linear_kernel on the same
// texts) in the same run; it is skipped when /usr/bin/python3 has no scikit-learn.

#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include <cstdio>
#include <cstring>
#include <string>

#include "collection.h"
#include "corpus.h"
#include "doc_sim.h"
#include "globals.h"
#include "termvec.h"
#include "tweet.h"
#include "wordnet.h"

namespace {

constexpr int message_n = 1500;

QList<tweet> messages(int joined) {
    const QStringList texts = bench::demo_texts(qsizetype(message_n) * joined);
    QList<tweet> out(message_n);
    for (int i = 0; i < message_n; ++i) {
        QStringList parts;
        for (int k = 0; k < joined; ++k)
            parts.append(texts.value(i + k * message_n));
        out[i].content(parts.join(QLatin1Char(' ')));
    }
    return out;
}

void fresh_analysis() {
    delete collect;
    delete tvec;
    doc::ID_n = 0;
    tvec = new termvec();
    collect = new collection();
}

// In the child: one analysis, printing in milliseconds its three parts: the first use of the word
// normalisation (opening and loading the database), filling the collection, the matrix.
int first_analysis_child(int joined) {
    QList<tweet> tw = messages(joined);
    fresh_analysis();
    doc_sim s;
    QElapsedTimer t;
    t.start();
    stop_word(QStringLiteral("the"));
    const double load_ms = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    collect->add(tw);
    const double add_ms = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    s.comp_sim_matrix();
    const double sim_ms = double(t.nsecsElapsed()) / 1e6;
    std::printf("%.4f %.4f %.4f %d\n", load_ms, add_ms, sim_ms, tvec->size());
    return 0;
}

// In the child: the first use of the word normalisation, which opens and loads the database.
int wordnet_load_child() {
    QElapsedTimer t;
    t.start();
    const bool ok = stop_word(QStringLiteral("the"));
    std::printf("%.4f\n", double(t.nsecsElapsed()) / 1e6);
    return ok ? 0 : 1;
}

void BM_first_analysis_fresh_process(benchmark::State& state) {
    const std::string arg = "--first-analysis-child " + std::to_string(state.range(0));
    std::vector<double> r;
    for (auto _ : state) {
        r = bench::run_child(arg.c_str());
        if (r.size() != 4) {
            state.SkipWithError("the child analysis failed");
            return;
        }
        state.SetIterationTime((r[0] + r[1] + r[2]) / 1e3);
    }
    state.counters["load_ms"] = r[0];
    state.counters["add_ms"] = r[1];
    state.counters["sim_ms"] = r[2];
    state.counters["terms"] = r[3];
}
BENCHMARK(BM_first_analysis_fresh_process)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

void BM_wordnet_load_fresh_process(benchmark::State& state) {
    for (auto _ : state) {
        const std::vector<double> r = bench::run_child("--wordnet-load-child");
        if (r.size() != 1) {
            state.SkipWithError("the child could not open the WordNet database");
            return;
        }
        state.SetIterationTime(r[0] / 1e3);
    }
}
BENCHMARK(BM_wordnet_load_fresh_process)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Later analyses of the run, the base forms of the words cached.
void BM_analysis_cached(benchmark::State& state) {
    QList<tweet> tw = messages(int(state.range(0)));
    fresh_analysis();
    collect->add(tw); // fills the base-form cache
    double add_ms = 0, sim_ms = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fresh_analysis();
        doc_sim s;
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        benchmark::DoNotOptimize(collect->add(tw));
        add_ms = double(t.nsecsElapsed()) / 1e6;
        t.restart();
        benchmark::DoNotOptimize(s.comp_sim_matrix());
        sim_ms = double(t.nsecsElapsed()) / 1e6;
    }
    state.counters["add_ms"] = add_ms;
    state.counters["sim_ms"] = sim_ms;
}
BENCHMARK(BM_analysis_cached)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_comp_sim_matrix(benchmark::State& state) {
    QList<tweet> tw = messages(int(state.range(0)));
    fresh_analysis();
    collect->add(tw);
    doc_sim s;
    for (auto _ : state)
        benchmark::DoNotOptimize(s.comp_sim_matrix());
    state.counters["pairs"] = double(message_n) * (message_n - 1) / 2;
}
BENCHMARK(BM_comp_sim_matrix)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

// scikit-learn on the same texts, timed by the script itself (import and reading excluded).
void BM_sklearn_anchor(benchmark::State& state) {
    const std::string cmd = "/usr/bin/python3 " QUORVEL_SOURCE_DIR "/bench/compare_sklearn.py --joined " +
                            std::to_string(state.range(0)) + " 2>/dev/null";
    for (auto _ : state) {
        FILE* p = popen(cmd.c_str(), "r");
        double ms = -1;
        if (!p || std::fscanf(p, "%lf", &ms) != 1) ms = -1;
        while (p && std::fgetc(p) != EOF) { // the rest of the line, so the script can finish writing
        }
        if (p && pclose(p) != 0) ms = -1;
        if (ms < 0) {
            state.SkipWithError("no scikit-learn for /usr/bin/python3");
            return;
        }
        state.SetIterationTime(ms / 1e3);
    }
}
BENCHMARK(BM_sklearn_anchor)->Arg(1)->Arg(2)->Arg(3)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--first-analysis-child") == 0)
        return first_analysis_child(std::atoi(argv[2]));
    if (argc == 2 && std::strcmp(argv[1], "--wordnet-load-child") == 0) return wordnet_load_child();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

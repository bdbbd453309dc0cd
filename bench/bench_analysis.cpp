// Text analysis of one full query: the collection of 1,500 messages (tokenising, stop words,
// WordNet base forms, term index, TF-IDF) and the pairwise similarity matrix.

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QStringList>

#include <random>

#include "collection.h"
#include "doc_sim.h"
#include "globals.h"
#include "termvec.h"
#include "tweet.h"

namespace {

constexpr int message_n = 1500;

QString pick(std::mt19937& rng, const QStringList& l) {
    return l.at(int(rng() % l.size()));
}

// Short public messages about a few everyday topics: retweets, mentions, hashtags, short links,
// inflected words, shouting and emoticons, up to about 140 characters.
QList<tweet> messages() {
    const QStringList who{"I",      "We",       "My brother", "Everyone at work", "The kids",
                          "My mom", "Our team", "You",        "Nobody",           "People"};
    const QStringList verbs{"loved",       "hated",
                            "is watching", "keeps talking about",
                            "just bought", "missed",
                            "needs",       "can't stop playing",
                            "was cooking", "finally finished",
                            "is reading",  "cried over",
                            "laughed at",  "wants",
                            "shared",      "found"};
    const QStringList things{
        "the new phones",   "that movie",      "these games",         "the final match",
        "cheap flights",    "the coffee shop", "rainy mornings",      "the election news",
        "my sister's cats", "those puppies",   "the concert tickets", "a pizza",
        "the traffic jams", "school holidays", "our new apartment",   "the storm warnings",
        "the snow",         "his old guitars", "the stock markets",   "her birthday cakes"};
    const QStringList moods{
        "so happy",  "totally exhausted", "really angry", "kind of bored", "super excited",
        "a bit sad", "very relaxed",      "nervous",      "scared",        "in love"};
    const QStringList tails{"!!!", " :)", " :(",      " lol",    " #fail", " #win", " omg", "...",
                            " <3", "?!",  " #monday", " #music", " #news", " ugh",  " haha"};
    const QStringList tags{"#fb",     "#tgif", "#football", "#iphone",   "#weather",
                           "#travel", "#food", "#movies",   "#election", "#love"};
    const char alnum[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::mt19937 rng(20110915);
    auto code = [&](int n) {
        QString s;
        for (int k = 0; k < n; ++k)
            s += QLatin1Char(alnum[rng() % (sizeof alnum - 1)]);
        return s;
    };
    QList<tweet> out;
    for (int i = 0; i < message_n; ++i) {
        QString t;
        if (rng() % 4 == 0) t += QStringLiteral("RT @%1: ").arg(code(3 + int(rng() % 9)));
        t += pick(rng, who) + ' ' + pick(rng, verbs) + ' ' + pick(rng, things);
        if (rng() % 2) t += QStringLiteral(" and I'm ") + pick(rng, moods);
        if (rng() % 3 == 0) t += QStringLiteral(" with @") + code(4 + int(rng() % 8));
        t += pick(rng, tails);
        if (rng() % 3 == 0) t += ' ' + pick(rng, tags);
        if (rng() % 3 == 0) t += QStringLiteral(" http://t.co/") + code(8);
        if (rng() % 8 == 0) t = t.toUpper();
        tweet tw;
        tw.content(t.left(140));
        out.append(tw);
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

// The first analysis of the run, when every word still goes to WordNet. Runs once.
void BM_first_analysis(benchmark::State& state) {
    QList<tweet> tw = messages();
    double add_ms = 0, sim_ms = 0;
    for (auto _ : state) {
        fresh_analysis();
        doc_sim s;
        QElapsedTimer t;
        t.start();
        benchmark::DoNotOptimize(collect->add(tw));
        add_ms = t.nsecsElapsed() / 1e6;
        t.restart();
        benchmark::DoNotOptimize(s.comp_sim_matrix());
        sim_ms = t.nsecsElapsed() / 1e6;
    }
    state.counters["add_ms"] = add_ms;
    state.counters["sim_ms"] = sim_ms;
    state.counters["terms"] = tvec->size();
}
BENCHMARK(BM_first_analysis)->Iterations(1)->Unit(benchmark::kMillisecond);

// Later analyses, with the base forms of the words cached.
void BM_collection_add(benchmark::State& state) {
    QList<tweet> tw = messages();
    for (auto _ : state) {
        state.PauseTiming();
        fresh_analysis();
        state.ResumeTiming();
        benchmark::DoNotOptimize(collect->add(tw));
    }
}
BENCHMARK(BM_collection_add)->Unit(benchmark::kMillisecond);

void BM_comp_sim_matrix(benchmark::State& state) {
    QList<tweet> tw = messages();
    fresh_analysis();
    collect->add(tw);
    doc_sim s;
    for (auto _ : state)
        benchmark::DoNotOptimize(s.comp_sim_matrix());
    state.counters["pairs"] = double(message_n) * (message_n - 1) / 2;
}
BENCHMARK(BM_comp_sim_matrix)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

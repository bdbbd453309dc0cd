// Picking tweets under the pointer and building their tooltip, on a canvas that is never shown
// (the hit test needs the canvas size only, no GL context).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QRandomGenerator>

#include "opengl.h"

namespace {

constexpr int full_query = 1500;

// A full query's worth of tweets spread over the plane with the usual spread of disc sizes.
void fill(opengl& gl, int n) {
    QRandomGenerator rng(7);
    for (int i = 0; i < n; ++i) {
        tweet t;
        t.set_estimate(float(1 + 8 * rng.generateDouble()), float(1 + 8 * rng.generateDouble()),
                       float(0.5 + 3 * rng.generateDouble()), float(2 + 4 * rng.generateDouble()));
        gl.tweets().append(t);
    }
}

void BM_pick_full_query(benchmark::State& state) {
    opengl gl;
    gl.resize(700, 450);
    gl.update_zoom(int(state.range(0)));
    fill(gl, full_query);
    QRandomGenerator rng(11);
    QList<QPoint> at;
    for (int i = 0; i < 256; ++i)
        at << QPoint(rng.bounded(700), rng.bounded(450));
    qsizetype k = 0, found = 0;
    for (auto _ : state) {
        const QPoint& p = at[k++ % at.size()];
        gl.pick_tweet(p.x(), p.y());
        found += gl.picked().size();
    }
    state.counters["tweets/pick"] = double(found) / double(state.iterations());
}
BENCHMARK(BM_pick_full_query)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond);

void BM_tooltip_20_tweets(benchmark::State& state) {
    opengl gl;
    gl.resize(700, 450);
    const QString body = QStringLiteral(
        "So happy with my new house!!  Moving day was long and\n\ntiring but the garden is lovely "
        "and the kids love it #home http://t.co/abc%1 see you soon  :)");
    for (int i = 0; i < 20; ++i) {
        tweet t;
        t.content(body.arg(i));
        t.name(QStringLiteral("user_%1 (User %1)").arg(i));
        t.time(QStringLiteral("2011-09-15T18:04:05Z"));
        t.set_estimate(5.0f, 5.0f, 1.0f, 4.0f);
        gl.tweets().append(t);
    }
    gl.pick_tweet(350, 225);
    if (gl.picked().size() != 20) state.SkipWithError("the stacked tweets were not all picked");
    for (auto _ : state)
        benchmark::DoNotOptimize(gl.pick_tip());
}
BENCHMARK(BM_tooltip_20_tweets)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    // The canvas is never shown, so the bench also runs without a display (the offscreen
    // platform then warns that it cannot host GL widgets, which does not matter here).
    if (!qEnvironmentVariableIsSet("DISPLAY") && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

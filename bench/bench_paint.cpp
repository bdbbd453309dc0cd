// One paint pass of the emotion plane with a full query's 1,500 tweets on a 700 x 450 canvas,
// at zoom 1 and zoom 10, finished on the GPU (glFinish) inside the timing.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench_paint

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QSlider>
#include <QSurfaceFormat>
#include <QTest>

#include "globals.h"
#include "opengl.h"
#include "opengl_win.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

opengl_win* window = nullptr;

void fill_tweets(opengl* gl, int n) {
    std::mt19937 rng(11);
    std::normal_distribution<float> valence(5.7f, 1.1f), arousal(5.1f, 0.8f), sd(2.1f, 0.55f), fq(4.6f, 1.1f);
    QList<tweet>& tw = gl->tweets();
    tw.clear();
    for (int i = 0; i < n; ++i) {
        tweet t;
        t.set_estimate(std::clamp(valence(rng), 1.0f, 9.0f), std::clamp(arousal(rng), 1.0f, 9.0f),
                       std::max(0.3f, sd(rng)), fq(rng));
        tw.append(t);
    }
    gl->set_query_text(QStringLiteral("coffee"));
}

void BM_paint_pass(benchmark::State& state) {
    opengl* gl = window->gl_ptr();
    const int zoom = int(state.range(0));
    window->zoom_slider()->setValue(zoom);
    // The middle of the plane, where most tweets lie.
    const float f = (1.0f - 1.0f / float(zoom)) / 2;
    window->set_sbar(f, f);
    fill_tweets(gl, 1500);
    for (auto _ : state) {
        gl->updateGL();
        gl->makeCurrent();
        gl->context()->functions()->glFinish();
        gl->doneCurrent();
    }
    state.counters["tweets"] = double(gl->tweets().size());
}
BENCHMARK(BM_paint_pass)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char* argv[]) {
    opengl::set_surface_format();
    QApplication app(argc, argv);

    window = new opengl_win();
    win = window;
    window->gl_ptr()->setFixedSize(700, 450);
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) {
        std::fprintf(stderr, "bench_paint: no window (run under xvfb-run)\n");
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete window;
    win = nullptr;
    return 0;
}

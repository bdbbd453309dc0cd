// One paint pass of the emotion plane with a full query's 1,500 tweets on a 700 x 450 canvas,
// at zoom 1 and zoom 10, finished on the GPU (glFinish) inside the timing, against the plain way
// of drawing the same frame: one GLU disc after another over the same plane. The tweets lie as a
// query spreads them, or all at one point, the worst case for the batched drawing. BM_paint_map
// paints the similarity map of 1,500 demo-corpus messages, discs and group labels.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build-bench/bench/bench_paint

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QSlider>
#include <QSurfaceFormat>
#include <QTest>

#include "colour.h"
#include "corpus.h"
#include "globals.h"
#include "opengl.h"
#include "opengl_win.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

opengl_win* window = nullptr;

// A full query's 1,500 tweets: 0 spread as real queries spread them, about the plane's middle;
// 1 all at one point (5, 5), the worst case for the batched drawing. Both with the usual spread of
// sizes and spreads.
QList<tweet> tweets(int set) {
    std::mt19937 rng(set ? 12 : 11);
    std::normal_distribution<float> valence(5.7f, 1.1f), arousal(5.1f, 0.8f), sd(2.1f, 0.55f), fq(4.6f, 1.1f);
    QList<tweet> tw;
    for (int i = 0; i < 1500; ++i) {
        tweet t;
        const float v = set ? 5.0f : std::clamp(valence(rng), 1.0f, 9.0f);
        const float a = set ? 5.0f : std::clamp(arousal(rng), 1.0f, 9.0f);
        t.set_estimate(v, a, std::max(0.3f, sd(rng)), fq(rng));
        tw.append(t);
    }
    return tw;
}

// The middle of the plane, where most tweets lie.
void centre(int zoom) {
    window->zoom_slider()->setValue(zoom);
    const float f = (1.0f - 1.0f / float(zoom)) / 2;
    window->set_sbar(f, f);
}

// Arguments: zoom, tweet set.
void BM_paint(benchmark::State& state) {
    opengl* gl = window->gl_ptr();
    centre(int(state.range(0)));
    gl->tweets() = tweets(int(state.range(1)));
    gl->set_query_text(QStringLiteral("coffee"));
    for (auto _ : state) {
        gl->updateGL();
        gl->makeCurrent();
        gl->context()->functions()->glFinish();
        gl->doneCurrent();
    }
}
BENCHMARK(BM_paint)->ArgsProduct({{1, 10}, {0, 1}})->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same frame drawn the plain way: the plane without tweets, then every tweet in turn as a
// filled GLU disc and its outline.
void BM_paint_glu_one_at_a_time(benchmark::State& state) {
    opengl* gl = window->gl_ptr();
    const int z = int(state.range(0));
    centre(z);
    gl->tweets().clear();
    gl->set_query_text(QStringLiteral("coffee"));
    const QList<tweet> tw = tweets(int(state.range(1)));
    const int W = gl->width(), H = gl->height();
    const float sx = W < H ? float(H) / W : 1.0f, sy = W < H ? 1.0f : float(W) / H;
    for (auto _ : state) {
        gl->updateGL();
        gl->makeCurrent();
        const qreal dpr = gl->devicePixelRatioF();
        glViewport(0, 0, int(W * dpr), int(H * dpr));
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluOrtho2D(0.5, 0.5 + 9.0 / z, 0.5, 0.5 + 9.0 / z);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(gl->translation(0), gl->translation(1), 0);
        gl->context()->functions()->glBindBuffer(GL_ARRAY_BUFFER, 0);
        gl->context()->functions()->glUseProgram(0);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_LINE_SMOOTH);
        GLUquadric* q = gluNewQuadric();
        for (const tweet& t : tw) {
            float r = 0, cr = 0, cg = 0, cb = 0;
            gl->pix_2_WC_w(gl->radius_px(t.fq()), r);
            get_colour((t.m(AROUSAL) - 1) / 8 * 0.5f + 0.4f, t.m(VALENCE) < 5 ? 0.75f : 0.55f, cr, cg, cb);
            const float al = 1 - std::clamp((t.overall_sdev() - 1.5f) / 2, 0.0f, 1.0f);
            glPushMatrix();
            glTranslatef(t.m(VALENCE), t.m(AROUSAL), 0);
            glScalef(sx, sy, 1);
            glColor4f(cr, cg, cb, al);
            gluQuadricDrawStyle(q, GLU_FILL);
            gluDisk(q, 0, r, 5 * z + 10, 1);
            glColor4f(cr, cg, cb, 1);
            gluQuadricDrawStyle(q, GLU_SILHOUETTE);
            gluDisk(q, r, r, 5 * z + 10, 1);
            glPopMatrix();
        }
        gluDeleteQuadric(q);
        glDisable(GL_LINE_SMOOTH);
        glFinish();
        gl->doneCurrent();
    }
}
BENCHMARK(BM_paint_glu_one_at_a_time)
    ->ArgsProduct({{1, 10}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

// Argument: zoom. The map of the first 1,500 demo-corpus messages with two dictionary words.
void BM_paint_map(benchmark::State& state) {
    opengl* gl = window->gl_ptr();
    centre(int(state.range(0)));
    QList<tweet> tw;
    for (const QString& text : bench::demo_texts()) {
        tweet t;
        t.content(text);
        if (t.term_n() >= 2 && tw.size() < 1500) tw.append(t);
    }
    gl->reset_sim_map();
    gl->tweets() = tw;
    gl->set_query_text(QStringLiteral("demo"));
    gl->show_sim_map(true);
    for (auto _ : state) {
        gl->updateGL();
        gl->makeCurrent();
        gl->context()->functions()->glFinish();
        gl->doneCurrent();
    }
    state.counters["labels"] = double(gl->sim_labels().size());
    gl->show_sim_map(false);
}
BENCHMARK(BM_paint_map)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->MinTime(2.0);

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

// Opening a file of messages in the program (what File > Open Messages does once the file and the
// keywords are chosen), every message wanted: the demo corpus (4,800 messages, 1 MB) and a
// generated 100 MB file of its messages repeated with new texts and times. Each run is a fresh
// process, so that its memory figures are its own. Reported per run:
//   first_disc_ms  from the start until a frame with discs on it is on screen
//   total_ms       until the load returns (all kept tweets drawn)
//   base_rss_mb    resident memory before the load; peak_rss_mb its peak during the load
//   frames         frames drawn during the load (a timer asks for one every 50 ms)
//   max_gap_ms     the longest the event loop went without running that timer
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build-bench/bench/bench_open --benchmark_repetitions=3

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <string>

#include "corpus.h"
#include "globals.h"
#include "opengl.h"
#include "opengl_win.h"

namespace {

const QString big_file = QDir::temp().filePath(QStringLiteral("quorvel-bench-100mb.jsonl"));
const QString demo_file = QStringLiteral(QUORVEL_SOURCE_DIR "/data/demo_corpus.jsonl");

// The demo corpus again and again, each copy's texts numbered and its times a week later.
void make_big_file() {
    if (QFileInfo(big_file).size() >= (qint64(100) << 20)) return;
    QFile in(demo_file), out(big_file);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) return;
    QList<QJsonObject> objs;
    while (!in.atEnd())
        objs.append(QJsonDocument::fromJson(in.readLine()).object());
    for (int copy = 0; out.size() < (qint64(100) << 20); ++copy)
        for (QJsonObject o : objs) {
            const QDateTime t = QDateTime::fromString(o.value("published").toString(), Qt::ISODate);
            o["text"] = o.value("text").toString() + QStringLiteral(" #%1").arg(QString::number(copy));
            o["published"] = t.addDays(7 * copy).toString(Qt::ISODate);
            out.write(QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n');
        }
}

double rss_mb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(std::strlen(key))).trimmed().split(' ')[0].toDouble() / 1024;
    return 0;
}

// The child: opens the file and prints the figures.
int child(const char* path) {
    int argc = 1;
    char name[] = "bench_open";
    char* argv[] = {name, nullptr};
    opengl::set_surface_format();
    QApplication app(argc, argv);
    auto* mw = new opengl_win();
    win = mw;
    mw->show();
    if (!QTest::qWaitForWindowExposed(mw)) return 1;
    opengl* gl = mw->gl_ptr();

    QFile reset(QStringLiteral("/proc/self/clear_refs")); // the peak counts from here
    if (reset.open(QIODevice::WriteOnly)) reset.write("5");
    reset.close();
    const double base = rss_mb("VmRSS:");

    QElapsedTimer clock;
    double first_disc = -1, max_gap = 0, last_tick = 0;
    int frames = 0;
    QObject::connect(gl, &QOpenGLWidget::frameSwapped, [&] {
        ++frames;
        if (first_disc < 0 && !gl->tweets().isEmpty()) first_disc = double(clock.nsecsElapsed()) / 1e6;
    });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const double now = double(clock.nsecsElapsed()) / 1e6;
        max_gap = std::max(max_gap, now - last_tick);
        last_tick = now;
        gl->update();
    });
    clock.start();
    tick.start(50);
    gl->load_file(QString::fromLocal8Bit(path), QString());
    const double total = double(clock.nsecsElapsed()) / 1e6;
    tick.stop();
    std::printf("%f %f %f %f %d %f %d\n", first_disc, total, base, rss_mb("VmHWM:"), frames, max_gap,
                int(gl->tweets().size()));
    delete mw;
    return 0;
}

void BM_open(benchmark::State& state) {
    const bool big = state.range(0) == 1;
    if (big) make_big_file();
    const std::string arg = "--child '" + (big ? big_file : demo_file).toStdString() + "'";
    for (auto _ : state) {
        const std::vector<double> r = bench::run_child(arg.c_str());
        if (r.size() != 7) {
            state.SkipWithError("the child run failed");
            return;
        }
        state.SetIterationTime(r[1] / 1000);
        state.counters["first_disc_ms"] = r[0];
        state.counters["total_ms"] = r[1];
        state.counters["base_rss_mb"] = r[2];
        state.counters["peak_rss_mb"] = r[3];
        state.counters["frames"] = r[4];
        state.counters["max_gap_ms"] = r[5];
        state.counters["tweets"] = r[6];
        state.counters["file_mb"] = double(QFileInfo(big ? big_file : demo_file).size()) / (1 << 20);
    }
}
BENCHMARK(BM_open)->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return child(argv[2]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

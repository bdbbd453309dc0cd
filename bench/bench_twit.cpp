// The search client: reading and estimating one 100-entry feed page, cleaning a long message,
// and a whole 15-page query against the bundled feed server on the loopback interface.
// The whole query needs a display for its progress dialog: run under xvfb-run.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QUrlQuery>

#include "feed.h"
#include "twit.h"

namespace {

const feed::corpus& demo() {
    static const feed::corpus c = [] {
        QFile f(QStringLiteral(QUORVEL_SOURCE_DIR "/data/demo_corpus.jsonl"));
        f.open(QIODevice::ReadOnly);
        QList<feed::line_error> errors;
        QString fatal;
        return feed::corpus(feed::parse_corpus(f.readAll(), feed::format::jsonl, errors, fatal));
    }();
    return c;
}

QByteArray page(const QString& q) {
    QUrlQuery query(QStringLiteral("lang=en&rpp=100&result_type=recent&page=1"));
    query.addQueryItem(QStringLiteral("q"), q);
    return feed::search_page(demo(), query).body;
}

void BM_parse_page(benchmark::State& state) {
    const QByteArray text = page(QStringLiteral("coffee"));
    QList<tweet> db;
    {
        twit warm; // the lexicon and stemmer are set up on first use
        warm.parse_page(text, &db);
    }
    for (auto _ : state) {
        state.PauseTiming();
        db.clear();
        auto* tw = new twit(); // a new query: nothing seen yet
        state.ResumeTiming();
        tw->parse_page(text, &db);
        benchmark::DoNotOptimize(db.size());
        state.PauseTiming();
        delete tw;
        state.ResumeTiming();
    }
    state.counters["kept"] = double(db.size());
}
BENCHMARK(BM_parse_page)->Unit(benchmark::kMillisecond);

void BM_strip_body(benchmark::State& state) {
    const QString unbroken = QStringLiteral("w.x/").repeated(int(state.range(0)) / 4);
    const QString spaced = QStringLiteral("a http://x.example/p ").repeated(int(state.range(0)) / 21);
    const QString& s = state.range(1) ? spaced : unbroken;
    twit tw;
    QString out;
    for (auto _ : state) {
        tw.strip_body(s, out);
        benchmark::DoNotOptimize(out.size());
    }
}
BENCHMARK(BM_strip_body)
    ->Args({20000, 0})
    ->Args({20000, 1})
    ->Args({1 << 20, 1})
    ->Unit(benchmark::kMicrosecond);

void BM_whole_query(benchmark::State& state) {
    QProcess srv;
    srv.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/quorvel-feed"),
              {QStringLiteral("--port"), QStringLiteral("0")});
    QString base;
    while (base.isEmpty() && srv.waitForReadyRead(10000)) {
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("(http://\\S+\\?)"))
                                              .match(QString::fromUtf8(srv.readAllStandardOutput()));
        if (m.hasMatch()) base = m.captured(1);
    }
    if (base.isEmpty()) {
        state.SkipWithError("quorvel-feed did not start");
        return;
    }
    const QString q = QString::fromLatin1(state.range(0) ? "coffee" : "love");
    QList<tweet> db;
    for (auto _ : state) {
        db.clear();
        twit tw;
        tw.set_base(base);
        tw.get(q, 15, db);
        benchmark::DoNotOptimize(db.size());
    }
    state.counters["tweets"] = double(db.size());
    srv.kill();
    srv.waitForFinished();
}
BENCHMARK(BM_whole_query)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

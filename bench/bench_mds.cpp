// Projection and clustering at the size of one full query (1,500 messages): landmark MDS,
// FastMap with its progress dialog, classical MDS, and spanning-tree grouping with the FastMap
// layout of every group.

#include <benchmark/benchmark.h>

#include <QApplication>

#include <random>

#include "mds.h"
#include "mst.h"

namespace {

using Eigen::MatrixXf;

// Euclidean distances of n random points in five dimensions.
MatrixXf euclidean(int n) {
    std::mt19937 rng(1500);
    std::normal_distribution<float> g;
    MatrixXf X(n, 5);
    for (int i = 0; i < X.size(); ++i)
        X.data()[i] = g(rng);
    MatrixXf D(n, n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            D(i, j) = (X.row(i) - X.row(j)).norm();
    return D;
}

// 1 - cosine of messages about 300 topics in 200 dimensions: most pairs far apart, a few near
// ones per topic, as the term-vector dissimilarities of a query's messages look.
MatrixXf topical(int n) {
    std::mt19937 rng(2011);
    std::normal_distribution<float> g;
    MatrixXf topic(300, 200);
    for (int i = 0; i < topic.size(); ++i)
        topic.data()[i] = g(rng);
    MatrixXf X(n, 200);
    for (int i = 0; i < n; ++i) {
        X.row(i) = topic.row(int(rng() % 300));
        for (int c = 0; c < 200; ++c)
            X(i, c) += g(rng);
        X.row(i).normalize();
    }
    MatrixXf D = MatrixXf::Ones(n, n) - X * X.transpose();
    D.diagonal().setZero();
    return MatrixXf(D.selfadjointView<Eigen::Upper>());
}

void BM_LMDS(benchmark::State& state) {
    const MatrixXf D = euclidean(int(state.range(0)));
    MatrixXf P;
    for (auto _ : state)
        if (!mds().LMDS(int(state.range(1)), P, &D)) state.SkipWithError("LMDS failed");
}
BENCHMARK(BM_LMDS)->Args({1500, 100})->Unit(benchmark::kMillisecond);

void BM_fastmap(benchmark::State& state) {
    const MatrixXf D = euclidean(int(state.range(0)));
    const int k = int(state.range(1));
    MatrixXf P(D.rows(), k), pivot(2, k);
    for (auto _ : state) {
        int col = -1;
        if (!mds().fastmap(k, col, pivot, P, &D)) state.SkipWithError("FastMap failed");
    }
}
BENCHMARK(BM_fastmap)->Args({1500, 2})->Unit(benchmark::kMillisecond);

void BM_MDS(benchmark::State& state) {
    const MatrixXf D = euclidean(int(state.range(0))).array().square();
    Eigen::VectorXf val;
    MatrixXf vec, P;
    for (auto _ : state)
        if (!mds().MDS(val, vec, P, &D)) state.SkipWithError("MDS failed");
}
BENCHMARK(BM_MDS)->Arg(500)->Unit(benchmark::kMillisecond);

void BM_mst_build_segment(benchmark::State& state) {
    const MatrixXf D = topical(int(state.range(0)));
    for (auto _ : state) {
        mst t;
        t.build(D);
        t.segment();
        benchmark::DoNotOptimize(t.groups().size());
        state.counters["groups"] = double(t.groups().size());
        int laid = 0;
        for (const MatrixXf& p : t.layouts())
            laid += p.rows() > 0;
        state.counters["laid_out"] = laid;
    }
}
BENCHMARK(BM_mst_build_segment)->Arg(1500)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // FastMap's progress dialog is a plain widget: the offscreen platform hosts it without a
    // display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

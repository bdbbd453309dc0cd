#include <QApplication>
#include <QProgressDialog>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>

#include "mds.h"
#include "mst.h"

using Eigen::MatrixXf;
using Eigen::VectorXf;
Q_DECLARE_METATYPE(MatrixXf)
Q_DECLARE_METATYPE(VectorXf)

namespace {

const float nan_f = std::numeric_limits<float>::quiet_NaN();
const float inf_f = std::numeric_limits<float>::infinity();

QStringList logged;
void keep(QtMsgType, const QMessageLogContext&, const QString& m) {
    logged.append(m);
}

// Collects the debug output of its lifetime in logged.
struct capture {
    QtMessageHandler old;
    capture() : old(qInstallMessageHandler(keep)) { logged.clear(); }
    ~capture() { qInstallMessageHandler(old); }
};

// Euclidean distances between the rows of X.
MatrixXf dists(const MatrixXf& X) {
    MatrixXf d(X.rows(), X.rows());
    for (int i = 0; i < X.rows(); ++i)
        for (int j = 0; j < X.rows(); ++j)
            d(i, j) = (X.row(i) - X.row(j)).norm();
    return d;
}

// n random points of the unit square; on a line when flat.
MatrixXf points(int n, bool flat = false) {
    std::mt19937 rng(n);
    std::uniform_real_distribution<float> u(0, 1);
    MatrixXf X(n, 2);
    for (int i = 0; i < n; ++i)
        X(i, 0) = u(rng), X(i, 1) = flat ? 0.5f * X(i, 0) : u(rng);
    return X;
}

// An n x n zero matrix with the given entries.
MatrixXf with(int n, std::initializer_list<std::tuple<int, int, float>> set, float rest = 0) {
    MatrixXf d = MatrixXf::Constant(n, n, rest);
    d.diagonal().setZero();
    for (auto [i, j, v] : set)
        d(i, j) = v;
    return d;
}
MatrixXf sym(int n, std::initializer_list<std::tuple<int, int, float>> set, float rest = 0) {
    MatrixXf d = with(n, set, rest);
    for (auto [i, j, v] : set)
        d(j, i) = v;
    return d;
}

bool dialog_left() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QProgressDialog*>(w)) return true;
    return false;
}

} // namespace

// Dissimilarity checks, FastMap, classical and landmark MDS and spanning-tree clustering,
// against distances and layouts computed here.
class tst_projection : public QObject {
    Q_OBJECT

private slots:
    void checkDissim_data() {
        QTest::addColumn<MatrixXf>("D");
        QTest::addColumn<QString>("msg");
        const QString at = QStringLiteral("mds::check_dissim(), %1 @ %2");
        QTest::addRow("valid") << dists(points(70)) << QString();
        QTest::addRow("3 x 2") << MatrixXf(MatrixXf::Zero(3, 2))
                               << "mds::check_dissim(), matrix is not square";
        QTest::addRow("diagonal") << with(3, {{1, 1, 1}}) << at.arg("non-zero diagonal", "1,1");
        QTest::addRow("NaN diagonal") << with(3, {{2, 2, nan_f}}) << at.arg("non-zero diagonal", "2,2");
        QTest::addRow("pair differs") << with(3, {{0, 2, 1}, {2, 0, 2}}) << at.arg("non-symmetric", "0,2");
        QTest::addRow("NaN pair") << sym(3, {{1, 2, nan_f}}) << at.arg("non-symmetric", "1,2");
        QTest::addRow("infinite pair") << sym(3, {{0, 1, inf_f}}) << at.arg("non-finite value", "0,1");
        QTest::addRow("first in row order")
            << with(70, {{3, 4, 1}, {1, 68, 1}}) << at.arg("non-symmetric", "1,68");
        QTest::addRow("diagonal first")
            << with(70, {{0, 1, 1}, {69, 69, 1}}) << at.arg("non-zero diagonal", "69,69");
    }
    void checkDissim() {
        QFETCH(MatrixXf, D);
        QFETCH(QString, msg);
        capture c;
        QCOMPARE(mds().check_dissim(&D), int(msg.isEmpty()));
        QCOMPARE(logged, msg.isEmpty() ? QStringList() : QStringList{msg});
    }

    void distance_data() {
        QTest::addColumn<VectorXf>("a");
        QTest::addColumn<VectorXf>("b");
        QTest::addColumn<float>("dist"); // -1: failure
        QTest::addRow("3-4-5") << VectorXf(VectorXf::Zero(2)) << VectorXf(VectorXf::LinSpaced(2, 3, 4))
                               << 5.0f;
        QTest::addRow("same") << VectorXf(VectorXf::Ones(3)) << VectorXf(VectorXf::Ones(3)) << 0.0f;
        QTest::addRow("3 and 4") << VectorXf(VectorXf::Ones(3)) << VectorXf(VectorXf::Ones(4)) << -1.0f;
    }
    void distance() {
        QFETCH(VectorXf, a);
        QFETCH(VectorXf, b);
        QFETCH(float, dist);
        capture c;
        float d = 7, d2 = 7;
        QCOMPARE(mds().distance(&a, &b, d) + mds().distance_sqr(&a, &b, d2), dist < 0 ? 0 : 2);
        QCOMPARE(d, std::max(dist, 0.0f));
        QCOMPARE(d2, d * d);
        QCOMPARE(logged,
                 dist < 0 ? QStringList(2, "distance(), vectors are not the same length") : QStringList());
    }

    void fastmap_data() {
        QTest::addColumn<MatrixXf>("D");
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("from"); // col passed in
        QTest::addColumn<int>("to");   // col returned; from - 2: failure
        const MatrixXf line = sym(3, {{0, 1, 1}, {1, 2, 1}, {0, 2, 2}});
        QTest::addRow("on a line") << line << 1 << -1 << 0;
        QTest::addRow("on a line, k = 2") << line << 2 << 0 << 2; // the second level finds nothing left
        QTest::addRow("planar") << dists(points(40)) << 2 << -1 << 1;
        QTest::addRow("all zero") << MatrixXf(MatrixXf::Zero(4, 4)) << 3 << -1 << 0;
        QTest::addRow("k = 0") << line << 0 << -1 << -1;
        QTest::addRow("not square") << MatrixXf(MatrixXf::Zero(3, 2)) << 1 << -1 << -3;
        QTest::addRow("beyond float squares")
            << sym(3, {{0, 1, 1e20f}, {1, 2, 1e20f}, {0, 2, 2e20f}}) << 2 << -1 << -3;
    }
    void fastmap() {
        QFETCH(MatrixXf, D);
        QFETCH(int, k);
        QFETCH(int, from);
        QFETCH(int, to);
        const int cols = from + k + 2;
        MatrixXf P = MatrixXf::Constant(D.rows(), cols, 7), pivot = MatrixXf::Constant(2, cols, 7);
        int col = from;
        QCOMPARE(mds().fastmap(k, col, pivot, P, &D), int(to >= from));
        QVERIFY(!dialog_left());
        if (to < from) return;
        QCOMPARE(col, to);
        for (int c = 0; c < cols; ++c)
            QCOMPARE((P.col(c).array() == 7).all(), c <= from || c > to);
        if (to > from) QVERIFY((dists(P.middleCols(from + 1, to - from)) - D).cwiseAbs().maxCoeff() <= 1e-4f);
        // Each axis starts at its first pivot.
        for (int c = from + 1; c <= to; ++c)
            QCOMPARE(P(int(pivot(0, c)), c), 0.0f);
    }

    void MDS_data() {
        QTest::addColumn<MatrixXf>("X");
        QTest::addColumn<int>("rank");
        QTest::addRow("planar") << points(9) << 2;
        QTest::addRow("on a line") << points(5, true) << 1;
        QTest::addRow("two items") << points(2) << 1;
        QTest::addRow("one item") << points(1) << 0;
    }
    void MDS() {
        QFETCH(MatrixXf, X);
        QFETCH(int, rank);
        const MatrixXf D = dists(X).array().square();
        VectorXf val;
        MatrixXf vec, P;
        QCOMPARE(mds().MDS(val, vec, P, &D), int(X.rows() > 1));
        if (X.rows() < 2) return;
        QVERIFY((dists(P) - dists(X)).cwiseAbs().maxCoeff() <= 1e-4f);
        QVERIFY(val(0) > 0 && val(1) <= val(0) && (val(1) > 0) == (rank == 2));
        QVERIFY((P - vec * val.asDiagonal()).cwiseAbs().maxCoeff() <= 1e-6f);
        QVERIFY((vec.colwise().norm().array() - 1).abs().maxCoeff() <= 1e-5f);
    }

    void selectLandmark_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("m");
        QTest::addRow("m = n") << 6 << 6;
        QTest::addRow("m < n") << 50 << 7;
        QTest::addRow("none") << 3 << 0;
        QTest::addRow("m = n + 1") << 6 << 7;
    }
    void selectLandmark() {
        QFETCH(int, n);
        QFETCH(int, m);
        const MatrixXf D = dists(points(n));
        // The first m distinct items drawn from the C library's random().
        srandom(11);
        QList<int> want;
        while (m <= n && want.size() < m) {
            const int e = int(double(n) * double(random()) / 2147483648.0);
            if (!want.contains(e)) want.append(e);
        }
        std::sort(want.begin(), want.end());
        srandom(11);
        QList<int> got{-1};
        MatrixXf L;
        capture c;
        QCOMPARE(mds().select_landmark(m, got, L, &D), int(m <= n));
        QCOMPARE(logged,
                 m <= n ? QStringList() : QStringList{"select_landmark(), too many landmarks requested"});
        if (m > n) return;
        QCOMPARE(got, want);
        for (int i = 0; i < m; ++i)
            for (int j = 0; j < m; ++j)
                QCOMPARE(L(i, j), D(want[i], want[j]) * D(want[i], want[j]));
    }

    void LMDS_data() {
        QTest::addColumn<MatrixXf>("X");
        QTest::addColumn<int>("m");
        QTest::addRow("m = n") << points(8) << 8;
        QTest::addRow("m < n") << points(60) << 5;
        QTest::addRow("on a line") << points(12, true) << 3;
        QTest::addRow("one landmark") << points(5) << 1;
        QTest::addRow("m > n") << points(5) << 6;
    }
    void LMDS() {
        QFETCH(MatrixXf, X);
        QFETCH(int, m);
        const MatrixXf D = dists(X);
        MatrixXf P;
        QCOMPARE(mds().LMDS(m, P, &D), int(m >= 2 && m <= X.rows()));
        if (m < 2 || m > X.rows()) return;
        QVERIFY((dists(P) - D).cwiseAbs().maxCoeff() <= 1e-4f);
        if (m < X.rows()) return;
        // With every item a landmark it is classical MDS of the squared matrix, up to each
        // axis's sign.
        const MatrixXf D2 = D.array().square();
        VectorXf val;
        MatrixXf vec, M;
        QVERIFY(mds().MDS(val, vec, M, &D2));
        for (int k = 0; k < 2; ++k)
            QVERIFY(std::min((P.col(k) - M.col(k)).norm(), (P.col(k) + M.col(k)).norm()) <= 1e-5f);
    }

    void segment_data() {
        QTest::addColumn<MatrixXf>("D");
        QTest::addColumn<QList<QList<int>>>("groups"); // each ascending, ordered by first member
        QTest::addRow("chain through 1")
            << sym(3, {{0, 1, 0.5f}, {1, 2, 0.6f}, {0, 2, 0.9f}}) << QList<QList<int>>{{0, 1, 2}};
        QTest::addRow("exactly 0.7") << sym(2, {{0, 1, 0.7f}}) << QList<QList<int>>{{0}, {1}};
        QTest::addRow("all 0.8") << sym(3, {}, 0.8f) << QList<QList<int>>{{0}, {1}, {2}};
        // {2, 3} then {0, 1} then {4, 5}; 1-2 empties the first group into the second, then 3-4
        // joins the last.
        QTest::addRow("merges")
            << sym(7, {{2, 3, 0.1f}, {0, 1, 0.2f}, {4, 5, 0.25f}, {1, 2, 0.3f}, {3, 4, 0.35f}}, 0.9f)
            << QList<QList<int>>{{0, 1, 2, 3, 4, 5}, {6}};
        QTest::addRow("1 x 1 keeps groups") << MatrixXf(MatrixXf::Zero(1, 1)) << QList<QList<int>>{{0, 1}};
    }
    void segment() {
        QFETCH(MatrixXf, D);
        QFETCH(QList<QList<int>>, groups);
        mst t;
        QCOMPARE(t.doc_cluster(0), -1);
        t.build(sym(2, {{0, 1, 0.1f}}));
        t.segment();
        t.build(D);
        t.segment();
        QList<QList<int>> got;
        for (int g = 0; g < t.groups().size(); ++g) {
            got.append(t.members(g));
            for (int d : t.members(g))
                QCOMPARE(t.doc_cluster(d), g);
            // Each group of two or more has a layout of its own dissimilarities.
            const MatrixXf& P = t.layouts().at(g);
            QCOMPARE(P.rows(), got.last().size() > 1 ? got.last().size() : 0);
            if (D.rows() == 3 && P.rows() == 3) QVERIFY((dists(P) - D).cwiseAbs().maxCoeff() <= 1e-4f);
        }
        std::sort(got.begin(), got.end());
        QCOMPARE(got, groups);
        QCOMPARE(t.doc_cluster(int(D.rows()) + 1), -1);
        QVERIFY(!dialog_left());
    }

    // Groups of two or more, their messages quoted and escaped.
    void report() {
        QList<tweet> tw(4);
        const QStringList text{"plain", "say \"hi\"", "two\nlines", "alone"};
        for (int i = 0; i < 4; ++i)
            tw[i].content(text[i]);
        mst t;
        t.build(sym(4, {{0, 1, 0.1f}, {1, 2, 0.2f}}, 0.9f));
        t.segment();
        capture c;
        t.report(tw);
        QCOMPARE(logged.value(0), QStringLiteral("3"));
        QStringList rest = logged.mid(1);
        rest.sort();
        QCOMPARE(rest, QStringList({"0 : \"plain\"", "1 : \"say \\\"hi\\\"\"", "2 : \"two\\nlines\""}));

        t.build(sym(3, {}, 0.8f));
        t.segment();
        logged.clear();
        t.report(tw);
        QCOMPARE(logged, QStringList());
    }
};

QTEST_MAIN(tst_projection)
#include "tst_projection.moc"

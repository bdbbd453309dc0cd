#include <QApplication>
#include <QProgressDialog>
#include <QTest>

#include <cstdlib>
#include <limits>
#include <random>

#include "analysis_fixture.h"
#include "mds.h"
#include "mst.h"
#include "sim_map.h"

using Eigen::MatrixXf;
Q_DECLARE_METATYPE(MatrixXf)

namespace {

// Euclidean distances between the rows of X.
MatrixXf dists(const MatrixXf& X) {
    MatrixXf d(X.rows(), X.rows());
    for (int i = 0; i < X.rows(); ++i)
        for (int j = 0; j < X.rows(); ++j)
            d(i, j) = (X.row(i) - X.row(j)).norm();
    return d;
}

// n random points of the unit square, or of a line through it.
MatrixXf points(int n, bool line = false) {
    std::mt19937 rng(n);
    std::uniform_real_distribution<float> u(0, 1);
    MatrixXf X(n, 2);
    for (int i = 0; i < n; ++i)
        X(i, 0) = u(rng), X(i, 1) = line ? 0.5f * X(i, 0) : u(rng);
    return X;
}

// An n x n matrix: rest off the diagonal, 0 on it, then the given entries (mirrored when sym).
MatrixXf with(int n, std::initializer_list<std::tuple<int, int, float>> set, float rest = 0,
              bool sym = true) {
    MatrixXf d = MatrixXf::Constant(n, n, rest);
    d.diagonal().setZero();
    for (auto [i, j, v] : set)
        d(i, j) = v, d(j, i) = sym ? v : d(j, i);
    return d;
}

// Average linkage the plain way: merge the closest two groups while they are closer than join.
QList<QList<int>> merged_plainly(const MatrixXf& D, float join) {
    QList<QList<int>> g;
    for (int i = 0; i < D.rows(); ++i)
        g.append(QList<int>{i});
    for (;;) {
        int ba = -1, bb = -1;
        double best = join;
        for (int a = 0; a < g.size(); ++a)
            for (int b = a + 1; b < g.size(); ++b) {
                double s = 0;
                for (int i : g[a])
                    for (int j : g[b])
                        s += D(i, j);
                if ((s /= double(g[a].size() * g[b].size())) < best) best = s, ba = a, bb = b;
            }
        if (ba < 0) break;
        g[ba] += g.takeAt(bb);
    }
    for (QList<int>& m : g)
        std::sort(m.begin(), m.end());
    std::sort(g.begin(), g.end());
    return g;
}

bool dialog_left() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QProgressDialog*>(w)) return true;
    return false;
}

} // namespace

// FastMap, classical and landmark MDS and spanning-tree groups, against distances, groups and
// reports computed here.
class tst_projection : public QObject {
    Q_OBJECT

private slots:
    // Each rejected input fails with one diagnostic line and leaves no progress dialog.
    void rejects_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<MatrixXf>("D");
        QTest::addColumn<QString>("msg");
        const QString c = QStringLiteral("mds::check_dissim(), %1 @ %2");
        const float nan = std::numeric_limits<float>::quiet_NaN();
        QTest::addRow("valid") << "check" << dists(points(70)) << QString();
        QTest::addRow("3 x 2") << "fastmap" << MatrixXf(3, 2) << "mds::check_dissim(), matrix is not square";
        QTest::addRow("diagonal") << "check" << with(3, {{1, 1, 1}}) << c.arg("non-zero diagonal", "1,1");
        QTest::addRow("NaN diagonal")
            << "LMDS 2" << with(3, {{2, 2, nan}}) << c.arg("non-zero diagonal", "2,2");
        QTest::addRow("asymmetric") << "MDS" << with(3, {{0, 2, 1}}, 0, false)
                                    << c.arg("non-symmetric", "0,2");
        QTest::addRow("NaN pair") << "check" << with(3, {{1, 2, nan}}) << c.arg("non-symmetric", "1,2");
        QTest::addRow("infinite") << "check" << with(3, {{0, 1, 1 / 0.0f}})
                                  << c.arg("non-finite value", "0,1");
        QTest::addRow("first in row order")
            << "check" << with(70, {{3, 4, 1}, {1, 66, 1}, {1, 68, 1}}, 0, false)
            << c.arg("non-symmetric", "1,66");
        QTest::addRow("diagonal first")
            << "check" << with(70, {{0, 1, 1}, {69, 69, 1}}, 0, false) << c.arg("non-zero diagonal", "69,69");
        QTest::addRow("squares overflow")
            << "fastmap" << with(3, {}, 1e20f) << "mds::fastmap(), coordinates are not finite";
        QTest::addRow("m = n + 1") << "landmarks 4" << with(3, {})
                                   << "select_landmark(), too many landmarks requested";
        QTest::addRow("m < 0") << "landmarks -1" << with(3, {})
                               << "select_landmark(), negative landmark count";
        QTest::addRow("landmark squares overflow")
            << "LMDS 3" << with(3, {}, 1e20f) << c.arg("non-finite value", "0,1");
        QTest::addRow("one landmark")
            << "LMDS 1" << with(3, {}) << "LMDS(), at least two landmarks are needed";
        QTest::addRow("3 and 4 long")
            << "distance" << with(3, {}) << "distance(), vectors are not the same length";
        QTest::addRow("distance") << "distance" << dists(points(3)) << QString();
    }
    void rejects() {
        QFETCH(QString, op);
        QFETCH(MatrixXf, D);
        QFETCH(QString, msg);
        mds s;
        MatrixXf P = MatrixXf::Zero(D.rows(), 2), pivot(2, 2), L, vec;
        Eigen::VectorXf val;
        const int num = op.section(' ', 1).toInt();
        QList<int> marks;
        const Eigen::VectorXf a = D.col(0),
                              b = msg.isEmpty() ? Eigen::VectorXf(D.col(1)) : Eigen::VectorXf(D.rows() + 1);
        int col = -1, ok = -1;
        float d = 1;
        const QStringList logged = debug_lines([&] {
            if (op == "check") ok = s.check_dissim(&D);
            if (op == "fastmap") ok = s.fastmap(2, col, pivot, P, &D);
            if (op == "MDS") ok = s.MDS(val, vec, P, &D);
            if (op.startsWith("landmarks")) ok = s.select_landmark(num, marks, L, &D);
            if (op.startsWith("LMDS")) ok = s.LMDS(num, P, &D);
            if (op == "distance") ok = s.distance(&a, &b, d);
        });
        QCOMPARE(d, op == "distance" ? (ok ? (a - b).norm() : 0.0f) : 1.0f);
        QCOMPARE(ok, int(msg.isEmpty()));
        QCOMPARE(logged, msg.isEmpty() ? QStringList() : QStringList{msg});
        QVERIFY(!dialog_left());
    }

    // Layouts keep the distances of points in a plane. m: 0 FastMap (k = 2), 1 classical MDS of
    // the squared distances, else landmark MDS with m landmarks.
    void layout_data() {
        QTest::addColumn<MatrixXf>("X");
        QTest::addColumn<int>("m");
        MatrixXf three(3, 2), same = MatrixXf::Ones(4, 2);
        three << 0, 0, 1, 0, 2, 0;
        QTest::addRow("FastMap") << points(40) << 0;
        QTest::addRow("FastMap, three on a line") << three << 0;
        QTest::addRow("FastMap, all in one place") << same << 0;
        QTest::addRow("MDS") << points(9) << 1;
        QTest::addRow("MDS, on a line") << points(5, true) << 1;
        QTest::addRow("MDS, two items") << points(2) << 1;
        QTest::addRow("LMDS, m = n") << points(8) << 8;
        QTest::addRow("LMDS, m < n") << points(60) << 5;
        QTest::addRow("LMDS, on a line") << points(12, true) << 3;
    }
    void layout() {
        QFETCH(MatrixXf, X);
        QFETCH(int, m);
        const MatrixXf D = dists(X), D2 = D.array().square();
        mds s;
        Eigen::VectorXf val;
        MatrixXf P = MatrixXf::Constant(X.rows(), 3, 7), pivot(2, 3), vec, M;
        int col = -1;
        srandom(5);
        const int first_draw = int(X.rows() * (random() / 2147483648.0));
        srandom(5);
        if (m == 0) {
            QCOMPARE(s.fastmap(2, col, pivot, P, &D), 1);
            // With every item in one place the pivots are the lowest index and the random item.
            if (D.isZero()) QVERIFY(pivot.col(0) == Eigen::Vector2f(0, float(first_draw)));
            QVERIFY(!dialog_left());
            // Each axis starts at its first pivot (three on a line: 0, 1, 2 or 2, 1, 0); a
            // run that finds nothing left to project stops, leaving later columns alone.
            for (int c = 0; c < 3; ++c)
                QCOMPARE(c <= col ? P(int(pivot(0, c)), c) : P.col(c).minCoeff(), c <= col ? 0.0f : 7.0f);
            P.conservativeResize(X.rows(), col + 1);
        } else if (m == 1) {
            QCOMPARE(s.MDS(val, vec, P, &D2), 1);
            QVERIFY((P - vec * val.asDiagonal()).cwiseAbs().maxCoeff() <= 1e-6f && val(0) >= val(1));
        } else {
            QCOMPARE(s.LMDS(m, P, &D), 1);
            // With every item a landmark it is classical MDS, up to each axis's sign.
            if (m == X.rows() && s.MDS(val, vec, M, &D2))
                for (int k = 0; k < 2; ++k)
                    QVERIFY(std::min((P.col(k) - M.col(k)).norm(), (P.col(k) + M.col(k)).norm()) <= 1e-5f);
        }
        QVERIFY((dists(P) - D).cwiseAbs().maxCoeff() <= 1e-4f);
    }

    // The similarity map's groups: average linkage at 0.7, as the plain way finds them. On a line
    // of steps of 0.3 single linkage would make one group.
    void averageGroups_data() {
        QTest::addColumn<MatrixXf>("D");
        MatrixXf line(9, 9);
        for (int i = 0; i < 9; ++i)
            for (int j = 0; j < 9; ++j)
                line(i, j) = 0.3f * float(std::abs(i - j));
        QTest::addRow("line") << line;
        QTest::addRow("points") << MatrixXf(dists(points(60)) * 2.5f);
        QTest::addRow("all far") << with(5, {}, 0.9f);
        QTest::addRow("one item") << MatrixXf(MatrixXf::Zero(1, 1));
    }
    void averageGroups() {
        QFETCH(MatrixXf, D);
        MatrixXf work = D;
        const QList<int> head = sim_map::average_groups(work, sim_map::join);
        QMap<int, QList<int>> by_head;
        for (int i = 0; i < head.size(); ++i)
            by_head[head[i]].append(i);
        QList<QList<int>> got = by_head.values();
        std::sort(got.begin(), got.end());
        QCOMPARE(got, merged_plainly(D, sim_map::join));
    }

    // Groups (ascending, by first member), each group of two or more laid out from its own
    // dissimilarities and reported; the item -> group lookup agrees with the groups.
    void segment_data() {
        QTest::addColumn<MatrixXf>("D");
        QTest::addColumn<QList<QList<int>>>("groups");
        QTest::addRow("chain through 1")
            << with(3, {{0, 1, 0.5f}, {1, 2, 0.6f}, {0, 2, 0.9f}}) << QList<QList<int>>{{0, 1, 2}};
        QTest::addRow("exactly 0.7") << with(2, {{0, 1, 0.7f}}) << QList<QList<int>>{{0}, {1}};
        QTest::addRow("all 0.8") << with(3, {}, 0.8f) << QList<QList<int>>{{0}, {1}, {2}};
        // {2, 3}, {0, 1}, {4, 5}; 1-2 empties the first group into the second, 3-4 the last.
        QTest::addRow("merges")
            << with(7, {{2, 3, 0.1f}, {0, 1, 0.2f}, {4, 5, 0.25f}, {1, 2, 0.3f}, {3, 4, 0.35f}}, 0.9f)
            << QList<QList<int>>{{0, 1, 2, 3, 4, 5}, {6}};
        QTest::addRow("1 x 1 keeps the groups")
            << MatrixXf(MatrixXf::Zero(1, 1)) << QList<QList<int>>{{0, 1}};
    }
    void segment() {
        QFETCH(MatrixXf, D);
        QFETCH(QList<QList<int>>, groups);
        QList<tweet> tw(7);
        for (int i = 0; i < 7; ++i)
            tw[i].content(QStringLiteral("t%1\n\"").arg(QString::number(i)));
        mst t;
        QCOMPARE(t.doc_cluster(0), -1);
        t.build(with(2, {{0, 1, 0.1f}}));
        t.segment();
        t.build(D);
        t.segment();
        QList<QList<int>> got;
        QStringList want;
        for (int g = 0; g < t.groups().size(); ++g) {
            got.append(t.members(g));
            const MatrixXf& P = t.layouts().at(g);
            QCOMPARE(P.rows(), got.last().size() > 1 ? got.last().size() : 0);
            if (D.rows() == 3 && P.rows() == 3) QVERIFY((dists(P) - D).cwiseAbs().maxCoeff() <= 1e-4f);
            if (got.last().size() > 1) want << QString::number(got.last().size());
            for (int d : got.last()) {
                QCOMPARE(t.doc_cluster(d), g);
                if (got.last().size() > 1)
                    want << QStringLiteral("%1 : \"t%1\\n\\\"\"").arg(QString::number(d));
            }
        }
        std::sort(got.begin(), got.end());
        QCOMPARE(got, groups);
        QCOMPARE(t.doc_cluster(int(D.rows()) + 1), -1);
        QStringList logged = debug_lines([&] { t.report(tw); });
        logged.sort();
        want.sort();
        QCOMPARE(logged, want);
    }
};

QTEST_MAIN(tst_projection)
#include "tst_projection.moc"

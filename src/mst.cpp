#include "mst.h"

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <utility>

#include "mds.h"

using Eigen::MatrixXf;

void mst::build(MatrixXf dissim) {
    D = std::move(dissim);
    edge.clear();
    if (D.rows() != D.cols()) {
        qDebug() << "mst::build(), matrix is not square";
        return;
    }
    const int n = int(D.rows());
    edge.reserve(qsizetype(n) * (n - 1) / 2);
    for (int j = 1; j < n; ++j)
        for (int i = 0; i < j; ++i)
            edge.append({i, j, D(i, j)});
    // A sort cannot work with NaN, which compares false with everything: such pairs go last.
    const auto nan_from =
        std::partition(edge.begin(), edge.end(), [](const mst_edge& e) { return !std::isnan(e.dis); });
    std::sort(edge.begin(), nan_from);
}

void mst::segment() {
    if (edge.isEmpty()) return;
    constexpr float join = 0.7f;
    cluster.clear();
    group_of.fill(-1, D.rows());
    auto add = [this](int g, int d) {
        cluster[g].insert(d);
        group_of[d] = g;
    };
    auto append = [this](std::initializer_list<int> items) {
        cluster.append(QSet<int>(items));
        for (int d : items)
            group_of[d] = int(cluster.size()) - 1;
    };

    for (const mst_edge& e : std::as_const(edge)) {
        const int c0 = doc_cluster(e.d0), c1 = doc_cluster(e.d1);
        if (c0 >= 0 && c1 >= 0) {
            if (c0 == c1 || !(e.dis < join)) continue;
            for (int d : std::as_const(cluster[c1]))
                add(c0, d);
            cluster.removeAt(c1);
            for (int g = c1; g < cluster.size(); ++g)
                for (int d : std::as_const(cluster[g]))
                    group_of[d] = g;
        } else if (c0 >= 0) {
            if (e.dis < join)
                add(c0, e.d1);
            else
                append({e.d1});
        } else if (c1 >= 0) {
            if (e.dis < join)
                add(c1, e.d0);
            else
                append({e.d0});
        } else if (e.dis < join) {
            append({e.d0, e.d1});
        } else {
            append({e.d0});
            append({e.d1});
        }
    }
    project();
}

int mst::doc_cluster(int d) {
    return d >= 0 && d < group_of.size() ? group_of.at(d) : -1;
}

QList<int> mst::members(int g) const {
    if (g < 0 || g >= cluster.size()) return {};
    QList<int> m(cluster.at(g).begin(), cluster.at(g).end());
    std::sort(m.begin(), m.end());
    return m;
}

void mst::project() {
    cluster_P.clear();
    mds m;
    for (int g = 0; g < cluster.size(); ++g) {
        if (cluster.at(g).size() < 2) {
            cluster_P.append(MatrixXf());
            continue;
        }
        const QList<int> mem = members(g);
        const int k = int(mem.size());
        MatrixXf sub(k, k);
        for (int c = 0; c < k; ++c)
            for (int r = 0; r < k; ++r)
                sub(r, c) = D(mem[r], mem[c]);
        // Zeros where FastMap stops early because the group's items coincide.
        MatrixXf P = MatrixXf::Zero(k, 2);
        MatrixXf pivot(2, 2);
        int col = -1;
        if (!m.fastmap(2, col, pivot, P, &sub)) P.resize(0, 0);
        cluster_P.append(P);
    }
}

void mst::report(QList<tweet> tw_db) {
    for (const QSet<int>& s : std::as_const(cluster)) {
        if (s.size() < 2) continue;
        qDebug() << s.size();
        for (int d : s)
            qDebug() << d << ":" << (d >= 0 && d < tw_db.size() ? tw_db.at(d).content() : QString());
    }
}

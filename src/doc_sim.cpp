#include "doc_sim.h"

#include <QDebug>

#include <utility>

#include "collection.h"
#include "main.h"

bool doc_sim::comp_sim_matrix() {
    const collection* c = collect_ptr();
    n = c ? c->size() : 0;
    sim_list.resize(static_cast<qsizetype>(n) * (n - 1) / 2);
    float* out = sim_list.data();
    qsizetype pos = 0;
    for (int i = 0; i + 1 < n; ++i) {
        const doc* d_0 = c->document(i);
        for (int j = i + 1; j < n; ++j) {
            const doc* d_1 = c->document(j);
            Q_ASSERT(d_0 != nullptr && d_1 != nullptr);
            Q_ASSERT(pos < sim_list.size());
            out[pos++] = *d_0 * *d_1;
        }
    }
    return true;
}

float doc_sim::sim(int i, int j) const {
    if (i == j) return 1;
    if (i > j) std::swap(i, j);
    // Positions are those of the matrix as computed; a pair beyond it, or beyond a collection that
    // has shrunk since, would land on some other pair's value.
    const collection* c = collect_ptr();
    const int cur = c ? c->size() : 0;
    if (i < 0 || j >= n || j >= cur) return 0;
    const qsizetype pos =
        static_cast<qsizetype>(i) * n - static_cast<qsizetype>(i) * (i + 1) / 2 + (j - i - 1);
    return pos < sim_list.size() ? sim_list.at(pos) : 0.0f;
}

QDebug operator<<(QDebug dbg, const doc_sim& s) {
    QDebugStateSaver saver(dbg);
    dbg.nospace().noquote() << QStringLiteral("%1 documents").arg(QString::number(s.n)) << '\n';
    for (int i = 0; i + 1 < s.n; ++i) {
        QString line = QStringLiteral("%1: ").arg(QString::number(i), 2);
        for (int j = i + 1; j < s.n; ++j)
            line += QStringLiteral("%1,%2 ").arg(QString::number(j), QString::number(s.sim(i, j), 'g', 2));
        dbg << line << '\n';
    }
    return dbg;
}

#include "doc_sim.h"

#include <QDebug>

#include <algorithm>
#include <utility>
#include <vector>

#include "collection.h"
#include "doc.h"
#include "main.h"

namespace {

// A term that adds to similarities: one with a weight (a term every document has weighs 0).
bool weighted(const doc_term& t) {
    return t.TF_IDF != 0 && t.ID >= 0;
}

} // namespace

bool doc_sim::comp_sim_matrix() {
    const collection* c = collect_ptr();
    n = c ? c->size() : 0;
    pair_n = n < 2 ? 0 : static_cast<qsizetype>(n) * (n - 1) / 2;
    sim_list = page_buffer(static_cast<size_t>(pair_n) * sizeof(float));
    if (pair_n > 0 && !sim_list.data()) {
        qDebug().noquote() << QStringLiteral("doc_sim::comp_sim_matrix(), out of memory for %1 documents")
                                  .arg(QString::number(n));
        pair_n = 0; // every pair reads as 0
        return false;
    }
    if (pair_n == 0) return true;

    // Most pairs of short messages share no weighted term, so only pairs that do are visited:
    // each term's documents (its postings, in document order) are paired with one another. The
    // products for a pair are added in ascending term order, as the merge of doc::operator*
    // adds them, so every value comes out the same.
    int max_id = -1;
    for (int i = 0; i < n; ++i) {
        const doc* d = c->document(i);
        Q_ASSERT(d != nullptr);
        for (const doc_term& t : d->terms())
            max_id = std::max(max_id, t.ID);
    }
    std::vector<int> start(static_cast<size_t>(max_id) + 2, 0);
    for (int i = 0; i < n; ++i)
        for (const doc_term& t : c->document(i)->terms())
            if (weighted(t)) ++start[static_cast<size_t>(t.ID) + 1];
    for (size_t k = 1; k < start.size(); ++k)
        start[k] += start[k - 1];
    std::vector<int> post_doc(static_cast<size_t>(start.back()));
    std::vector<float> post_w(post_doc.size());
    std::vector<int> next(start.begin(), start.end() - 1);
    for (int i = 0; i < n; ++i)
        for (const doc_term& t : c->document(i)->terms())
            if (weighted(t)) {
                const int k = next[static_cast<size_t>(t.ID)]++;
                post_doc[static_cast<size_t>(k)] = i;
                post_w[static_cast<size_t>(k)] = t.TF_IDF;
            }

    // next[] now walks each term's postings again: while row i is filled, the term's next
    // posting is document i itself, and the later documents follow it.
    std::copy(start.begin(), start.end() - 1, next.begin());
    float* out = reinterpret_cast<float*>(sim_list.data());
    for (int i = 0; i + 1 < n; ++i) {
        // (i, j) lies at row + j
        const qsizetype row = static_cast<qsizetype>(i) * n - static_cast<qsizetype>(i) * (i + 1) / 2 - i - 1;
        for (const doc_term& t : c->document(i)->terms()) {
            if (!weighted(t)) continue;
            const size_t id = static_cast<size_t>(t.ID);
            const int end = start[id + 1];
            for (int k = ++next[id]; k < end; ++k) {
                const int j = post_doc[static_cast<size_t>(k)];
                Q_ASSERT(j > i && row + j < pair_n);
                if (j > i) out[row + j] += t.TF_IDF * post_w[static_cast<size_t>(k)];
            }
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
    return pos < pair_n ? reinterpret_cast<const float*>(sim_list.data())[pos] : 0.0f;
}

Eigen::MatrixXf doc_sim::dissim(const QList<int>& docs) const {
    const int m = int(docs.size());
    Eigen::MatrixXf D(m, m);
    // A fresh matrix of this size is written once, all of it: huge pages spare a page fault per
    // 4 KiB, as for the matrix itself.
    advise_huge(D.data(), size_t(D.size()) * sizeof(float));
    if (m < 2) {
        D.setZero();
        return D;
    }
    const float* v = reinterpret_cast<const float*>(sim_list.data());
    // Column a below the diagonal reads row docs[a] of the stored triangle in order; the upper
    // triangle is then copied over in tiles that stay in cache.
    for (int a = 0; a < m; ++a) {
        const int i = docs.at(a);
        // (i, j) lies at row[j]
        const float* row =
            v + (static_cast<qsizetype>(i) * n - static_cast<qsizetype>(i) * (i + 1) / 2 - i - 1);
        const int* later = docs.constData();
        float* col = D.col(a).data();
        col[a] = 0;
        for (int b = a + 1; b < m; ++b) {
            Q_ASSERT(later[b] > i && later[b] < n);
            // Rounding can leave the cosine of two equal vectors a hair above 1.
            col[b] = std::max(0.0f, 1.0f - row[later[b]]);
        }
    }
    constexpr int tile = 32;
    for (int jb = 0; jb < m; jb += tile)
        for (int ib = 0; ib <= jb; ib += tile)
            for (int j = jb; j < std::min(jb + tile, m); ++j)
                for (int i = ib; i < std::min(ib + tile, j); ++i)
                    D(i, j) = D(j, i);
    return D;
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

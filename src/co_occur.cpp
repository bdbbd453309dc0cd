#include "co_occur.h"

#include <QHash>
#include <QSet>

#include <algorithm>

#include "collection.h"
#include "main.h"
#include "termvec.h"

namespace {

// Term numbers the two documents share, by a merge of their sorted term lists.
QList<int> common_terms(const doc& a, const doc& b) {
    QList<int> out;
    const QList<doc_term>& x = a.terms();
    const QList<doc_term>& y = b.terms();
    qsizetype i = 0, j = 0;
    while (i < x.size() && j < y.size()) {
        if (x.at(i).ID == y.at(j).ID) {
            out.append(x.at(i).ID);
            ++i;
            ++j;
        } else if (x.at(i).ID < y.at(j).ID) {
            ++i;
        } else {
            ++j;
        }
    }
    return out;
}

} // namespace

bool co_occur::sen_ID_isect(const QList<int>* s_0, const QList<int>* s_1) {
    if (!s_0 || !s_1) return false;
    qsizetype i = 0, j = 0;
    while (i < s_0->size() && j < s_1->size()) {
        if (s_0->at(i) == s_1->at(j)) return true;
        if (s_0->at(i) > s_1->at(j))
            ++j;
        else
            ++i;
    }
    return false;
}

int co_occur::sen_ID_isect(const QList<int>* s_0, const QList<int>* s_1, QList<int>& isect) {
    if (s_0 && s_1) {
        qsizetype i = 0, j = 0;
        while (i < s_0->size() && j < s_1->size()) {
            if (s_0->at(i) == s_1->at(j)) {
                isect.append(s_0->at(i));
                ++i;
                ++j;
            } else if (s_0->at(i) > s_1->at(j)) {
                ++j;
            } else {
                ++i;
            }
        }
    }
    return isect.size();
}

qint64 co_occur::pair_key(int t_0, int t_1) {
    const qint32 hi = static_cast<qint32>(static_cast<quint32>(t_0) << 16);
    return static_cast<qint64>(hi | (t_1 & 0xffff));
}

float co_occur::wt(int d_0, int d_1) const {
    const collection* c = collect_ptr();
    termvec* tv = tvec_ptr();
    const doc* a = c ? c->document(d_0) : nullptr;
    const doc* b = c ? c->document(d_1) : nullptr;
    if (!a || !b || !tv) return 0;
    const QList<int> common = common_terms(*a, *b);
    int in_0 = 0, in_both = 0;
    for (qsizetype i = 0; i < common.size(); ++i)
        for (qsizetype j = i + 1; j < common.size(); ++j) {
            if (!sen_ID_isect(tv->term_sen_list(common.at(i), a->ID()),
                              tv->term_sen_list(common.at(j), a->ID())))
                continue;
            ++in_0;
            if (sen_ID_isect(tv->term_sen_list(common.at(i), b->ID()),
                             tv->term_sen_list(common.at(j), b->ID())))
                ++in_both;
        }
    Q_UNUSED(in_0);
    Q_UNUSED(in_both);
    return 0;
}

float co_occur::new_wt_rng(int d_0, int d_beg, int d_end) const {
    const collection* c = collect_ptr();
    termvec* tv = tvec_ptr();
    const doc* a = c ? c->document(d_0) : nullptr;
    if (!a || !tv) return 0;
    if (d_beg > d_end) std::swap(d_beg, d_end);
    // Only documents that exist are visited, however wide the range.
    d_beg = std::max(d_beg, 0);
    d_end = std::min(d_end, c->size() - 1);

    QHash<qint64, int> pairs_0; // pairs found sharing a sentence in d_0, kept across the range
    for (int d = d_beg; d <= d_end; ++d) {
        const doc* b = c->document(d);
        const QList<int> common = common_terms(*a, *b);
        QSet<qint64> in_0, in_d;
        for (qsizetype i = 0; i < common.size(); ++i)
            for (qsizetype j = i + 1; j < common.size(); ++j) {
                const int t_i = common.at(i), t_j = common.at(j);
                const qint64 key = pair_key(t_i, t_j);
                if (pairs_0.contains(key) ||
                    sen_ID_isect(tv->term_sen_list(t_i, a->ID()), tv->term_sen_list(t_j, a->ID()))) {
                    pairs_0.insert(key, 1);
                    in_0.insert(key);
                }
                if (sen_ID_isect(tv->term_sen_list(t_i, b->ID()), tv->term_sen_list(t_j, b->ID())))
                    in_d.insert(key);
            }
        const QSet<qint64> both = in_0.intersect(in_d);
        Q_UNUSED(both);
    }
    return 0;
}

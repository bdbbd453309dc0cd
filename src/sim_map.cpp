#include "sim_map.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>
#include <vector>

#include "collection.h"
#include "doc.h"
#include "doc_sim.h"
#include "globals.h"
#include "link_scan.h"
#include "mds.h"
#include "termvec.h"
#include "tweet.h"

using Eigen::MatrixXf;
using Eigen::RowVector2f;

namespace {

constexpr int landmarks = 100;
constexpr int label_terms = 3;
// Layout units, taking the widest extent of the landmark layout as 1: the radius of a group of
// one tweet once its members are gathered (a group of k has sqrt(k) times that), which is also
// the least gap between two groups.
constexpr float group_unit = 0.012f;
constexpr int separation_rounds = 100;
constexpr float fit_margin = 0.03f;
// Spacing of the term-less tweets in their corner.
constexpr float corner_step = 0.015f;

// The analysis reads the term index and the collection through the process-wide pointers. They
// are emptied for the new tweets, or stand in for the time of one computation where the
// program has none.
class fresh_analysis {
public:
    fresh_analysis() {
        if (!tvec)
            tvec = own_tvec = new termvec();
        else
            *tvec = termvec();
        if (!collect)
            collect = own_collect = new collection();
        else
            *collect = collection();
        // Documents are numbered, and counted for the IDF, from 0 again.
        doc::ID_n = 0;
    }
    ~fresh_analysis() {
        if (own_collect) {
            delete own_collect;
            collect = nullptr;
        }
        if (own_tvec) {
            delete own_tvec;
            tvec = nullptr;
        }
    }
    fresh_analysis(const fresh_analysis&) = delete;
    fresh_analysis& operator=(const fresh_analysis&) = delete;

private:
    termvec* own_tvec = nullptr;
    collection* own_collect = nullptr;
};

// The words of a message that say what it is about: without mentions of other users and without
// web addresses, whose pieces would otherwise make topics of their own.
QString topic_text(const QString& body) {
    QString out;
    out.reserve(body.size());
    const qsizetype n = body.size();
    for (qsizetype i = 0; i < n;) {
        qsizetype e = i;
        while (e < n && !body.at(e).isSpace())
            ++e;
        const QString word = body.mid(i, e - i);
        const bool address = word.contains(QLatin1String("://")) || word.startsWith(QLatin1String("www.")) ||
                             link_scan::strip_link_start(word) >= 0;
        if (!word.isEmpty() && !word.startsWith(QLatin1Char('@')) && !address) {
            out += word;
            out += QLatin1Char(' ');
        }
        i = e + 1;
    }
    return out;
}

bool weighted(const doc& d) {
    for (const doc_term& t : d.terms())
        if (t.TF_IDF != 0) return true;
    return false;
}

// Two coordinates per item: landmark MDS, or FastMap where that cannot run (fewer than three
// items, or no usable result).
MatrixXf place(const MatrixXf& D) {
    const int m = int(D.rows());
    MatrixXf X;
    mds s;
    if (m >= 3 && s.LMDS(std::min(m, landmarks), X, &D) && X.allFinite()) return X;
    X = MatrixXf::Zero(m, 2);
    if (m == 0) return X;
    MatrixXf pivot(2, 2);
    int col = -1;
    if (!s.fastmap(2, col, pivot, X, &D) || !X.allFinite()) X.setZero();
    return X;
}

// Two dimensions cannot keep dozens of topics apart that share no words: the landmark layout
// puts most of them on top of one another in its middle. So each group's members are gathered
// about the group's centre, and groups that then overlap are pushed apart, the smaller one
// further; tweets in no group keep their places.
void gather(MatrixXf& X, const QList<QList<int>>& groups) {
    const int G = int(groups.size());
    if (G == 0) return;
    const RowVector2f ext = X.colwise().maxCoeff() - X.colwise().minCoeff();
    const float unit = group_unit * std::max(ext(0), ext(1));
    if (!(unit > 0)) return;
    std::vector<RowVector2f> at(static_cast<size_t>(G));
    std::vector<float> radius(static_cast<size_t>(G));
    for (int g = 0; g < G; ++g) {
        const QList<int>& rows = groups[g];
        RowVector2f c = RowVector2f::Zero();
        for (int k : rows)
            c += X.row(k);
        c /= float(rows.size());
        const float r = unit * std::sqrt(float(rows.size()));
        float far = 0;
        for (int k : rows)
            far = std::max(far, (X.row(k) - c).norm());
        if (far > r)
            for (int k : rows)
                X.row(k) = c + (X.row(k) - c) * (r / far);
        at[size_t(g)] = c;
        radius[size_t(g)] = r;
    }
    const std::vector<RowVector2f> from = at;
    for (int round = 0; round < separation_rounds; ++round) {
        bool moved = false;
        for (int a = 0; a < G; ++a)
            for (int b = a + 1; b < G; ++b) {
                RowVector2f d = at[size_t(b)] - at[size_t(a)];
                float len = d.norm();
                const float need = radius[size_t(a)] + radius[size_t(b)] + unit;
                if (len >= need) continue;
                if (!(len > 0)) { // one on the other: any direction, but always the same
                    d = RowVector2f(std::cos(float(b)), std::sin(float(b)));
                    len = 1;
                }
                const float na = float(groups[a].size()), nb = float(groups[b].size());
                const RowVector2f push = d / len * (need - len);
                at[size_t(a)] -= push * (nb / (na + nb));
                at[size_t(b)] += push * (na / (na + nb));
                moved = true;
            }
        if (!moved) break;
    }
    for (int g = 0; g < G; ++g)
        for (int k : groups[g])
            X.row(k) += at[size_t(g)] - from[size_t(g)];
}

// Scales the rows uniformly into [0, 1]^2, keeping the aspect, centred, with a margin that keeps
// the discs at the edge whole; a layout without extent goes to the middle.
void fit(MatrixXf& X) {
    if (X.rows() == 0) return;
    const RowVector2f lo = X.colwise().minCoeff(), ext = X.colwise().maxCoeff() - lo;
    const float e = std::max(ext(0), ext(1));
    if (!(e > 0)) {
        X.setConstant(0.5f);
        return;
    }
    const RowVector2f off = (RowVector2f::Ones() - ext / e) / 2;
    for (int i = 0; i < X.rows(); ++i)
        X.row(i) = (((X.row(i) - lo) / e + off) * (1 - 2 * fit_margin)).array() + fit_margin;
    X = X.cwiseMax(0.0f).cwiseMin(1.0f);
}

} // namespace

QString sim_cluster::label() const {
    const QString what =
        terms.isEmpty() ? QStringLiteral("only common words") : terms.join(QStringLiteral(" · "));
    return QStringLiteral("%1 — %2 tweets · v %3 · a %4")
        .arg(what, QString::number(members.size()), QString::number(valence, 'f', 1),
             QString::number(arousal, 'f', 1));
}

QList<int> sim_map::average_groups(MatrixXf& D, float join) {
    const int m = int(D.rows());
    std::vector<int> size(static_cast<size_t>(m), 1);
    std::vector<char> open(static_cast<size_t>(m), 1);
    // Each group's members as a list: its first item, then next[] until -1.
    std::vector<int> next(static_cast<size_t>(m), -1), last(static_cast<size_t>(m));
    std::iota(last.begin(), last.end(), 0);
    std::vector<int> chain;
    int start = 0;
    for (;;) {
        if (chain.empty()) {
            while (start < m && !open[size_t(start)])
                ++start;
            if (start == m) break;
            chain.push_back(start);
        }
        const int a = chain.back();
        const int pred = chain.size() >= 2 ? chain[chain.size() - 2] : -1;
        // The chain's previous group wins a tie, so that the chain cannot run in circles.
        int b = pred;
        float best = pred >= 0 ? D(pred, a) : std::numeric_limits<float>::infinity();
        const float* col = D.col(a).data();
        for (int k = 0; k < m; ++k)
            if (col[k] < best && k != a && open[size_t(k)]) {
                best = col[k];
                b = k;
            }
        if (b < 0 || !(best < join)) {
            // Nothing is near enough, and merges elsewhere only move groups away from it.
            open[size_t(a)] = 0;
            chain.pop_back();
            continue;
        }
        if (b != pred) {
            chain.push_back(b);
            continue;
        }
        // Two groups nearest to each other: b joins a.
        chain.pop_back();
        chain.pop_back();
        const float na = float(size[size_t(a)]), nb = float(size[size_t(b)]);
        for (int k = 0; k < m; ++k)
            if (open[size_t(k)] && k != a && k != b) {
                const float d = (na * D(k, a) + nb * D(k, b)) / (na + nb);
                D(k, a) = d;
                D(a, k) = d;
            }
        size[size_t(a)] += size[size_t(b)];
        open[size_t(b)] = 0;
        next[size_t(last[size_t(a)])] = b;
        last[size_t(a)] = last[size_t(b)];
    }
    // A group is named by the head of its list, the one item that follows no other.
    QList<int> group(m, -1);
    std::vector<char> follows(static_cast<size_t>(m), 0);
    for (int k : next)
        if (k >= 0) follows[size_t(k)] = 1;
    for (int g = 0; g < m; ++g)
        if (!follows[size_t(g)])
            for (int k = g; k >= 0; k = next[size_t(k)])
                group[k] = g;
    return group;
}

void sim_map::clear() {
    P.resize(0, 0);
    groups.clear();
    termless = sim_cluster();
}

void sim_map::compute(const QList<tweet>& tw) {
    clear();
    const int n = int(tw.size());
    P = MatrixXf::Zero(n, 2);
    if (n == 0) return;

    fresh_analysis fresh;
    QStringList texts;
    texts.reserve(n);
    for (const tweet& t : tw)
        texts.append(topic_text(t.content()));
    collect->add(texts);
    doc_sim sims;
    sims.comp_sim_matrix();

    QList<int> placed; // the tweets with a weighted term, ascending; the rest go to the corner
    for (int i = 0; i < n; ++i)
        (weighted(*collect->document(i)) ? placed : termless.members).append(i);
    MatrixXf D = sims.dissim(placed);
    MatrixXf X = place(D);

    // Groups of three or more, as rows of D and X; the grouping overwrites D.
    const QList<int> head = average_groups(D, join);
    std::vector<int> size(static_cast<size_t>(head.size()), 0), slot(static_cast<size_t>(head.size()), -1);
    for (int h : head)
        ++size[size_t(h)];
    QList<QList<int>> rows;
    for (int k = 0; k < head.size(); ++k) {
        const int h = head[k];
        if (size[size_t(h)] < 3) continue;
        if (slot[size_t(h)] < 0) {
            slot[size_t(h)] = int(rows.size());
            rows.append(QList<int>());
        }
        rows[slot[size_t(h)]].append(k);
    }
    gather(X, rows);
    fit(X);
    for (int k = 0; k < placed.size(); ++k)
        P.row(placed[k]) = X.row(k);
    const int per_row = int(std::ceil(std::sqrt(double(termless.members.size()))));
    for (int k = 0; k < termless.members.size(); ++k)
        P.row(termless.members[k]) << corner_step * float(k % per_row), corner_step * float(k / per_row);

    for (const QList<int>& r : std::as_const(rows)) {
        sim_cluster c;
        for (int k : r)
            c.members.append(placed[k]);
        groups.append(c);
    }
    std::stable_sort(groups.begin(), groups.end(), [](const sim_cluster& a, const sim_cluster& b) {
        return a.members.size() > b.members.size();
    });

    // A group's words by their summed weight (stop words are no terms), its centre and feeling.
    std::vector<float> weight(static_cast<size_t>(tvec->size()), 0.0f);
    std::vector<int> used;
    auto describe = [&](sim_cluster& c) {
        if (c.members.isEmpty()) return;
        double v = 0, a = 0;
        int rated = 0;
        for (int i : std::as_const(c.members)) {
            c.x += P(i, 0);
            c.y += P(i, 1);
            const float tv = tw.at(i).m(VALENCE), ta = tw.at(i).m(AROUSAL);
            if (std::isfinite(tv) && std::isfinite(ta)) {
                v += tv;
                a += ta;
                ++rated;
            }
            for (const doc_term& t : collect->document(i)->terms()) {
                if (t.TF_IDF == 0) continue;
                if (weight[size_t(t.ID)] == 0) used.push_back(t.ID);
                weight[size_t(t.ID)] += t.TF_IDF;
            }
        }
        c.x /= float(c.members.size());
        c.y /= float(c.members.size());
        for (int i : std::as_const(c.members))
            c.spread = std::max(c.spread, float(std::hypot(P(i, 0) - c.x, P(i, 1) - c.y)));
        c.valence = rated ? float(v / rated) : 0.0f;
        c.arousal = rated ? float(a / rated) : 0.0f;
        std::vector<std::pair<float, QString>> ranked;
        ranked.reserve(used.size());
        for (int id : used) {
            ranked.emplace_back(weight[size_t(id)], tvec->term_str(id));
            weight[size_t(id)] = 0;
        }
        used.clear();
        const size_t keep = std::min(ranked.size(), size_t(label_terms));
        std::partial_sort(ranked.begin(), ranked.begin() + ptrdiff_t(keep), ranked.end(),
                          [](const auto& p, const auto& q) {
                              return p.first != q.first ? p.first > q.first : p.second < q.second;
                          });
        for (size_t k = 0; k < keep; ++k)
            c.terms.append(ranked[k].second);
    };
    for (sim_cluster& c : groups)
        describe(c);
    describe(termless);
}

QString sim_map::summary() const {
    if (groups.isEmpty()) return QStringLiteral("No group of three or more similar tweets");
    QStringList largest;
    for (int g = 0; g < std::min<int>(3, int(groups.size())); ++g)
        largest.append(QStringLiteral("%1 (%2, v %3)")
                           .arg(groups[g].terms.join(QStringLiteral(" · ")),
                                QString::number(groups[g].members.size()),
                                QString::number(groups[g].valence, 'f', 1)));
    const QString count = groups.size() == 1
                              ? QStringLiteral("1 topic")
                              : QStringLiteral("%1 topics").arg(QString::number(groups.size()));
    return QStringLiteral("%1: %2").arg(count, largest.join(QStringLiteral("; ")));
}

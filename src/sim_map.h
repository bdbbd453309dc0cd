#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <Eigen/Dense>

class tweet;

// A group of tweets that share words: what they share and how they feel on average.
struct sim_cluster {
    QList<int> members; // tweet indices, ascending
    QStringList terms;  // at most three, the highest summed TF-IDF weight first
    float valence = 0;
    float arousal = 0;
    float x = 0; // centroid of the members in the layout
    float y = 0;
    float spread = 0; // the farthest member's distance from the centroid, in the layout

    // "delay · hour · gate — 42 tweets · v 3.9 · a 5.6"; "only common words — ..." without terms.
    QString label() const;
};

// The similarity map of a list of tweets: a two-dimensional layout in which tweets that share
// weighted words lie close together, and the groups of similar tweets with their labels. The
// layout is landmark MDS of the dissimilarities 1 - cosine of the tweets' TF-IDF vectors (mentions
// and web addresses left out), with each group's members then gathered and overlapping groups
// pushed apart, scaled into [0, 1]^2.
//
// The text analysis runs on the process-wide term index and collection (tvec_ptr(),
// collect_ptr()), which are cleared and refilled with the given tweets; where they do not exist,
// on a term index and a collection of its own for the time of the computation.
class sim_map {
public:
    // Groups merge while the mean dissimilarity (1 - cosine) of their members stays below this.
    static constexpr float join = 0.7f;

    void compute(const QList<tweet>& tw);
    void clear();

    // Row i is tweet i's position, both coordinates in [0, 1].
    const Eigen::MatrixXf& layout() const { return P; }
    int size() const { return int(P.rows()); }
    // The groups of at least three tweets, largest first (equal sizes by first member).
    const QList<sim_cluster>& clusters() const { return groups; }
    // The tweets without a weighted term (no word but stop words, or only words every tweet
    // has): nothing places them among the others, so they lie together in the lower-left corner.
    const sim_cluster& corner() const { return termless; }
    // The number of groups and the words, sizes and mean valence of the three largest, for the
    // status bar: "14 topics: rain · storm · sun (84, v 4.2); game · win · team (61, v 6.8); ...".
    QString summary() const;

    // Average linkage cut at join: groups merge, the closest pair first, while the mean
    // dissimilarity between their members stays below it (unlike single linkage, which chains a
    // whole query into one group through messages that share one word). Each item's group,
    // named by one of its items; D (square, symmetric) is overwritten. O(m^2) time.
    static QList<int> average_groups(Eigen::MatrixXf& D, float join);

private:
    Eigen::MatrixXf P;
    QList<sim_cluster> groups;
    sim_cluster termless;
};

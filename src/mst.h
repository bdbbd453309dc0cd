#pragma once

#include <QList>
#include <QSet>

#include <Eigen/Dense>

#include "tweet.h"

// One pair of items of a dissimilarity matrix; d0 is the smaller index.
struct mst_edge {
    int d0;
    int d1;
    float dis;

    bool operator<(const mst_edge& o) const { return dis < o.dis; }
};

// Single-linkage clustering: items joined along the minimum spanning tree by edges lighter
// than 0.7, each group of two or more laid out with FastMap.
class mst {
public:
    // Stores the matrix and lists every pair, lightest first.
    void build(Eigen::MatrixXf dissim);
    // Forms the groups from the edges (every item of a matrix of two or more rows ends in
    // exactly one group), then lays them out. Without edges the groups are left as they were.
    void segment();
    // Position in the groups of the group holding item d; -1 when d is in none.
    int doc_cluster(int d);
    // One layout per group, in the order of the groups: for a group of two or more, FastMap's
    // two coordinates from the group's own rows and columns of the matrix, row r for the
    // group's r-th member in ascending order (see members()); empty for a single item.
    void project();
    // The groups of two or more to the debug output: the member count, then "d : text" per
    // member, item d being tweet d of tw_db.
    void report(QList<tweet> tw_db);

    const QList<QSet<int>>& groups() const { return cluster; }
    const QList<Eigen::MatrixXf>& layouts() const { return cluster_P; }
    // Group g's members in ascending order, the row order of its layout.
    QList<int> members(int g) const;

private:
    QList<QSet<int>> cluster;
    QList<Eigen::MatrixXf> cluster_P;
    Eigen::MatrixXf D;
    QList<mst_edge> edge;
    // Item -> position of its group in cluster, or -1; kept in step with cluster so that
    // finding an item's group does not search every group.
    QList<int> group_of;
};

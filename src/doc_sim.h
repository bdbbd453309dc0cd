#pragma once

#include <QList>
#include <QtGlobal>

#include <Eigen/Dense>

#include "page_buffer.h"

class QDebug;

// Pairwise similarities of the documents of the global collection (collect_ptr()), stored as the
// strict upper triangle row by row: (0,1), (0,2), ..., (0,n-1), (1,2), ..., (n-2,n-1).
class doc_sim {
public:
    // Recomputes every pair from the collection as it stands.
    bool comp_sim_matrix();
    // 1 on the diagonal; the stored value of the pair in either order; 0 for a pair outside the
    // matrix or outside the collection as it stands now.
    float sim(int i, int j) const;
    // The dissimilarities 1 - similarity (never below 0) of the listed documents, row and column
    // k for docs[k]; the documents ascending, each inside the matrix.
    Eigen::MatrixXf dissim(const QList<int>& docs) const;

    friend QDebug operator<<(QDebug dbg, const doc_sim& s);

private:
    // A fresh matrix is mostly zeros written once; memory fresh from the system comes zeroed.
    page_buffer sim_list;
    qsizetype pair_n = 0;
    int n = 0; // documents when the matrix was computed
};

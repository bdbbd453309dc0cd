#pragma once

#include <QList>

#include <Eigen/Dense>

// Places n items in a low-dimensional space so that their distances approximate an n x n
// dissimilarity matrix (square, zero diagonal, symmetric, finite; items numbered by row): FastMap
// (k dimensions), classical MDS and landmark MDS (2 dimensions). Every operation but choose_pivot
// returns 1 on success and 0, with a diagnostic line, on failure; outputs are then unusable.
//
// FastMap shows a progress dialog and keeps its progress between recursion levels in statics:
// GUI thread only, and runs must not overlap.
class mds {
public:
    int check_dissim(const Eigen::MatrixXf* D);

    // A far-apart pivot pair: A the item farthest from a random item, B the item farthest from A
    // (the random item when none is farther). Draws one value from random().
    void choose_pivot(int& A, int& B, const Eigen::MatrixXf* D);

    // Squared and plain Euclidean distance of two vectors of equal length (dist is 0 on failure).
    int distance_sqr(const Eigen::VectorXf* A, const Eigen::VectorXf* B, float& dist);
    int distance(const Eigen::VectorXf* A, const Eigen::VectorXf* B, float& dist);

    // Writes k coordinates per item into columns col + 1 ... col + k of P and each level's pivot
    // pair into the same columns of pivot; col ends at the last column written. Pass col = -1
    // for a fresh run, P with at least n rows and pivot with at least 2. When all remaining
    // dissimilarities vanish the run ends early with a zero column; later columns are left as
    // they were.
    int fastmap(int k, int& col, Eigen::MatrixXf& pivot, Eigen::MatrixXf& P, const Eigen::MatrixXf* D);

    // Classical MDS of D holding squared dissimilarities (at least two items): P (n x 2), the
    // square roots of the two largest eigenvalues of the double-centred matrix, largest first,
    // and their unit eigenvectors. An eigenvalue that is zero within rounding, or negative,
    // counts as 0, so its axis is all zeros rather than not-a-number.
    int MDS(Eigen::VectorXf& E_val_sub, Eigen::MatrixXf& E_vec_sub, Eigen::MatrixXf& P,
            const Eigen::MatrixXf* D);

    // m distinct items drawn with random(), ascending in l_mark, and their squared
    // dissimilarities in L (m x m). 0 <= m <= n.
    int select_landmark(int m, QList<int>& l_mark, Eigen::MatrixXf& L, const Eigen::MatrixXf* D);

    // Landmark MDS with 2 <= m <= n landmarks: P (n x 2).
    int LMDS(int m, Eigen::MatrixXf& P, const Eigen::MatrixXf* D);
};

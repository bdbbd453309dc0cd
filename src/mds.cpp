#include "mds.h"

#include <QApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QProgressDialog>

#include <Eigen/Eigenvalues>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <vector>

using Eigen::Index;
using Eigen::MatrixXf;
using Eigen::VectorXf;

namespace {

// The FastMap run under way: its dialog (null between runs) and its progress.
QProgressDialog* p_dlg = nullptr;
int comp_n = 0;
int comp_max = 0;
QElapsedTimer since_shown;

void end_run() {
    delete p_dlg;
    p_dlg = nullptr;
}

// Setting the dialog's value after every row would cost more than the rows themselves, so it is
// shown at most every 50 ms, and always once it reaches the maximum.
void advance(int steps = 1) {
    comp_n += steps;
    if (p_dlg && (comp_n >= comp_max || since_shown.elapsed() >= 50)) {
        p_dlg->setValue(comp_n);
        since_shown.restart();
    }
}

} // namespace

int mds::check_dissim(const MatrixXf* D) {
    if (!D || D->rows() != D->cols()) {
        qDebug() << "mds::check_dissim(), matrix is not square";
        return 0;
    }
    const Index n = D->rows();
    for (Index i = 0; i < n; ++i)
        if (!((*D)(i, i) == 0)) {
            qDebug().noquote() << QStringLiteral("mds::check_dissim(), non-zero diagonal @ %1,%2")
                                      .arg(QString::number(i), QString::number(i));
            return 0;
        }

    // The first faulty pair (i, j), i < j, in row order. The matrix is walked in tiles so that
    // D(i, j) and D(j, i) both come from cache; a fault only has to beat the earliest one so far.
    constexpr Index tile = 64;
    Index fi = n, fj = n;
    bool infinite = false;
    for (Index jb = 0; jb < n; jb += tile)
        for (Index ib = 0; ib <= jb; ib += tile)
            for (Index j = jb; j < std::min(jb + tile, n); ++j)
                for (Index i = ib; i < std::min(ib + tile, j); ++i) {
                    const float a = (*D)(i, j), b = (*D)(j, i);
                    if (a == b && std::abs(a) <= FLT_MAX) continue;
                    if (i < fi || (i == fi && j < fj)) {
                        fi = i;
                        fj = j;
                        infinite = a == b; // NaN never equals anything
                    }
                }
    if (fi == n) return 1;
    // An infinite dissimilarity leaves every method with not-a-number coordinates.
    const QString msg = infinite ? QStringLiteral("mds::check_dissim(), non-finite value @ %1,%2")
                                 : QStringLiteral("mds::check_dissim(), non-symmetric @ %1,%2");
    qDebug().noquote() << msg.arg(QString::number(fi), QString::number(fj));
    return 0;
}

void mds::choose_pivot(int& A, int& B, const MatrixXf* D) {
    if (!D || D->rows() != D->cols() || D->rows() == 0) return;
    const int n = int(D->rows());
    const double r = random() / 2147483648.0;
    B = int(n * r);
    A = B;
    float best = -1;
    for (int i = 0; i < n; ++i)
        if ((*D)(i, B) > best) {
            A = i;
            best = (*D)(i, B);
        }
    for (int i = 0; i < n; ++i)
        if ((*D)(i, A) > best) {
            B = i;
            best = (*D)(i, A);
        }
}

int mds::distance_sqr(const VectorXf* A, const VectorXf* B, float& dist) {
    dist = 0;
    if (!A || !B || A->rows() != B->rows()) {
        qDebug() << "distance(), vectors are not the same length";
        return 0;
    }
    dist = (*A - *B).squaredNorm();
    return 1;
}

int mds::distance(const VectorXf* A, const VectorXf* B, float& dist) {
    if (!distance_sqr(A, B, dist)) return 0;
    dist = float(std::sqrt(double(dist)));
    return 1;
}

int mds::fastmap(int k, int& col, MatrixXf& pivot, MatrixXf& P, const MatrixXf* D) {
    if (!check_dissim(D)) {
        end_run();
        return 0;
    }
    const Index n = D->rows();
    if (k < 1 || n == 0) {
        end_run();
        return 1;
    }
    if (col < -1 || P.rows() < n || P.cols() <= col + 1 || pivot.rows() < 2 || pivot.cols() <= col + 1) {
        qDebug() << "mds::fastmap(), output matrices are too small";
        end_run();
        return 0;
    }

    if (!p_dlg) {
        comp_n = 0;
        comp_max = int(std::min<qint64>(qint64(k) * (n + 1), INT_MAX));
        // Widgets need a GUI application; without one the run goes unseen.
        if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
            p_dlg = new QProgressDialog;
            p_dlg->setCancelButton(nullptr);
            p_dlg->setRange(0, comp_max);
            p_dlg->setMinimumWidth(400);
            p_dlg->setWindowTitle(QStringLiteral("FastMap"));
            // Modal, so that once the toolkit decides a long run needs it shown, setting its
            // value also repaints it.
            p_dlg->setWindowModality(Qt::ApplicationModal);
            p_dlg->setValue(0);
            since_shown.start();
        }
    }

    ++col;
    int A = 0, B = 0;
    choose_pivot(A, B, D);
    pivot(0, col) = float(A);
    pivot(1, col) = float(B);
    const float dab = (*D)(A, B);
    if (dab == 0) {
        P.col(col).head(n).setZero();
        end_run();
        return 1;
    }

    if (p_dlg) p_dlg->setLabelText(QStringLiteral("Projecting points..."));
    const float dab2 = dab * dab;
    const double den = 2.0 * double(dab);
    for (Index i = 0; i < n; ++i) {
        const float a = (*D)(i, A), b = (*D)(i, B); // the matrix is symmetric
        P(i, col) = float(double(a * a + dab2 - b * b) / den);
    }
    // Only dissimilarities beyond the float range get here (their squares overflow).
    if (!P.col(col).head(n).allFinite()) {
        qDebug() << "mds::fastmap(), coordinates are not finite";
        end_run();
        return 0;
    }
    advance();
    if (k == 1) {
        // The last coordinate leaves nothing to project the remaining dissimilarities for.
        advance(int(n));
        end_run();
        return 1;
    }

    if (p_dlg) p_dlg->setLabelText(QStringLiteral("Updating dissimilarities..."));
    const Eigen::ArrayXf x = P.col(col).head(n).array();
    MatrixXf D_next(n, n);
    for (Index j = 0; j < n; ++j) {
        const auto d2 = D->col(j).array().square();
        const auto p = (x - x(j)).square();
        D_next.col(j).array() = (p > d2).select(0.0f, (d2 - p).sqrt());
        advance();
    }
    return fastmap(k - 1, col, pivot, P, &D_next);
}

int mds::MDS(VectorXf& E_val_sub, MatrixXf& E_vec_sub, MatrixXf& P, const MatrixXf* D) {
    if (!check_dissim(D)) return 0;
    const Index n = D->rows();
    if (n < 2) {
        std::cerr << "MDS(), fewer than two items" << std::endl;
        return 0;
    }

    // B = -1/2 J D J with J = I - (1/n) 1 1', the double centring, without forming J: subtract
    // each row's and each column's mean (equal, D being symmetric) and add the overall mean.
    Eigen::VectorXd mean(n);
    for (Index j = 0; j < n; ++j)
        mean(j) = D->col(j).cast<double>().mean();
    const double all = mean.mean();
    MatrixXf Bm(n, n);
    for (Index j = 0; j < n; ++j)
        for (Index i = 0; i < n; ++i)
            Bm(i, j) = float(-0.5 * (double((*D)(i, j)) - mean(i) - mean(j) + all));

    const Eigen::SelfAdjointEigenSolver<MatrixXf> es(Bm);
    if (es.info() != Eigen::Success) {
        std::cerr << "MDS(), eigen-decomposition failed" << std::endl;
        return 0;
    }
    // Eigenvalues come ascending. One that is zero within rounding, or negative, carries no
    // extent: its axis is zero instead of the not-a-number of a square root of a tiny negative
    // (two items, identical items, items on a line).
    const float top = es.eigenvalues()(n - 1);
    const float tol =
        std::max(top, 0.0f) * float(std::max<Index>(n, 16)) * std::numeric_limits<float>::epsilon();
    E_val_sub.resize(2);
    E_vec_sub.resize(n, 2);
    P.resize(n, 2);
    for (int k = 0; k < 2; ++k) {
        const float lambda = es.eigenvalues()(n - 1 - k);
        E_val_sub(k) = lambda > tol ? float(std::sqrt(double(lambda))) : 0.0f;
        E_vec_sub.col(k) = es.eigenvectors().col(n - 1 - k);
        P.col(k) = E_vec_sub.col(k) * E_val_sub(k);
    }
    return 1;
}

int mds::select_landmark(int m, QList<int>& l_mark, MatrixXf& L, const MatrixXf* D) {
    if (!D || D->rows() != D->cols()) {
        qDebug() << "select_landmark(), matrix is not square";
        return 0;
    }
    const int n = int(D->rows());
    if (m > n) {
        qDebug() << "select_landmark(), too many landmarks requested";
        return 0;
    }
    if (m < 0) {
        qDebug() << "select_landmark(), negative landmark count";
        return 0;
    }
    l_mark.clear();
    std::vector<char> taken(size_t(n), 0);
    while (l_mark.size() < m) {
        const int e = int(double(n) * double(random()) / 2147483648.0);
        if (taken[size_t(e)]) continue;
        taken[size_t(e)] = 1;
        l_mark.append(e);
    }
    std::sort(l_mark.begin(), l_mark.end());
    L.resize(m, m);
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < m; ++i) {
            const float d = (*D)(l_mark[i], l_mark[j]);
            L(i, j) = d * d;
        }
    return 1;
}

int mds::LMDS(int m, MatrixXf& P, const MatrixXf* D) {
    if (!check_dissim(D)) return 0;
    if (m < 2) {
        qDebug() << "LMDS(), at least two landmarks are needed";
        return 0;
    }
    QList<int> l_mark;
    MatrixXf L;
    if (!select_landmark(m, l_mark, L, D)) return 0;
    VectorXf E_val;
    MatrixXf E_vec, L_P;
    if (!MDS(E_val, E_vec, L_P, &L)) return 0;

    const VectorXf L_P_avg = L.rowwise().mean();
    // The pseudo-inverse of the landmarks' axes; an axis without extent places nothing.
    MatrixXf L_sharp = MatrixXf::Zero(2, m);
    for (int k = 0; k < 2; ++k)
        if (E_val(k) > 0) L_sharp.row(k) = E_vec.col(k).transpose() / E_val(k);

    // Every item's squared dissimilarities to the landmarks less their means, a column per
    // landmark (columns read contiguously), then all items placed by one product.
    const Index n = D->rows();
    MatrixXf Q(n, m);
    for (int j = 0; j < m; ++j)
        Q.col(j) = D->col(l_mark[j]).array().square() - L_P_avg(j);
    P.noalias() = -0.5f * Q * L_sharp.transpose();
    for (int j = 0; j < m; ++j)
        P.row(l_mark[j]) = L_P.row(j);
    return 1;
}

#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "analysis_fixture.h"
#include "doc_sim.h"
#include "tweet.h"
#include "wordnet.h"

// The packed similarity matrix, and TF-IDF cosines checked against a plain computation.
class tst_doc_sim : public QObject {
    Q_OBJECT

    static float dot(int i, int j) { return *collect->document(i) * *collect->document(j); }

    // Fifty short messages from a small vocabulary with inflections, stop words and
    // punctuation; the first is stop words only and the second repeats the third.
    static QStringList fifty_texts() {
        const QStringList words =
            QString("cats cat Dogs dog running ran run leaves leaf happy sad the a RT love "
                    "loved loves hate music game games went geese goose coffee mornings "
                    "rain rainy sunny http co new children phones bus")
                .split(' ');
        const QStringList seps{" ", ", ", "! ", "... ", " #", " @", "://"};
        std::mt19937 rng(2011);
        QStringList out{"the a rt!"};
        for (int i = 1; i < 50; ++i) {
            QString t;
            const int n = 3 + int(rng() % 10);
            for (int k = 0; k < n; ++k)
                t += words.at(rng() % words.size()) + seps.at(rng() % seps.size());
            out.append(t);
        }
        out[1] = out[2];
        return out;
    }

private slots:
    void init() { create_analysis_globals(); }
    void cleanup() { delete_analysis_globals(); }

    // The matrix as printed: two significant digits of every pair, row by row.
    void printed() {
        doc_sim s;
        QVERIFY(s.comp_sim_matrix()); // no documents yet
        QCOMPARE(s.sim(0, 1), 0.0f);
        fill_collection(
            {"apple banana cherry cherry", "apple banana date", "apple elder fig", "banana fig grape grape"});
        QVERIFY(s.comp_sim_matrix());
        QString out;
        QDebug(&out) << s;
        QCOMPARE(out, "4 documents\n 0: 1,0.041 2,0.019 3,0.01 \n 1: 2,0.036 3,0.02 \n 2: 3,0.11 \n ");
    }

    // Every pair of fifty messages against TF-IDF cosines computed here with maps and loops, and
    // against doc::operator* of the two documents.
    void crossCheck() {
        const QStringList texts = fifty_texts();
        fill_collection(texts);
        doc_sim s;
        QVERIFY(s.comp_sim_matrix());

        const int N = texts.size();
        std::vector<std::map<QString, double>> w(N);
        std::map<QString, int> df;
        const QRegularExpression sep("\\W+", QRegularExpression::UseUnicodePropertiesOption);
        for (int i = 0; i < N; ++i) {
            for (const QString& tok : texts[i].toLower().split(sep, Qt::SkipEmptyParts)) {
                if (stop_word(tok)) continue;
                const QString base = stem(tok);
                w[i][base.isEmpty() ? tok : base] += 1;
            }
            for (const auto& [term, f] : w[i])
                ++df[term];
        }
        for (auto& v : w) {
            double sum = 0;
            for (auto& [term, x] : v) {
                x *= std::log(double(N) / df[term]);
                sum += x * x;
            }
            for (auto& [term, x] : v)
                x = sum > 0 ? x / std::sqrt(sum) : 0;
        }
        // The dissimilarities of every third document, as a whole matrix.
        QList<int> some;
        for (int i = 0; i < N; i += 3)
            some.append(i);
        const Eigen::MatrixXf D = s.dissim(some);
        int related = 0;
        for (int i = -1; i <= N; ++i)
            for (int j = -1; j <= N; ++j) {
                const bool inside = i >= 0 && j >= 0 && i < N && j < N;
                double ref = i == j ? 1 : 0;
                for (const auto& [term, x] : inside&& i != j ? w[i] : w[0]) {
                    const auto hit = w[j].find(term);
                    if (inside && i != j && hit != w[j].end()) ref += x * hit->second;
                }
                related += ref > 0.01 && i < j;
                // against the plain cosine of the weights, and against the merge of the two documents
                const QString pair = QString("%1,%2").arg(QString::number(i), QString::number(j));
                QVERIFY2(std::abs(s.sim(i, j) - ref) <= 1e-5, qPrintable(pair));
                if (inside && i != j) QVERIFY2(std::abs(s.sim(i, j) - dot(i, j)) <= 1e-6, qPrintable(pair));
                if (inside && i % 3 == 0 && j % 3 == 0)
                    QVERIFY2(D(i / 3, j / 3) == D(j / 3, i / 3) &&
                                 std::abs(D(i / 3, j / 3) - (1 - ref)) <= 1e-5,
                             qPrintable(pair));
            }
        QVERIFY(D.diagonal().isZero(0));
        QVERIFY(related > 300);

        // The collection shrinks: documents that are gone have no similarities.
        fill_collection({"apple", "banana", "cherry"});
        QCOMPARE(QList<float>({s.sim(0, 2), s.sim(2, 3), s.sim(3, 1), s.sim(1, 49)}), QList<float>(4, 0.0f));
    }
};

QTEST_GUILESS_MAIN(tst_doc_sim)
#include "tst_doc_sim.moc"

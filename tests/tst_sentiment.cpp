#include <QTest>

#include <cmath>
#include <limits>

#include "anew.h"
#include "tweet.h"

using terms = QList<QString>;

// Tokenising a body, matching it against the lexicon and combining the norms of its terms.
class tst_sentiment : public QObject {
    Q_OBJECT

    struct norms {
        double m, sd;
    };

    // The mixture of N(m_i, sd_i) about its unweighted mean, and the 1/sd-weighted mean, in
    // double precision: what the single-precision results must round to.
    static void check_mixture(const QList<norms>& in, float weighted_mean, float spread) {
        double sum = 0, s2 = 0, wsum = 0, wm = 0;
        for (const norms& t : in) {
            sum += t.m;
            s2 += t.m * t.m + t.sd * t.sd;
            wsum += 1 / t.sd;
            wm += t.m / t.sd;
        }
        const double mu = sum / in.size();
        QVERIFY(std::fabs(weighted_mean - wm / wsum) < 1e-5);
        QVERIFY(std::fabs(spread - std::sqrt(s2 / in.size() - mu * mu)) < 1e-5);
    }

private slots:
    void workedExample() {
        tweet t;
        t.content(QStringLiteral("My house, a LIE."));
        QCOMPARE(t.anew_term(), terms({"house", "lie"}));
        const float got[] = {t.m(VALENCE),     t.sd(VALENCE),    t.m(AROUSAL),
                             t.sd(AROUSAL),    t.m(DOMINANCE),   t.sd(DOMINANCE),
                             t.overall_mean(), t.overall_sdev(), t.fq()};
        const float want[] = {5.1478f, 2.8840f, 5.2294f, 2.6177f, 4.7819f,
                              2.6660f, 5.1906f, 2.7544f, 6.7838f};
        for (int i = 0; i < 9; ++i)
            QVERIFY2(std::fabs(got[i] - want[i]) < 0.5e-4, qPrintable(QString::number(got[i], 'f', 6)));
        QCOMPARE(t.fq(), std::log(325.0f) + 1.0f);
    }

    void tokens_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<terms>("want");
        QTest::addRow("punctuation and case") << "I love my house!!" << terms{"love", "house"};
        QTest::addRow("stems") << "Loving the houses" << terms{"love", "hous"};
        QTest::addRow("false only through its stem") << "false" << terms{"fals"};
        // only the space and the delimiters separate
        QTest::addRow("joined")
            << "love-house love\\ love/ love_ love\nhouse love\thouse love\u00e9 house\u00a0 !?.. @@ "
            << terms{};
        QTest::addRow("mention and hashtag") << "@happy #love" << terms{"happy", "love"};
        QTest::addRow("addresses") << "see http://house.com/lie house://lie.x/y" << terms{"house"};
        QTest::addRow("every delimiter separates")
            << "love!love\"love#love$love%love&love'love(love)love*love+love,love.love:love;love?love@love|"
            << terms(18, "love");
        QTest::addRow("three occurrences") << "love, love and love" << terms(3, "love");
        QTest::addRow("non-ASCII capitals are lowered") << "\u00c9 HOUSE" << terms{"house"};
    }
    void tokens() {
        QFETCH(QString, body);
        QFETCH(terms, want);
        tweet t;
        t.content(body);
        QCOMPARE(t.anew_term(), want);
        QCOMPARE(t.term_n(), want.size());
        QCOMPARE(t.content(), body);
    }

    // The combined numbers against the mixture of the rows they stand for.
    void combination_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<terms>("rows");
        QTest::addRow("one word") << "house" << terms{"house"};
        QTest::addRow("repeats weigh") << "love love love hate" << terms{"love", "love", "love", "hate"};
        QTest::addRow("many") << "abduction zest air afraid alert joy sick power memory"
                              << terms{"abduction", "zest", "air",   "afraid", "alert",
                                       "joy",       "sick", "power", "memory"};
        QTest::addRow("shared stems use the later row")
            << "loving fearing beautifully" << terms{"loved", "fearful", "beauty"};
        QTest::addRow("stem of a word row") << "houses lies" << terms{"house", "lie"};
    }
    void combination() {
        QFETCH(QString, body);
        QFETCH(terms, rows);
        tweet t;
        t.content(body);
        QCOMPARE(t.term_n(), rows.size());
        for (e_dim dim : {AROUSAL, DOMINANCE, VALENCE}) {
            QList<norms> in;
            for (const QString& row : rows) {
                float a = 0, a_sd = 0, d = 0, d_sd = 0, v = 0, v_sd = 0;
                int fq = 0;
                QVERIFY(anew_word(row, a, a_sd, d, d_sd, v, v_sd, fq));
                in.append(dim == AROUSAL     ? norms{a, a_sd}
                          : dim == DOMINANCE ? norms{d, d_sd}
                                             : norms{v, v_sd});
            }
            check_mixture(in, t.m(dim), t.sd(dim));
        }
        check_mixture({{t.m(AROUSAL), t.sd(AROUSAL)}, {t.m(VALENCE), t.sd(VALENCE)}}, t.overall_mean(),
                      t.overall_sdev());
    }

    void frequencyMeasure_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<float>("fq");
        QTest::addRow("all zero") << "cat diploma" << -std::numeric_limits<float>::infinity();
        QTest::addRow("mean one") << "abduction addict" << 1.0f; // both have frequency 1
        QTest::addRow("zero and one") << "cat abduction" << std::log(0.5f) + 1.0f;
    }
    void frequencyMeasure() {
        QFETCH(QString, body);
        QFETCH(float, fq);
        tweet t;
        t.content(body);
        QCOMPARE(t.term_n(), 2);
        QCOMPARE(t.fq(), fq);
    }

    // A body without dictionary words keeps the previous numbers and clears only the terms; a
    // body with them replaces both.
    void laterBodies() {
        tweet t;
        t.content(QStringLiteral("house lie"));
        const float v = t.m(VALENCE), sd = t.overall_sdev(), fq = t.fq();
        t.content(QStringLiteral("nothing to see"));
        QCOMPARE(t.term_n(), 0);
        QCOMPARE(t.m(VALENCE), v);
        QCOMPARE(t.overall_sdev(), sd);
        QCOMPARE(t.fq(), fq);
        t.content(QStringLiteral("zest"));
        QCOMPARE(t.anew_term(), terms{"zest"});
        QCOMPARE(t.m(VALENCE), 6.79f);
        QCOMPARE(t.content_tip(), QStringLiteral("<i><b>zest</b></i>"));
    }

    void unequalListsChangeNothing() {
        QList<float> m{5, 6}, sd{1};
        float m_avg = -1, sd_avg = -2;
        QTest::ignoreMessage(QtDebugMsg, "tweet::comp_avg, mean and stdev lists are different lengths");
        tweet::comp_avg(m, sd, m_avg, sd_avg);
        QCOMPARE(m_avg, -1.0f);
        QCOMPARE(sd_avg, -2.0f);
    }
};

QTEST_GUILESS_MAIN(tst_sentiment)
#include "tst_sentiment.moc"

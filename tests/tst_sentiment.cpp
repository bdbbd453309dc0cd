#include <QTest>

#include <cmath>
#include <limits>

#include "anew.h"
#include "tweet.h"

// Tokenising a body, matching it against the lexicon and combining the norms of its terms.
class tst_sentiment : public QObject {
    Q_OBJECT

    struct norms {
        double m, sd;
    };

    // The mixture of N(m_i, sd_i) about its unweighted mean, and the 1/sd-weighted mean, in
    // double precision: what the single-precision results must round to.
    static void mixture(const QList<norms>& in, double& weighted_mean, double& spread) {
        double sum = 0, s2 = 0, wsum = 0, wm = 0;
        for (const norms& t : in) {
            sum += t.m;
            s2 += t.m * t.m + t.sd * t.sd;
            wsum += 1 / t.sd;
            wm += t.m / t.sd;
        }
        const double mu = sum / in.size();
        spread = std::sqrt(s2 / in.size() - mu * mu);
        weighted_mean = wm / wsum;
    }

private slots:
    void workedExample() {
        tweet t;
        t.content(QStringLiteral("My house, a LIE."));
        QCOMPARE(t.anew_term(), QList<QString>({"house", "lie"}));
        const struct {
            float got, want;
        } checks[] = {{t.m(VALENCE), 5.1478f},     {t.sd(VALENCE), 2.8840f},    {t.m(AROUSAL), 5.2294f},
                      {t.sd(AROUSAL), 2.6177f},    {t.m(DOMINANCE), 4.7819f},   {t.sd(DOMINANCE), 2.6660f},
                      {t.overall_mean(), 5.1906f}, {t.overall_sdev(), 2.7544f}, {t.fq(), 6.7838f}};
        for (const auto& c : checks)
            QVERIFY2(std::fabs(c.got - c.want) < 0.5e-4, qPrintable(QString::number(c.got, 'f', 6)));
        QCOMPARE(t.fq(), std::log(325.0f) + 1.0f);
    }

    void tokens_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QList<QString>>("terms");
        QTest::addRow("punctuation and case") << "I love my house!!" << QList<QString>{"love", "house"};
        QTest::addRow("stems: love leads through the stem index")
            << "Loving the houses" << QList<QString>{"love", "hous"};
        QTest::addRow("false only through its stem") << "false" << QList<QString>{"fals"};
        QTest::addRow("hyphen joins") << "well-known" << QList<QString>{};
        QTest::addRow("mention") << "@happy" << QList<QString>{"happy"};
        QTest::addRow("hashtag") << "#love" << QList<QString>{"love"};
        QTest::addRow("address") << "see http://house.com/lie" << QList<QString>{};
        QTest::addRow("address parts are tokens") << "house://lie.x/y" << QList<QString>{"house"};
        QTest::addRow("line break joins") << "love\nhouse" << QList<QString>{};
        QTest::addRow("every delimiter separates")
            << "love!love\"love#love$love%love&love'love(love)love*love+love,love.love:love;love?love@love|"
            << QList<QString>(18, "love");
        QTest::addRow("backslash and slash do not") << "love\\ love/ love_" << QList<QString>{};
        QTest::addRow("three occurrences") << "love, love and love" << QList<QString>(3, "love");
        QTest::addRow("non-ASCII stays in the token") << "love\u00e9 house\u00a0" << QList<QString>{};
        QTest::addRow("non-ASCII capitals are lowered") << "\u00c9 HOUSE" << QList<QString>{"house"};
        QTest::addRow("only delimiters") << " !?.. @@ " << QList<QString>{};
    }
    void tokens() {
        QFETCH(QString, body);
        QFETCH(QList<QString>, terms);
        tweet t;
        t.content(body);
        QCOMPARE(t.anew_term(), terms);
        QCOMPARE(t.term_n(), terms.size());
        QCOMPARE(t.content(), body);
    }

    // The combined numbers against the mixture of the rows they stand for.
    void combination_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QList<QString>>("rows");
        QTest::addRow("one word") << "house" << QList<QString>{"house"};
        QTest::addRow("two words") << "house lie" << QList<QString>{"house", "lie"};
        QTest::addRow("repeats weigh")
            << "love love love hate" << QList<QString>{"love", "love", "love", "hate"};
        QTest::addRow("many") << "abduction zest air afraid alert joy sick power memory"
                              << QList<QString>{"abduction", "zest", "air",   "afraid", "alert",
                                                "joy",       "sick", "power", "memory"};
        QTest::addRow("shared stems use the later row")
            << "loving fearing beautifully" << QList<QString>{"loved", "fearful", "beauty"};
        QTest::addRow("stem of a word row") << "houses lies" << QList<QString>{"house", "lie"};
    }
    void combination() {
        QFETCH(QString, body);
        QFETCH(QList<QString>, rows);
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
            double wm = 0, spread = 0;
            mixture(in, wm, spread);
            QVERIFY2(std::fabs(t.m(dim) - wm) < 1e-5, qPrintable(QString::number(dim)));
            QVERIFY2(std::fabs(t.sd(dim) - spread) < 1e-5, qPrintable(QString::number(dim)));
        }
        double wm = 0, spread = 0;
        mixture({{t.m(AROUSAL), t.sd(AROUSAL)}, {t.m(VALENCE), t.sd(VALENCE)}}, wm, spread);
        QVERIFY(std::fabs(t.overall_mean() - wm) < 1e-5);
        QVERIFY(std::fabs(t.overall_sdev() - spread) < 1e-5);
    }

    void frequencyMeasure_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<float>("fq");
        QList<QString> zero;
        for (int i = 0; i < ANEW_N && zero.size() < 2; ++i)
            if (anew[i].freq == 0 && QByteArray(anew[i].word) == QByteArray(anew[i].stem))
                zero.append(QString::fromLatin1(anew[i].word));
        QCOMPARE(zero.size(), 2);
        QTest::addRow("all zero") << zero.join(' ') << -std::numeric_limits<float>::infinity();
        QTest::addRow("mean one") << "abduction addict" << 1.0f; // both have frequency 1
        QTest::addRow("zero and one") << zero[0] + " abduction" << std::log(0.5f) + 1.0f;
    }
    void frequencyMeasure() {
        QFETCH(QString, body);
        QFETCH(float, fq);
        tweet t;
        t.content(body);
        QCOMPARE(t.term_n(), 2);
        QCOMPARE(t.fq(), fq);
    }

    void secondBodyReplacesTerms() {
        tweet t;
        t.content(QStringLiteral("house lie love"));
        QCOMPARE(t.term_n(), 3);
        t.content(QStringLiteral("zest"));
        QCOMPARE(t.anew_term(), QList<QString>{"zest"});
        QCOMPARE(t.m(VALENCE), 6.79f);
        QCOMPARE(t.content_tip(), QStringLiteral("<i><b>zest</b></i>"));
    }

    // A body without dictionary words keeps the previous numbers; only the terms are cleared.
    void bodyWithoutTermsKeepsNumbers() {
        tweet t;
        t.content(QStringLiteral("house lie"));
        const float v = t.m(VALENCE), sd = t.overall_sdev(), fq = t.fq();
        t.content(QStringLiteral("nothing to see"));
        QCOMPARE(t.term_n(), 0);
        QCOMPARE(t.m(VALENCE), v);
        QCOMPARE(t.overall_sdev(), sd);
        QCOMPARE(t.fq(), fq);
        QCOMPARE(t.content(), QStringLiteral("nothing to see"));
    }

    void unequalListsChangeNothing() {
        QList<float> m{5, 6};
        QList<float> sd{1};
        float m_avg = -1, sd_avg = -2;
        QTest::ignoreMessage(QtDebugMsg, "tweet::comp_avg, mean and stdev lists are different lengths");
        tweet::comp_avg(m, sd, m_avg, sd_avg);
        QCOMPARE(m_avg, -1.0f);
        QCOMPARE(sd_avg, -2.0f);
    }
};

QTEST_GUILESS_MAIN(tst_sentiment)
#include "tst_sentiment.moc"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cmath>
#include <limits>

#include "anew.h"
#include "stemmer.h"
#include "tweet.h"

using terms = QList<QString>;

// Tokenising a body, matching it against the lexicon and combining the norms of its terms.
class tst_sentiment : public QObject {
    Q_OBJECT

    // The combined mean and spread of terms: the spread of the equal-weight mixture of their normal
    // distributions about the plain mean; the mean weighted by each one's peak 1 / sqrt(2 pi sd^2).
    static void combine(const QList<float>& m, const QList<float>& sd, float& m_avg, float& sd_avg) {
        float sum = 0, s2 = 0, p_sum = 0, acc = 0;
        QList<float> p;
        for (qsizetype i = 0; i < m.size(); ++i) {
            sum += m[i];
            s2 = float(double(s2) + double(m[i]) * m[i] + double(sd[i]) * sd[i]);
            p << float(1 / std::sqrt(double(sd[i]) * sd[i] * 6.283185307179586));
            p_sum += p.last();
        }
        const float mu = sum / float(m.size());
        sd_avg = float(std::sqrt(std::max(0.0, double(s2 / float(m.size())) - double(mu) * mu)));
        for (qsizetype i = 0; i < m.size(); ++i)
            acc += m[i] * (p[i] / p_sum);
        m_avg = acc;
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
        // no dimension outside the three, though the fields beside them now hold numbers
        for (e_dim outside : {E_DIM_N, static_cast<e_dim>(-1)})
            QVERIFY(t.m(outside) == 0 && t.sd(outside) == 0);
    }

    void tokens_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<terms>("want");
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
    }
    void tokens() {
        QFETCH(QString, body);
        QFETCH(terms, want);
        tweet t;
        t.content(body);
        QCOMPARE(t.anew_term(), want);
    }

    // Every body of the demo corpus and made-up ones (stems, zero frequencies, no dictionary
    // word at all), twice over through one record: the terms and norms that looking every token
    // up afresh gives, combined by the definition.
    void estimateAsDefined() {
        QStringList bodies;
        QFile f(QUORVEL_SOURCE_DIR "/data/demo_corpus.jsonl");
        QVERIFY(f.open(QIODevice::ReadOnly));
        while (!f.atEnd())
            bodies.append(QJsonDocument::fromJson(f.readLine()).object().value("text").toString());
        QCOMPARE(bodies.size(), 4800);
        for (int i = 0; i < 800; ++i)
            bodies.append(QString("Loving w%1ing LOVE loved false fals caf\u00e9s %2 love%3 hous%4")
                              .arg(QString::number(i), QString(30 + i % 3, QChar('a' + i % 26)),
                                   QString::number(i % 7), i % 2 ? "e" : "es"));
        bodies << "cat abduction"
               << "nothing to see"
               << "cat diploma"
               << "lie"
               << "fearing beautifully";
        tweet t;
        float prev[9] = {};
        for (int pass = 0; pass < 2; ++pass)
            for (const QString& body : std::as_const(bodies)) {
                t.content(body);
                tweet want;
                for (const QString& token : t.prep.split(' ', Qt::SkipEmptyParts)) {
                    float m[E_DIM_N], sd[E_DIM_N];
                    int fq = 0;
                    if (anew_word(token, m[AROUSAL], sd[AROUSAL], m[DOMINANCE], sd[DOMINANCE], m[VALENCE],
                                  sd[VALENCE], fq))
                        want.anew_term_append(token, m, sd, fq);
                    else if (anew_stem(stem_word(token), m[AROUSAL], sd[AROUSAL], m[DOMINANCE], sd[DOMINANCE],
                                       m[VALENCE], sd[VALENCE], fq))
                        want.anew_term_append(stem_word(token), m, sd, fq);
                }
                QCOMPARE(t.anew, want.anew);
                QCOMPARE(t.freq, want.freq);
                for (int d = 0; d < E_DIM_N; ++d) {
                    QCOMPARE(t.mean[d], want.mean[d]);
                    QCOMPARE(t.sdev[d], want.sdev[d]);
                }
                // a body without dictionary words keeps the numbers of the one before
                if (!want.anew.isEmpty()) {
                    for (int d = 0; d < E_DIM_N; ++d)
                        combine(want.mean[d], want.sdev[d], prev[2 * d], prev[2 * d + 1]);
                    combine({prev[0], prev[4]}, {prev[1], prev[5]}, prev[6], prev[7]);
                    qint64 total = 0;
                    for (int x : want.freq)
                        total += x;
                    prev[8] = std::log(float(total) / float(want.freq.size())) + 1.0f;
                }
                const float got[] = {t.m(AROUSAL),     t.sd(AROUSAL),    t.m(DOMINANCE),
                                     t.sd(DOMINANCE),  t.m(VALENCE),     t.sd(VALENCE),
                                     t.overall_mean(), t.overall_sdev(), t.fq()};
                for (int k = 0; k < 9; ++k)
                    if (!(got[k] == prev[k] || std::fabs(got[k] - prev[k]) <= 1e-6f * std::fabs(prev[k])))
                        QFAIL(qPrintable(QStringLiteral("%1: %2 is %3, not %4")
                                             .arg(body, QString::number(k), QString::number(got[k]),
                                                  QString::number(prev[k]))));
            }
    }
};

QTEST_GUILESS_MAIN(tst_sentiment)
#include "tst_sentiment.moc"

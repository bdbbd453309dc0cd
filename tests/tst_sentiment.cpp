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

    // A stem shared by several rows stands for the later one: "loving" counts as "loved", not "love".
    void sharedStemsUseTheLaterRow() {
        tweet stems, rows;
        stems.content(QStringLiteral("loving fearing beautifully"));
        rows.content(QStringLiteral("loved fearful beauty"));
        QCOMPARE(stems.term_n(), 3);
        for (e_dim dim : {AROUSAL, DOMINANCE, VALENCE}) {
            QCOMPARE(stems.m(dim), rows.m(dim));
            QCOMPARE(stems.sd(dim), rows.sd(dim));
        }
    }

    // Matches are remembered from body to body: the demo corpus and thousands of made-up tokens,
    // twice over, give the terms and norms that looking every token up afresh gives.
    void rememberedMatchesAsLookedUp() {
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
        tweet t;
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
            }
    }

    // A body without dictionary words keeps the previous numbers and clears only the terms; a
    // body with them replaces both.
    void laterBodies() {
        tweet t;
        t.content(QStringLiteral("cat abduction")); // frequencies 0 and 1
        QCOMPARE(t.fq(), std::log(0.5f) + 1.0f);
        t.content(QStringLiteral("nothing to see"));
        QCOMPARE(t.term_n(), 0);
        QCOMPARE(t.fq(), std::log(0.5f) + 1.0f);
        t.content(QStringLiteral("cat diploma")); // both 0
        QCOMPARE(t.anew_term(), terms({"cat", "diploma"}));
        QCOMPARE(t.fq(), -std::numeric_limits<float>::infinity());
    }
};

QTEST_GUILESS_MAIN(tst_sentiment)
#include "tst_sentiment.moc"

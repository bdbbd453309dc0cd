#include <QSet>
#include <QTest>

#include <cstring>

#include "anew.h"
#include "stemmer.h"

// The compiled-in affective word norms and their word and stem indexes.
class tst_anew : public QObject {
    Q_OBJECT

    struct norms_out {
        float a, a_sd, d, d_sd, v, v_sd;
        int fq;
        QList<float> all() const { return {a, a_sd, d, d_sd, v, v_sd, float(fq)}; }
    };

private slots:
    // Must run before any lookup in this process: the membership tests never build the indexes.
    void membershipBeforeFirstLookup() {
        QVERIFY(!is_anew_word(QStringLiteral("house")));
        QVERIFY(!is_anew_stem(QStringLiteral("hous")));
        float x = 0;
        int fq = 0;
        QVERIFY(anew_word(QStringLiteral("house"), x, x, x, x, x, x, fq));
        QVERIFY(is_anew_word(QStringLiteral("house")));
        QVERIFY(is_anew_stem(QStringLiteral("hous")));
        QCOMPARE(anew_db.size(), ANEW_N);
    }

    void tableShape() {
        QCOMPARE(QByteArray(anew[0].word), QByteArray("abduction"));
        QCOMPARE(QByteArray(anew[ANEW_N - 1].word), QByteArray("zest"));
        QSet<QByteArray> words;
        int not_lower = 0, stem_is_word = 0, zero_freq = 0, shared_stem = 0;
        for (int i = 0; i < ANEW_N; ++i) {
            const QByteArray w(anew[i].word);
            QVERIFY(!w.isEmpty() && w.size() <= 13);
            if (i > 0) QVERIFY2(QByteArray(anew[i - 1].word).toLower() < w.toLower(), w.constData());
            words.insert(w);
            if (w != w.toLower()) ++not_lower;
            if (w == QByteArray(anew[i].stem)) ++stem_is_word;
            if (anew[i].freq == 0) ++zero_freq;
            if (i > 0 && std::strcmp(anew[i - 1].stem, anew[i].stem) == 0) ++shared_stem;
            // the stem column is what the stemmer gives for the lower-cased word
            QCOMPARE(stem_word(QString::fromLatin1(w).toLower()), QString::fromLatin1(anew[i].stem));
            for (float sd : {anew[i].v_sd, anew[i].a_sd, anew[i].d_sd})
                QVERIFY(sd >= 0.31f && sd <= 3.38f);
            QVERIFY(anew[i].v_m >= 1.25f && anew[i].v_m <= 8.82f);
            QVERIFY(anew[i].a_m >= 2.39f && anew[i].a_m <= 8.17f);
            QVERIFY(anew[i].freq >= 0 && anew[i].freq <= 1599);
        }
        QCOMPARE(words.size(), ANEW_N);
        QCOMPARE(not_lower, 1);
        QCOMPARE(stem_is_word, 611);
        QCOMPARE(zero_freq, 58);
        QCOMPARE(shared_stem, 19);
        const int f = anew_db.value(QStringLiteral("FALSE"), -1);
        QVERIFY(f > 0);
        QCOMPARE(QByteArray(anew[f - 1].word), QByteArray("fall"));
    }

    void lookups_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("as_stem");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("row"); // the row whose norms come back
        QTest::addRow("word") << "house" << false << true << "house";
        QTest::addRow("case-sensitive") << "House" << false << false << "";
        QTest::addRow("stem is no word") << "hous" << false << false << "";
        QTest::addRow("stem") << "hous" << true << true << "house";
        QTest::addRow("love as word") << "love" << false << true << "love";
        QTest::addRow("love as stem: the later row") << "love" << true << true << "loved";
        QTest::addRow("memori: the later row") << "memori" << true << true << "memory";
        QTest::addRow("false is stored in capitals") << "false" << false << false << "";
        QTest::addRow("fals") << "fals" << true << true << "FALSE";
        QTest::addRow("FALSE as stored") << "FALSE" << false << true << "FALSE";
        QTest::addRow("frequency zero") << "cat" << false << true << "cat";
        QTest::addRow("empty word") << "" << false << false << "";
        QTest::addRow("no trimming") << " house" << false << false << "";
    }
    void lookups() {
        QFETCH(QString, key);
        QFETCH(bool, as_stem);
        QFETCH(bool, found);
        QFETCH(QString, row);
        norms_out got{-1, -2, -3, -4, -5, -6, -7};
        const bool ok = as_stem ? anew_stem(key, got.a, got.a_sd, got.d, got.d_sd, got.v, got.v_sd, got.fq)
                                : anew_word(key, got.a, got.a_sd, got.d, got.d_sd, got.v, got.v_sd, got.fq);
        QCOMPARE(ok, found);
        QCOMPARE(as_stem ? is_anew_stem(key) : is_anew_word(key), found);
        const int i = anew_db.value(row, -1);
        QVERIFY(!found || i >= 0);
        // a failed lookup leaves the outputs alone
        const QList<float> want =
            found ? QList<float>{anew[i].a_m, anew[i].a_sd, anew[i].d_m,        anew[i].d_sd,
                                 anew[i].v_m, anew[i].v_sd, float(anew[i].freq)}
                  : QList<float>{-1, -2, -3, -4, -5, -6, -7};
        QCOMPARE(got.all(), want);
    }

    // Published values, as the table must carry them (and in the right columns).
    void tellingRows() {
        norms_out h{}, z{};
        QVERIFY(anew_word("house", h.a, h.a_sd, h.d, h.d_sd, h.v, h.v_sd, h.fq));
        QCOMPARE(h.all(), (QList<float>{4.56f, 2.41f, 6.08f, 2.12f, 7.26f, 1.72f, 591}));
        QVERIFY(anew_word("zest", z.a, z.a_sd, z.d, z.d_sd, z.v, z.v_sd, z.fq));
        QCOMPARE(z.all(), (QList<float>{5.59f, 2.66f, 6.00f, 1.99f, 6.79f, 2.04f, 5}));
    }
};

QTEST_GUILESS_MAIN(tst_anew)
#include "tst_anew.moc"

#include <QSet>
#include <QTest>

#include <cstring>
#include <utility>

#include "anew.h"
#include "stemmer.h"

// The compiled-in affective word norms, their word and stem indexes, and Snowball English stems.
class tst_anew : public QObject {
    Q_OBJECT

private slots:
    // Must run before any lookup in this process: the membership tests never build the indexes.
    void membershipBeforeFirstLookup() {
        QVERIFY(!is_anew_word(QStringLiteral("house")));
        QVERIFY(!is_anew_stem(QStringLiteral("hous")));
        float x = 0;
        int fq = 0;
        QVERIFY(anew_word(QStringLiteral("house"), x, x, x, x, x, x, fq));
        QVERIFY(is_anew_word(QStringLiteral("house")) && is_anew_stem(QStringLiteral("hous")));
        QCOMPARE(anew_db.size(), ANEW_N);
    }

    // Alphabetical, unique words of at most 13 letters, lower case but for FALSE after fall; the
    // stem column as the stemmer gives it; the published value ranges and counts.
    void tableShape() {
        QSet<QByteArray> words;
        int not_lower = 0, stem_is_word = 0, zero_freq = 0, shared_stem = 0;
        for (int i = 0; i < ANEW_N; ++i) {
            const QByteArray w(anew[i].word);
            QVERIFY(!w.isEmpty() && w.size() <= 13);
            if (i > 0) QVERIFY2(QByteArray(anew[i - 1].word).toLower() < w.toLower(), w.constData());
            words.insert(w);
            not_lower += w != w.toLower();
            stem_is_word += w == QByteArray(anew[i].stem);
            zero_freq += anew[i].freq == 0;
            shared_stem += i > 0 && std::strcmp(anew[i - 1].stem, anew[i].stem) == 0;
            QCOMPARE(stem_word(QString::fromLatin1(w).toLower()), QString::fromLatin1(anew[i].stem));
            for (float sd : {anew[i].v_sd, anew[i].a_sd, anew[i].d_sd})
                QVERIFY(sd >= 0.31f && sd <= 3.38f);
            QVERIFY(anew[i].v_m >= 1.25f && anew[i].v_m <= 8.82f && anew[i].a_m >= 2.39f &&
                    anew[i].a_m <= 8.17f);
            QVERIFY(anew[i].freq >= 0 && anew[i].freq <= 1599);
        }
        QCOMPARE(QList<int>({int(words.size()), not_lower, stem_is_word, zero_freq, shared_stem}),
                 QList<int>({ANEW_N, 1, 611, 58, 19}));
        QCOMPARE(QByteArray(anew[anew_db.value(QStringLiteral("FALSE")) - 1].word), QByteArray("fall"));
    }

    // Norms as published, in the order the lookups give them (a, a_sd, d, d_sd, v, v_sd, fq); a
    // failed lookup leaves the outputs alone.
    void lookups_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("as_stem");
        QTest::addColumn<QString>("norms"); // empty: not found
        const QString house = "4.56 2.41 6.08 2.12 7.26 1.72 591", fals = "3.43 2.09 4.1 1.56 3.27 1.4 29";
        QTest::addRow("word") << "house" << false << house;
        QTest::addRow("case-sensitive") << "House" << false << "";
        QTest::addRow("stem is no word") << "hous" << false << "";
        QTest::addRow("stem") << "hous" << true << house;
        QTest::addRow("love as word") << "love" << false << "6.44 3.35 7.11 2.56 8.72 0.7 232";
        QTest::addRow("love as stem: the later row") << "love" << true << "6.38 2.68 6.62 2.53 8.64 0.71 56";
        QTest::addRow("memori: the later row") << "memori" << true << "5.42 2.25 5.11 2.12 6.62 1.5 76";
        QTest::addRow("false is stored in capitals") << "false" << false << "";
        QTest::addRow("fals") << "fals" << true << fals;
        QTest::addRow("FALSE as stored") << "FALSE" << false << fals;
        QTest::addRow("frequency zero") << "cat" << false << "4.38 2.24 6.16 2.05 5.72 2.43 0";
        QTest::addRow("first row") << "abduction" << false << "5.53 2.43 3.49 2.38 2.76 2.06 1";
        QTest::addRow("last row") << "zest" << true << "5.59 2.66 6 1.99 6.79 2.04 5";
        QTest::addRow("empty word") << "" << false << "";
        QTest::addRow("no trimming") << " house" << false << "";
    }
    void lookups() {
        QFETCH(QString, key);
        QFETCH(bool, as_stem);
        QFETCH(QString, norms);
        float n[6] = {-1, -1, -1, -1, -1, -1};
        int fq = -1;
        const bool ok = as_stem ? anew_stem(key, n[0], n[1], n[2], n[3], n[4], n[5], fq)
                                : anew_word(key, n[0], n[1], n[2], n[3], n[4], n[5], fq);
        QCOMPARE(ok, !norms.isEmpty());
        QCOMPARE(as_stem ? is_anew_stem(key) : is_anew_word(key), ok);
        QString got;
        for (float x : n)
            got += QString::number(x) + ' ';
        QCOMPARE(got + QString::number(fq), ok ? norms : QStringLiteral("-1 -1 -1 -1 -1 -1 -1"));
    }

    void stems_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("stem");
        // capitals are not lowered here; without a vowel no suffix is removed
        for (auto [w, s] : {std::pair{"abduction", "abduct"},
                            {"houses", "hous"},
                            {"beautiful", "beauti"},
                            {"false", "fals"},
                            {"loving", "love"},
                            {"abundance", "abund"},
                            {"xy", "xy"},
                            {"", ""},
                            {"Houses", "Hous"},
                            {"caf\u00e9s", "caf\u00e9"},
                            {"\u043b\u044e\u0431\u043e\u0432\u044c", "\u043b\u044e\u0431\u043e\u0432\u044c"},
                            {"\U0001F600s", "\U0001F600s"}})
            QTest::addRow("%s", w) << QString(w) << QString(s);
        QTest::addRow("long word") << QString(20000, 'a') + "ings" << QString(20000, 'a');
    }
    void stems() {
        QFETCH(QString, word);
        QFETCH(QString, stem);
        const QString got = stem_word(word);
        stem_word(QStringLiteral("loving")); // the buffer is reused: earlier results must not change
        QCOMPARE(got, stem);
    }
};

QTEST_GUILESS_MAIN(tst_anew)
#include "tst_anew.moc"

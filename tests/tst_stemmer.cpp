#include <QTest>

#include "anew.h"
#include "stemmer.h"

// Snowball English stems of lower-case words.
class tst_stemmer : public QObject {
    Q_OBJECT

private slots:
    void stems_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("stem");
        QTest::addRow("abduction") << "abduction"
                                   << "abduct";
        QTest::addRow("abundance") << "abundance"
                                   << "abund";
        QTest::addRow("house") << "house"
                               << "hous";
        QTest::addRow("houses") << "houses"
                                << "hous";
        QTest::addRow("memories") << "memories"
                                  << "memori";
        QTest::addRow("beautiful") << "beautiful"
                                   << "beauti";
        QTest::addRow("false") << "false"
                               << "fals";
        QTest::addRow("loving") << "loving"
                                << "love";
        QTest::addRow("loves") << "loves"
                               << "love";
        QTest::addRow("lie") << "lie"
                             << "lie";
        QTest::addRow("empty") << ""
                               << "";
        QTest::addRow("no lower-casing of its own") << "Houses"
                                                    << "Hous";
        QTest::addRow("digits") << "2011"
                                << "2011";
        QTest::addRow("Latin-1 letters survive") << "caf\u00e9s"
                                                 << "caf\u00e9";
        QTest::addRow("other scripts pass through") << "\u043b\u044e\u0431\u043e\u0432\u044c"
                                                    << "\u043b\u044e\u0431\u043e\u0432\u044c";
        QTest::addRow("no vowel, no suffix removal") << "\U0001F600s"
                                                     << "\U0001F600s";
    }
    void stems() {
        QFETCH(QString, word);
        QFETCH(QString, stem);
        QCOMPARE(stem_word(word), stem);
    }

    // Stems of inflected forms reach the lexicon's stem index, non-Latin text reaches nothing.
    void stemsFindRows_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("row");
        QTest::addRow("houses -> house") << "houses"
                                         << "house";
        QTest::addRow("loving -> loved (later row)") << "loving"
                                                     << "loved";
        QTest::addRow("non-Latin-1 word") << "\u4e2d\u6587"
                                          << "";
        QTest::addRow("empty") << ""
                               << "";
    }
    void stemsFindRows() {
        QFETCH(QString, word);
        QFETCH(QString, row);
        float a = -1, x = 0, v = -1;
        int fq = -1;
        const bool found = anew_stem(stem_word(word), a, x, x, x, v, x, fq);
        QCOMPARE(found, !row.isEmpty());
        if (found) {
            const int i = anew_db.value(row, -1);
            QVERIFY(i >= 0);
            QCOMPARE(v, anew[i].v_m);
            QCOMPARE(a, anew[i].a_m);
            QCOMPARE(fq, anew[i].freq);
        }
    }

    // The stemmer's buffer is reused between calls: earlier results must not change.
    void resultsAreCopies() {
        const QString first = stem_word(QStringLiteral("abundance"));
        const QString second = stem_word(QStringLiteral("xy"));
        QCOMPARE(first, QStringLiteral("abund"));
        QCOMPARE(second, QStringLiteral("xy"));
    }

    void longWord() {
        const QString w = QString(20000, QChar('a')) + QStringLiteral("ings");
        QCOMPARE(stem_word(w), QString(20000, QChar('a')));
    }
};

QTEST_GUILESS_MAIN(tst_stemmer)
#include "tst_stemmer.moc"

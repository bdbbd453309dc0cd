#include <QTest>

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
        QTest::addRow("houses") << "houses"
                                << "hous";
        QTest::addRow("beautiful") << "beautiful"
                                   << "beauti";
        QTest::addRow("false") << "false"
                               << "fals";
        QTest::addRow("loving") << "loving"
                                << "love";
        QTest::addRow("empty") << ""
                               << "";
        QTest::addRow("no lower-casing of its own") << "Houses"
                                                    << "Hous";
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

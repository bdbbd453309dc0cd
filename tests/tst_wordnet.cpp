#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <utility>

#include "wordnet.h"

// Stop words and WordNet base forms, including a run against a missing database.
class tst_wordnet : public QObject {
    Q_OBJECT

    static bool child() { return qEnvironmentVariableIsSet("QUORVEL_WN_CHILD"); }

private slots:
    // "high" is listed three times; matches are exact and case-sensitive
    void stopWords() {
        for (const char* w : {"the", "rt", "http", "co", "z", "yours", "high"})
            QVERIFY2(stop_word(w), w);
        for (const char* w : {"The", "RT", "cat", "thee", ""})
            QVERIFY2(!stop_word(w), w);
    }

    // nouns come before verbs; the second call answers from the cache
    void baseForms_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("base");
        for (auto [w, b] : {std::pair{"cats", "cat"},
                            {"leaves", "leaf"},
                            {"feet", "foot"},
                            {"went", "go"},
                            {"running", "run"},
                            {"Geese", "goose"}})
            QTest::addRow("%s", w) << QString(w) << QString(b);
    }
    void baseForms() {
        QFETCH(QString, word);
        QFETCH(QString, base);
        QCOMPARE(stem(word), base);
        QCOMPARE(stem(word), base);
    }

    // Without a base form the first answer is empty and the cached one is the word itself; the
    // library still answers for a fresh ordinary word afterwards.
    void noBaseForm_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("next");
        QTest::addColumn<QString>("next_base");
        QTest::addRow("unknown") << "qzxvwk" << QString("mice") << "mouse";
        QTest::addRow("already a base form") << "dog" << QString("oxen") << "ox";
        QTest::addRow("accented") << "caf\u00e9s" << QString("wolves") << "wolf";
        QTest::addRow("outside Latin-1") << "\u043a\u043e\u0448\u043a\u0438" << QString("teeth") << "tooth";
        QTest::addRow("longer than any word") << QString(5000, 'x') + "es" << QString("knives") << "knife";
        QTest::addRow("many joints") << QString("a_").repeated(200) + "s" << QString("women") << "woman";
    }
    void noBaseForm() {
        QFETCH(QString, word);
        QFETCH(QString, next);
        QFETCH(QString, next_base);
        QCOMPARE(stem(word), QString());
        QCOMPARE(stem(word), word);
        QCOMPARE(stem(next), next_base);
    }

    void missingDatabase() {
        QTemporaryDir empty;
        QVERIFY(empty.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUORVEL_WN_CHILD", qEnvironmentVariable("WNSEARCHDIR"));
        env.insert("WNSEARCHDIR", empty.path());
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(QCoreApplication::applicationFilePath(), {"missingDatabaseChild"});
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }

    // Started by missingDatabase() with the database pointed at an empty directory.
    void missingDatabaseChild() {
        if (!child()) QSKIP("runs in a process of its own");
        QCOMPARE(wordnet_init(), 0);
        QVERIFY(!stop_word("the"));
        QCOMPARE(stem("cats"), QString());
        QCOMPARE(stem("cats"), QString()); // nothing was cached

        // The database appears: the next call loads it.
        const QString real = qEnvironmentVariable("QUORVEL_WN_CHILD");
        if (real.isEmpty())
            qunsetenv("WNSEARCHDIR");
        else
            qputenv("WNSEARCHDIR", real.toLocal8Bit());
        QVERIFY(stop_word("the"));
        QCOMPARE(stem("cats"), QString("cat"));
    }
};

QTEST_GUILESS_MAIN(tst_wordnet)
#include "tst_wordnet.moc"

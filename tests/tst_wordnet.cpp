#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "wordnet.h"

// Stop words and WordNet base forms, including a run against a missing database.
class tst_wordnet : public QObject {
    Q_OBJECT

    static bool child() { return qEnvironmentVariableIsSet("QUORVEL_WN_CHILD"); }

private slots:
    void stopWords_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<bool>("stop");
        QTest::addRow("the") << "the" << true;
        QTest::addRow("retweet marker") << "rt" << true;
        QTest::addRow("link pieces") << "http" << true;
        QTest::addRow("co") << "co" << true;
        QTest::addRow("last entry") << "z" << true;
        QTest::addRow("entry before it") << "yours" << true;
        QTest::addRow("listed three times") << "high" << true;
        QTest::addRow("case-sensitive") << "The" << false;
        QTest::addRow("upper-case marker") << "RT" << false;
        QTest::addRow("content word") << "cat" << false;
        QTest::addRow("not a prefix match") << "thee" << false;
        QTest::addRow("empty") << "" << false;
    }
    void stopWords() {
        if (child()) QSKIP("runs in the parent process");
        QFETCH(QString, word);
        QFETCH(bool, stop);
        QCOMPARE(stop_word(word), stop);
    }

    void baseForms_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("base");
        QTest::addRow("plural") << "cats"
                                << "cat";
        QTest::addRow("noun before verb") << "leaves"
                                          << "leaf";
        QTest::addRow("irregular plural") << "feet"
                                          << "foot";
        QTest::addRow("verb only, irregular past") << "went"
                                                   << "go";
        QTest::addRow("verb only, participle") << "running"
                                               << "run";
        QTest::addRow("upper case still found") << "Geese"
                                                << "goose";
    }
    void baseForms() {
        if (child()) QSKIP("runs in the parent process");
        QFETCH(QString, word);
        QFETCH(QString, base);
        QCOMPARE(stem(word), base);
        QCOMPARE(stem(word), base); // the cached answer
    }

    // Without a base form the first answer is empty and the cached one is the word itself; the
    // library still answers for a fresh ordinary word afterwards.
    void noBaseForm_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("next");
        QTest::addColumn<QString>("next_base");
        QTest::addRow("unknown") << "qzxvwk"
                                 << "mice"
                                 << "mouse";
        QTest::addRow("already a base form") << "dog"
                                             << "oxen"
                                             << "ox";
        QTest::addRow("accented") << QString::fromUtf8("cafés") << "wolves"
                                  << "wolf";
        QTest::addRow("outside Latin-1") << QString::fromUtf8("кошки") << "teeth"
                                         << "tooth";
        QTest::addRow("longer than any word") << QString(5000, 'x') + "es"
                                              << "knives"
                                              << "knife";
        QTest::addRow("many joints") << QString("a_").repeated(200) + "s"
                                     << "women"
                                     << "woman";
    }
    void noBaseForm() {
        if (child()) QSKIP("runs in the parent process");
        QFETCH(QString, word);
        QFETCH(QString, next);
        QFETCH(QString, next_base);
        QCOMPARE(stem(word), QString());
        QCOMPARE(stem(word), word);
        QCOMPARE(stem(next), next_base);
    }

    void missingDatabase() {
        if (child()) QSKIP("runs in the parent process");
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

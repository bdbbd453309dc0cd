#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <utility>

#include <wn.h>

#include "wordnet.h"

// Stop words and WordNet base forms, including a run against a missing database.
class tst_wordnet : public QObject {
    Q_OBJECT

    static bool child() { return qEnvironmentVariableIsSet("QUORVEL_WN_CHILD"); }

    // The library's own noun-then-verb answer, as stem() gave it before it worked from memory.
    static QString library_base(const QString& word) {
        for (int pos : {NOUN, VERB}) {
            QByteArray w = word.toLatin1();
            if (const char* b = morphstr(w.data(), pos)) return QString::fromLatin1(b);
        }
        return QString();
    }

    // Every lemma of the noun and verb index files and every form and base of their exception
    // lists, each with regular inflections and with phrases and spellings the tokeniser can
    // produce; with a step above 1, every step-th of those words with one of its variants.
    static QStringList words_to_compare(qsizetype step) {
        QSet<QString> bases;
        const QString dir = QString::fromLocal8Bit(SetSearchdir());
        for (const char* name : {"index.noun", "index.verb", "noun.exc", "verb.exc"}) {
            QFile f(dir + '/' + name);
            if (!f.open(QIODevice::ReadOnly)) return {};
            const bool exc = QByteArray(name).endsWith(".exc");
            for (const QByteArray& line : f.readAll().split('\n')) {
                if (line.isEmpty() || line.startsWith(' ')) continue; // the licence
                const QList<QByteArray> fields = line.split(' ');
                for (qsizetype k = 0; k < (exc ? fields.size() : 1); ++k)
                    bases.insert(QString::fromLatin1(fields[k]));
            }
        }
        bases.remove(QString());
        QStringList sorted(bases.begin(), bases.end());
        std::sort(sorted.begin(), sorted.end());
        QSet<QString> all;
        for (qsizetype i = 0; i < sorted.size(); i += step) {
            const QString& w = sorted[i];
            const QString cut = w.chopped(1), last = w.right(1);
            QStringList forms{w,           w.toUpper(), w + "_to_cats",  "x_" + w + "s",  cut + "ies",
                              cut + "ing", cut + "ied", w + last + "ed", w + last + "ing"};
            for (const char* end : {"s", "es", "ed", "d", "ing", "er", "est"})
                forms.append(w + end);
            if (step == 1)
                all.unite(QSet<QString>(forms.begin(), forms.end()));
            else
                all.insert(forms[i / step % forms.size()]);
        }
        all.remove(QString());
        return QStringList(all.begin(), all.end());
    }

private slots:
    // "high" is listed three times; matches are exact and case-sensitive
    void stopWords() {
        QStringList stops;
        for (const char* w :
             {"the", "rt", "http", "co", "z", "yours", "high", "The", "RT", "cat", "thee", ""})
            if (stop_word(w)) stops << w;
        QCOMPARE(stops, QStringList({"the", "rt", "http", "co", "z", "yours", "high"}));
    }

    // Nouns come before verbs, and a noun of two letters is not reduced ("i" would be one). The
    // second answer comes from the cache: a word without a base form comes back unchanged. Each
    // odd word is followed by an ordinary one, which the library must still answer.
    void baseForms_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("again");
        for (auto [w, b] : {std::pair{"cats", "cat"},
                            {"leaves", "leaf"},
                            {"feet", "foot"},
                            {"went", "go"},
                            {"running", "run"},
                            {"is", "be"},
                            {"Geese", "goose"}})
            QTest::addRow("%s", w) << QString(w) << QString(b) << QString(b);
        const QString odd[] = {"qzxvwk",
                               "dog",
                               "caf\u00e9s",
                               "\u043a\u043e\u0448\u043a\u0438",
                               QString(5000, 'x') + "es",
                               QString("a_").repeated(200) + "s"};
        const char* next[][2] = {{"mice", "mouse"},  {"oxen", "ox"},      {"wolves", "wolf"},
                                 {"teeth", "tooth"}, {"knives", "knife"}, {"women", "woman"}};
        for (int k = 0; k < 6; ++k) {
            QTest::addRow("odd %d", k) << odd[k] << QString() << odd[k];
            QTest::addRow("%s", next[k][0])
                << QString(next[k][0]) << QString(next[k][1]) << QString(next[k][1]);
        }
    }
    void baseForms() {
        QFETCH(QString, word);
        QFETCH(QString, base);
        QFETCH(QString, again);
        QCOMPARE(stem(word), base);
        QCOMPARE(stem(word), again);
    }

    // The answers from memory equal the library's, on a fixed sample of about 3,000 words
    // (QUORVEL_WN_EVERY_WORD=1: on every word, over two million).
    void sameAsTheLibrary() {
        const bool every = qEnvironmentVariableIntValue("QUORVEL_WN_EVERY_WORD") == 1;
        const QStringList words = words_to_compare(every ? 1 : 50);
        QVERIFY(words.size() > 2500);
        QStringList wrong;
        qsizetype found = 0;
        for (const QString& w : words) {
            const QString want = library_base(w);
            found += !want.isEmpty();
            if (stem(w) != want) wrong.append(w + " -> " + stem(w) + ", not " + want);
        }
        qInfo("%lld words compared, %lld with a base form, %lld different", qlonglong(words.size()),
              qlonglong(found), qlonglong(wrong.size()));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.mid(0, 20).join("; ")));
        QVERIFY(found > words.size() / 10);
    }

    // Runs a *Child function in a process of its own, with the database in a directory of the
    // test's: none at all, or the real one whose noun and verb files are copies the child may spoil.
    void inProcessOfItsOwn_data() {
        QTest::addColumn<QString>("function");
        QTest::addColumn<bool>("database");
        QTest::addRow("missing database") << "missingDatabaseChild" << false;
        QTest::addRow("files read once") << "readOnceChild" << true;
    }
    void inProcessOfItsOwn() {
        QFETCH(QString, function);
        QFETCH(bool, database);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString real = QString::fromLocal8Bit(SetSearchdir());
        for (const QFileInfo& f : QDir(real).entryInfoList(QDir::Files)) {
            if (!database) break;
            const QString to = dir.filePath(f.fileName());
            const bool spoilt =
                QStringList{"index.noun", "index.verb", "noun.exc", "verb.exc"}.contains(f.fileName());
            QVERIFY(spoilt ? QFile::copy(f.filePath(), to) : QFile::link(f.filePath(), to));
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUORVEL_WN_CHILD", qEnvironmentVariable("WNSEARCHDIR"));
        env.insert("WNSEARCHDIR", dir.path());
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(QCoreApplication::applicationFilePath(), {function});
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }

    // The base forms come from what the first use read: emptied afterwards, the files that the
    // library would search change no answer.
    void readOnceChild() {
        if (!child()) QSKIP("runs in a process of its own");
        QVERIFY(stop_word("the"));
        const QString dir = qEnvironmentVariable("WNSEARCHDIR");
        for (const char* name : {"index.noun", "index.verb", "noun.exc", "verb.exc"})
            QVERIFY(QFile(dir + '/' + name).resize(0));
        const std::pair<const char*, const char*> words[] = {{"geese", "goose"},
                                                             {"running", "run"},
                                                             {"cupsful", "cupful"},
                                                             {"looked_up", "look_up"},
                                                             {"qzx", ""}};
        for (auto [w, b] : words)
            QCOMPARE(stem(w), QString(b));
    }

    // Started by inProcessOfItsOwn() with the database pointed at an empty directory.
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

#include <QTest>

#include <cmath>

#include "analysis_fixture.h"
#include "tweet.h"

using term_freqs = QMap<QString, int>;

// Tokenising, base forms, TF-IDF weights and cosine of documents and the collection.
class tst_doc : public QObject {
    Q_OBJECT

private slots:
    void init() { create_analysis_globals(); }
    void cleanup() { delete_analysis_globals(); }

    void terms_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<term_freqs>("terms");
        QTest::addRow("stop words, case, plural") << "The cats, the CATS!" << term_freqs{{"cat", 2}};
        QTest::addRow("only stop words") << "the, rt; a... OF? http://co" << term_freqs{};
        QTest::addRow("empty") << "" << term_freqs{};
        QTest::addRow("verb forms") << "Dogs ran... dog RUNS" << term_freqs{{"dog", 2}, {"run", 2}};
        QTest::addRow("digits and underscore")
            << "#tag_1 @me_2 42" << term_freqs{{"tag_1", 1}, {"me_2", 1}, {"42", 1}};
        QTest::addRow("combining mark joins")
            << QString::fromUtf8("cafe\u0301s-bar")
            << term_freqs{{QString::fromUtf8("cafe\u0301s"), 1}, {"bar", 1}};
        QTest::addRow("letters beyond the BMP")
            << QString::fromUtf8("\U00010400b|xx\U0001F600yy")
            << term_freqs{{QString::fromUtf8("\U00010428b"), 1}, {"xx", 1}, {"yy", 1}};
        QTest::addRow("broken surrogate") << QString(QChar(0xD800)) + "cat" << term_freqs{{"cat", 1}};
    }
    void terms() {
        QFETCH(QString, text);
        QFETCH(term_freqs, terms);
        doc d;
        QVERIFY(d.add(text));
        term_freqs got;
        int last = -1;
        for (const doc_term& t : d.terms()) {
            QVERIFY(t.ID > last);
            last = t.ID;
            got[tvec->term_str(t.ID)] = t.freq;
        }
        QCOMPARE(got, terms);
        QCOMPARE(d.size(), int(terms.size()));
    }

    void numbering() {
        doc a, b;
        doc copy = b;
        QCOMPARE(copy.ID(), 1);
        QCOMPARE(doc::ID_n, 2);
        b.add("zebra apple");
        a.add("apple zebra mango");
        QCOMPARE(tvec->term_str(a.terms().at(0).ID), QString("zebra")); // sorted by number
        QCOMPARE(tvec->term_DF("apple"), 2);
    }

    // Whole documents after each fill of the collection: terms with their numbers, frequencies and
    // weights, then the cosine of every pair. A second fill keeps the documents that remain and
    // adds the new terms to theirs.
    void weights_data() {
        QTest::addColumn<QStringList>("fills"); // texts of one fill joined by '|'
        QTest::addColumn<QString>("out");
        QTest::addRow("a term of every document weighs 0")
            << QStringList{"cat bird|cat fish|cat dog"}
            << "#0, 2 terms:\n0: cat/1 (0)\n1: bird/1 (1)\n0.1=0 0.2=0 #1, 2 terms:\n0: cat/1 (0)\n2: fish/1 "
               "(1)\n1.2=0 #2, 2 terms:\n0: cat/1 (0)\n3: dog/1 (1)\n";
        QTest::addRow("unit length from below 1")
            << QStringList{"owl|owls|cat"}
            << "#0, 1 terms:\n0: owl/1 (1)\n0.1=1 0.2=0 #1, 1 terms:\n0: owl/1 (1)\n1.2=0 #2, 1 terms:\n1: "
               "cat/1 (1)\n";
        QTest::addRow("two weights")
            << QStringList{"bird dog dog|cat|cat bird"}
            << "#0, 2 terms:\n0: bird/1 (0.181471)\n1: dog/2 (0.983396)\n0.1=0 0.2=0.128319 #1, 1 terms:\n2: "
               "cat/1 (1)\n1.2=0.707107 #2, 2 terms:\n0: bird/1 (0.707107)\n2: cat/1 (0.707107)\n";
        QTest::addRow("nothing weighted")
            << QStringList{"cat owl|cats owl owl"}
            << "#0, 2 terms:\n0: cat/1 (0)\n1: owl/1 (0)\n0.1=0 #1, 2 terms:\n0: cat/1 (0)\n1: owl/2 (0)\n";
        QTest::addRow("second fill") << QStringList{"cat|dog", "owl"}
                                     << "#0, 2 terms:\n0: cat/1 (0.707107)\n2: owl/1 (0.707107)\n";
    }
    void weights() {
        QFETCH(QStringList, fills);
        QFETCH(QString, out);
        for (const QString& f : fills)
            fill_collection(f.split('|'));
        QString got;
        QDebug dbg = QDebug(&got).nospace();
        for (int i = 0; i < collect->size(); ++i) {
            dbg << '#' << collect->document(i)->ID() << ", " << *collect->document(i);
            for (int j = i + 1; j < collect->size(); ++j)
                dbg << i << '.' << j << '=' << *collect->document(i) * *collect->document(j) << ' ';
        }
        QVERIFY(!collect->document(collect->size()) && !collect->document(-1));
        QCOMPARE(got, out);
    }
};

QTEST_GUILESS_MAIN(tst_doc)
#include "tst_doc.moc"

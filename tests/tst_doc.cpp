#include <QTest>

#include <cmath>

#include "analysis_fixture.h"
#include "tweet.h"

using term_freqs = QMap<QString, int>;

// Tokenising, base forms, TF-IDF weights and cosine of documents and the collection.
class tst_doc : public QObject {
    Q_OBJECT


    static float weight(const doc* d, const QString& term) {
        for (const doc_term& t : d->terms())
            if (tvec->term_str(t.ID) == term) return t.TF_IDF;
        return NAN;
    }

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

    void sharedTermWeightsZero() {
        fill_collection({"cat bird", "cat fish", "cat dog"});
        QCOMPARE(collect->size(), 3);
        const QStringList other{"bird", "fish", "dog"};
        for (int i = 0; i < 3; ++i) {
            const doc* d = collect->document(i);
            QCOMPARE(weight(d, "cat"), 0.0f);
            QCOMPARE(weight(d, other[i]), 1.0f);
            for (int j = 0; j < 3; ++j)
                QCOMPARE(*d * *collect->document(j), i == j ? 1.0f : 0.0f);
        }
        QVERIFY(!collect->document(3));
        QVERIFY(!collect->document(-1));
    }

    // Every term in every document: the weights stay 0 instead of becoming NaN.
    void zeroNorm() {
        fill_collection({"cat owl", "cats owl owl"});
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(collect->document(i)->size(), 2);
            for (const doc_term& t : collect->document(i)->terms())
                QCOMPARE(t.TF_IDF, 0.0f);
        }
        QCOMPARE(*collect->document(0) * *collect->document(1), 0.0f);
        QString out;
        QDebug(&out).nospace() << *collect->document(1);
        QCOMPARE(out, QString("2 terms:\n0: cat/1 (0)\n1: owl/2 (0)\n"));
    }

    // A second fill keeps the surviving documents and adds the new terms on top.
    void secondAdd() {
        fill_collection({"cat", "dog"});
        fill_collection({"owl"});
        QCOMPARE(collect->size(), 1);
        QCOMPARE(collect->document(0)->ID(), 0);
        QCOMPARE(collect->document(0)->size(), 2);
        QVERIFY(!std::isnan(weight(collect->document(0), "owl")));
    }
};

QTEST_GUILESS_MAIN(tst_doc)
#include "tst_doc.moc"

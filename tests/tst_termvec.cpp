#include <QTest>

#include <random>

#include "termvec.h"

// Term numbering, occurrence lists and the debug form of the term index.
class tst_termvec : public QObject {
    Q_OBJECT

private slots:
    void numberingAndFrequency() {
        termvec tv;
        QCOMPARE(tv.term_pos("cat", 0, 0, true), 0);
        QCOMPARE(tv.term_pos("dog", 0, 0, true), 1);
        QCOMPARE(tv.term_pos("cat", 1, 0, true), 0);
        QCOMPARE(tv.term_pos("Cat", 1, 0, true), 2); // exact, case-sensitive
        QCOMPARE(tv.size(), 3);
        QCOMPARE(tv.term_DF("cat"), 2);
        QCOMPARE(tv.term_DF("dog"), 1);
        QCOMPARE(tv.term_DF("bird"), 0);
        QCOMPARE(tv.term_str(1), QString("dog"));
        QCOMPARE(tv.term_str(-1), QString());
        QCOMPARE(tv.term_str(tv.size()), QString());
    }

    void occurrenceLists() {
        termvec tv;
        tv.term_pos("cat", 0, 0, true);
        tv.term_pos("cat", 0, 0, true);
        QCOMPARE(*tv.term_sen_list(0, 0), QList<int>{0});
        tv.term_pos("cat", 0, 3, true);
        tv.term_pos("cat", 5, 2, true);
        tv.term_pos("cat", 0, 1, true); // an earlier document, not the last indexed
        tv.term_pos("cat", 0, 3, true);
        QCOMPARE(*tv.term_sen_list(0, 0), (QList<int>{0, 3, 1}));
        QCOMPARE(*tv.term_sen_list(0, 5), QList<int>{2});
        QCOMPARE(tv.term_doc_list(0)->size(), 2);
        QCOMPARE(tv.term_DF("cat"), 2);

        QVERIFY(!tv.term_sen_list(0, 7));
        QVERIFY(!tv.term_sen_list(1, 0));
        QVERIFY(!tv.term_doc_list(1));
        QVERIFY(!tv.term_doc_list(-1));

        QList<int> docs{9}, sens{9};
        QVERIFY(!tv.term_doc_list_old(1, docs));
        QVERIFY(!tv.term_sen_list_old(0, 7, sens));
        QCOMPARE(docs, QList<int>{9});
        QCOMPARE(sens, QList<int>{9});
        QVERIFY(tv.term_doc_list_old(0, docs));
        QVERIFY(tv.term_sen_list_old(0, 0, sens));
        QCOMPARE(docs, (QList<int>{0, 5}));
        QCOMPARE(sens, (QList<int>{0, 3, 1}));
    }

    // Numbers follow first appearance whatever the order of documents and repeats.
    void numbersMatchFirstAppearance() {
        std::mt19937 rng(7);
        termvec tv;
        QStringList seen;
        for (int k = 0; k < 20000; ++k) {
            const QString term = QString::number(rng() % 3000, 36);
            if (!seen.contains(term)) seen.append(term);
            QCOMPARE(tv.term_pos(term, int(rng() % 50), int(rng() % 4), true), int(seen.indexOf(term)));
        }
        QCOMPARE(tv.size(), int(seen.size()));
        for (int i = 0; i < seen.size(); ++i)
            QCOMPARE(tv.term_str(i), seen.at(i));
    }

    void debugForm() {
        termvec tv;
        tv.term_pos("cat", 0, 0, true);
        tv.term_pos("dog", 0, 0, true);
        tv.term_pos("cat", 1, 0, true);
        tv.term_pos("cat", 1, 3, true);
        QString out;
        QDebug(&out).nospace() << tv;
        QCOMPARE(out, QString("2 terms:\n  cat: 0/0, 1/0 1/3\n  dog: 0/0\n"));
    }
};

QTEST_GUILESS_MAIN(tst_termvec)
#include "tst_termvec.moc"

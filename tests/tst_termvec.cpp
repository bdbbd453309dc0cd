#include <QTest>

#include <tuple>
#include <utility>

#include "analysis_fixture.h"
#include "termvec.h"

// Term numbering, occurrence lists and the debug form of the term index.
class tst_termvec : public QObject {
    Q_OBJECT

private slots:
    void numberingAndFrequency() {
        termvec tv;
        QList<int> pos;
        for (auto [term, d, sen] :
             {std::tuple{"cat", 0, 0}, {"dog", 0, 0}, {"cat", 1, 0}, {"cat", 1, 3}, {"Cat", 1, 0}})
            pos << tv.term_pos(term, d, sen, true);
        QCOMPARE(pos, QList<int>({0, 1, 0, 0, 2})); // exact, case-sensitive
        QCOMPARE(QList<int>({tv.size(), tv.term_DF("cat"), tv.term_DF("dog"), tv.term_DF("bird")}),
                 QList<int>({3, 2, 1, 0}));
        QCOMPARE(tv.term_str(1) + '|' + tv.term_str(-1) + '|' + tv.term_str(3), "dog||");
        QString out;
        QDebug(&out).nospace() << tv;
        QCOMPARE(out, QString("3 terms:\n  cat: 0/0, 1/0 1/3\n  dog: 0/0\n  Cat: 1/0\n"));
        QCOMPARE(debug_lines([&] { tv.dump(1); }), QStringList({"cat: QList(0, 3)", "Cat: QList(0)"}));
    }

    void occurrenceLists() {
        termvec tv;
        for (auto [d, s] : {std::pair{0, 0}, {0, 0}, {0, 3}, {5, 2}, {0, 1}, {0, 3}})
            tv.term_pos("cat", d, s, true); // document 0 again after 5
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
        QVERIFY(!tv.term_sen_list_old(0, 7, sens) && !tv.term_sen_list_old(1, 0, sens) &&
                !tv.term_sen_list_old(-1, 0, sens) && !tv.term_doc_list_old(-1, docs));
        QCOMPARE(docs, QList<int>{9});
        QCOMPARE(sens, QList<int>{9});
        QVERIFY(tv.term_doc_list_old(0, docs));
        QVERIFY(tv.term_sen_list_old(0, 0, sens));
        QCOMPARE(docs, (QList<int>{0, 5}));
        QCOMPARE(sens, (QList<int>{0, 3, 1}));
    }
};

QTEST_GUILESS_MAIN(tst_termvec)
#include "tst_termvec.moc"

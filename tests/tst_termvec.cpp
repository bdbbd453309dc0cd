#include <QTest>

#include <climits>
#include <tuple>
#include <utility>

#include "analysis_fixture.h"
#include "co_occur.h"
#include "termvec.h"
#include "tweet.h"

using int_list = QList<int>;

// The term index: numbering, occurrence lists, listings; sentence-list intersections and the
// co-occurrence weight operations over it.
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

    void intersect_data() {
        QTest::addColumn<int_list>("s_0");
        QTest::addColumn<int_list>("s_1");
        QTest::addColumn<int_list>("before");
        QTest::addColumn<int_list>("after");
        QTest::addRow("one shared") << int_list{1, 3, 5} << int_list{2, 3} << int_list{} << int_list{3};
        QTest::addRow("disjoint") << int_list{1, 2} << int_list{3, 4} << int_list{} << int_list{};
        QTest::addRow("appends to what is there")
            << int_list{0, 4} << int_list{4, 9} << int_list{7, 8} << int_list{7, 8, 4};
        QTest::addRow("several, first list longer")
            << int_list{0, 2, 4, 6, 8} << int_list{1, 2, 3, 8} << int_list{} << int_list{2, 8};
        QTest::addRow("last values") << int_list{5} << int_list{1, 2, 5} << int_list{} << int_list{5};
        QTest::addRow("empty") << int_list{} << int_list{0} << int_list{} << int_list{};
    }
    void intersect() {
        QFETCH(int_list, s_0);
        QFETCH(int_list, s_1);
        QFETCH(int_list, before);
        QFETCH(int_list, after);
        const bool shared = after.size() > before.size();
        QCOMPARE(co_occur::sen_ID_isect(&s_0, &s_1), shared);
        QCOMPARE(co_occur::sen_ID_isect(&s_1, &s_0), shared);
        int_list isect = before;
        QCOMPARE(co_occur::sen_ID_isect(&s_0, &s_1, isect), int(after.size()));
        QCOMPARE(isect, after);
        QVERIFY(!co_occur::sen_ID_isect(&s_0, nullptr));
        QCOMPARE(co_occur::sen_ID_isect(nullptr, &s_1, isect), int(after.size()));
    }

    // The weights are not defined yet and are 0; gathering their term pairs reads only documents
    // that exist, whatever numbers and ranges are asked for.
    void weightsReadOnlyDocumentsThatExist() {
        create_analysis_globals();
        fill_collection({"cats dogs owls", "dog owl cat fish", "owl cat"});
        co_occur co;
        for (const auto& [d_0, a, b] :
             {std::tuple{0, 1, 2}, {1, 2, 0}, {2, 2, 2}, {3, 0, 2}, {0, -1, 7}, {1, INT_MIN, INT_MAX}}) {
            QCOMPARE(co.wt(d_0, a), 0.0f);
            QCOMPARE(co.new_wt_rng(d_0, a, b), 0.0f);
        }
        delete_analysis_globals();
    }
};

QTEST_GUILESS_MAIN(tst_termvec)
#include "tst_termvec.moc"

#include <QTest>

#include <climits>
#include <tuple>

#include "analysis_fixture.h"
#include "co_occur.h"
#include "tweet.h"

using int_list = QList<int>;

// Sentence-list intersections and the co-occurrence weight operations.
class tst_co_occur : public QObject {
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(tst_co_occur)
#include "tst_co_occur.moc"

#include <QTest>

#include <cstdlib>
#include <ctime>

#include "tweet.h"

// Author and post-time setters and the plain-value behaviour of the tweet record.
class tst_tweet_record : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Four hours behind UTC in September.
        qputenv("TZ", "America/New_York");
        tzset();
    }

    void author_data() {
        QTest::addColumn<QString>("pub");
        QTest::addColumn<QString>("name");
        QTest::addRow("handle and full name") << "ab12 (A B)" << "ab12";
        QTest::addRow("no full name") << "ab12" << "ab12";
        QTest::addRow("parenthesis without space") << "ab12(A B)" << "ab12(A B)";
        QTest::addRow("first space-parenthesis wins") << "x (y) (z)" << "x";
        QTest::addRow("empty") << "" << "";
        QTest::addRow("starts with it") << " (anon)" << "";
    }
    void author() {
        QFETCH(QString, pub);
        QFETCH(QString, name);
        tweet t;
        t.name(pub);
        QCOMPARE(t.name(), name);
    }

    void postTime_data() {
        QTest::addColumn<QString>("pub");
        QTest::addColumn<QString>("shown");
        QTest::addRow("afternoon") << "2011-09-15T18:04:05Z" << "Sep 15 2:04:05pm";
        QTest::addRow("morning, single-digit day") << "2011-09-05T13:00:09Z" << "Sep 5 9:00:09am";
        QTest::addRow("midnight local") << "2011-09-15T04:30:00Z" << "Sep 15 12:30:00am";
        // 2:30 on March 13 does not exist in New York; the UTC time does
        QTest::addRow("local spring-forward gap") << "2011-03-13T02:30:00Z" << "Mar 12 9:30:00pm";
        QTest::addRow("not a time") << "yesterday" << "";
        QTest::addRow("missing Z") << "2011-09-15T18:04:05" << "";
        QTest::addRow("month 13") << "2011-13-15T18:04:05Z" << "";
        QTest::addRow("letter in the year") << "20x1-09-15T18:04:05Z" << "";
        QTest::addRow("empty") << "" << "";
    }
    void postTime() {
        QFETCH(QString, pub);
        QFETCH(QString, shown);
        tweet t;
        t.time("2011-09-15T18:04:05Z");
        t.time(pub); // a bad time replaces an earlier good one
        QCOMPARE(t.time(), shown);
    }

    // With a message in place, so that an unguarded index would read a neighbouring value.
    void dimensionsOutsideRangeAreZero() {
        tweet t;
        t.content(QStringLiteral("love happy"));
        QCOMPARE(t.m(E_DIM_N), 0.0f);
        QCOMPARE(t.sd(E_DIM_N), 0.0f);
        QCOMPARE(t.m(static_cast<e_dim>(-1)), 0.0f);
    }
};

QTEST_GUILESS_MAIN(tst_tweet_record)
#include "tst_tweet_record.moc"

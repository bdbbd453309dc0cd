#include <QTest>

#include <cstdlib>
#include <ctime>

#include "tweet.h"

// Author and post-time setters of the tweet record.
class tst_tweet_record : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Four hours behind UTC in September.
        qputenv("TZ", "America/New_York");
        tzset();
    }

    void authorAndTime_data() {
        QTest::addColumn<QString>("author");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pub");
        QTest::addColumn<QString>("shown");
        auto row = [](const char* tag, const char* author, const char* name, const char* pub,
                      const char* shown) {
            QTest::newRow(tag) << QString(author) << QString(name) << QString(pub) << QString(shown);
        };
        row("afternoon", "ab12 (A B)", "ab12", "2011-09-15T18:04:05Z", "Sep 15 2:04:05pm");
        row("single-digit day", "ab12", "ab12", "2011-09-05T13:00:09Z", "Sep 5 9:00:09am");
        row("midnight local", "ab12(A B)", "ab12(A B)", "2011-09-15T04:30:00Z", "Sep 15 12:30:00am");
        // 2:30 on March 13 does not exist in New York; the UTC time does
        row("local spring-forward gap", "x (y) (z)", "x", "2011-03-13T02:30:00Z", "Mar 12 9:30:00pm");
        row("not a time", "", "", "yesterday", "");
        row("missing Z", " (anon)", "", "2011-09-15T18:04:05", "");
        row("month 13", "a", "a", "2011-13-15T18:04:05Z", "");
        row("letter in the year", "a", "a", "20x1-09-15T18:04:05Z", "");
        row("empty", "a", "a", "", "");
    }
    void authorAndTime() {
        QFETCH(QString, author);
        QFETCH(QString, name);
        QFETCH(QString, pub);
        QFETCH(QString, shown);
        tweet t;
        t.name(QStringLiteral("earlier (E)"));
        t.time("2011-09-15T18:04:05Z");
        t.name(author);
        t.time(pub); // a bad time replaces an earlier good one
        QCOMPARE(t.name() + '|' + t.time(), name + '|' + shown);
    }
};

QTEST_GUILESS_MAIN(tst_tweet_record)
#include "tst_tweet_record.moc"

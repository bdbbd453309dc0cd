#include "testutils.h"

#include <QNetworkReply>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimeZone>
#include <QTimer>

#include <utility>

#include "twit.h"

using testutils::atom_page;
using testutils::loopback_server;

namespace {

// strip_body's rules as regular expressions: retweets and leading mentions, addresses, end blanks.
QString strip_reference(QString out) {
    static const QRegularExpression rt(QStringLiteral("^RT\\s*@\\S*(\\s+|$)")),
        at(QStringLiteral("^@\\S*(\\s+|$)")), link(QStringLiteral("\\b\\S*\\.\\S*/\\S*\\b\\S*\\s?")),
        tail(QStringLiteral("\\s+$"));
    for (const QRegularExpression* re : {&rt, &at, &link})
        for (QRegularExpressionMatch m = re->match(out); m.hasMatch(); m = re->match(out))
            out.remove(m.capturedStart(), m.capturedLength());
    return out.remove(tail);
}

QStringList numbered(int first, int n, const QString& text = QStringLiteral("I love my happy house %1")) {
    QStringList e;
    for (int k = first; k < first + n; ++k)
        e.append(text.arg(k));
    return e;
}

QStringList bodies(const QList<tweet>& db) {
    QStringList b;
    for (const tweet& t : db)
        b.append(t.content());
    return b;
}

} // namespace

// The search client over real HTTP on the loopback interface, and its text cleaning.
class tst_twit : public QObject {
    Q_OBJECT

private slots:
    // The one-pass cleaning: worked examples, then random texts of the characters that matter to
    // the expressions it stands for, against those expressions.
    void stripBody() {
        twit tw;
        QString out;
        for (auto [body, want] : {std::pair{"RT @a: RT @b: @c rain", "rain"},
                                  {"RT @a RT@", ""},
                                  {"a http://x.example/1 b www.y.example/2 c", "a b c"},
                                  {"look:http://x.example/1 ok", "ok"},
                                  {"café http://é.example/ü/a thé", "café thé"}}) {
            tw.strip_body(QString::fromUtf8(body), out);
            QCOMPARE(out, QString::fromUtf8(want));
        }
        const QString alphabet = QStringLiteral("aZ9_./:@ RT\t\n-é#") + QChar(0x00A0);
        QRandomGenerator rng(5150);
        for (int k = 0; k < 20000; ++k) {
            QString s = rng.bounded(4) == 0 ? QStringLiteral("RT @") : QString();
            for (int i = int(rng.bounded(40)); i > 0; --i)
                s += alphabet[int(rng.bounded(alphabet.size()))];
            tw.strip_body(s, out);
            const QString ref = strip_reference(s);
            if (out != ref)
                QFAIL(qPrintable(QStringLiteral("\"%1\": \"%2\" instead of \"%3\"").arg(s, out, ref)));
        }
    }

    // Fifteen pages at most, in feed order, without repeats or one-term messages; keywords as typed;
    // UTF-8 and escapes kept; an unclosed name tag runs the author to the page's end.
    void fifteenPagesInFeedOrder() {
        loopback_server srv;
        srv.pages[1] = atom_page({"I love café & naïve music ❤ 🌧", "I love my happy house 1"});
        srv.pages[2] =
            atom_page({"RT @ab: I love my happy house 1", "@x @y I love my happy house 1 http://p.example/2",
                       "just rain", "happy party"});
        srv.pages[3] = "<published>t</published><title>love happy</title> tail";
        srv.pages[15] = atom_page(numbered(1500, 1));
        srv.pages[16] = atom_page(numbered(1600, 1));
        twit tw;
        tw.set_base(srv.base());
        QList<tweet> db;
        tw.get(QStringLiteral("rain"), 0, db);
        QVERIFY(srv.requests.isEmpty());
        tw.get(QStringLiteral("café rain+x"), 40, db);
        QCOMPARE(bodies(db),
                 QStringList({"I love café &amp; naïve music ❤ 🌧", "I love my happy house 1",
                              "happy party", "love happy", "I love my happy house 1500"}));
        QList<int> pages;
        for (const loopback_server::request& r : srv.requests)
            pages.append(r.page);
        QCOMPARE(pages, QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
        QCOMPARE(srv.requests.last().q, QStringLiteral("café rain+x"));
        QCOMPARE(db[0].name() + ' ' + db[3].name(), QStringLiteral("ab12 love happy</title> tail"));
        QCOMPARE(db[0].published(), QDateTime(QDate(2024, 3, 4), QTime(10, 0), QTimeZone::utc()));
        QVERIFY(tw.failure_line().isEmpty());
        tw.get(QStringLiteral("x"), 1, db); // repeats are told within one query only
        QCOMPARE(db.size(), 7);
    }

    // Failing pages keep their complete entries and are counted; stalled pages are aborted so they hold
    // no later page up; Cancel or Escape ends a stall at once, keeps its entries, counts no failure.
    void failingPages_data() {
        QTest::addColumn<QByteArray>("answer"); // to pages 2 and on, with their numbers in the texts
        QTest::addColumn<QString>("then");
        QTest::addColumn<int>("answered"); // pages given the answer
        QTest::addColumn<int>("kept");     // of each one's six entries
        QTest::addColumn<QString>("why");  // the failure; "*": any reason
        const QByteArray page = atom_page(numbered(200, 6, QStringLiteral("happy party %1")));
        const qsizetype third =
            page.indexOf("<entry>", page.indexOf("</entry>", page.indexOf("</entry>") + 1));
        const QByteArray two = page.left(third + 5),
                         garbage("\xff\xfe<published\0<title>love happy</title>", 38);
        const QByteArray big = page + QByteArray(3000, ' '), open = loopback_server::head(200, -1);
        auto row = [](const char* name, const QByteArray& answer, const char* then, int answered, int kept,
                      const char* why) {
            QTest::addRow("%s", name) << answer << QString(then) << answered << kept << QString(why);
        };
        row("HTTP 500", loopback_server::head(500, page.size(), "Internal Server Error") + page, "close", 1,
            0, "HTTP 500 Internal Server Error");
        row("dropped connection", "", "abort", 1, 0, "*");
        row("cut short", loopback_server::head(200, page.size()) + two, "close", 1, 2, "*");
        row("garbage", loopback_server::head(200, garbage.size() + page.size()) + garbage + page, "close", 1,
            0, "");
        row("over the size cap", loopback_server::head(200, big.size()) + big, "close", 1,
            int(page.left(600).count("</name>")), "reply larger than 600 bytes");
        // Steady progress keeps the inactivity timer from firing: only the page limit ends it.
        row("trickling past the page limit", open + two, "trickle", 1, 2, "page not complete within 0.6 s");
        row("six stalled", open + two, "", 6, 2, "no reply within 0.3 s");
        row("Cancel button", open + two, "cancel", 1, 2, "");
        row("Escape", open + two, "escape", 1, 2, "");
    }
    void failingPages() {
        QFETCH(QByteArray, answer);
        QFETCH(QString, then);
        QFETCH(int, answered);
        QFETCH(int, kept);
        QFETCH(QString, why);
        const bool cancel = then == "cancel" || then == "escape";
        twit tw;
        auto press = [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QProgressDialog*>(w))
                    then == "escape" ? QTest::keyClick(d, Qt::Key_Escape)
                                     : d->findChild<QPushButton*>()->click();
        };
        loopback_server srv;
        srv.handler = [&](const loopback_server::request& r) {
            QTcpSocket* s = r.sock;
            if (r.page == 1 || r.page > answered + 1)
                return loopback_server::reply(s, atom_page(numbered(r.page * 100, 1)));
            if (cancel) // once the first two entries are in, the user cancels
                for (QNetworkReply* rp : tw.findChildren<QNetworkReply*>())
                    if (!rp->isFinished()) QObject::connect(rp, &QNetworkReply::readyRead, rp, press);
            s->write(QByteArray(answer).replace("party 2", "party " + QByteArray::number(r.page)));
            if (then == "close") s->disconnectFromHost();
            if (then == "abort") s->abort();
            if (then != "trickle") return;
            auto* t = new QTimer(s);
            QObject::connect(t, &QTimer::timeout, s, [s] { s->write(" "); });
            t->start(40);
        };
        tw.set_base(srv.base());
        tw.set_limits(300, 600, why.contains("600") ? 600 : 16 << 20);
        QList<tweet> db;
        tw.get(QStringLiteral("x"), 15, db);

        QList<int> asked, want_asked;
        for (const loopback_server::request& r : srv.requests) // a dropped connection may be tried again
            if (asked.isEmpty() || asked.last() != r.page) asked.append(r.page);
        QStringList want;
        for (int p = 1; p <= (cancel ? 2 : 15); ++p) {
            want_asked.append(p);
            want += p == 1 || p > answered + 1 ? numbered(p * 100, 1)
                                               : numbered(p * 100, kept, QStringLiteral("happy party %1"));
        }
        QCOMPARE(asked, want_asked);
        QCOMPARE(bodies(db), want);
        QVERIFY(!tw.failure().isEmpty() || why.isEmpty());
        QCOMPARE(tw.failure_line(),
                 why.isEmpty() ? QString()
                               : QStringLiteral("%1 of 15 pages failed: %2")
                                     .arg(QString::number(answered), why == "*" ? tw.failure() : why));
    }
};

QUORVEL_TEST_MAIN(tst_twit)
#include "tst_twit.moc"
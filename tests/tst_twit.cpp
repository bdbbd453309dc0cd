#include "testutils.h"

#include <QNetworkReply>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimer>

#include <utility>

#include "twit.h"

using testutils::atom_page;
using testutils::feed_entry;
using testutils::loopback_server;

namespace {

// strip_body as first written: regular expressions, and every search again from the start; then
// trailing white space goes, which an address at the end leaves behind.
QString strip_reference(QString out) {
    static const QRegularExpression rt(QStringLiteral("^RT\\s*@")), ws(QStringLiteral("\\s")),
        nws(QStringLiteral("\\S")), link(QStringLiteral("\\b\\S*\\.\\S*/\\S*\\b"));
    auto cut_after_next_word = [&](int from) {
        const int sp = out.indexOf(ws, from);
        const int next = sp < 0 ? -1 : out.indexOf(nws, sp + 1);
        out = next < 0 ? QString() : out.mid(next);
    };
    while (rt.match(out).hasMatch())
        cut_after_next_word(out.indexOf(QLatin1Char('@')) + 1);
    while (out.startsWith(QLatin1Char('@')))
        cut_after_next_word(1);
    for (QRegularExpressionMatch m = link.match(out); m.hasMatch(); m = link.match(out)) {
        const int i = int(m.capturedStart()), sp = out.indexOf(ws, i);
        if (sp < 0)
            out.truncate(i);
        else
            out.remove(i, sp - i + 1);
    }
    while (!out.isEmpty() && ws.match(out, out.size() - 1).hasMatch())
        out.chop(1);
    return out;
}

QList<feed_entry> numbered(int first, int n,
                           const QString& text = QStringLiteral("I love my happy house %1")) {
    QList<feed_entry> e;
    for (int k = first; k < first + n; ++k)
        e.append({text.arg(k)});
    return e;
}

// An answer to `page` that holds two whole entries of numbered(page * 100, 3) and then stalls.
QByteArray two_then_stall(int page) {
    const QByteArray p = atom_page(numbered(page * 100, 3));
    return loopback_server::head(200, -1) + p.left(p.lastIndexOf("</name>"));
}

QStringList bodies(const QList<tweet>& db) {
    QStringList b;
    for (const tweet& t : db)
        b.append(t.content());
    return b;
}

QStringList texts(const QList<feed_entry>& e) {
    QStringList b;
    for (const feed_entry& x : e)
        b.append(x.text);
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

    // Without a closing name tag the author runs to the end of the page.
    void entryWithoutName() {
        QList<tweet> db;
        twit().parse_page("<published>t</published><title>love happy</title> tail", &db);
        QCOMPARE(db.size(), 1);
        QCOMPARE(db[0].content(), QStringLiteral("love happy"));
        QCOMPARE(db[0].name(), QStringLiteral("love happy</title> tail"));
    }

    // Fifteen pages at most, in feed order, without repeats or messages of fewer than two terms;
    // keywords sent as typed; UTF-8 text with its escapes kept.
    void fifteenPagesInFeedOrder() {
        loopback_server srv;
        const QList<feed_entry> p1 = {{"I love café & naïve music ❤ 🌧", "zoë (Zoë Ü)"},
                                      {"I love my happy house 1"}};
        srv.pages[1] = atom_page(p1);
        srv.pages[2] = atom_page({{"RT @ab: I love my happy house 1"},
                                  {"@x @y I love my happy house 1 http://p.example/2"},
                                  {"just rain"},
                                  {"happy party"}});
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
                              "happy party", "I love my happy house 1500"}));
        QCOMPARE(srv.requests.size(), 15);
        for (int p = 1; p <= 15; ++p)
            QCOMPARE(srv.requests[p - 1].page, p);
        QCOMPARE(srv.requests.last().q, QStringLiteral("café rain+x"));
        QCOMPARE(db[0].name(), QStringLiteral("zoë"));
        QVERIFY(!db[0].time().isEmpty());
        QVERIFY(tw.failure_line().isEmpty());
        tw.get(QStringLiteral("x"), 1, db); // repeats are told within one query only
        QCOMPARE(db.size(), 6);
    }

    // Pages that fail give what arrived complete, if anything; the next page is still requested,
    // and the failure is counted with its reason ("-": no failure, "": any reason).
    void failingPage_data() {
        QTest::addColumn<QByteArray>("answer"); // what page 2's request gets
        QTest::addColumn<QString>("then");      // then close, abort or trickle
        QTest::addColumn<QStringList>("kept");  // what page 2 gives
        QTest::addColumn<QString>("why");
        const QByteArray page2 = atom_page(numbered(200, 6, QStringLiteral("happy party %1")));
        // Where the third entry of page 2 starts: the first two are complete before it.
        const int third =
            page2.indexOf("<entry>", page2.indexOf("<entry>", page2.indexOf("<entry>") + 1) + 1);
        const QByteArray head = loopback_server::head(200, page2.size());
        const QStringList two = {"happy party 200", "happy party 201"};
        auto row = [](const char* name, const QByteArray& answer, const char* then, const QStringList& kept,
                      const QString& why) { QTest::addRow("%s", name) << answer << then << kept << why; };
        row("HTTP 500", loopback_server::head(500, page2.size(), "Internal Server Error") + page2, "close",
            {}, "HTTP 500 Internal Server Error");
        row("dropped connection", "", "abort", {}, "");
        row("cut short", head + page2.left(third + 20), "close", two, "");
        const QByteArray garbage("\xff\xfe<published\0<title>love happy</title>", 38);
        row("garbage", loopback_server::head(200, garbage.size() + page2.size()) + garbage + page2, "close",
            {}, "-");
        // Only the entries closed within the first 600 bytes.
        QList<tweet> under;
        twit().parse_page(page2.left(page2.left(600).lastIndexOf("</name>") + 7), &under);
        QVERIFY(under.size() > 0 && under.size() < 6);
        const QByteArray big = page2 + QByteArray(3000, ' ');
        row("over the size cap", loopback_server::head(200, big.size()) + big, "close", bodies(under),
            "reply larger than 600 bytes");
        // Steady progress keeps the inactivity timer from firing: only the page limit ends it.
        row("trickling past the page limit", loopback_server::head(200, -1) + page2.left(third + 5),
            "trickle", two, "page not complete within 2 s");
    }
    void failingPage() {
        QFETCH(QByteArray, answer);
        QFETCH(QString, then);
        QFETCH(QStringList, kept);
        QFETCH(QString, why);
        const bool capped = QByteArray(QTest::currentDataTag()) == "over the size cap";
        loopback_server srv;
        srv.handler = [&](const loopback_server::request& r) {
            QTcpSocket* s = r.sock;
            if (r.page != 2) return loopback_server::reply(s, atom_page(numbered(r.page * 100, 1)));
            s->write(answer);
            if (then == "close") s->disconnectFromHost();
            if (then == "abort") s->abort();
            if (then != "trickle") return;
            auto* t = new QTimer(s);
            QObject::connect(t, &QTimer::timeout, s, [s] { s->write(" "); });
            t->start(50);
        };
        twit tw;
        tw.set_base(srv.base());
        tw.set_limits(1000, 2000, capped ? 600 : 16 << 20);
        QList<tweet> db;
        tw.get(QStringLiteral("x"), 3, db);

        // A connection dropped before any answer may be tried again by the network layer.
        QList<int> pages;
        for (const loopback_server::request& r : srv.requests)
            if (pages.isEmpty() || pages.last() != r.page) pages.append(r.page);
        QCOMPARE(pages, QList<int>({1, 2, 3}));
        QCOMPARE(bodies(db),
                 QStringList{"I love my happy house 100"} + kept + QStringList{"I love my happy house 300"});
        QCOMPARE(tw.pages_failed(), why == "-" ? 0 : 1);
        if (why == "-") {
            QVERIFY(tw.failure_line().isEmpty());
        } else {
            if (!why.isEmpty()) QCOMPARE(tw.failure(), why);
            QVERIFY(!tw.failure().isEmpty());
            QCOMPARE(tw.failure_line(), QStringLiteral("1 of 3 pages failed: %1").arg(tw.failure()));
        }
    }

    // Six pages stall after two whole entries: each is aborted when given up on, keeping those, so
    // the nine after it get connections at once and arrive whole.
    void stalledPagesFreeTheirConnections() {
        loopback_server srv;
        srv.handler = [&](const loopback_server::request& r) {
            if (r.page > 6) return loopback_server::reply(r.sock, atom_page(numbered(r.page * 100, 2)));
            r.sock->write(two_then_stall(r.page));
        };
        twit tw;
        tw.set_base(srv.base());
        tw.set_limits(300, 5000, qint64(16) << 20);
        QList<tweet> db;
        tw.get(QStringLiteral("x"), 15, db);
        QList<feed_entry> want;
        for (int p = 1; p <= 15; ++p)
            want += numbered(p * 100, 2);
        QCOMPARE(bodies(db), texts(want));
        QCOMPARE(tw.failure_line(), QStringLiteral("6 of 15 pages failed: no reply within 0.3 s"));
    }

    // Cancel (the button, or Escape) while a page stalls ends its wait at once: the entries it
    // completed are kept, no further page is asked for, and nothing counts as failed.
    void cancelDuringStalledPage_data() {
        QTest::addColumn<bool>("escape");
        QTest::addRow("Cancel button") << false;
        QTest::addRow("Escape") << true;
    }
    void cancelDuringStalledPage() {
        QFETCH(bool, escape);
        loopback_server srv;
        twit tw;
        auto cancel = [escape] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QProgressDialog*>(w))
                    escape ? QTest::keyClick(d, Qt::Key_Escape) : d->findChild<QPushButton*>()->click();
        };
        srv.handler = [&](const loopback_server::request& r) {
            if (r.page != 3) return loopback_server::reply(r.sock, atom_page(numbered(r.page * 100, 2)));
            // once the first two entries are in, the user cancels
            for (QNetworkReply* rp : tw.findChildren<QNetworkReply*>())
                if (!rp->isFinished()) QObject::connect(rp, &QNetworkReply::readyRead, rp, cancel);
            r.sock->write(two_then_stall(3));
        };
        tw.set_base(srv.base());
        tw.set_limits(20000, 60000, qint64(16) << 20);
        QList<tweet> db;
        tw.get(QStringLiteral("rain"), 15, db);
        QCOMPARE(srv.requests.size(), 3);
        QCOMPARE(bodies(db), texts(numbered(100, 2) + numbered(200, 2) + numbered(300, 2)));
        QCOMPARE(tw.pages_failed(), 0);
    }
};

QUORVEL_TEST_MAIN(tst_twit)
#include "tst_twit.moc"

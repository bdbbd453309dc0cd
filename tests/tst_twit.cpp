#include "testutils.h"

#include <QProgressDialog>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimer>

#include "twit.h"

using testutils::atom_page;
using testutils::feed_entry;
using testutils::loopback_server;

namespace {

// strip_body as first written: regular expressions, and every search again from the start; then
// trailing white space goes, which an address at the end leaves behind.
QString strip_reference(const QString& body) {
    static const QRegularExpression rt(QStringLiteral("^RT\\s*@"));
    static const QRegularExpression ws(QStringLiteral("\\s"));
    static const QRegularExpression nws(QStringLiteral("\\S"));
    static const QRegularExpression link(QStringLiteral("\\b\\S*\\.\\S*/\\S*\\b"));
    QString out = body;
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
        const int i = int(m.capturedStart());
        const int sp = out.indexOf(ws, i);
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

QByteArray target(int page, const QByteArray& q) {
    return "/search.atom?lang=en&rpp=100&result_type=recent&page=" + QByteArray::number(page) + "&q=" + q;
}

} // namespace

// The search client over real HTTP on the loopback interface, and its text cleaning.
class tst_twit : public QObject {
    Q_OBJECT

private slots:
    void stripBody_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("stripped");
        QTest::addRow("plain") << "I love rain"
                               << "I love rain";
        QTest::addRow("retweet") << "RT @ab12: I love rain"
                                 << "I love rain";
        QTest::addRow("retweet without space") << "RT@ab12 I love rain"
                                               << "I love rain";
        QTest::addRow("retweet of a retweet") << "RT @a: RT @b: rain"
                                              << "rain";
        QTest::addRow("retweet of a mention") << "RT @a: @b @c rain"
                                              << "rain";
        QTest::addRow("retweet without text") << "RT @a:"
                                              << "";
        QTest::addRow("RT inside a word") << "RTX @a rain"
                                          << "RTX @a rain";
        QTest::addRow("single mention") << "@someone"
                                        << "";
        QTest::addRow("mention and blanks") << "@someone   "
                                            << "";
        QTest::addRow("two mentions") << "@a @b  hello there"
                                      << "hello there";
        QTest::addRow("mention later") << "hello @a"
                                       << "hello @a";
        QTest::addRow("link in the middle") << "see http://a.example/x now"
                                            << "see now";
        QTest::addRow("link at the end") << "see http://a.example/x"
                                         << "see";
        QTest::addRow("two links") << "a http://x.example/1 b www.y.example/2 c"
                                   << "a b c";
        QTest::addRow("link in a word") << "look:http://x.example/1 ok"
                                        << "ok";
        QTest::addRow("link after punctuation") << "((http://x.example/1 ok"
                                                << "((ok";
        QTest::addRow("link then tab") << "a.b/c\tz"
                                       << "z";
        QTest::addRow("dot without slash") << "e.g. this"
                                           << "e.g. this";
        QTest::addRow("slash before dot") << "and/or v1.2"
                                          << "and/or v1.2";
        QTest::addRow("non-ASCII around a link") << "café http://é.example/ü/a thé"
                                                 << "café thé";
        QTest::addRow("no word character after the slash") << "café http://é.example/ü thé"
                                                           << "café http://é.example/ü thé";
        QTest::addRow("long run without spaces") << QString(QStringLiteral("a.b/")).repeated(5000) << "";
        QTest::addRow("many links") << QString(QStringLiteral("x.y/z ")).repeated(4000) + "end"
                                    << "end";
    }
    void stripBody() {
        QFETCH(QString, body);
        QFETCH(QString, stripped);
        twit tw;
        QString out;
        tw.strip_body(body, out);
        QCOMPARE(out, stripped);
        QCOMPARE(out, strip_reference(body));
    }

    // The one-pass cleaning against the expressions it stands for, on random texts made of the
    // characters that matter to them.
    void stripBodyMatchesExpressions() {
        const QString alphabet = QStringLiteral("aZ9_./:@ RT\t\n-é#") + QChar(0x00A0);
        QRandomGenerator rng(5150);
        twit tw;
        QString out;
        for (int k = 0; k < 20000; ++k) {
            QString s;
            const int n = int(rng.bounded(40));
            if (rng.bounded(4) == 0) s = QStringLiteral("RT @");
            for (int i = 0; i < n; ++i)
                s += alphabet[int(rng.bounded(alphabet.size()))];
            tw.strip_body(s, out);
            const QString ref = strip_reference(s);
            if (out != ref)
                QFAIL(qPrintable(QStringLiteral("\"%1\": \"%2\" instead of \"%3\"").arg(s, out, ref)));
        }
    }

    void entryWalk_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("content");
        QTest::addColumn<QStringList>("name");
        const QString e =
            QStringLiteral("<published>2024-03-04T10:00:00Z</published><title>%1</title><name>%2</name>");
        QTest::addRow("two entries") << e.arg("I love my house", "ab12 (A B)") + e.arg("happy party", "cd")
                                     << QStringList{"I love my house", "happy party"}
                                     << QStringList{"ab12", "cd"};
        QTest::addRow("text before the first entry ignored")
            << "<title>love happy</title><name>x</name>" + e.arg("sad lonely", "y")
            << QStringList{"sad lonely"} << QStringList{"y"};
        QTest::addRow("escaped ampersand kept")
            << e.arg("love &amp; happy", "a") << QStringList{"love &amp; happy"} << QStringList{"a"};
        QTest::addRow("no name: author runs to the end")
            << "<published>2024-03-04T10:00:00Z</published><title>love happy</title> tail"
            << QStringList{"love happy"} << QStringList{"love happy</title> tail"};
        QTest::addRow("no closing title") << "<published>t</published><title>love happy"
                                          << QStringList{"love happy"} << QStringList{"love happy"};
        QTest::addRow("fewer than two terms dropped")
            << e.arg("love the spreadsheet", "a") + e.arg("nothing here", "b") + e.arg("love party", "c")
            << QStringList{"love party"} << QStringList{"c"};
        QTest::addRow("duplicates dropped")
            << e.arg("love party", "a") + e.arg("RT @a: love party", "b") + e.arg("@c love party", "c") +
                   e.arg("love party http://x.example/1", "d")
            << QStringList{"love party"} << QStringList{"a"};
        QTest::addRow("dropped text still counts as seen")
            << e.arg("love spreadsheet", "a") + e.arg("RT @a: love spreadsheet happy", "b") +
                   e.arg("love spreadsheet", "c")
            << QStringList{"RT @a: love spreadsheet happy"} << QStringList{"b"};
        QTest::addRow("mention-only messages: the second is a duplicate")
            << e.arg("@love.happy", "a") + e.arg("@happy.love", "b") << QStringList{"@love.happy"}
            << QStringList{"a"};
        QTest::addRow("garbage") << QStringLiteral("<<<published>>></published<title") << QStringList{}
                                 << QStringList{};
        QTest::addRow("empty") << QString() << QStringList{} << QStringList{};
    }
    void entryWalk() {
        QFETCH(QString, page);
        QFETCH(QStringList, content);
        QFETCH(QStringList, name);
        twit tw;
        QList<tweet> db;
        tw.parse_page(page, &db);
        QCOMPARE(bodies(db), content);
        QStringList names;
        for (const tweet& t : db)
            names.append(t.name());
        QCOMPARE(names, name);
    }

    void fifteenPagesInFeedOrder() {
        loopback_server srv;
        QList<feed_entry> all;
        for (int p = 1; p <= 16; ++p) {
            const QList<feed_entry> e = numbered(p * 1000, 100);
            srv.pages[p] = atom_page(e);
            if (p <= 15) all += e;
        }
        opengl_win* mw = testutils::make_window();
        const int paints = mw->gl_ptr()->paint_count();
        twit tw;
        tw.set_base(srv.base());
        QList<tweet> db;
        tw.get(QStringLiteral("coffee"), 40, db);
        QCOMPARE(bodies(db), texts(all));
        QCOMPARE(srv.requests.size(), 15);
        for (int p = 1; p <= 15; ++p)
            QCOMPARE(srv.requests[p - 1].target, target(p, "coffee"));
        QCOMPARE(db.first().name(), QStringLiteral("ab12"));
        QVERIFY(!db.first().time().isEmpty());
        QVERIFY(mw->gl_ptr()->paint_count() >= paints + 15); // a repaint after every page
        QVERIFY(tw.failure_line().isEmpty());
        delete mw;
        win = nullptr;
    }

    void requestKeepsKeywordsAsTyped_data() {
        QTest::addColumn<QString>("q");
        QTest::addColumn<QByteArray>("sent");
        QTest::addRow("joined with plus") << "coffee+rain" << QByteArray("coffee+rain");
        QTest::addRow("space") << "coffee rain" << QByteArray("coffee%20rain");
        QTest::addRow("empty") << "" << QByteArray("");
        QTest::addRow("non-ASCII") << QStringLiteral("café") << QByteArray("caf%C3%A9");
    }
    void requestKeepsKeywordsAsTyped() {
        QFETCH(QString, q);
        QFETCH(QByteArray, sent);
        loopback_server srv;
        twit tw;
        tw.set_base(srv.base());
        QList<tweet> db;
        tw.get(q, 1, db);
        QCOMPARE(srv.targets(), QList<QByteArray>{target(1, sent)});
    }

    void duplicatesAcrossPages() {
        loopback_server srv;
        srv.pages[1] = atom_page({{"love party tonight"}, {"sad lonely rain"}});
        srv.pages[2] = atom_page({{"RT @ab: love party tonight"},
                                  {"@x @y sad lonely rain"},
                                  {"sad lonely rain http://p.example/2"},
                                  {"just rain"},
                                  {"happy house"}});
        twit tw;
        tw.set_base(srv.base());
        QList<tweet> db;
        tw.get(QStringLiteral("x"), 2, db);
        QCOMPARE(bodies(db), QStringList({"love party tonight", "sad lonely rain", "happy house"}));

        // Duplicates are told within one query only.
        tw.get(QStringLiteral("x"), 1, db);
        QCOMPARE(db.size(), 5);
    }

    void noPagesNoRequest_data() {
        QTest::addColumn<int>("n");
        QTest::addRow("zero") << 0;
        QTest::addRow("negative") << -3;
    }
    void noPagesNoRequest() {
        QFETCH(int, n);
        loopback_server srv;
        twit tw;
        tw.set_base(srv.base());
        QList<tweet> db;
        db.append(tweet());
        tw.get(QStringLiteral("rain"), n, db);
        QCOMPARE(db.size(), 1);
        QVERIFY(srv.requests.isEmpty());
        QCOMPARE(tw.pages_sent(), 0);
    }

    void nonAsciiEscapesAndMissingAuthor() {
        loopback_server srv;
        srv.pages[1] = atom_page(
            {{QStringLiteral("I love café & naïve music ❤ 🌧"), QStringLiteral("zoë (Zoë Ünal)")}});
        twit tw;
        tw.set_base(srv.base());
        QList<tweet> db;
        tw.get(QStringLiteral("x"), 1, db);
        QCOMPARE(db.size(), 1);
        QCOMPARE(db[0].content(), QStringLiteral("I love café &amp; naïve music ❤ 🌧"));
        QCOMPARE(db[0].name(), QStringLiteral("zoë"));

        // An entry without an author: the author runs to the end of the reply.
        srv.pages[1] = "<feed><entry><published>2024-03-04T10:00:00Z</published><title>love "
                       "happy</title></entry></feed>";
        db.clear();
        tw.get(QStringLiteral("x"), 1, db);
        QCOMPARE(db.size(), 1);
        QCOMPARE(db[0].content(), QStringLiteral("love happy"));
        QCOMPARE(db[0].name(), QStringLiteral("love happy</title></entry></feed>"));
    }

    // Pages that fail give what arrived complete, if anything; the next page is still requested,
    // and the failure is counted with its reason.
    void failingPage_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("kept"); // entries of page 2 kept
        QTest::addColumn<QString>("why");
        QTest::addRow("HTTP 500") << "500" << 0 << "HTTP 500 Internal Server Error";
        QTest::addRow("dropped connection") << "drop" << 0 << "";
        QTest::addRow("cut short") << "short" << 2 << "";
        QTest::addRow("garbage") << "garbage" << 0 << "-";
        QTest::addRow("truncated document") << "truncated" << 2 << "-";
        QTest::addRow("over the size cap") << "big" << 0 << "reply larger than 600 bytes";
        QTest::addRow("stalled") << "stall" << 0 << "no reply within 0.5 s";
        QTest::addRow("trickling past the page limit") << "trickle" << 2 << "page not complete within 2 s";
    }
    void failingPage() {
        QFETCH(QString, kind);
        QFETCH(int, kept);
        QFETCH(QString, why);
        const QList<feed_entry> p2 = numbered(200, 6, QStringLiteral("happy party %1"));
        const QByteArray page2 = atom_page(p2);
        // Where the third entry of page 2 starts: the first two are complete before it.
        const int third =
            page2.indexOf("<entry>", page2.indexOf("<entry>", page2.indexOf("<entry>") + 1) + 1);
        loopback_server srv;
        srv.handler = [&](const loopback_server::request& r) {
            if (r.page != 2) {
                loopback_server::reply(r.sock, atom_page(numbered(r.page * 100, 1)));
            } else if (kind == "500") {
                loopback_server::reply(r.sock, page2, 500, "Internal Server Error");
            } else if (kind == "drop") {
                r.sock->abort();
            } else if (kind == "short") {
                r.sock->write(loopback_server::head(200, page2.size()) + page2.left(third + 20));
                r.sock->disconnectFromHost();
            } else if (kind == "garbage") {
                QByteArray g("\xff\xfe<published\0<title>love happy</title>", 38);
                loopback_server::reply(r.sock, g + page2);
            } else if (kind == "truncated") {
                // A complete reply holding a cut document, cut in the third entry's title.
                loopback_server::reply(r.sock, page2.left(third + 70));
            } else if (kind == "big") {
                loopback_server::reply(r.sock, page2 + QByteArray(3000, ' '));
            } else if (kind == "trickle") {
                r.sock->write(loopback_server::head(200, -1) + page2.left(third + 5));
                auto* t = new QTimer(r.sock);
                QObject::connect(t, &QTimer::timeout, r.sock, [s = r.sock] { s->write(" "); });
                t->start(50);
            } // "stall": no answer
        };
        twit tw;
        tw.set_base(srv.base());
        tw.set_limits(kind == "stall" ? 500 : 1000, 2000, kind == "big" ? 600 : qint64(16) << 20);
        QList<tweet> db;
        tw.get(QStringLiteral("x"), 3, db);

        // A connection dropped before any answer may be tried again by the network layer.
        QList<int> pages;
        for (const loopback_server::request& r : srv.requests)
            if (pages.isEmpty() || pages.last() != r.page) pages.append(r.page);
        QCOMPARE(pages, QList<int>({1, 2, 3}));
        QStringList want = {"I love my happy house 100"};
        if (kind == "big") {
            // Only what fits under the cap: the entries closed within the first 600 bytes.
            const QByteArray head = page2.left(600);
            QList<tweet> under;
            twit().parse_page(QString::fromUtf8(head.left(head.lastIndexOf("</name>") + 7)), &under);
            kept = int(under.size());
            QVERIFY(kept > 0 && kept < p2.size());
        }
        want += texts(p2.mid(0, kept));
        // A cut document is read as it stands: the cut field runs to the end of the text.
        if (kind == "truncated") want += QStringLiteral("happy party 2");
        want += QStringLiteral("I love my happy house 300");
        QCOMPARE(bodies(db), want);

        if (why == "-") {
            QCOMPARE(tw.pages_failed(), 0);
            QVERIFY(tw.failure_line().isEmpty());
        } else {
            QCOMPARE(tw.pages_failed(), 1);
            if (!why.isEmpty()) QCOMPARE(tw.failure(), why);
            QVERIFY(!tw.failure().isEmpty());
            QCOMPARE(tw.failure_line(), QStringLiteral("1 of 3 pages failed: %1").arg(tw.failure()));
        }
    }

    // Download progress restarts the inactivity timer: a slow but steady page is complete.
    void slowPageCompletes() {
        const QList<feed_entry> e = numbered(1, 10);
        const QByteArray page = atom_page(e);
        loopback_server srv;
        srv.handler = [&](const loopback_server::request& r) {
            r.sock->write(loopback_server::head(200, page.size()));
            auto* t = new QTimer(r.sock);
            auto sent = std::make_shared<int>(0);
            QObject::connect(t, &QTimer::timeout, r.sock, [s = r.sock, t, sent, &page] {
                const int chunk = page.size() / 12 + 1;
                s->write(page.mid(*sent, chunk));
                *sent += chunk;
                if (*sent >= page.size()) {
                    t->stop();
                    s->disconnectFromHost();
                }
            });
            t->start(150);
        };
        twit tw;
        tw.set_base(srv.base());
        tw.set_limits(800, 20000, qint64(16) << 20);
        QList<tweet> db;
        tw.get(QStringLiteral("x"), 1, db);
        QCOMPARE(bodies(db), texts(e));
        QCOMPARE(tw.pages_failed(), 0);
    }

    // Page 1 stalls past the inactivity limit and is answered while page 2 is in flight: its late
    // reply must neither end page 2's wait nor add anything.
    void lateReplyIgnored() {
        loopback_server srv;
        QTcpSocket* first = nullptr;
        srv.handler = [&](const loopback_server::request& r) {
            if (r.page == 1) {
                first = r.sock;
            } else if (r.page == 2) {
                loopback_server::reply(first, atom_page(numbered(100, 3)));
                QTimer::singleShot(100, r.sock,
                                   [s = r.sock] { loopback_server::reply(s, atom_page(numbered(200, 2))); });
            }
        };
        twit tw;
        tw.set_base(srv.base());
        tw.set_limits(500, 5000, qint64(16) << 20);
        QList<tweet> db;
        tw.get(QStringLiteral("x"), 2, db);
        QCOMPARE(bodies(db), texts(numbered(200, 2)));
        QCOMPARE(tw.failure_line(), QStringLiteral("1 of 2 pages failed: no reply within 0.5 s"));
    }

    // Cancel takes effect between pages: the page in flight is kept, no further page is asked for.
    void cancelDuringThirdPage() {
        loopback_server srv;
        srv.handler = [&](const loopback_server::request& r) {
            if (r.page == 3)
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* d = qobject_cast<QProgressDialog*>(w)) {
                        QCOMPARE(d->labelText(), QStringLiteral("Querying page 3..."));
                        QCOMPARE(d->windowTitle(), QStringLiteral("Query \"rain\""));
                        QCOMPARE(d->width(), 400);
                        QCOMPARE(d->maximum(), 15);
                        d->cancel();
                    }
            loopback_server::reply(r.sock, atom_page(numbered(r.page * 100, 2)));
        };
        twit tw;
        tw.set_base(srv.base());
        QList<tweet> db;
        tw.get(QStringLiteral("rain"), 15, db);
        QCOMPARE(srv.requests.size(), 3);
        QCOMPARE(bodies(db), texts(numbered(100, 2) + numbered(200, 2) + numbered(300, 2)));
        QCOMPARE(tw.pages_failed(), 0);
    }

    void deadServer() {
        quint16 port;
        {
            loopback_server gone;
            port = gone.port();
        }
        twit tw;
        tw.set_base(QStringLiteral("http://127.0.0.1:%1/search.atom?").arg(QString::number(port)));
        QList<tweet> db;
        tw.get(QStringLiteral("rain"), 15, db);
        QVERIFY(db.isEmpty());
        QCOMPARE(tw.failure_line(), QStringLiteral("15 of 15 pages failed: Connection refused"));
    }
};

QUORVEL_TEST_MAIN(tst_twit)
#include "tst_twit.moc"

#include "testutils.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QXmlStreamReader>

#include "config.h"
#include "feed.h"

namespace {

const char* const feed_binary = QUORVEL_BINARY_DIR "/tools/quorvel-feed";

feed::message msg(const QString& text, const QString& when, const QString& lang = QString()) {
    return {text, QStringLiteral("ab12"), QString(), lang, feed::parse_time(when)};
}

const QString nasty =
    QStringLiteral("love & <b>happy</b> \"quoted\" café 🌧 <name>x</name> \1") + QChar(0xD800);

} // namespace

// The bundled feed server: corpus reading, search, paging, its Atom, and the program over HTTP.
class tst_feed : public QObject {
    Q_OBJECT

private slots:
    // By the name's ending, else by the first byte that is not white space ('{' for JSON lines).
    void corpusFormat() {
        QString got;
        for (auto [name, data] : {std::pair{"a.JSONL", "x"},
                                  {"a.json", "x"},
                                  {"a.Csv", "{"},
                                  {"a.txt", " \r\n\t{"},
                                  {"a.txt", "t,"},
                                  {"a", ""}})
            got += feed::guess_format(name, data) == feed::format::csv ? 'c' : 'j';
        QCOMPARE(got, "jjcjcj");
    }

    // Times with Z or an offset, or without a zone where that is read as UTC: UTC seconds; anything
    // else is no time. (The toolkit reads a slash as a date separator too.)
    void times() {
        QStringList got;
        const QString iso = "yyyy-MM-ddTHH:mm:ss'Z'"; // years past 9999 too
        for (const char* s :
             {"2024-03-04T10:00:00Z", " 2024-03-04T23:30:00.25-01:00 ", "2024-03-04T10:00:00.5+01:30",
              "2024-03-04T10:00:00", "2024-03-04T10:00", "2024-03-04T10:00:00Q", "2024-03-04T10:00:00x01:30",
              "2024/03-04T10:00:00Z", "2024-03-04T10:00:00+24:00", "0000-01-01T00:30:00+01:00",
              "9999-12-31T23:30:00-01:00", "2024-03-04T10:00:00+01:60", "2024-03-04T10:00:00ZZ"})
            got << feed::parse_time(s).toString(iso) + '|' + feed::parse_time(s, true).toString(iso);
        QCOMPARE(got.join(' '),
                 "2024-03-04T10:00:00Z|2024-03-04T10:00:00Z 2024-03-05T00:30:00Z|2024-03-05T00:30:00Z "
                 "2024-03-04T08:30:00Z|2024-03-04T08:30:00Z |2024-03-04T10:00:00Z |2024-03-04T10:00:00Z | "
                 "| 2024-03-04T10:00:00Z|2024-03-04T10:00:00Z | | | | |");
    }

    // Character references and the five entities decode; anything else stays as written.
    void unescape() {
        QCOMPARE(
            feed::xml_unescape(QStringLiteral("&amp;lt; &lt;&gt;&quot;&apos; &#65;&#x42;&#X1F600;&#x10FFFF; "
                                              "&#0; &#xD800; &#x110000; &#; &#x; &#12 &bogus; &")),
            QStringLiteral(
                "&lt; <>\"' AB\U0001F600\U0010FFFF &#0; &#xD800; &#x110000; &#; &#x; &#12 &bogus; &"));
    }

    void corpusRecords_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("read");
        QTest::addColumn<QList<int>>("bad_lines");
        const QByteArray ok =
            R"({"text":"hello","author":"ab12","name":"A B","lang":"en","published":"2024-03-04T10:00:00Z"})";
        const QByteArray t = R"(,"author":"a","published":"2024-03-04T10:00:00Z"})";
        auto line = [&](const QString& text) { return "{\"text\":\"" + text.toUtf8() + "\"" + t + "\n"; };
        // 64 KiB of UTF-8 is the most a message may hold: characters count two, three or four bytes
        const QString most(32768, QChar(0xE9)), most_3(21845, QChar(0x6771)),
            most_4 = QString("\U0001F600").repeated(16384);
        QTest::addRow("jsonl: blank and bad lines")
            << "c.jsonl"
            << "\xEF\xBB\xBF\n" + ok + "\nnot json\n{\"x\":1" + t + "\n{\"text\":5" + t + "\n" +
                   R"({"text":"t","author":"a","published":"yesterday"})" + "\n" + line("  ") + ok + "\n" +
                   line(most) + line(most + "e") + line(QString(400000, 'x')) + line(most_3) +
                   line(most_3 + "ee") + line(most_4) + line(most_4 + "e")
            << QStringList{"hello|en", "hello|en", most, most_3, most_4}
            << QList<int>{3, 4, 5, 6, 7, 10, 11, 13, 15};
        QTest::addRow("csv: bad records keep their line numbers")
            << "c.csv"
            << QByteArray(
                   "\xEF\xBB\xBFtext,author,published\n\"a\nb\",x,2024-03-04T10:00:00Z\ntoo,many,fields,x\n"
                   "ok,x,2024-03-04T10:00:00Z\n\nsay \"no\" ok,x,2024-03-04T10:00:00Z\nbad time,x,soon\n\"" +
                   QByteArray(70000, 'x') +
                   "\n\",x,2024-03-04T10:00:00Z\n\"never closed,x,2024-03-04T10:00:00Z\nmore\n")
            << QStringList{"a\nb", "ok", "say \"no\" ok"} << QList<int>{4, 8, 9, 11};
    }
    void corpusRecords() {
        QFETCH(QString, file);
        QFETCH(QByteArray, data);
        QFETCH(QStringList, read);
        QFETCH(QList<int>, bad_lines);
        // read whole, then as a file arrives: in pieces of 1 to 7 bytes
        QList<feed::line_error> errors;
        QString fatal;
        const auto whole = feed::parse_corpus(data, feed::guess_format(file, data), errors, fatal);
        feed::corpus_reader rd(feed::guess_format(file, data));
        QList<feed::message> pieces;
        feed::message m;
        for (qsizetype at = 0, k = 0; at < data.size(); at += k % 7 + 1, ++k) {
            rd.add(data.mid(at, k % 7 + 1), at + k % 7 + 1 >= data.size());
            while (rd.next(m))
                pieces.append(m);
        }
        for (const QList<feed::message>& msgs : {whole, pieces}) {
            QStringList got;
            for (const feed::message& x : msgs) {
                got.append(x.lang.isEmpty() ? x.text : x.text + '|' + x.lang);
                QCOMPARE(x.published.timeSpec(), Qt::UTC);
            }
            QCOMPARE(got, read);
        }
        for (const QList<feed::line_error>& errs : {errors, rd.errors()}) {
            QList<int> lines;
            for (const feed::line_error& e : errs)
                lines.append(e.why.isEmpty() ? -e.line : e.line);
            QCOMPARE(lines, bad_lines);
        }
    }

    // Search pages: messages holding every keyword as a whole word, newest first, in the language
    // asked for (or none), a page at a time; a bad page number or no query is refused.
    void searchPage_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("found");
        auto row = [](const char* name, const char* query, int status, const QStringList& found) {
            QTest::newRow(name) << QString(query) << status << found;
        };
        row("one word, newest first", "q=coffee", 200, {"#Coffee and rain", "COFFEE time", "Café coffee"});
        row("all keywords, joined with plus", "q=coffee+rain", 200, {"#Coffee and rain"});
        row("all keywords, with a space", "q=rain%20coffee", 200, {"#Coffee and rain"});
        row("whole words only", "q=coff", 200, {});
        row("non-BMP", "q=%F0%90%90%A8+X%F0%90%90%80Y", 200, {"x\U00010400y \U0001F600rain \U00010400"});
        row("language", "q=rain&lang=en", 200,
            {"#Coffee and rain", "rain all day", "x\U00010400y \U0001F600rain \U00010400"});
        row("first page", "q=w&rpp=3&page=1", 200, {"w 9", "w 8", "w 7"});
        row("third page", "q=w&rpp=4&page=3", 200, {"w 1", "w 0"});
        row("one a page", "q=w&rpp=1&page=2", 200, {"w 8"});
        row("huge page", "q=w&rpp=100&page=2147483647", 200, {});
        row("page 0", "q=w&page=0", 400, {});
        row("no query", "page=1", 400, {});
        // markup, quotes, characters XML does not allow
        row("any text", "q=happy%26%3C", 200,
            {nasty.chopped(2) + QStringLiteral("\uFFFD\uFFFD by zoë (Zoë & <Co>)")});
    }
    void searchPage() {
        QFETCH(QString, query);
        QFETCH(int, status);
        QFETCH(QStringList, found);
        QList<feed::message> m{msg("Café coffee", "2024-03-04T10:00:00Z", "en"),
                               msg("#Coffee and rain", "2024-03-06T10:00:00Z"),
                               msg("COFFEE time", "2024-03-05T10:00:00Z", "en"),
                               msg("rain all day", "2024-03-05T09:00:00Z", "en"),
                               msg("Regen rain", "2024-03-05T08:00:00Z", "de"),
                               msg("x\U00010400y \U0001F600rain \U00010400", "2024-03-02T08:00:00Z"),
                               msg(nasty, "2024-03-01T08:00:00Z")};
        m.last().author = QStringLiteral("zoë");
        m.last().name = QStringLiteral("Zoë & <Co>");
        for (int k = 0; k < 10; ++k)
            m.append(msg(QStringLiteral("w %1").arg(k), QStringLiteral("2024-03-01T10:00:0%1Z").arg(k)));
        const feed::response r = feed::search_page(feed::corpus(m), QUrlQuery(query), "http://h/?a=1&b=2");
        QCOMPARE(r.status, status);
        QCOMPARE(r.content_type.startsWith("application/atom+xml"), status == 200);
        if (status != 200) return;
        // The feed's link and title, then each entry's title and author, read as XML.
        QXmlStreamReader rd(r.body);
        QStringList got, want{"http://h/?a=1&b=2", QUrlQuery(query).queryItemValue("q", QUrl::FullyDecoded) +
                                                       " - Quorvel feed search"};
        while (!rd.atEnd())
            if (rd.readNext() == QXmlStreamReader::StartElement && rd.name() == QLatin1String("link"))
                got << rd.attributes().value("href").toString();
            else if (rd.isStartElement() && rd.name() == QLatin1String("title"))
                got << rd.readElementText();
            else if (rd.isStartElement() && rd.name() == QLatin1String("name"))
                got.last() += " by " + rd.readElementText();
        QVERIFY2(!rd.hasError(), qPrintable(rd.errorString()));
        for (const QString& f : found)
            want << (f.contains(" by ") ? f : f + " by ab12");
        QCOMPARE(got, want);
    }

    // The server's HTTP: what it answers to the request at the front of a connection's bytes, and
    // whether it keeps the connection for the next one (status 0: the head is not complete yet).
    void http_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("status"); // the status line; empty: no answer yet
        QTest::addColumn<QByteArray>("header"); // a line the answer's head holds
        QTest::addColumn<bool>("close");
        const QByteArray get = "GET /search.atom?q=w HTTP/1.1\r\nHost: h\r\n";
        const QByteArray long_target = "GET /search.atom?q=" + QByteArray(9000, 'w');
        auto row = [](const char* name, const QByteArray& request, const char* status, const char* header,
                      bool close) {
            QTest::newRow(name) << request << QByteArray(status) << QByteArray(header) << close;
        };
        row("keep-alive", get + "\r\n", "200 OK", "Content-Type: application/atom+xml; charset=utf-8", false);
        row("HEAD", "HEAD /search.atom?q=w HTTP/1.1\n\n", "200 OK", "", false);
        row("Connection: close", get + "connection: Upgrade, Close\r\n\r\n", "200 OK", "", true);
        row("HTTP/1.0", "GET /search.atom?q=w HTTP/1.0\r\n\r\n", "200 OK", "", true);
        row("other method", "DELETE /search.atom?q=w HTTP/1.1\r\n\r\n", "405 Method Not Allowed",
            "Allow: GET, HEAD", false);
        row("a body", "POST /search.atom HTTP/1.1\r\nContent-Length: 2\r\n\r\nq=", "405 Method Not Allowed",
            "", true);
        row("other path", "GET /search HTTP/1.1\r\n\r\n", "404 Not Found", "", false);
        row("HEAD of another path", "HEAD /search HTTP/1.1\r\n\r\n", "404 Not Found", "", false);
        row("target over 8 KiB", long_target + " HTTP/1.1\r\n\r\n", "414 URI Too Long", "", true);
        row("target of 8 KiB", "GET /search.atom?q=" + QByteArray(8177, 'w') + " HTTP/1.1\r\n\r\n", "200 OK",
            "", false);
        row("target just over 8 KiB", "GET /search.atom?q=" + QByteArray(8178, 'w') + " HTTP/1.1\r\n\r\n",
            "414 URI Too Long", "", true);
        row("line not ended yet", long_target, "414 URI Too Long", "", true);
        for (const QByteArray end : {"", "\r\n\r\n"})
            row(end.isEmpty() ? "head over 16 KiB, still coming" : "whole head over 16 KiB",
                get + "X: " + QByteArray(17000, 'x') + end, "431 Request Header Fields Too Large", "", true);
        row("not HTTP", "hello\r\n\r\n", "400 Bad Request", "", true);
        row("no method", " /search.atom?q=w HTTP/1.1\r\n\r\n", "400 Bad Request", "", true);
        row("empty head", "\n\r\n", "400 Bad Request", "", true);
        row("HTTP/2", "GET / HTTP/2.0\r\n\r\n", "505 HTTP Version Not Supported", "", true);
        row("head not complete", get, "", "", false);
    }
    void http() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, header);
        QFETCH(bool, close);
        const feed::corpus c({msg(QStringLiteral("w"), QStringLiteral("2024-03-04T10:00:00Z"))});
        const feed::http_answer a = feed::serve(c, request);
        const qsizetype head = a.bytes.indexOf("\r\n\r\n") + 4;
        QCOMPARE(a.bytes.left(a.bytes.indexOf("\r\n")), status.isEmpty() ? status : "HTTP/1.1 " + status);
        if (!header.isEmpty()) QVERIFY(a.bytes.left(head).contains("\r\n" + header + "\r\n"));
        QCOMPARE(a.close, close);
        QCOMPARE(a.bytes.left(head).contains("\r\nConnection: close\r\n"), close);
        if (!status.isEmpty() && !close) QCOMPARE(a.used, request.size()); // the next request starts there
        if (!status.isEmpty()) QCOMPARE(a.bytes.size() == head, request.startsWith("HEAD")); // no body
    }

    // The program: exit status 2 for usage and I/O errors, 1 without a message; bad lines reported and
    // skipped; a connection kept until idle for the time-out unless the client asked for its end.
    void program() {
        for (auto [args, status, says] :
             {std::tuple{QStringList{"--corpus", "/nonexistent/c.jsonl"}, 2, "cannot read corpus"},
              {QStringList{"--idle-timeout", "soon"}, 2, "--idle-timeout needs"},
              {QStringList{"--corpus", "/dev/null"}, 1, "holds no readable message"},
              {QStringList{"--version"}, 0, "quorvel-feed " QUORVEL_VERSION}}) {
            QProcess p;
            p.start(QString::fromLatin1(feed_binary), args);
            QVERIFY(p.waitForFinished(10000));
            const QString said = QString::fromUtf8(p.readAllStandardError() + p.readAllStandardOutput());
            QVERIFY2(p.exitCode() == status && said.contains(says), qPrintable(said));
        }
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("corpus.csv")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("text,author,name,published\n\"I love my house, number 0\",u0,User 0,2024-03-04T10:00:00Z\n"
                "\"I love my house, number 2\",u2,,2024-03-04T10:00:02Z\nbroken line\n"
                "\"I love my house, number 1\",u1,User 1,2024-03-04T10:00:01Z\n");
        f.close();
        QProcess p; // killed when it goes
        p.start(QString::fromLatin1(feed_binary),
                {"--corpus", f.fileName(), "--idle-timeout", "1", "--port", "0"});
        QString out, err;
        QTRY_VERIFY_WITH_TIMEOUT((out += QString::fromUtf8(p.readAllStandardOutput())).endsWith("?\n"),
                                 10000);
        QTRY_VERIFY2_WITH_TIMEOUT(
            (err += QString::fromUtf8(p.readAllStandardError())).contains("corpus.csv:4:"), qPrintable(err),
            10000);
        const QUrl url(out.section(' ', -1).trimmed());
        QCOMPARE(out, QStringLiteral("quorvel-feed: 3 messages at %1\n").arg(url.toString()));

        QTcpSocket kept, closed;
        for (QTcpSocket* s : {&kept, &closed})
            s->connectToHost(url.host(), quint16(url.port()));
        const QByteArray get = "GET /search.atom?q=HOUSE+love&rpp=1&page=2 HTTP/1.1\r\n";
        kept.write(get + "\r\n" + get + "\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(kept.peek(1 << 20).count("</feed>"), 2, 5000);
        QCOMPARE(kept.peek(1 << 20).count("<entry>"), 2);
        QCOMPARE(kept.peek(1 << 20).count("<title>I love my house, number 1</title>"), 2);
        closed.write(get + "Connection: close\r\n\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(closed.state(), QAbstractSocket::UnconnectedState, 5000);
        QCOMPARE(kept.state(), QAbstractSocket::ConnectedState);
        QTRY_COMPARE_WITH_TIMEOUT(kept.state(), QAbstractSocket::UnconnectedState, 5000);
    }
};

QUORVEL_TEST_MAIN(tst_feed)
#include "tst_feed.moc"

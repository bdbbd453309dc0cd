#include "testutils.h"

#include <QDir>
#include <QProcess>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>

#include "config.h"
#include "export.h"
#include "feed.h"
#include "twit.h"

using testutils::loopback_server;
using testutils::placed;

// A file of one's own messages in, the tweets out, and the summary line: the file takes the
// search client's road, so it must give what the feed server would give for the same messages.
class tst_messages : public QObject {
    Q_OBJECT

    opengl_win* mw = nullptr;
    QTemporaryDir dir;

    QString write(const QString& name, const QByteArray& data) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size()) return QString();
        return f.fileName();
    }

    static QStringList shown(const QList<tweet>& tw, bool meta) {
        QStringList out;
        for (const tweet& t : tw)
            out.append(meta ? t.content() + '|' + t.name() + '|' + t.published().toString(Qt::ISODate)
                            : t.content());
        return out;
    }

private slots:
    void init() { mw = testutils::make_window(); }
    void cleanup() {
        delete mw;
        win = nullptr;
    }

    void openedFileMatchesFeed_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("meta");
        QTest::addColumn<QString>("status");
        QTest::addRow("jsonl, times with an offset or none")
            << "m.jsonl" << true << "Skipped 3 unreadable lines of m.jsonl";
        QTest::addRow("csv, text only") << "m.csv" << false << "Skipped 1 unreadable line of m.csv";
        QTest::addRow("plain text") << "m.txt" << false << "";
    }
    void openedFileMatchesFeed() {
        QFETCH(QString, file);
        QFETCH(bool, meta);
        QFETCH(QString, status);
        QCOMPARE(mw->summary_line(), "Query keywords with Ctrl+K, or open a file of messages with Ctrl+O");
        // 1,620 messages holding "love": every tenth a retweet of the one before, some with one
        // dictionary word or with markup, times shuffled: copies, the two-term rule and the cap of
        // 1,500 all take some.
        QList<feed::message> msgs;
        const QDateTime t0(QDate(2024, 3, 4), QTime(0, 0), QTimeZone::utc());
        for (int i = 0; i < 1620; ++i) {
            QString text = QStringLiteral("love happy day %1").arg(QString::number(i));
            if (i % 10 == 9) text = QStringLiteral("RT @ab12: ") + msgs.last().text;
            if (i % 13 == 0) text = QStringLiteral("love xyz %1").arg(QString::number(i));
            if (i % 17 == 0)
                text = QStringLiteral("=love &amp; \"happy\" <b>%1</b>, ok").arg(QString::number(i));
            msgs.append({text, "ab12", "", "", t0.addSecs(60 * ((i * 7919) % 1620))});
        }
        const feed::corpus c(msgs);
        loopback_server srv;
        srv.handler = [&](const loopback_server::request& r) {
            QUrlQuery uq(QStringLiteral("lang=en&rpp=100&page=%1").arg(QString::number(r.page)));
            uq.addQueryItem(QStringLiteral("q"), r.q);
            loopback_server::reply(r.sock, feed::search_page(c, uq).body);
        };
        QList<tweet> from_feed;
        twit tw;
        tw.set_base(srv.base());
        tw.get(QStringLiteral("love"), 15, from_feed);

        // Files without times list the messages in the feed's order, newest first.
        if (!meta)
            std::stable_sort(msgs.begin(), msgs.end(), [](const feed::message& a, const feed::message& b) {
                return a.published > b.published;
            });
        QByteArray data = file.endsWith("csv") ? "text\n" : "";
        for (const feed::message& m : msgs) {
            QByteArray text = m.text.toUtf8();
            // a time without a zone is UTC
            const QString t = data.size() % 2
                                  ? m.published.toString("yyyy-MM-ddTHH:mm:ss")
                                  : m.published.addSecs(5400).toString("yyyy-MM-ddTHH:mm:ss.5+01:30");
            if (file.endsWith("jsonl"))
                data += "{\"text\":\"" + text.replace('"', "\\\"") +
                        "\",\"author\":\"ab12\",\"published\":\"" + t.toUtf8() + "\"}\n";
            else
                data += (file.endsWith("csv") ? '"' + text.replace('"', "\"\"") + '"' : text) + '\n';
        }
        data += file.endsWith("jsonl")
                    ? "not json\n{\"text\":5}\n{\"text\":\"love\",\"published\":\"2024-02-30T10:00:00Z\"}\n"
                : file.endsWith("csv") ? "a,b\n"
                                       : "";
        mw->gl_ptr()->load_file(write(file, data), QStringLiteral("love"));

        QCOMPARE(shown(mw->gl_ptr()->tweets(), meta), shown(from_feed, meta));
        QCOMPARE(mw->gl_ptr()->query_text(), file + ": love");
        QCOMPARE(mw->status_line(), status);
        QCOMPARE(mw->summary_line(), tweet_summary(from_feed));
    }

    // What cannot be read leaves the tweets and their caption as they were.
    void unreadableFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("why");
        QTest::addRow("missing") << "none/m.jsonl" << QByteArray() << "No such file or directory";
        QTest::addRow("a directory") << "." << QByteArray() << "not a regular file";
        QTest::addRow("no message") << "b.jsonl" << QByteArray("[1]\n\n{}\n") << "no line holds a message";
        QTest::addRow("no text column")
            << "b.csv" << QByteArray("body\nlove happy\n") << "the CSV header names no column \"text\"";
    }
    void unreadableFile() {
        QFETCH(QString, file);
        QFETCH(QByteArray, data);
        QFETCH(QString, why);
        opengl* gl = mw->gl_ptr();
        gl->tweets().append(placed(3, 3, 1, 5));
        gl->set_query_text(QStringLiteral("rain"));
        const QString path = data.isEmpty() ? dir.filePath(file) : write(file, data);
        gl->load_file(path, QString());
        QCOMPARE(gl->tweets().size(), 1);
        QCOMPARE(gl->query_text(), QStringLiteral("rain"));
        QCOMPARE(mw->status_line(),
                 QStringLiteral("Could not read %1: %2").arg(QDir::toNativeSeparators(path), why));
    }

    // Cancel or Quit while a large file is read ends the reading at once and keeps the tweets.
    void stopWhileReading_data() {
        QTest::addColumn<bool>("quit");
        QTest::addRow("Cancel") << false;
        QTest::addRow("Quit") << true;
    }
    void stopWhileReading() {
        QFETCH(bool, quit);
        QByteArray data;
        while (data.size() < (4 << 20))
            data += "{\"text\":\"love happy rainy day\",\"published\":\"2024-03-04T10:00:00Z\"}\n";
        const QString path = write("big.jsonl", data);
        opengl* gl = mw->gl_ptr();
        gl->tweets().append(placed(3, 3, 1, 5));
        QTimer::singleShot(0, gl, [&] {
            gl->load_file(path, QString());
            if (!quit) QApplication::exit(0);
        });
        QTimer::singleShot(0, mw, [&] {
            if (quit) return mw->findChild<QAction*>("quit_act")->trigger();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->isVisible()) {
                    // a first piece of the 4 MiB read: 256 KiB
                    QCOMPARE(std::pair(d->labelText(), d->value()),
                             std::pair(QStringLiteral("Reading big.jsonl..."), 62));
                    d->cancel();
                }
        });
        QTimer::singleShot(20000, [] { QApplication::exit(99); }); // only if nothing else ends the loop
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(gl->tweets().size(), 1);
        QCOMPARE(mw->isVisible(), !quit);
    }

    // The exported file is the scorer's output on the messages' texts plus author and time; a
    // write that fails leaves no file behind and says why.
    void exportRoundTrip_data() {
        QTest::addColumn<QString>("file");
        QTest::addRow("jsonl") << "out.jsonl";
        QTest::addRow("csv") << "out.CSV";
        QTest::addRow("no such directory") << "none/out.csv";
        QTest::addRow("a directory in the way") << "sub";
    }
    void exportRoundTrip() {
        QFETCH(QString, file);
        const bool csv = file.endsWith("CSV");
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        QByteArray want;
        QStringList texts; // as read back: a spreadsheet would run a cell beginning with = as a formula
        for (const QString& s : QStringList{"=love happy", "Tom &amp; Jerry: \"love\", joy",
                                            "caf\u00e9 &lt;3\rsad \U0001F600", "none"}) {
            tweet t;
            t.content(s);
            t.name("ab12 (A B)");
            t.time("2024-03-04T10:00:00Z");
            mw->gl_ptr()->tweets().append(t);
            want += feed::xml_unescape(s).toUtf8() + '\n';
            texts << (csv && s.startsWith('=') ? "'" : "") + feed::xml_unescape(s);
        }
        mw->export_to(dir.filePath(file));
        if (file.startsWith("out")) {
            QProcess p;
            p.start(QUORVEL_BINARY_DIR "/tools/quorvel-score", csv ? QStringList{"--csv"} : QStringList{});
            p.write(want);
            p.closeWriteChannel();
            QVERIFY(p.waitForFinished());
            want.clear();
            for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
                if (!line.isEmpty())
                    want +=
                        csv ? (line.startsWith('=') ? "'" : "") + line +
                                  (want.isEmpty() ? ",author,published\n" : ",ab12,2024-03-04T10:00:00Z\n")
                            : line.chopped(1) +
                                  ",\"author\":\"ab12\",\"published\":\"2024-03-04T10:00:00Z\"}\n";
            QFile f(dir.filePath(file));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray data = f.readAll();
            QCOMPARE(data, want);
            QList<feed::line_error> errors;
            QString fatal;
            QStringList back;
            for (const feed::message& m :
                 feed::parse_corpus(data, feed::guess_format(file, data), errors, fatal))
                back << m.text;
            QCOMPARE(back, texts);
            QCOMPARE(mw->status_line(), QStringLiteral("Exported 4 tweets to %1").arg(dir.filePath(file)));
        } else {
            QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"sub"});
            const QString prefix = QStringLiteral("Could not export to %1: ").arg(dir.filePath(file));
            QVERIFY2(mw->status_line().startsWith(prefix) && mw->status_line().size() > prefix.size() + 3,
                     qPrintable(mw->status_line()));
        }
    }

    void summary_data() {
        QTest::addColumn<QList<QPointF>>("estimates");
        QTest::addColumn<QString>("line");
        QTest::addRow("none") << QList<QPointF>{} << "No tweets with two or more dictionary words";
        QTest::addRow("three") << QList<QPointF>{{2, 3}, {6, 5}, {8, 7}}
                               << "3 tweets · valence 5.3 ± 2.5 · arousal 5.0 ± 1.6 · 67 % pleasant";
        QTest::addRow("many, neutral")
            << QList<QPointF>(1234, {5, 4})
            << "1,234 tweets · valence 5.0 ± 0.0 · arousal 4.0 ± 0.0 · 0 % pleasant";
    }
    void summary() {
        QFETCH(QList<QPointF>, estimates);
        QFETCH(QString, line);
        QList<tweet> tw;
        for (QPointF e : estimates)
            tw.append(placed(float(e.x()), float(e.y()), 1, 5));
        QCOMPARE(tweet_summary(tw), line);
    }
};

QUORVEL_TEST_MAIN(tst_messages)
#include "tst_messages.moc"

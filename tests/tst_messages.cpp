#include "testutils.h"

#include <QDir>
#include <QFileDialog>
#include <QProcess>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>

#include "config.h"
#include "export.h"
#include "feed.h"
#include "twit.h"

using testutils::placed;

// A file of one's own messages in, the tweets out, and the summary line.
class tst_messages : public QObject {
    Q_OBJECT

    opengl_win* mw = nullptr;
    QTemporaryDir dir;

    QString write(const QString& name, const QByteArray& data) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size()) return QString();
        return f.fileName();
    }

    static QByteArray score(const QStringList& args, const QByteArray& in) {
        QProcess p;
        p.start(QUORVEL_BINARY_DIR "/tools/quorvel-score", args);
        p.write(in);
        p.closeWriteChannel();
        return p.waitForFinished() ? p.readAllStandardOutput() : QByteArray();
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

    // A file gives the feed's tweets in its order; an unreadable one leaves tweets, caption and summary.
    void openFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("data"); // "*": the feed's messages in the file's format
        QTest::addColumn<QString>("status");
        QTest::addRow("jsonl, times with an offset or none")
            << "m.jsonl" << QByteArray("*") << "Skipped 3 unreadable lines of m.jsonl";
        QTest::addRow("csv, text only") << "m.csv" << QByteArray("*") << "Skipped 1 unreadable line of m.csv";
        QTest::addRow("plain text") << "m.txt" << QByteArray("*") << "";
        QTest::addRow("missing") << "none/m.jsonl" << QByteArray() << "No such file or directory";
        QTest::addRow("a directory") << "." << QByteArray() << "not a regular file";
        QTest::addRow("no message") << "b.jsonl" << QByteArray("[1]\n\n{}\n") << "no line holds a message";
        QTest::addRow("no text column")
            << "b.csv" << QByteArray("body\nlove happy\n") << "the CSV header names no column \"text\"";
    }
    void openFile() {
        QFETCH(QString, file);
        QFETCH(QByteArray, data);
        QFETCH(QString, status);
        opengl* gl = mw->gl_ptr();
        gl->tweets().append(placed(3, 3, 1, 5));
        gl->set_query_text(QStringLiteral("rain"));
        QList<tweet> want = gl->tweets();
        QString caption = QStringLiteral("rain");
        QString summary =
            QStringLiteral("Query keywords with Ctrl+K, or open a file of messages with Ctrl+O");
        const bool meta = file.endsWith("jsonl");
        if (data == "*") {
            // 1,620 "love" messages: retweets, one-word and markup messages, shuffled times, so that
            // copies, the two-term rule and the cap of 1,500 all take some.
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
            want.clear();
            twit tw; // the search client's reading of the feed's pages
            for (int page = 1; page <= 15; ++page)
                tw.parse_page(
                    feed::search_page(c, QUrlQuery("lang=en&rpp=100&q=love&page=" + QString::number(page)))
                        .body,
                    &want);
            caption = file + ": love";
            summary = tweet_summary(want);
            // Files without times list the messages in the feed's order, newest first.
            if (!meta)
                std::stable_sort(
                    msgs.begin(), msgs.end(),
                    [](const feed::message& a, const feed::message& b) { return a.published > b.published; });
            data = file.endsWith("csv") ? "text\n" : "";
            for (const feed::message& m : msgs) {
                QByteArray text = m.text.toUtf8();
                // a time without a zone is UTC
                const QString t = data.size() % 2
                                      ? m.published.toString("yyyy-MM-ddTHH:mm:ss")
                                      : m.published.addSecs(5400).toString("yyyy-MM-ddTHH:mm:ss.5+01:30");
                if (meta)
                    data += "{\"text\":\"" + text.replace('"', "\\\"") +
                            "\",\"author\":\"ab12\",\"published\":\"" + t.toUtf8() + "\"}\n";
                else
                    data += (file.endsWith("csv") ? '"' + text.replace('"', "\"\"") + '"' : text) + '\n';
            }
            data +=
                meta ? "not json\n{\"text\":5}\n{\"text\":\"love\",\"published\":\"2024-02-30T10:00:00Z\"}\n"
                : file.endsWith("csv") ? "a,b\n"
                                       : "";
        } else {
            status = QStringLiteral("Could not read %1: %2")
                         .arg(QDir::toNativeSeparators(dir.filePath(file)), status);
        }
        gl->load_file(data.isEmpty() ? dir.filePath(file) : write(file, data), QStringLiteral("love"));
        QCOMPARE(shown(gl->tweets(), meta), shown(want, meta));
        QCOMPARE(gl->query_text(), caption);
        QCOMPARE(mw->status_line(), status);
        QCOMPARE(mw->summary_line(), summary);
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
        QTimer::singleShot(20000, gl, [] { QApplication::exit(99); }); // only if nothing else ends the loop
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(gl->tweets().size(), 1);
        QCOMPARE(mw->isVisible(), !quit);
    }

    // Exports read back with the scorer's columns (a leading = gets an apostrophe); failed writes say why.
    void exportTweets() {
        // File > Export proposes tweets.jsonl; a name typed bare gets the chosen type's ending.
        QStringList offered;
        QTimer::singleShot(100, mw, [&] {
            auto* d = mw->findChild<QFileDialog*>();
            offered << QFileInfo(d->selectedFiles().value(0)).fileName() << d->defaultSuffix();
            emit d->filterSelected(d->nameFilters().value(1));
            d->reject();
            offered << d->defaultSuffix();
        });
        mw->findChild<QAction*>(QStringLiteral("export_act"))->trigger();
        QCOMPARE(offered, QStringList({"tweets.jsonl", "jsonl", "csv"}));
        for (const char* s :
             {"=love happy", "Tom &amp; Jerry: \"love\", joy", "caf\u00e9 &lt;3\rsad \U0001F600", "none"}) {
            tweet t;
            t.content(s);
            t.name("ab12 (A B)");
            t.time("2024-03-04T10:00:00Z");
            mw->gl_ptr()->tweets().append(t);
        }
        QStringList texts{"=love happy", "Tom & Jerry: \"love\", joy", "caf\u00e9 <3\rsad \U0001F600",
                          "none"};
        QTemporaryDir tmp;
        QVERIFY(QDir(tmp.path()).mkdir("sub"));
        QByteArray data[2];
        for (const QString file : {"out.jsonl", "out.CSV"}) {
            const QString path = tmp.filePath(file);
            mw->export_to(path);
            QCOMPARE(mw->status_line(), QStringLiteral("Exported 4 tweets to %1").arg(path));
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QByteArray& d = data[file.endsWith("CSV")];
            d = f.readAll();
            QList<feed::line_error> errors;
            QString fatal;
            QStringList back;
            for (const feed::message& m : feed::parse_corpus(d, feed::guess_format(file, d), errors, fatal))
                back << m.text + '|' + m.author + '|' + m.published.toString(Qt::ISODate);
            QCOMPARE(back.join('\n'),
                     texts.join("|ab12|2024-03-04T10:00:00Z\n") + "|ab12|2024-03-04T10:00:00Z");
            texts[0].prepend('\'');
        }
        QCOMPARE(score({"--jsonl"}, data[0]), data[0]);
        QCOMPARE(score({"--jsonl", "--csv"}, data[0]).replace("\n=", "\n'="), data[1]);
        for (const QString file : {"none/out.csv", "sub"}) {
            const QString prefix = QStringLiteral("Could not export to %1: ").arg(tmp.filePath(file));
            mw->export_to(tmp.filePath(file));
            QVERIFY2(mw->status_line().startsWith(prefix) && mw->status_line().size() > prefix.size() + 3,
                     qPrintable(mw->status_line()));
        }
        QCOMPARE(QDir(tmp.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList({"out.CSV", "out.jsonl", "sub"}));
        QVERIFY(QDir(tmp.filePath("sub")).isEmpty());
    }

    // The summary line: how many, the means and spreads of the estimates, the pleasant share.
    void summary() {
        for (const auto& [estimates, line] :
             {std::pair{QList<QPointF>{}, "No tweets with two or more dictionary words"},
              {QList<QPointF>{{2, 3}, {6, 5}, {8, 7}},
               "3 tweets · valence 5.3 ± 2.5 · arousal 5.0 ± 1.6 · 67 % pleasant"},
              {QList<QPointF>(1234, {5, 4}),
               "1,234 tweets · valence 5.0 ± 0.0 · arousal 4.0 ± 0.0 · 0 % pleasant"}}) {
            QList<tweet> tw;
            for (QPointF e : estimates)
                tw.append(placed(float(e.x()), float(e.y()), 1, 5));
            QCOMPARE(tweet_summary(tw), QString::fromUtf8(line));
        }
    }
};

QUORVEL_TEST_MAIN(tst_messages)
#include "tst_messages.moc"

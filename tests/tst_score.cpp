#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryFile>
#include <QTest>

#include <cmath>

#include "tweet.h"

// The batch scorer, run as a separate program on small inputs.
class tst_score : public QObject {
    Q_OBJECT

    struct result {
        int code = -1;
        QList<QByteArray> lines;
        QByteArray err;
    };

    static result run(const QStringList& args, const QByteArray& input) {
        QProcess p;
        p.start(QStringLiteral(QUORVEL_BINARY_DIR "/tools/quorvel-score"), args);
        result r;
        if (!p.waitForStarted()) return r;
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(60000)) return r;
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        QByteArray out = p.readAllStandardOutput();
        if (out.endsWith('\n')) out.chop(1);
        r.lines = out.isEmpty() ? QList<QByteArray>() : out.split('\n');
        r.err = p.readAllStandardError();
        return r;
    }

    static QJsonObject object(const QByteArray& line) {
        QJsonParseError e;
        const QJsonDocument d = QJsonDocument::fromJson(line, &e);
        return e.error == QJsonParseError::NoError ? d.object() : QJsonObject();
    }

    static const QStringList& numeric() {
        static const QStringList n{"valence",      "arousal",      "dominance",  "valence_sd", "arousal_sd",
                                   "dominance_sd", "overall_mean", "overall_sd", "fq"};
        return n;
    }

    // The scorer's numbers must be the record's numbers, bit for bit.
    static void compare_with_record(const QJsonObject& o, const QString& text) {
        tweet t;
        t.content(text);
        QCOMPARE(o.value("text").toString(), text);
        QCOMPARE(o.value("kept").toBool(), t.term_n() >= 2);
        QStringList terms;
        for (const QJsonValue& v : o.value("terms").toArray())
            terms.append(v.toString());
        QCOMPARE(terms, QStringList(t.anew_term()));
        const float want[] = {t.m(VALENCE),     t.m(AROUSAL),     t.m(DOMINANCE),
                              t.sd(VALENCE),    t.sd(AROUSAL),    t.sd(DOMINANCE),
                              t.overall_mean(), t.overall_sdev(), t.fq()};
        for (int i = 0; i < numeric().size(); ++i) {
            const QJsonValue v = o.value(numeric()[i]);
            if (t.term_n() == 0 || !std::isfinite(want[i])) {
                QVERIFY2(v.isNull(), qPrintable(numeric()[i]));
            } else {
                QVERIFY2(v.isDouble(), qPrintable(numeric()[i]));
                QCOMPARE(float(v.toDouble()), want[i]);
            }
        }
    }

private slots:
    void plainLines_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QStringList>("texts");
        QTest::addRow("three lines") << QByteArray("I love my house!!\nnothing here\nhouse lie\n")
                                     << QStringList{"I love my house!!", "nothing here", "house lie"};
        QTest::addRow("no final newline") << QByteArray("joy") << QStringList{"joy"};
        QTest::addRow("CRLF and BOM")
            << QByteArray("\xEF\xBB\xBFjoy\r\nfear\r\n") << QStringList{"joy", "fear"};
        QTest::addRow("empty line is a message") << QByteArray("\n\n") << QStringList{"", ""};
        QTest::addRow("zero frequencies: fq is null") << QByteArray("cat cat\n") << QStringList{"cat cat"};
        QTest::addRow("UTF-8 and quotes") << QByteArray("caf\xC3\xA9 \"joy\" \\ \t love\n")
                                          << QStringList{QString::fromUtf8("caf\xC3\xA9 \"joy\" \\ \t love")};
        QTest::addRow("nothing") << QByteArray() << QStringList{};
    }
    void plainLines() {
        QFETCH(QByteArray, input);
        QFETCH(QStringList, texts);
        const result r = run({}, input);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.lines.size(), texts.size());
        for (int i = 0; i < texts.size(); ++i) {
            compare_with_record(object(r.lines[i]), texts[i]);
            if (QTest::currentTestFailed()) return;
            // columns in their documented order
            qsizetype at = 0;
            for (const char* key : {"\"text\"", "\"kept\"", "\"terms\"", "\"valence\"", "\"arousal\"",
                                    "\"dominance\"", "\"valence_sd\"", "\"arousal_sd\"", "\"dominance_sd\"",
                                    "\"overall_mean\"", "\"overall_sd\"", "\"fq\""}) {
                const qsizetype next = r.lines[i].indexOf(key, at);
                QVERIFY2(next >= at, key);
                at = next;
            }
        }
    }

    void fileArgument() {
        QTemporaryFile f;
        QVERIFY(f.open());
        f.write("house lie\n");
        f.close();
        const result r = run({f.fileName()}, QByteArray("ignored\n"));
        QCOMPARE(r.code, 0);
        QCOMPARE(r.lines.size(), 1);
        compare_with_record(object(r.lines[0]), "house lie");
    }

    void jsonLines() {
        const QByteArray input =
            "{\"id\":7,\"text\":\"house lie\",\"valence\":\"theirs\",\"tags\":[\"a\",{\"b\":null}]}\n"
            "not json\n"
            "{\"text\":5}\n"
            "[\"text\"]\n"
            "\n"
            "{\"text\":\"joy \\\"%1\\\"\\nfear\",\"id\":8}\n";
        const result r = run({"--jsonl"}, input);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.lines.size(), 2);
        const QJsonObject first = object(r.lines[0]);
        compare_with_record(first, "house lie");
        QCOMPARE(first.value("id").toInt(), 7);
        QCOMPARE(first.value("tags").toArray(), (QJsonArray{"a", QJsonObject{{"b", QJsonValue()}}}));
        // a copied field may not replace a column
        QVERIFY(first.value("valence").isDouble());
        const QJsonObject last = object(r.lines[1]);
        compare_with_record(last, "joy \"%1\"\nfear");
        QCOMPARE(last.value("id").toInt(), 8);
        for (const char* lineno : {"line 2:", "line 3:", "line 4:", "line 5:"})
            QVERIFY2(r.err.contains(lineno), r.err.constData());
        QVERIFY(!r.err.contains("line 1:") && !r.err.contains("line 6:"));

        const result clean = run({"--jsonl"}, "{\"text\":\"joy\"}\n");
        QCOMPARE(clean.code, 0);
        QVERIFY(clean.err.isEmpty());
    }

    void csv_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QList<QByteArray>>("lines");
        const QByteArray head =
            "text,kept,terms,valence,arousal,dominance,valence_sd,arousal_sd,dominance_sd,"
            "overall_mean,overall_sd,fq";
        QTest::addRow("plain") << QStringList{"--csv"} << QByteArray("nothing\nsay \"no\", ok\n")
                               << QList<QByteArray>{head, "nothing,false,,,,,,,,,,",
                                                    "\"say \"\"no\"\", ok\",false,,,,,,,,,,"};
        QTest::addRow("header without input")
            << QStringList{"--csv"} << QByteArray() << QList<QByteArray>{head};
        QTest::addRow("copied columns from the first object")
            << QStringList{"--csv", "--jsonl"}
            << QByteArray(
                   "{\"text\":\"x\",\"id\":\"a,b\",\"n\":null}\n{\"text\":\"y\",\"id\":3,\"other\":1}\n")
            << QList<QByteArray>{head + ",id,n", "x,false,,,,,,,,,,,\"a,b\",", "y,false,,,,,,,,,,,3,"};
    }
    void csv() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QList<QByteArray>, lines);
        const result r = run(args, input);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.lines, lines);
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addRow("unknown option") << QStringList{"--xml"};
        QTest::addRow("missing file") << QStringList{"/nonexistent/messages.txt"};
        QTest::addRow("two files") << QStringList{"a", "b"};
    }
    void usageErrors() {
        QFETCH(QStringList, args);
        const result r = run(args, QByteArray("joy\n"));
        QCOMPARE(r.code, 2);
        QVERIFY(r.lines.isEmpty());
        QVERIFY(r.err.startsWith("quorvel-score: "));
    }
};

QTEST_GUILESS_MAIN(tst_score)
#include "tst_score.moc"

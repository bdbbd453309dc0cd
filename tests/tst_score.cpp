#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <cmath>

#include "config.h"
#include "tweet.h"

using lines = QList<QByteArray>;

// The batch scorer, run as a separate program on small inputs.
class tst_score : public QObject {
    Q_OBJECT

    struct result {
        int code = -1;
        lines out;
        QByteArray err;
    };

    static result run(const QStringList& args, const QByteArray& input) {
        QProcess p;
        p.start(QStringLiteral(QUORVEL_BINARY_DIR "/tools/quorvel-score"), args);
        p.write(input);
        p.closeWriteChannel();
        result r;
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return r;
        r.code = p.exitCode();
        const QByteArray out = p.readAllStandardOutput();
        r.out = out.isEmpty() ? lines() : out.chopped(out.endsWith('\n')).split('\n');
        r.err = p.readAllStandardError();
        return r;
    }

    static QJsonObject object(const QByteArray& line) { return QJsonDocument::fromJson(line).object(); }

    // in their documented order
    inline static const QStringList columns{"text",         "kept",         "terms",      "valence",
                                            "arousal",      "dominance",    "valence_sd", "arousal_sd",
                                            "dominance_sd", "overall_mean", "overall_sd", "fq"};

    // The scorer's numbers must be the record's numbers, bit for bit.
    static void compare_with_record(const QByteArray& line, const QString& text) {
        const QJsonObject o = object(line);
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
        for (int i = 0; i < 9; ++i) {
            const QJsonValue v = o.value(columns[i + 3]);
            if (t.term_n() == 0 || !std::isfinite(want[i])) {
                QVERIFY2(v.isNull(), qPrintable(columns[i + 3]));
            } else {
                QVERIFY2(v.isDouble(), qPrintable(columns[i + 3]));
                QCOMPARE(float(v.toDouble()), want[i]);
                // the shortest such text: one significant digit less reads back as another float
                const QRegularExpressionMatch m =
                    QRegularExpression("\"" + columns[i + 3] +
                                       "\":(-?)0*([0-9.]*?)0*(?:\\.0*)?(e[-+0-9]+)?[,}]")
                        .match(line);
                const int digits = int(m.captured(2).remove('.').size());
                QVERIFY2(digits >= 1 && digits <= 9, qPrintable(line));
                if (digits > 1)
                    QVERIFY2(QString::number(want[i], 'g', digits - 1).toFloat() != want[i],
                             qPrintable(line));
            }
        }
    }

private slots:
    // One object a line: columns in order, numbers exact, null where nothing was found ("cat cat" has
    // terms of zero frequency), text escaped.
    void plainLines() {
        const QStringList texts{"I love my house!!", "nothing here", "cat cat",
                                QString::fromUtf8("caf\xC3\xA9 \"joy\" \\ \t love")};
        const result r = run({}, (texts.join('\n') + '\n').toUtf8());
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out.size(), texts.size());
        for (int i = 0; i < texts.size(); ++i) {
            compare_with_record(r.out[i], texts[i]);
            if (QTest::currentTestFailed()) return;
            qsizetype at = 0;
            for (const QString& key : columns) {
                const qsizetype next = r.out[i].indexOf("\"" + key.toUtf8() + "\"", at);
                QVERIFY2(next >= at, qPrintable(key));
                at = next;
            }
        }
    }

    void jsonLines() {
        const QByteArray input =
            "{\"id\":7,\"text\":\"house lie\",\"valence\":\"theirs\",\"tags\":[\"a\",{\"b\":null}]}\n"
            "not json\n{\"text\":5}\n[\"text\"]\n\n \t\n"
            "{\"text\":\"joy \\\"%1\\\"\\nfear\",\"id\":8}\r\n\r\n";
        const result r = run({"--jsonl"}, input);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out.size(), 2);
        const QJsonObject first = object(r.out[0]), last = object(r.out[1]);
        compare_with_record(r.out[0], "house lie");
        QCOMPARE(first.value("id").toInt(), 7);
        QCOMPARE(first.value("tags").toArray(), (QJsonArray{"a", QJsonObject{{"b", QJsonValue()}}}));
        QVERIFY(first.value("valence").isDouble()); // a copied field may not replace a column
        compare_with_record(r.out[1], "joy \"%1\"\nfear");
        QCOMPARE(last.value("id").toInt(), 8);
        // blank lines are no messages, not malformed ones
        QCOMPARE(r.err.count("quorvel-score: line "), 3);
        for (const char* lineno : {"line 2:", "line 3:", "line 4:"})
            QVERIFY2(r.err.contains(lineno), r.err.constData());
    }

    // Whole outputs: the exact CSV (a header, then one row a line), and the usage answers with
    // their exit status (a line of the output they must show; none when nothing may show).
    void outputs_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("code");
        QTest::addColumn<lines>("out");
        const QByteArray head = columns.join(',').toUtf8();
        auto row = [](const char* name, const QStringList& args, const QByteArray& input, int code,
                      const lines& out) { QTest::newRow(name) << args << input << code << out; };
        row("csv", {"--csv"}, "nothing\nsay \"no\", ok\n", 0,
            {head, "nothing,false,,,,,,,,,,", "\"say \"\"no\"\", ok\",false,,,,,,,,,,"});
        row("csv with columns copied from the first object", {"--csv", "--jsonl"},
            "{\"text\":\"x\",\"id\":\"a,b\",\"n\":null}\n{\"text\":\"y\",\"id\":3,\"other\":1}\n", 0,
            {head + ",id,n", "x,false,,,,,,,,,,,\"a,b\",", "y,false,,,,,,,,,,,3,"});
        // CSV has no escapes: a NUL, which cuts a cell short for many readers, is replaced
        row("NUL", {"--csv", "--jsonl"}, "{\"text\":\"a\\u0000b, c\",\"id\":\"\\u0000\"}\n", 0,
            {head + ",id", "\"a\xEF\xBF\xBD"
                           "b, c\",false,,,,,,,,,,,\xEF\xBF\xBD"});
        row("help, with defaults", {"--help"}, "", 0, {"~(default: standard input"});
        row("version", {"--version"}, "", 0, {"quorvel-score " QUORVEL_VERSION});
        row("unknown option", {"--json"}, "love\n", 2, {});
        row("two files", {"-", "-"}, "love\n", 2, {});
        row("no such file", {"/nonexistent/x"}, "love\n", 2, {});
    }
    void outputs() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, code);
        QFETCH(lines, out);
        const result r = run(args, input);
        QCOMPARE(r.code, code);
        if (out.value(0).startsWith('~'))
            QVERIFY(r.out.join('\n').contains(out[0].mid(1)));
        else
            QCOMPARE(r.out, out);
        QCOMPARE(r.err.isEmpty(), code == 0); // failures say why
    }

    // Lines of the common shape are read without the toolkit's JSON parser, which reads the
    // rest: the same objects, with a field only the toolkit reads ("~", last in key order),
    // come out the same.
    void ownReaderAsToolkit() {
        const QList<QByteArray> objects{
            "{\"text\":\"I \\u0041M h\\u00e9ureux \\/ \\b\\f\\r\\t love \\u0000\",\"b\":-0,\"a\":\"\"}",
            " { \"text\" : \"caf\\u00e9 \xC3\xA9\xF0\x9F\x98\x80 joy\" , \"n\" : -123456789012345, "
            "\"t\":true,\"f\":false}",
            "{\"z\":null,\"text\":\"dup\",\"text\":\"love "
            "lie\",\"B\":\"\\\"\",\"_\":\"\\\\\",\"id\":12,\"id\":7}",
            "{\"text\":\"x\\u00ff\",\"k\":\"\\u001f\\u007f\"}"};
        QByteArray fast, slow;
        for (const QByteArray& o : objects) {
            fast += o + '\n';
            slow += o.left(o.lastIndexOf('}')) + ",\"~\":[0]}" + '\n';
        }
        for (const QStringList& args : {QStringList{"--jsonl"}, QStringList{"--jsonl", "--csv"}}) {
            result a = run(args, fast), b = run(args, slow);
            QCOMPARE(a.code, 0);
            QCOMPARE(b.code, 0);
            QCOMPARE(a.out.size(), objects.size() + args.size() - 1);
            for (int i = 0; i < a.out.size(); ++i)
                QCOMPARE(a.out[i],
                         args.size() == 1 ? b.out[i].replace(",\"~\":[0]", "") : b.out[i].chopped(i ? 4 : 2));
        }
    }
};

QTEST_GUILESS_MAIN(tst_score)
#include "tst_score.moc"

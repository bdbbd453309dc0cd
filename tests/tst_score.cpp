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
        const QByteArray out = p.readAllStandardOutput();
        return {p.exitCode(), out.isEmpty() ? lines() : out.chopped(out.endsWith('\n')).split('\n'),
                p.readAllStandardError()};
    }

    // in their documented order
    inline static const QStringList columns{"text",         "kept",         "terms",      "valence",
                                            "arousal",      "dominance",    "valence_sd", "arousal_sd",
                                            "dominance_sd", "overall_mean", "overall_sd", "fq"};

    // A JSON line holds the columns in order with the record's numbers bit for bit, each written as
    // the shortest text that reads back as the same float, and null where nothing was found.
    static void compare_with_record(const QByteArray& line, const QString& text) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        tweet t;
        t.content(text);
        QStringList terms;
        for (const QJsonValue& v : o.value("terms").toArray())
            terms.append(v.toString());
        QCOMPARE(o.value("text").toString(), text);
        QCOMPARE(terms, QStringList(t.anew_term()));
        QCOMPARE(o.value("kept").toBool(), t.term_n() >= 2);
        const float want[] = {t.m(VALENCE),     t.m(AROUSAL),     t.m(DOMINANCE),
                              t.sd(VALENCE),    t.sd(AROUSAL),    t.sd(DOMINANCE),
                              t.overall_mean(), t.overall_sdev(), t.fq()};
        qsizetype at = 0;
        for (int i = 0; i < columns.size(); ++i) {
            at = line.indexOf('"' + columns[i].toUtf8() + "\":", at);
            QVERIFY2(at >= 0, qPrintable(columns[i]));
            if (i < 3) continue;
            const float x = want[i - 3];
            if (t.term_n() == 0 || !std::isfinite(x)) {
                QVERIFY2(o.value(columns[i]).isNull(), qPrintable(columns[i]));
                continue;
            }
            QCOMPARE(float(o.value(columns[i]).toDouble()), x);
            // as many significant digits as the fewest that read back as x
            const QByteArray num = line.mid(at + columns[i].size() + 3).split(',')[0].split('}')[0];
            QString digits = QString::fromLatin1(num.split('e')[0]).remove('-').remove('.');
            digits.remove(QRegularExpression("^0+(?=.)|(?<=.)0+$"));
            int shortest = 1;
            while (QString::number(x, 'g', shortest).toFloat() != x)
                ++shortest;
            QVERIFY2(digits.size() == shortest, line.constData());
        }
    }

private slots:
    // JSON lines: every message scored, other fields copied but never over a column, bad lines reported,
    // blank ones skipped; the own reader and the toolkit's parser give the same output.
    void jsonLines() {
        const QList<std::pair<QString, QByteArray>> objects{
            {"house lie",
             "{\"id\":7,\"text\":\"house lie\",\"valence\":\"theirs\",\"tags\":[\"a\",{\"b\":null}]}"},
            {"I love my house!!", "{\"text\":\"I love my house!!\"}"},
            {"cat cat", "{\"text\":\"cat cat\"}"},
            {QStringLiteral("I AM h\u00e9ureux / \b\f\r\t love ") + QChar(0),
             "{\"text\":\"I \\u0041M h\\u00e9ureux \\/ \\b\\f\\r\\t love \\u0000\",\"b\":-0,\"a\":\"\"}"},
            {"caf\u00e9 \u00e9\U0001F600 \"joy\" \\ \t love",
             " { \"text\" : \"caf\\u00e9 \xC3\xA9\xF0\x9F\x98\x80 \\\"joy\\\" \\\\ \\t love\" , \"n\" : "
             "-123456789012345, \"t\":true,\"f\":false}"},
            {"love lie", "{\"z\":null,\"text\":\"dup\",\"text\":\"love "
                         "lie\",\"B\":\"\\\"\",\"_\":\"\\\\\",\"id\":12,\"id\":7}"},
            {"x\u0080\u07ff\u0800\uffff\U00010000",
             "{\"text\":\"x\\u0080\\u07ff\\u0800\\uffff\\ud800\\udc00\",\"k\":\"\\u001f\\u007f\"}"},
            {"joy \"%1\"\nfear", "{\"text\":\"joy \\\"%1\\\"\\nfear\",\"id\":8}\r"}};
        QByteArray fast = "not json\n{\"text\":5}\n[\"text\"]\n\n \t\n", slow = fast;
        for (const auto& [text, o] : objects) {
            fast += o + '\n';
            slow += o.left(o.lastIndexOf('}')) + ",\"~\":[0]}\n";
        }
        const result r = run({"--jsonl"}, fast + "\r\n");
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err.count("quorvel-score: line "), 3);
        for (const char* lineno : {"line 1:", "line 2:", "line 3:"})
            QVERIFY2(r.err.contains(lineno), r.err.constData());
        QCOMPARE(r.out.size(), objects.size());
        for (int i = 0; i < objects.size(); ++i)
            compare_with_record(r.out[i], objects[i].first);
        const QJsonObject first = QJsonDocument::fromJson(r.out[0]).object();
        QCOMPARE(first.value("id").toInt(), 7);
        QCOMPARE(first.value("tags").toArray(), (QJsonArray{"a", QJsonObject{{"b", QJsonValue()}}}));
        QCOMPARE(QJsonDocument::fromJson(r.out.last()).object().value("id").toInt(), 8);
        for (const QStringList& args : {QStringList{"--jsonl"}, QStringList{"--jsonl", "--csv"}}) {
            const QByteArray a = run(args, fast).out.join('\n') + '\n';
            QByteArray b = run(args, slow).out.join('\n') + '\n';
            QVERIFY(a.startsWith(args.size() == 1 ? "{\"text\":\"house lie\"" : "text,kept,"));
            QCOMPARE(a, b.replace(",\"~\":[0]", "").replace(",~\n", "\n").replace(",[0]\n", "\n"));
        }
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
};

QTEST_GUILESS_MAIN(tst_score)
#include "tst_score.moc"
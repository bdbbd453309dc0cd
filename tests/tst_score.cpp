#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <cmath>

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
        for (int i = 0; i < 9; ++i) {
            const QJsonValue v = o.value(columns[i + 3]);
            if (t.term_n() == 0 || !std::isfinite(want[i])) {
                QVERIFY2(v.isNull(), qPrintable(columns[i + 3]));
            } else {
                QVERIFY2(v.isDouble(), qPrintable(columns[i + 3]));
                QCOMPARE(float(v.toDouble()), want[i]);
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
            compare_with_record(object(r.out[i]), texts[i]);
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
            "not json\n{\"text\":5}\n[\"text\"]\n\n"
            "{\"text\":\"joy \\\"%1\\\"\\nfear\",\"id\":8}\n";
        const result r = run({"--jsonl"}, input);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out.size(), 2);
        const QJsonObject first = object(r.out[0]), last = object(r.out[1]);
        compare_with_record(first, "house lie");
        QCOMPARE(first.value("id").toInt(), 7);
        QCOMPARE(first.value("tags").toArray(), (QJsonArray{"a", QJsonObject{{"b", QJsonValue()}}}));
        QVERIFY(first.value("valence").isDouble()); // a copied field may not replace a column
        compare_with_record(last, "joy \"%1\"\nfear");
        QCOMPARE(last.value("id").toInt(), 8);
        for (const char* lineno : {"line 2:", "line 3:", "line 4:", "line 5:"})
            QVERIFY2(r.err.contains(lineno), r.err.constData());
        QVERIFY(!r.err.contains("line 1:") && !r.err.contains("line 6:"));
    }

    // The exact CSV: a header, then one row a line.
    void csvOutput_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<lines>("out");
        const QByteArray head = columns.join(',').toUtf8();
        QTest::addRow("csv") << QStringList{"--csv"} << QByteArray("nothing\nsay \"no\", ok\n")
                             << lines{head, "nothing,false,,,,,,,,,,",
                                      "\"say \"\"no\"\", ok\",false,,,,,,,,,,"};
        QTest::addRow("csv with columns copied from the first object")
            << QStringList{"--csv", "--jsonl"}
            << QByteArray(
                   "{\"text\":\"x\",\"id\":\"a,b\",\"n\":null}\n{\"text\":\"y\",\"id\":3,\"other\":1}\n")
            << lines{head + ",id,n", "x,false,,,,,,,,,,,\"a,b\",", "y,false,,,,,,,,,,,3,"};
    }
    void csvOutput() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(lines, out);
        const result r = run(args, input);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, out);
    }
};

QTEST_GUILESS_MAIN(tst_score)
#include "tst_score.moc"

#include <QTest>

#include "tweet.h"

// Rich-text renderings of a tweet: emphasis, links, tooltip line and the detailed text.
class tst_format : public QObject {
    Q_OBJECT

    static QString em(const QString& w) { return "<i><b>" + w + "</b></i>"; }
    static QString a(const QString& address) { return "<a href=\"" + address + "\">" + address + "</a>"; }

    static QStringList debug_lines;
    static void collect(QtMsgType, const QMessageLogContext&, const QString& msg) { debug_lines.append(msg); }

private slots:
    void emphasis_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("tip");
        QTest::addRow("letters as written") << "I Love my house!"
                                            << "I " + em("Love") + " my " + em("house") + "!";
        QTest::addRow("through the stem") << "Loving it" << em("Loving") + " it";
        QTest::addRow("one dictionary word") << "house" << em("house");
        QTest::addRow("only delimiters") << " !?.,@|()*+&%$#\"':;"
                                         << " !?.,@|()*+&%$#\"':;";
        QTest::addRow("hashtag and mention") << "#joy @Fear"
                                             << "#" + em("joy") + " @" + em("Fear");
        QTest::addRow("hyphen, slash and backslash bind") << "joy-fear joy/fear joy\\fear"
                                                          << "joy-fear joy/fear joy\\fear";
        QTest::addRow("FALSE in any case") << "False!" << em("False") + "!";
        QTest::addRow("character references stay")
            << "joy &amp; fear" << em("joy") + " &" + "amp; " + em("fear");
        QTest::addRow("placeholders in the body") << "%1 joy %2"
                                                  << "%1 " + em("joy") + " %2";
    }
    void emphasis() {
        QFETCH(QString, body);
        QFETCH(QString, tip);
        tweet t;
        t.content(body);
        QCOMPARE(t.content_tip(), tip);
        // a body without addresses has the same linked text
        QCOMPARE(t.content_fmt(), tip);
        QCOMPARE(t.content(), body);
    }

    // The emphasis pass reuses the estimate's lookups; deciding each word afresh must agree.
    void emphasisReusesLookups_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("tip");
        QTest::addRow("Kelvin sign lower-cases to k") << "\u212AIND words" << em("\u212AIND") + " words";
        QTest::addRow("dotted capital I grows") << "\u0130 LOVE \u0130"
                                                << "\u0130 " + em("LOVE") + " \u0130";
        QTest::addRow("surrogate pairs") << "\U0001F600joy \U0001F600 joy"
                                         << "\U0001F600joy \U0001F600 " + em("joy");
        QTest::addRow("lone surrogate")
            << QString(QChar(0xD800)) + "!joy" << QString(QChar(0xD800)) + "!" + em("joy");
    }
    void emphasisReusesLookups() {
        QFETCH(QString, body);
        QFETCH(QString, tip);
        tweet t;
        t.content(body);
        QCOMPARE(t.content_tip(), tip);
        const QString fmt = t.content_fmt();
        t.fmt_content();
        QCOMPARE(t.content_tip(), tip);
        QCOMPARE(t.content_fmt(), fmt);
    }

    void links_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("fmt");
        QTest::addRow("followed by a space") << "see http://t.co/ab now"
                                             << "see " + a("http://t.co/ab") + " now";
        QTest::addRow("at the end, with its full stop") << "see http://t.co/ab."
                                                        << "see " + a("http://t.co/ab.");
        QTest::addRow("two, search resumes after the first")
            << "http://t.co/ab and http://t.co/cd" << a("http://t.co/ab") + " and " + a("http://t.co/cd");
        QTest::addRow("capital scheme: from the first boundary letter") << "Scheme://x.io/a b"
                                                                        << "Scheme://" + a("x.io/a") + " b";
        QTest::addRow("no slash after the dot") << "end. of/it"
                                                << "end. of/it";
        QTest::addRow("ends in a slash") << "x.io/ y"
                                         << "x.io/ y";
        QTest::addRow("emphasis inside the address") << "go http://x.house.com/y"
                                                     << "go " + a("http://x." + em("house") + ".com/y");
        QTest::addRow("placeholders in the address") << "x http://t.co/%1%2 y%1"
                                                     << "x " + a("http://t.co/%1%2") + " y%1";
        QTest::addRow("hashtag gets no link") << "#love"
                                              << "#" + em("love");
        QTest::addRow("non-breaking space does not end it") << "a.b/c\u00a0d e" << a("a.b/c\u00a0d") + " e";
    }
    void links() {
        QFETCH(QString, body);
        QFETCH(QString, fmt);
        tweet t;
        t.content(body);
        QCOMPARE(t.content_fmt(), fmt);
    }

    // Long runs without spaces must still come out right (their speed is measured in bench/).
    void longRunWithoutSpaces() {
        QString body(20000, QChar('x'));
        body[5] = '.';
        body[19000] = '/';
        tweet t;
        t.content(body);
        QCOMPARE(t.content_fmt(), a(body));
    }

    void tooltipLine_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("pub");
        QTest::addColumn<QString>("line");
        QTest::addRow("never set") << ""
                                   << ""
                                   << "<i></i> <b></b>: ";
        QTest::addRow("no links in it") << "joy at a.b/c"
                                        << "ann (Ann)"
                                        << "<i></i> <b>ann</b>: " + em("joy") + " at a.b/c";
        QTest::addRow("placeholders stay as written") << "%1 %2 %3"
                                                      << "%3 (x)"
                                                      << "<i></i> <b>%3</b>: %1 %2 %3";
    }
    void tooltipLine() {
        QFETCH(QString, body);
        QFETCH(QString, pub);
        QFETCH(QString, line);
        tweet t;
        t.content(body);
        t.name(pub);
        QCOMPARE(t.formatted_content(), line);
    }

    void detailedText_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("text");
        QTest::addRow("3 significant digits; published norms")
            << "house lie"
            << em("house") + " " + em("lie") + "<p><i>v</i> = 5.15, <i>a</i> = 5.23</p>" +
                   "<b>house</b>, <i>v</i> = [7.26, 1.72], <i>a</i> = [4.56, 2.41], <i>fq</i> = 591<br>" +
                   "<b>lie</b>, <i>v</i> = [2.79, 1.92], <i>a</i> = [5.96, 2.63], <i>fq</i> = 59";
        QTest::addRow("whole numbers without zeros; one term, no line break")
            << "cake"
            << em("cake") + "<p><i>v</i> = 7.26, <i>a</i> = 5</p>" +
                   "<b>cake</b>, <i>v</i> = [7.26, 1.27], <i>a</i> = [5, 2.37], <i>fq</i> = 9";
        // the estimate used the row loved (v 8.64) through the stem index; the listing looks the
        // term up as a word first and shows the row love
        QTest::addRow("a stem term shows the row of the same word")
            << "loving"
            << em("loving") + "<p><i>v</i> = 8.64, <i>a</i> = 6.38</p>" +
                   "<b>love</b>, <i>v</i> = [8.72, 0.7], <i>a</i> = [6.44, 3.35], <i>fq</i> = 232";
        QTest::addRow("link kept")
            << "cake a.b/c"
            << em("cake") + " " + a("a.b/c") + "<p><i>v</i> = 7.26, <i>a</i> = 5</p>" +
                   "<b>cake</b>, <i>v</i> = [7.26, 1.27], <i>a</i> = [5, 2.37], <i>fq</i> = 9";
    }
    void detailedText() {
        QFETCH(QString, body);
        QFETCH(QString, text);
        tweet t;
        t.content(body);
        QCOMPARE(t.content_w_term(), text);
    }

    void lineBreaks_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("breaks");
        QTest::addRow("one") << "joy" << 0;
        QTest::addRow("three") << "joy joy joy" << 2;
    }
    void lineBreaks() {
        QFETCH(QString, body);
        QFETCH(int, breaks);
        tweet t;
        t.content(body);
        const QString text = t.content_w_term();
        const int p = text.indexOf("</p>");
        QVERIFY(p > 0);
        QCOMPARE(int(text.mid(p).count("<br>")), breaks);
    }

    void dumpListsEveryDimension() {
        tweet t;
        t.content(QStringLiteral("house lie"));
        debug_lines.clear();
        const QtMessageHandler old = qInstallMessageHandler(collect);
        t.dump();
        qInstallMessageHandler(old);
        QCOMPARE(debug_lines.size(), 7);
        const char* labels[] = {"terms:",          "arousal mean:", "arousal sdev:", "dominance mean:",
                                "dominance sdev:", "valence mean:", "valence sdev:"};
        for (int i = 0; i < 7; ++i)
            QVERIFY2(debug_lines[i].startsWith(labels[i]), qPrintable(debug_lines[i]));
        QVERIFY(debug_lines[0].contains("house") && debug_lines[0].contains("lie"));
        QVERIFY(debug_lines[5].contains("7.26") && debug_lines[5].contains("2.79"));
        QVERIFY(debug_lines[4].contains("2.12") && debug_lines[4].contains("2.42"));
    }
};

QStringList tst_format::debug_lines;

QTEST_GUILESS_MAIN(tst_format)
#include "tst_format.moc"

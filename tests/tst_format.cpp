#include <QTest>
#include <QTextDocument>

#include "tweet.h"

// Rich-text renderings of a tweet: emphasis, links, tooltip line and the detailed text.
class tst_format : public QObject {
    Q_OBJECT

    static QString em(const QString& w) { return "<i><b>" + w + "</b></i>"; }
    static QString a(const QString& address) { return "<a href=\"" + address + "\">" + address + "</a>"; }
    static void row(const char* name, const QString& body, const QString& want) {
        QTest::newRow(name) << body << want;
    }

private slots:
    // The body with dictionary words emphasised (tip), and with web addresses linked too (fmt);
    // an empty expectation stands for the one before it.
    void renderings_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QString>("fmt");
        auto row = [](const char* name, const QString& body, const QString& tip,
                      const QString& fmt = QString()) {
            QTest::newRow(name) << body << (tip.isEmpty() ? body : tip)
                                << (fmt.isEmpty() ? (tip.isEmpty() ? body : tip) : fmt);
        };
        row("letters as written", "I Love my house!", "I " + em("Love") + " my " + em("house") + "!");
        row("through the stem", "Loving it", em("Loving") + " it");
        row("only delimiters", " !?.,@|()*+&%$#\"':;", "");
        row("hashtag and mention", "#joy @Fear", "#" + em("joy") + " @" + em("Fear"));
        row("hyphen and slashes bind", "joy-fear joy/fear joy\\fear", "");
        row("FALSE in any case", "False!", em("False") + "!");
        row("character references stay", "joy &amp; fear", em("joy") + " &amp; " + em("fear"));
        row("placeholders", "%1 joy %2", "%1 " + em("joy") + " %2");
        // lower-casing that changes the length must not shift the emphasis
        row("Kelvin sign", "\u212AIND words", em("\u212AIND") + " words");
        row("dotted capital I", "\u0130 LOVE \u0130", "\u0130 " + em("LOVE") + " \u0130");
        row("surrogate pairs", "\U0001F600joy \U0001F600 joy", "\U0001F600joy \U0001F600 " + em("joy"));
        row("lone surrogate", QString(QChar(0xD800)) + "!joy", QString(QChar(0xD800)) + "!" + em("joy"));
        row("raw markup escaped", "<b> joy </b> <img src=\"/x\"> AT&T &amp; &#38; &#X26; &lt",
            "&lt;b&gt; " + em("joy") +
                " &lt;/b&gt; &lt;img src=\"/x\"&gt; AT&amp;T &amp; &#38; &#X26; &amp;lt");
        row("references, named, numeric and too long",
            "&axe; &#x2a; &" + QString(32, 'a') + "; &" + QString(33, 'a') + ";",
            "&axe; &#x2a; &" + QString(32, 'a') + "; &amp;" + QString(33, 'a') + ";");
        row("link followed by a space", "see http://t.co/ab now", "", "see " + a("http://t.co/ab") + " now");
        row("link at the end, with its full stop", "see http://t.co/ab.", "", "see " + a("http://t.co/ab."));
        row("two links", "http://t.co/ab and http://t.co/cd", "",
            a("http://t.co/ab") + " and " + a("http://t.co/cd"));
        row("capital scheme", "Scheme://x.io/a b", "", "Scheme://" + a("x.io/a") + " b");
        row("no slash after the dot", "end. of/it", "");
        row("ends in a slash", "x.io/ y", "");
        row("emphasis inside a link", "go http://x.house.com/y", "go http://x." + em("house") + ".com/y",
            "go " + a("http://x." + em("house") + ".com/y"));
        row("placeholders in a link", "x http://t.co/%1%2 y%1", "", "x " + a("http://t.co/%1%2") + " y%1");
        row("hashtag gets no link", "#love", "#" + em("love"));
        row("markup around a link", "<http://t.co/a\"b>", "&lt;http://t.co/a\"b&gt;",
            "&lt;<a href=\"http://t.co/a&quot;b&gt;\">http://t.co/a\"b&gt;</a>");
        row("non-breaking space in a link", "a.b/c\u00a0d e", "", a("a.b/c\u00a0d") + " e");
        QString run(20000, QChar('x'));
        run[5] = '.';
        run[19000] = '/';
        row("long run without spaces", run, "", a(run));
    }
    void renderings() {
        QFETCH(QString, body);
        QFETCH(QString, tip);
        QFETCH(QString, fmt);
        tweet t;
        t.content(body);
        QCOMPARE(t.content(), body);
        QCOMPARE(t.content_tip(), tip);
        QCOMPARE(t.content_fmt(), fmt);
        // deciding each word afresh must agree with the pass that reused the estimate's lookups
        t.fmt_content();
        QCOMPARE(t.content_tip(), tip);
        QCOMPARE(t.content_fmt(), fmt);
    }

    void tooltipLine_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("pub");
        QTest::addColumn<QString>("line");
        QTest::addRow("never set") << "" << QString() << "<i></i> <b></b>: ";
        QTest::addRow("no links in it")
            << "joy at a.b/c" << QString("ann (Ann)") << "<i></i> <b>ann</b>: " + em("joy") + " at a.b/c";
        QTest::addRow("placeholders stay")
            << "%1 %2 %3" << QString("%3 (x)") << "<i></i> <b>%3</b>: %1 %2 %3";
        QTest::addRow("markup") << "<br>" << QString("<b>x</b> (y)")
                                << "<i></i> <b>&lt;b&gt;x&lt;/b&gt;</b>: &lt;br&gt;";
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
        const QString cake = "<p><i>v</i> = 7.26, <i>a</i> = 5</p><b>cake</b>, <i>v</i> = [7.26, 1.27], "
                             "<i>a</i> = [5, 2.37], <i>fq</i> = 9";
        row("3 significant digits", "house lie",
            em("house") + " " + em("lie") + "<p><i>v</i> = 5.15, <i>a</i> = 5.23</p>" +
                "<b>house</b>, <i>v</i> = [7.26, 1.72], <i>a</i> = [4.56, 2.41], <i>fq</i> = 591<br>" +
                "<b>lie</b>, <i>v</i> = [2.79, 1.92], <i>a</i> = [5.96, 2.63], <i>fq</i> = 59");
        row("whole numbers without zeros", "cake", em("cake") + cake);
        row("link kept", "cake a.b/c", em("cake") + " " + a("a.b/c") + cake);
        // the estimate used the row loved through the stem index; the listing shows the row love
        row("a stem term shows the row of the same word", "loving",
            em("loving") + "<p><i>v</i> = 8.64, <i>a</i> = 6.38</p>" +
                "<b>love</b>, <i>v</i> = [8.72, 0.7], <i>a</i> = [6.44, 3.35], <i>fq</i> = 232");
    }
    void detailedText() {
        QFETCH(QString, body);
        QFETCH(QString, text);
        tweet t;
        t.content(body);
        QCOMPARE(t.content_w_term(), text);
    }
};

QTEST_MAIN(tst_format)
#include "tst_format.moc"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <QTextDocument>
#include <cstdlib>
#include <ctime>

#include "link_scan.h"
#include "tweet.h"

// The author and post-time setters of the tweet record and its rich-text renderings: emphasis, links, tooltip
// line and the detailed text; the linear address scanners against the regular expressions they replace.
class tst_format : public QObject {
    Q_OBJECT

    static QString em(const QString& w) { return "<i><b>" + w + "</b></i>"; }
    static QString a(const QString& address) { return "<a href=\"" + address + "\">" + address + "</a>"; }
    static void row(const char* name, const QString& body, const QString& want) {
        QTest::newRow(name) << body << want;
    }

    const QRegularExpression fmt_re{QStringLiteral("\\b[a-z]\\S*\\.\\S*/\\S*([a-z]|[A-Z]|[0-9])\\b")};
    const QRegularExpression strip_re{QStringLiteral("\\b\\S*\\.\\S*/\\S*\\b")};

    static int re_start(const QRegularExpression& re, const QString& s, int from) {
        const QRegularExpressionMatch m = re.match(s, from);
        return m.hasMatch() ? int(m.capturedStart()) : -1;
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

    void knownCases_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("fmt");
        QTest::addColumn<int>("strip");
        QTest::addRow("plain address") << "see http://t.co/abc now" << 4 << 4;
        QTest::addRow("no slash") << "end. of it" << -1 << -1;
        QTest::addRow("slash before dot") << "a/b.c" << -1 << -1;
        QTest::addRow("capital start") << "Http://x.io/a" << 7 << 0;
        QTest::addRow("trailing full stop") << "go to a.io/x." << 6 << 6;
        QTest::addRow("ends in slash") << "a.io/ b" << -1 << -1;
        QTest::addRow("separate runs") << "a. /b x.y/z" << 6 << 6;
        QTest::addRow("non-ASCII is not a word character") << "\u00e9a.b/c" << 1 << 1;
        QTest::addRow("tab separates") << "a.b\t/c" << -1 << -1;
        QTest::addRow("nbsp does not separate") << "a.b\u00a0/c" << 0 << 0;
        QTest::addRow("empty") << "" << -1 << -1;
        QString run(20000, QChar('a'));
        QTest::addRow("long run, no full stop") << run << -1 << -1;
        run[10] = '.';
        run[19990] = '/';
        QTest::addRow("long address") << run << 0 << 0;
        run[19999] = '-'; // still ends in a letter before the hyphen
        QTest::addRow("long address ending in a hyphen") << run << 0 << 0;
    }
    void knownCases() {
        QFETCH(QString, text);
        QFETCH(int, fmt);
        QFETCH(int, strip);
        if (text.size() < 100) { // the expressions take quadratic time on long runs
            QCOMPARE(re_start(fmt_re, text, 0), fmt);
            QCOMPARE(re_start(strip_re, text, 0), strip);
        }
        QCOMPARE(link_scan::fmt_link_start(text), fmt);
        QCOMPARE(link_scan::strip_link_start(text), strip);
    }

    // Many short strings over an alphabet that exercises every class the patterns care about,
    // from every start offset.
    void agreesWithRegularExpressions() {
        static const char16_t alphabet[] = {u'a', u'q', u'Z',      u'7',      u'_',      u'.',  u'/',
                                            u'.', u'/', u' ',      u'\t',     u'\n',     u'\v', u'-',
                                            u':', u'#', u'\u00e9', u'\u00a0', u'\u2028', u'@'};
        QRandomGenerator rng(20261206);
        for (int iter = 0; iter < 150000; ++iter) {
            const int len = int(rng.bounded(16));
            QString s;
            for (int k = 0; k < len; ++k)
                s += QChar(alphabet[rng.bounded(int(sizeof alphabet / 2))]);
            for (int from = 0; from <= len; ++from) {
                const int want_fmt = re_start(fmt_re, s, from);
                const int want_strip = re_start(strip_re, s, from);
                if (link_scan::fmt_link_start(s, from) != want_fmt ||
                    link_scan::strip_link_start(s, from) != want_strip) {
                    QFAIL(qPrintable(QStringLiteral("'%1' from %2: fmt %3/%4, strip %5/%6")
                                         .arg(s, QString::number(from), QString::number(want_fmt),
                                              QString::number(link_scan::fmt_link_start(s, from)),
                                              QString::number(want_strip),
                                              QString::number(link_scan::strip_link_start(s, from)))));
                }
            }
        }
    }

    void initTestCase() {
        // Four hours behind UTC in September.
        qputenv("TZ", "America/New_York");
        tzset();
    }

    void authorAndTime_data() {
        QTest::addColumn<QString>("author");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pub");
        QTest::addColumn<QString>("shown");
        auto row = [](const char* tag, const char* author, const char* name, const char* pub,
                      const char* shown) {
            QTest::newRow(tag) << QString(author) << QString(name) << QString(pub) << QString(shown);
        };
        row("afternoon", "ab12 (A B)", "ab12", "2011-09-15T18:04:05Z", "Sep 15 2:04:05pm");
        row("single-digit day", "ab12", "ab12", "2011-09-05T13:00:09Z", "Sep 5 9:00:09am");
        row("midnight local", "ab12(A B)", "ab12(A B)", "2011-09-15T04:30:00Z", "Sep 15 12:30:00am");
        // 2:30 on March 13 does not exist in New York; the UTC time does
        row("local spring-forward gap", "x (y) (z)", "x", "2011-03-13T02:30:00Z", "Mar 12 9:30:00pm");
        row("not a time", "", "", "yesterday", "");
        row("missing Z", " (anon)", "", "2011-09-15T18:04:05", "");
        row("month 13", "a", "a", "2011-13-15T18:04:05Z", "");
        row("letter in the year", "a", "a", "20x1-09-15T18:04:05Z", "");
        row("empty", "a", "a", "", "");
    }
    void authorAndTime() {
        QFETCH(QString, author);
        QFETCH(QString, name);
        QFETCH(QString, pub);
        QFETCH(QString, shown);
        tweet t;
        t.name(QStringLiteral("earlier (E)"));
        t.time("2011-09-15T18:04:05Z");
        t.name(author);
        t.time(pub); // a bad time replaces an earlier good one
        QCOMPARE(t.name() + '|' + t.time(), name + '|' + shown);
    }
};

QTEST_MAIN(tst_format)
#include "tst_format.moc"

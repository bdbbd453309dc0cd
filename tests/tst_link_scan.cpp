#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include "link_scan.h"

// The linear address scanners against the regular expressions they replace.
class tst_link_scan : public QObject {
    Q_OBJECT

    const QRegularExpression fmt_re{QStringLiteral("\\b[a-z]\\S*\\.\\S*/\\S*([a-z]|[A-Z]|[0-9])\\b")};
    const QRegularExpression strip_re{QStringLiteral("\\b\\S*\\.\\S*/\\S*\\b")};

    static int re_start(const QRegularExpression& re, const QString& s, int from) {
        const QRegularExpressionMatch m = re.match(s, from);
        return m.hasMatch() ? int(m.capturedStart()) : -1;
    }

private slots:
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
};

QTEST_GUILESS_MAIN(tst_link_scan)
#include "tst_link_scan.moc"

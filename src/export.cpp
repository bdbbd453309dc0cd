#include "export.h"

#include <QSaveFile>

#include <charconv>
#include <cmath>

#include "tweet.h"

QString float_text(float x) {
    if (!std::isfinite(x)) return QString();
    char buf[32];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, x);
    return QString::fromLatin1(buf, r.ptr - buf);
}

namespace {

const char* const columns[] = {"text",       "kept",       "terms",      "valence",      "arousal",
                               "dominance",  "valence_sd", "arousal_sd", "dominance_sd", "overall_mean",
                               "overall_sd", "fq",         "author",     "published"};

QString json_string(const QString& s) {
    QString out = QStringLiteral("\"");
    out.reserve(s.size() + 2);
    for (QChar c : s) {
        switch (c.unicode()) {
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

// A text cell. One that a spreadsheet would take for a formula gets a leading quote, which
// spreadsheets read as "text follows"; cells holding a separator, quote or line break are quoted.
QString csv_text(QString s) {
    s.replace(QChar(0), QChar(0xFFFD));
    if (!s.isEmpty()) {
        const QChar c = s.front();
        if (c == QLatin1Char('=') || c == QLatin1Char('+') || c == QLatin1Char('-') ||
            c == QLatin1Char('@') || c == QLatin1Char('\t') || c == QLatin1Char('\r'))
            s.prepend(QLatin1Char('\''));
    }
    if (!s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"')) && !s.contains(QLatin1Char('\n')) &&
        !s.contains(QLatin1Char('\r')))
        return s;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

} // namespace

bool write_tweets(const QString& file, const QList<tweet>& tw, QString& why) {
    const bool csv = file.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        why = out.errorString();
        return false;
    }
    QString line;
    if (csv) {
        for (const char* c : columns)
            line += QLatin1String(c) + QLatin1Char(',');
        line.back() = QLatin1Char('\n');
        out.write(line.toUtf8());
    }
    for (const tweet& t : tw) {
        const bool any = t.term_n() > 0;
        const float nums[] = {t.m(VALENCE),     t.m(AROUSAL),     t.m(DOMINANCE),
                              t.sd(VALENCE),    t.sd(AROUSAL),    t.sd(DOMINANCE),
                              t.overall_mean(), t.overall_sdev(), t.fq()};
        const QString terms = QStringList(t.anew_term()).join(QLatin1Char(' '));
        const QString kept = QLatin1String(t.term_n() >= 2 ? "true" : "false");
        const QDateTime at = t.published();
        const QString when =
            at.isValid() ? at.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")) : QString();
        line.clear();
        if (csv) {
            line += csv_text(t.content()) + QLatin1Char(',') + kept + QLatin1Char(',') + csv_text(terms);
            for (float x : nums)
                line += QLatin1Char(',') + (any ? float_text(x) : QString());
            line += QLatin1Char(',') + csv_text(t.name()) + QLatin1Char(',') + when;
        } else {
            line += QLatin1String("{\"text\":") + json_string(t.content()) + QLatin1String(",\"kept\":") +
                    kept + QLatin1String(",\"terms\":[");
            const QList<QString> list = t.anew_term();
            for (int i = 0; i < list.size(); ++i)
                line += (i ? QLatin1String(",") : QLatin1String("")) + json_string(list[i]);
            line += QLatin1Char(']');
            for (int i = 0; i < 9; ++i) {
                const QString x = any ? float_text(nums[i]) : QString();
                line += QLatin1String(",\"") + QLatin1String(columns[i + 3]) + QLatin1String("\":") +
                        (x.isEmpty() ? QStringLiteral("null") : x);
            }
            line += QLatin1String(",\"author\":") +
                    (t.name().isEmpty() ? QStringLiteral("null") : json_string(t.name()));
            line += QLatin1String(",\"published\":") +
                    (when.isEmpty() ? QStringLiteral("null") : json_string(when));
            line += QLatin1Char('}');
        }
        line += QLatin1Char('\n');
        if (out.write(line.toUtf8()) < 0) break;
    }
    if (!out.commit()) {
        why = out.errorString();
        return false;
    }
    return true;
}

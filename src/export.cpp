#include "export.h"

#include <QDateTime>
#include <QSaveFile>

#include <charconv>
#include <cmath>
#include <cstdio>

#include "feed.h"
#include "tweet.h"

namespace score_text {

const char* const columns[12] = {"text",         "kept",         "terms",      "valence",
                                 "arousal",      "dominance",    "valence_sd", "arousal_sd",
                                 "dominance_sd", "overall_mean", "overall_sd", "fq"};

bool is_column(std::string_view key) {
    for (const char* c : columns)
        if (key == c) return true;
    return false;
}

void put_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

namespace {

// A JSON string's escape for an ASCII character, or null when it is written as it is.
const char* json_escape(char c, char (&buf)[8]) {
    switch (c) {
    case '"':
        return "\\\"";
    case '\\':
        return "\\\\";
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    case '\t':
        return "\\t";
    default:
        if (quint8(c) >= 0x20) return nullptr;
        std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(quint8(c)));
        return buf;
    }
}

enum class style { json, csv };

// The inside of a JSON string or a CSV cell's text. A lone surrogate becomes '?', as the toolkit's
// UTF-8 encoder writes it; in CSV a NUL becomes U+FFFD, since CSV has no escapes and readers stop
// at a NUL.
void put_text(std::string& out, QStringView s, style st) {
    char buf[8];
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (c < 0x80) {
            const char* e = st == style::json ? json_escape(char(c), buf) : nullptr;
            if (e)
                out += e;
            else if (c == 0 && st == style::csv)
                put_utf8(out, 0xFFFD);
            else if (c == '"' && st == style::csv)
                out += "\"\"";
            else
                out += char(c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && s[i + 1].isLowSurrogate()) {
            put_utf8(out, QChar::surrogateToUcs4(c, s[i + 1].unicode()));
            ++i;
        } else if (QChar::isSurrogate(c)) {
            out += '?';
        } else {
            put_utf8(out, c);
        }
    }
}

void put_text(std::string& out, std::string_view s, style st) {
    char buf[8];
    for (char c : s) {
        const char* e = st == style::json ? json_escape(c, buf) : nullptr;
        if (e)
            out += e;
        else if (c == '\0' && st == style::csv)
            put_utf8(out, 0xFFFD);
        else if (c == '"' && st == style::csv)
            out += "\"\"";
        else
            out += c;
    }
}

bool needs_quotes(char16_t c) {
    return c == u',' || c == u'"' || c == u'\n' || c == u'\r';
}

bool formula_start(char16_t c) {
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

char16_t unit(QChar c) {
    return c.unicode();
}
char16_t unit(char c) {
    return char16_t(quint8(c));
}

template <typename Text> void put_cell(std::string& out, Text s, bool guard) {
    bool quote = false;
    for (auto c : s)
        quote = quote || needs_quotes(unit(c));
    if (quote) out += '"';
    if (guard && !s.empty() && formula_start(unit(s.front()))) out += '\'';
    put_text(out, s, style::csv);
    if (quote) out += '"';
}

} // namespace

void put_json_string(std::string& out, QStringView s) {
    out += '"';
    put_text(out, s, style::json);
    out += '"';
}

void put_json_string(std::string& out, std::string_view s) {
    out += '"';
    put_text(out, s, style::json);
    out += '"';
}

void put_csv(std::string& out, QStringView s, bool guard) {
    put_cell(out, s, guard);
}

void put_csv(std::string& out, std::string_view s, bool guard) {
    put_cell(out, s, guard);
}

void put_number(std::string& out, float x) {
    if (!std::isfinite(x)) return;
    char buf[32];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, x);
    out.append(buf, size_t(r.ptr - buf));
}

void put_header(std::string& out) {
    for (const char* c : columns) {
        if (c != columns[0]) out += ',';
        out += c;
    }
}

void put_scores(std::string& out, QStringView text, const tweet& t, bool csv, bool guard) {
    const bool any = t.term_n() > 0;
    const bool kept = t.term_n() >= 2;
    const float nums[] = {t.m(VALENCE),    t.m(AROUSAL),     t.m(DOMINANCE),   t.sd(VALENCE), t.sd(AROUSAL),
                          t.sd(DOMINANCE), t.overall_mean(), t.overall_sdev(), t.fq()};
    const QList<QString> terms = t.anew_term();
    if (csv) {
        put_csv(out, text, guard);
        out += kept ? ",true," : ",false,";
        // the lexicon's words and stems: lower-case letters, nothing to quote
        for (qsizetype i = 0; i < terms.size(); ++i) {
            if (i) out += ' ';
            for (QChar c : terms[i])
                put_utf8(out, c.unicode());
        }
        for (float x : nums) {
            out += ',';
            if (any) put_number(out, x);
        }
        return;
    }
    out += "{\"text\":";
    put_json_string(out, text);
    out += kept ? ",\"kept\":true,\"terms\":[" : ",\"kept\":false,\"terms\":[";
    for (qsizetype i = 0; i < terms.size(); ++i) {
        if (i) out += ',';
        put_json_string(out, QStringView(terms[i]));
    }
    out += ']';
    for (int i = 0; i < 9; ++i) {
        out += ",\"";
        out += columns[i + 3];
        out += "\":";
        if (any && std::isfinite(nums[i]))
            put_number(out, nums[i]);
        else
            out += "null";
    }
}

} // namespace score_text

bool write_tweets(const QString& file, const QList<tweet>& tw, QString& why) {
    using namespace score_text;
    const bool csv = file.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        why = out.errorString();
        return false;
    }
    std::string buf;
    if (csv) {
        put_header(buf);
        buf += ",author,published\n";
    }
    for (const tweet& t : tw) {
        const QString text = feed::xml_unescape(t.content());
        const QString author = feed::xml_unescape(t.name());
        const QDateTime at = t.published();
        const QString when = at.isValid() ? at.toUTC().toString(Qt::ISODate) : QString();
        put_scores(buf, text, t, csv, true);
        if (csv) {
            buf += ',';
            put_csv(buf, QStringView(author), true);
            buf += ',';
            put_csv(buf, QStringView(when));
        } else {
            buf += ",\"author\":";
            if (author.isEmpty())
                buf += "null";
            else
                put_json_string(buf, QStringView(author));
            buf += ",\"published\":";
            if (when.isEmpty())
                buf += "null";
            else
                put_json_string(buf, QStringView(when));
            buf += '}';
        }
        buf += '\n';
        if (buf.size() >= (size_t(1) << 16)) {
            if (out.write(buf.data(), qint64(buf.size())) < 0) break;
            buf.clear();
        }
    }
    if (!buf.empty()) out.write(buf.data(), qint64(buf.size()));
    if (!out.commit()) {
        why = out.errorString();
        return false;
    }
    return true;
}

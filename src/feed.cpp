#include "feed.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QTimeZone>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>

namespace feed {

namespace {

const char* const time_format = "yyyy-MM-ddTHH:mm:ssZ";

// A JSONL line is refused before it is parsed when it is longer than any record with a message
// of max_text bytes could be, even with every character escaped (\uXXXX).
constexpr qsizetype max_line = 6 * max_text + 4096;

qsizetype utf8_size(const QString& s) {
    qsizetype n = 0;
    for (QChar c : s)
        n += c.unicode() < 0x80 ? 1 : c.unicode() < 0x800 ? 2 : c.isSurrogate() ? 2 : 3;
    return n;
}

// Field lookup shared by both corpus formats: present tells a missing field from an empty one.
struct fields {
    virtual ~fields() = default;
    virtual bool get(const char* key, QString& value, QString& why) const = 0;
};

bool make_message(const fields& f, message& m, QString& why, need rules) {
    QString published;
    QString ignore;
    if (!f.get("text", m.text, why)) return false;
    if (rules == need::all) {
        if (!f.get("author", m.author, why) || !f.get("published", published, why)) return false;
    } else {
        // Optional: missing, null or not text reads as absent.
        if (!f.get("author", m.author, ignore)) m.author.clear();
        if (!f.get("published", published, ignore)) published.clear();
    }
    if (!f.get("name", m.name, ignore)) m.name.clear();
    if (!f.get("lang", m.lang, ignore)) m.lang.clear();
    m.author = rules == need::all ? m.author.trimmed() : m.author.simplified();
    m.name = m.name.simplified();
    m.lang = m.lang.trimmed().toLower();
    if (m.text.trimmed().isEmpty()) {
        why = QStringLiteral("empty \"text\"");
        return false;
    }
    if (utf8_size(m.text) > max_text) {
        why = QStringLiteral("\"text\" is longer than %1 bytes").arg(QString::number(max_text));
        return false;
    }
    if (rules == need::all) {
        if (m.author.isEmpty()) {
            why = QStringLiteral("empty \"author\"");
            return false;
        }
        for (QChar c : m.author)
            if (c.isSpace() || c == QLatin1Char('(') || c == QLatin1Char(')')) {
                why = QStringLiteral("\"author\" is a user name and holds no spaces or parentheses");
                return false;
            }
    }
    m.published = QDateTime();
    if (rules == need::all || !published.trimmed().isEmpty()) {
        m.published = parse_time(published, rules == need::text);
        if (!m.published.isValid()) {
            why = rules == need::all
                      ? QStringLiteral("\"published\" is not a date-time with a time zone: %1")
                            .arg(published.left(40))
                      : QStringLiteral("\"published\" is not a date-time: %1").arg(published.left(40));
            return false;
        }
    }
    return true;
}

struct json_fields : fields {
    QJsonObject o;
    bool get(const char* key, QString& value, QString& why) const override {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull()) {
            why = QStringLiteral("missing \"%1\"").arg(QLatin1String(key));
            return false;
        }
        if (!v.isString()) {
            why = QStringLiteral("\"%1\" is not a string").arg(QLatin1String(key));
            return false;
        }
        value = v.toString();
        return true;
    }
};

struct csv_fields : fields {
    const QHash<QString, int>* col;
    QStringList rec;
    bool get(const char* key, QString& value, QString& why) const override {
        const int k = col->value(QLatin1String(key), -1);
        if (k < 0 || k >= rec.size()) {
            why = QStringLiteral("missing \"%1\"").arg(QLatin1String(key));
            return false;
        }
        value = rec.at(k);
        return true;
    }
};

// RFC 4180 records: quoted fields may hold commas, doubled quotes and line breaks.
struct csv_reader {
    const QString& s;
    qsizetype pos = 0;
    int line = 1;
    bool too_long = false; // the last record had a field longer than max_text characters

    explicit csv_reader(const QString& text) : s(text) {}

    bool at_end() const { return pos >= s.size(); }

    // One record; false (with why) when a quoted field is never closed.
    bool next(QStringList& rec, int& rec_line, QString& why) {
        rec.clear();
        rec_line = line;
        too_long = false;
        QString cur;
        bool quoted = false, started = false;
        while (pos < s.size()) {
            if (cur.size() > max_text) { // the record is refused: keep only what shows that
                too_long = true;
                cur.truncate(max_text);
            }
            const QChar c = s[pos++];
            if (quoted) {
                if (c == QLatin1Char('"')) {
                    if (pos < s.size() && s[pos] == QLatin1Char('"')) {
                        cur += c;
                        ++pos;
                    } else {
                        quoted = false;
                    }
                } else {
                    if (c == QLatin1Char('\n')) ++line;
                    cur += c;
                }
            } else if (c == QLatin1Char('"') && !started) {
                quoted = started = true;
            } else if (c == QLatin1Char(',')) {
                rec.append(cur);
                cur.clear();
                started = false;
            } else if (c == QLatin1Char('\n')) {
                ++line;
                rec.append(cur);
                return true;
            } else if (c != QLatin1Char('\r')) {
                cur += c;
                started = true;
            }
        }
        if (quoted) {
            why = QStringLiteral("quoted field not closed before the end of the file");
            return false;
        }
        rec.append(cur);
        return true;
    }
};

struct text_fields : fields {
    QString line;
    bool get(const char* key, QString& value, QString& why) const override {
        if (qstrcmp(key, "text") == 0) {
            value = line;
            return true;
        }
        why = QStringLiteral("missing \"%1\"").arg(QLatin1String(key));
        return false;
    }
};

inline bool is_word_char(char32_t c) {
    return QChar::isLetterOrNumber(c) || QChar::isMark(c) || c == '_';
}

} // namespace

format guess_format(const QString& file_name, const QByteArray& data) {
    const QString lower = file_name.toLower();
    if (lower.endsWith(QLatin1String(".jsonl")) || lower.endsWith(QLatin1String(".json")))
        return format::jsonl;
    if (lower.endsWith(QLatin1String(".csv"))) return format::csv;
    for (char c : data) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        return c == '{' ? format::jsonl : format::csv;
    }
    return format::jsonl;
}

QList<message> parse_corpus(const QByteArray& data, format f, QList<line_error>& errors, QString& fatal) {
    corpus_reader rd(f);
    rd.add(data, true);
    QList<message> out;
    message m;
    while (rd.next(m))
        out.append(m);
    errors += rd.errors();
    fatal = rd.fatal();
    return out;
}

corpus_reader::corpus_reader(format f, need n) : fmt(f), rules(n) {}

void corpus_reader::add(const QByteArray& piece, bool is_last) {
    drop_read();
    if (buf.isEmpty())
        buf = piece; // shared, not copied: one piece holding the whole data costs nothing more
    else
        buf.append(piece);
    last = is_last;
}

void corpus_reader::drop_read() {
    if (pos == 0) return;
    buf.remove(0, pos);
    pos = 0;
}

// Records end at a line feed; in CSV only at one outside a quoted field, where the state below
// follows the record parser: a quote opens a quoted field only as the field's first character.
bool corpus_reader::find_end(qsizetype& end, qsizetype& after) {
    const char* d = buf.constData();
    const qsizetype n = buf.size();
    qsizetype i = pos + seen;
    if (fmt != format::csv) {
        const qsizetype k = buf.indexOf('\n', i);
        if (k >= 0) {
            end = k;
            after = k + 1;
            rec_nl = 1;
            return true;
        }
        i = n;
    } else {
        for (; i < n; ++i) {
            const char c = d[i];
            if (state == scan::quote_in_quoted) {
                if (c == '"') {
                    state = scan::quoted;
                    continue;
                }
                state = scan::unquoted; // the quote closed the field; c is read as outside it
            }
            if (state == scan::quoted) {
                if (c == '"') state = scan::quote_in_quoted;
                if (c == '\n') ++rec_nl;
            } else if (c == '"' && state == scan::field) {
                state = scan::quoted;
            } else if (c == ',') {
                state = scan::field;
            } else if (c == '\n') {
                state = scan::field;
                end = i;
                after = i + 1;
                ++rec_nl;
                return true;
            } else if (c != '\r') {
                state = scan::unquoted;
            }
        }
    }
    seen = i - pos;
    if (last) {
        if (pos >= n && !skipping) return false;
        end = after = n;
        return true;
    }
    if (!skipping && seen > max_line) {
        skipping = true;
        errs.append({line, QStringLiteral("longer than %1 bytes").arg(QString::number(max_line))});
    }
    if (skipping) { // nothing of it is kept
        buf.clear();
        pos = seen = 0;
    }
    return false;
}

bool corpus_reader::next(message& m) {
    while (!stopped) {
        if (!started) {
            if (buf.size() - pos < 3 && !last) return false;
            started = true;
            if (buf.mid(pos, 3) == "\xEF\xBB\xBF") pos += 3;
        }
        qsizetype end = 0, after = 0;
        if (!find_end(end, after)) return false;
        const int rec_line = line;
        line += rec_nl;
        rec_nl = 0;
        seen = 0;
        state = scan::field;
        const qsizetype from = pos;
        pos = after;
        if (skipping) {
            skipping = false;
            continue;
        }
        if (fmt == format::csv) {
            if (csv_record(from, end, after, rec_line, m)) return true;
            continue;
        }

        QString why;
        if (end - from > max_line) {
            errs.append({rec_line, QStringLiteral("longer than %1 bytes").arg(QString::number(max_line))});
            continue;
        }
        const QByteArrayView bytes = QByteArrayView(buf).sliced(from, end - from);
        if (bytes.trimmed().isEmpty()) continue;
        if (fmt == format::text) {
            text_fields f;
            f.line = QString::fromUtf8(bytes.endsWith('\r') ? bytes.chopped(1) : bytes);
            if (make_message(f, m, why, rules)) return true;
            errs.append({rec_line, why});
            continue;
        }
        QJsonParseError err;
        const QJsonDocument doc = QJsonDocument::fromJson(bytes.trimmed().toByteArray(), &err);
        if (err.error != QJsonParseError::NoError || !doc.isObject()) {
            errs.append({rec_line, err.error != QJsonParseError::NoError
                                       ? QStringLiteral("not JSON: %1").arg(err.errorString())
                                       : QStringLiteral("not a JSON object")});
            continue;
        }
        json_fields f;
        f.o = doc.object();
        if (make_message(f, m, why, rules)) return true;
        errs.append({rec_line, why});
    }
    return false;
}

bool corpus_reader::csv_record(qsizetype from, qsizetype end, qsizetype after, int rec_line, message& m) {
    if (end - from > max_line) { // as find_end() decides it for a record that comes in pieces
        errs.append({rec_line, QStringLiteral("longer than %1 bytes").arg(QString::number(max_line))});
        return false;
    }
    const QString text = QString::fromUtf8(QByteArrayView(buf).sliced(from, after - from));
    csv_reader rd(text);
    csv_fields f;
    f.col = &col;
    int ignore = 0;
    QString why;
    if (!rd.next(f.rec, ignore, why)) {
        stopped = true;
        if (n_col < 0)
            no_corpus = QStringLiteral("the CSV header names no column \"text\"");
        else
            errs.append({rec_line, why});
        return false;
    }
    const QStringList& rec = f.rec;
    if (rec.size() == 1 && rec[0].trimmed().isEmpty()) return false;
    if (n_col < 0) {
        for (int k = 0; k < rec.size(); ++k)
            col.insert(rec[k].trimmed().toLower(), k);
        n_col = rec.size();
        const QList<const char*> needed = rules == need::all
                                              ? QList<const char*>{"text", "author", "published"}
                                              : QList<const char*>{"text"};
        for (const char* key : needed)
            if (!col.contains(QLatin1String(key))) {
                no_corpus = QStringLiteral("the CSV header names no column \"%1\"").arg(QLatin1String(key));
                stopped = true;
                return false;
            }
        return false;
    }
    if (rd.too_long) {
        errs.append(
            {rec_line, QStringLiteral("a field is longer than %1 bytes").arg(QString::number(max_text))});
        return false;
    }
    if (rec.size() != n_col) {
        errs.append({rec_line, QStringLiteral("%1 fields where the header has %2")
                                   .arg(QString::number(rec.size()), QString::number(n_col))});
        return false;
    }
    if (make_message(f, m, why, rules)) return true;
    errs.append({rec_line, why});
    return false;
}

namespace {

// The usual form, yyyy-MM-ddTHH:mm:ss with optional fraction and Z, an offset or no zone, read
// without the toolkit's parser, which looks up the local time zone on every call. False when the
// text has another form; t is then untouched.
bool quick_time(QStringView s, bool utc_without_zone, QDateTime& t) {
    auto num = [&s](qsizetype at, qsizetype len) {
        int v = 0;
        for (qsizetype k = at; k < at + len; ++k) {
            const char16_t c = s[k].unicode();
            if (c < '0' || c > '9') return -1;
            v = v * 10 + (c - '0');
        }
        return v;
    };
    if (s.size() < 19 || s[4] != u'-' || s[7] != u'-' || s[10] != u'T' || s[13] != u':' || s[16] != u':')
        return false;
    const QDate day(num(0, 4), num(5, 2), num(8, 2));
    const QTime clock(num(11, 2), num(14, 2), num(17, 2));
    if (!day.isValid() || !clock.isValid() || num(0, 4) < 1) return false;
    qsizetype k = 19;
    if (k < s.size() && s[k] == u'.') {
        const qsizetype from = ++k;
        while (k < s.size() && s[k].isDigit() && s[k].unicode() < 128)
            ++k;
        if (k == from) return false;
    }
    int offset = 0;
    if (k == s.size()) {
        if (!utc_without_zone) return false;
    } else if (s[k] == u'Z' && k + 1 == s.size()) {
    } else if ((s[k] == u'+' || s[k] == u'-') && k + 6 == s.size() && s[k + 3] == u':') {
        const int h = num(k + 1, 2), m = num(k + 4, 2);
        if (h < 0 || h > 23 || m < 0 || m > 59) return false;
        offset = (s[k] == u'+' ? 1 : -1) * (h * 3600 + m * 60);
    } else {
        return false;
    }
    const QDateTime utc = QDateTime(day, clock, Qt::UTC).addSecs(-offset);
    if (utc.date().year() < 1 || utc.date().year() > 9999) {
        t = QDateTime();
        return true;
    }
    t = utc;
    return true;
}

} // namespace

QDateTime parse_time(const QString& text, bool utc_without_zone) {
    const QString s = text.trimmed();
    QDateTime quick;
    if (quick_time(s, utc_without_zone, quick)) return quick;
    QDateTime t = QDateTime::fromString(s, QLatin1String(time_format));
    if (t.isValid()) return QDateTime(t.date(), t.time(), Qt::UTC);
    t = QDateTime::fromString(s, Qt::ISODateWithMs);
    // Without a zone the time would be read in this machine's zone: not a point in time.
    if (t.isValid() && t.timeSpec() == Qt::LocalTime)
        t = utc_without_zone ? QDateTime::fromString(s + QLatin1Char('Z'), Qt::ISODateWithMs) : QDateTime();
    if (!t.isValid()) return QDateTime();
    t = t.toUTC();
    if (t.date().year() < 1 || t.date().year() > 9999) return QDateTime();
    return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute(), t.time().second()), Qt::UTC);
}

bool matches(const message& m, const QStringList& kw, const QString& lang) {
    const QString l = lang.trimmed().toLower();
    if (!l.isEmpty() && !m.lang.isEmpty() && m.lang != l) return false;
    if (kw.isEmpty()) return true;
    const QStringList w = words(m.text);
    for (const QString& k : kw)
        if (!w.contains(k)) return false;
    return true;
}

QStringList words(const QString& text) {
    QStringList out;
    QString cur;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = text[i].unicode();
        qsizetype len = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            len = 2;
        }
        if (is_word_char(c)) {
            cur += text.mid(i, len);
        } else if (!cur.isEmpty()) {
            out.append(cur.toCaseFolded());
            cur.clear();
        }
        i += len - 1;
    }
    if (!cur.isEmpty()) out.append(cur.toCaseFolded());
    return out;
}

QStringList keywords(const QString& q) {
    QStringList out;
    QString part = q;
    part.replace(QLatin1Char('+'), QLatin1Char(' '));
    for (const QString& w : words(part))
        if (!out.contains(w)) out.append(w);
    return out;
}

namespace {

QString escaped(const QString& s, bool quotes) {
    QString out;
    out.reserve(s.size() + s.size() / 8);
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s[i];
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < n && s[i + 1].isLowSurrogate()) {
            out += c;
            out += s[++i];
        } else if (c.isSurrogate() || u == 0xFFFE || u == 0xFFFF ||
                   (u < 0x20 && u != 9 && u != 10 && u != 13)) {
            out += QChar(0xFFFD);
        } else if (u == '&') {
            out += QLatin1String("&amp;");
        } else if (u == '<') {
            out += QLatin1String("&lt;");
        } else if (u == '>') {
            out += QLatin1String("&gt;");
        } else if (u == '"' && quotes) {
            out += QLatin1String("&quot;");
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

QString xml_escape(const QString& s) {
    return escaped(s, true);
}

QString xml_text(const QString& s) {
    return escaped(s, false);
}

QString xml_unescape(const QString& s) {
    if (!s.contains(QLatin1Char('&'))) return s;
    static const struct {
        QLatin1String name;
        QChar c;
    } named[] = {{QLatin1String("amp;"), QLatin1Char('&')},
                 {QLatin1String("lt;"), QLatin1Char('<')},
                 {QLatin1String("gt;"), QLatin1Char('>')},
                 {QLatin1String("quot;"), QLatin1Char('"')},
                 {QLatin1String("apos;"), QLatin1Char('\'')}};
    QString out;
    out.reserve(s.size());
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (s[i] != QLatin1Char('&')) {
            out += s[i];
            continue;
        }
        const QStringView rest = QStringView(s).sliced(i + 1);
        bool done = false;
        for (const auto& e : named)
            if (rest.startsWith(e.name)) {
                out += e.c;
                i += e.name.size();
                done = true;
                break;
            }
        if (!done && rest.startsWith(QLatin1Char('#'))) {
            const bool hex = rest.size() > 1 && (rest[1] == QLatin1Char('x') || rest[1] == QLatin1Char('X'));
            const int base = hex ? 16 : 10;
            char32_t c = 0;
            qsizetype k = hex ? 2 : 1;
            for (; k < rest.size() && c <= 0x10FFFF; ++k) {
                const char16_t d = rest[k].unicode();
                const int v = d >= '0' && d <= '9'                            ? d - '0'
                              : hex && (d | 0x20) >= 'a' && (d | 0x20) <= 'f' ? (d | 0x20) - 'a' + 10
                                                                              : -1;
                if (v < 0) break;
                c = c * base + char32_t(v);
            }
            if (k > (hex ? 2 : 1) && k < rest.size() && rest[k] == QLatin1Char(';') && c > 0 &&
                c <= 0x10FFFF && !QChar::isSurrogate(c)) {
                out += QString::fromUcs4(&c, 1);
                i += k + 1;
                done = true;
            }
        }
        if (!done) out += s[i];
    }
    return out;
}

corpus::corpus(QList<message> msgs) : all(std::move(msgs)) {
    std::stable_sort(all.begin(), all.end(),
                     [](const message& a, const message& b) { return a.published > b.published; });
    for (int i = 0; i < all.size(); ++i) {
        if (!all[i].lang.isEmpty()) any_lang = true;
        QStringList w = words(all[i].text);
        w.sort();
        w.erase(std::unique(w.begin(), w.end()), w.end());
        for (const QString& x : w)
            postings[x].append(i);
    }
}

QList<int> corpus::search(const QStringList& kw, const QString& lang) const {
    if (kw.isEmpty()) return {};
    QList<const QList<int>*> lists;
    for (const QString& w : kw) {
        const auto it = postings.constFind(w);
        if (it == postings.constEnd()) return {};
        lists.append(&*it);
    }
    std::sort(lists.begin(), lists.end(),
              [](const QList<int>* a, const QList<int>* b) { return a->size() < b->size(); });
    QList<int> hits = *lists[0];
    for (int k = 1; k < lists.size() && !hits.isEmpty(); ++k) {
        QList<int> keep;
        std::set_intersection(hits.begin(), hits.end(), lists[k]->begin(), lists[k]->end(),
                              std::back_inserter(keep));
        hits = keep;
    }
    const QString l = lang.trimmed().toLower();
    if (any_lang && !l.isEmpty())
        hits.erase(std::remove_if(hits.begin(), hits.end(),
                                  [&](int i) { return !all[i].lang.isEmpty() && all[i].lang != l; }),
                   hits.end());
    return hits;
}

QByteArray atom(const corpus& c, const QList<int>& hits, const QString& q, const QString& self_url) {
    const QDateTime updated = c.size() > 0 ? c.at(hits.isEmpty() ? 0 : hits[0]).published
                                           : QDateTime::fromSecsSinceEpoch(0, QTimeZone::utc());
    QString s;
    s.reserve(600 + hits.size() * 500);
    s += QLatin1String("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<feed xmlns=\"http://www.w3.org/2005/Atom\">\n");
    s += QStringLiteral("  <id>tag:quorvel.invalid,2024:search?q=%1</id>\n")
             .arg(xml_escape(QString::fromLatin1(QUrl::toPercentEncoding(q))));
    if (!self_url.isEmpty())
        s += QStringLiteral("  <link type=\"application/atom+xml\" rel=\"self\" href=\"%1\"/>\n")
                 .arg(xml_escape(self_url));
    s += QStringLiteral("  <title>%1 - Quorvel feed search</title>\n").arg(xml_text(q));
    s += QStringLiteral("  <updated>%1</updated>\n").arg(updated.toString(QLatin1String(time_format)));
    for (int i : hits) {
        const message& m = c.at(i);
        const QString t = m.published.toString(QLatin1String(time_format));
        const QString who = m.name.isEmpty() ? m.author : QStringLiteral("%1 (%2)").arg(m.author, m.name);
        s += QStringLiteral("  <entry>\n"
                            "    <id>tag:quorvel.invalid,2024:message:%1</id>\n"
                            "    <published>%2</published>\n"
                            "    <title>%3</title>\n"
                            "    <updated>%2</updated>\n"
                            "    <author>\n"
                            "      <name>%4</name>\n"
                            "    </author>\n"
                            "  </entry>\n")
                 .arg(QString::number(i), t, xml_text(m.text), xml_text(who));
    }
    s += QLatin1String("</feed>\n");
    return s.toUtf8();
}

response search_page(const corpus& c, const QUrlQuery& query, const QString& self_url) {
    response r;
    auto bad = [&r](const QString& why) {
        r.status = 400;
        r.content_type = "text/plain; charset=utf-8";
        r.body = (why + QLatin1Char('\n')).toUtf8();
        return r;
    };
    if (!query.hasQueryItem(QStringLiteral("q"))) return bad(QStringLiteral("missing query key q"));
    const QString q = query.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded);

    auto number = [&query](const char* key, int dflt, bool& ok) {
        ok = true;
        if (!query.hasQueryItem(QLatin1String(key))) return dflt;
        return query.queryItemValue(QLatin1String(key)).trimmed().toInt(&ok);
    };
    bool ok = false;
    const int page = number("page", 1, ok);
    if (!ok || page < 1) return bad(QStringLiteral("page must be a whole number from 1"));
    int rpp = number("rpp", 100, ok);
    if (!ok || rpp < 1) return bad(QStringLiteral("rpp must be a whole number from 1"));
    rpp = std::min(rpp, 100);
    const QString lang = query.queryItemValue(QStringLiteral("lang"), QUrl::FullyDecoded);

    const QList<int> hits = c.search(keywords(q), lang);
    const qint64 first = qint64(page - 1) * rpp;
    QList<int> slice;
    if (first < hits.size()) slice = hits.mid(first, rpp);
    r.content_type = "application/atom+xml; charset=utf-8";
    r.body = atom(c, slice, q, self_url);
    return r;
}

namespace {

QByteArray http_response(int status, const QByteArray& type, const QByteArray& body, bool head_only,
                         bool close, const QByteArray& extra = QByteArray()) {
    static const QHash<int, QByteArray> reasons = {
        {200, "OK"},
        {400, "Bad Request"},
        {404, "Not Found"},
        {405, "Method Not Allowed"},
        {414, "URI Too Long"},
        {431, "Request Header Fields Too Large"},
        {505, "HTTP Version Not Supported"},
    };
    QByteArray r = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasons.value(status) +
                   "\r\nContent-Type: " + type + "\r\nContent-Length: " + QByteArray::number(body.size()) +
                   "\r\n" + extra;
    if (close) r += "Connection: close\r\n";
    r += "\r\n";
    if (!head_only) r += body;
    return r;
}

http_answer refuse(int status, qsizetype used, const char* why, const QByteArray& extra = QByteArray()) {
    http_answer a;
    a.used = used;
    a.close = true;
    a.bytes = http_response(status, "text/plain; charset=utf-8", QByteArray(why) + '\n', false, true, extra);
    return a;
}

// The value of header `name` (lower case) in the head's lines after the first, or null.
QByteArray header(const QList<QByteArray>& lines, const QByteArray& name) {
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0 && lines[i].left(colon).trimmed().toLower() == name)
            return lines[i].mid(colon + 1).trimmed();
    }
    return QByteArray();
}

} // namespace

http_answer serve(const corpus& c, const QByteArray& in) {
    // The head ends at the first empty line; bare line feeds are read as line ends too.
    const qsizetype crlf = in.indexOf("\n\r\n"), lf = in.indexOf("\n\n");
    const qsizetype end = lf < 0 || (crlf >= 0 && crlf < lf) ? crlf : lf;
    const qsizetype body = end < 0 ? 0 : end == crlf ? end + 3 : end + 2;
    const qsizetype first_nl = in.indexOf('\n');
    const qsizetype line_len = first_nl < 0 ? in.size() : first_nl;
    // "GET " + target + " HTTP/1.1\r": a longer first line holds a target over the limit
    if (line_len > max_target + 32) return refuse(414, in.size(), "request target too long");
    if (end < 0) {
        if (in.size() > max_head) return refuse(431, in.size(), "request head too long");
        return http_answer();
    }
    if (body > max_head) return refuse(431, body, "request head too long");

    QList<QByteArray> lines = in.left(end).split('\n');
    for (QByteArray& l : lines)
        if (l.endsWith('\r')) l.chop(1);
    const QList<QByteArray> req = lines[0].split(' ');
    if (req.size() != 3 || req[0].isEmpty() || req[1].isEmpty())
        return refuse(400, body, "malformed request line");
    const QByteArray& method = req[0];
    const QByteArray& target = req[1];
    const QByteArray& version = req[2];
    if (!version.startsWith("HTTP/1.") || version.size() != 8)
        return refuse(505, body, "HTTP/1.0 or HTTP/1.1 only");
    if (target.size() > max_target) return refuse(414, body, "request target too long");

    bool close = version == "HTTP/1.0";
    for (const QByteArray& token : header(lines, "connection").split(','))
        if (token.trimmed().toLower() == "close") close = true;
    const QByteArray length = header(lines, "content-length");
    if (!length.isEmpty() && length != "0") close = true; // a body would be read as the next request
    if (!header(lines, "transfer-encoding").isEmpty()) close = true;

    http_answer a;
    a.used = body;
    a.close = close;
    const QUrl url = QUrl::fromEncoded(target);
    if (url.path() != QLatin1String("/search.atom")) {
        a.bytes = http_response(404, "text/plain; charset=utf-8", "no such page; try /search.atom?q=...\n",
                                method == "HEAD", close);
        return a;
    }
    if (method != "GET" && method != "HEAD") {
        a.bytes = http_response(405, "text/plain; charset=utf-8", "only GET and HEAD\n", false, close,
                                "Allow: GET, HEAD\r\n");
        return a;
    }
    const QByteArray host = header(lines, "host");
    const QString self =
        host.isEmpty()
            ? QString()
            : QStringLiteral("http://%1%2")
                  .arg(QString::fromUtf8(host),
                       QString::fromUtf8(url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority)));
    const response r = search_page(c, QUrlQuery(url), self);
    a.bytes = http_response(r.status, r.content_type, r.body, method == "HEAD", close);
    return a;
}

} // namespace feed

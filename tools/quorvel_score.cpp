// quorvel-score: scores messages in bulk with the program's own sentiment estimate.
//
//   quorvel-score [--jsonl] [--csv] [FILE]
//
// Reads UTF-8 messages, one per line, from FILE (or standard input when FILE is absent or "-").
// With --jsonl every line is a JSON object whose "text" field is the message; its other fields are
// copied to the output, and blank lines are skipped. Writes one JSON object per line (or CSV with a
// header with --csv). Lines are handled one at a time, so memory use does not grow with the input.
//
// Exit status: 0 when every line was scored, 1 when some line was not a usable JSON object
// (reported on standard error, the rest still scored), 2 on a usage or I/O error.

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "config.h"
#include "export.h"
#include "tweet.h"

namespace {

using namespace score_text;

// ---- Reading: the fields of one input object ----

// One field of an input object: a string (its decoded UTF-8) or any other value (its compact
// JSON text, as the toolkit writes it).
struct field {
    std::string_view key;
    bool is_string = false;
    std::string_view value;
};

// Decodes UTF-8 that holds no byte-order mark into UTF-16, appending to out; false when the bytes
// are not strict UTF-8 (the caller then leaves the text to the toolkit's own decoder).
bool decode_utf8(std::string_view in, std::u16string& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const auto* const end = p + in.size();
    while (p != end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            out += char16_t(b);
            ++p;
            continue;
        }
        int more;
        char32_t c, least;
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1, c = b & 0x1F, least = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2, c = b & 0x0F, least = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3, c = b & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (end - p <= more) return false;
        for (int k = 1; k <= more; ++k) {
            if ((p[k] & 0xC0) != 0x80) return false;
            c = (c << 6) | (p[k] & 0x3F);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFEFF) return false;
        if (c >= 0x10000) {
            out += char16_t(0xD800 + ((c - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += char16_t(c);
        }
        p += more + 1;
    }
    return true;
}

// A reader for the common shape of a JSON line: one object whose keys are plain ASCII and whose
// values are strings (standard escapes, strict UTF-8), true, false, null or integers of up to 15
// digits. It gives up on anything else (and on everything the toolkit reads in its own way: a
// byte-order mark inside a string, raw control characters, surrogate escapes), so that the
// toolkit's parser, which the answer must equal, handles those lines.
class fast_object {
public:
    bool parse(std::string_view line) {
        fields.clear();
        store.clear();
        spans.clear();
        p = line.data();
        end = p + line.size();
        ws();
        if (!eat('{')) return false;
        ws();
        for (;;) {
            span s{};
            if (!eat('"')) return false;
            s.key = store.size();
            while (p != end && *p != '"') {
                const unsigned char c = quint8(*p);
                if (c < 0x20 || c >= 0x7F || c == '\\') return false;
                store += char(c);
                ++p;
            }
            if (!eat('"')) return false;
            s.key_n = store.size() - s.key;
            ws();
            if (!eat(':')) return false;
            ws();
            s.value = store.size();
            if (p == end) return false;
            if (*p == '"') {
                ++p;
                if (!string_value()) return false;
                s.is_string = true;
            } else if (!literal()) {
                return false;
            }
            s.value_n = store.size() - s.value;
            spans.push_back(s);
            ws();
            if (eat(',')) {
                ws();
                continue;
            }
            if (!eat('}')) return false;
            break;
        }
        ws();
        if (p != end) return false;

        for (const span& s : spans)
            fields.push_back({std::string_view(store).substr(s.key, s.key_n), s.is_string,
                              std::string_view(store).substr(s.value, s.value_n)});
        // in the toolkit's order: by key, the last of equal keys kept
        // (objects have a handful of fields: an insertion sort, stable and without a buffer)
        for (size_t i = 1; i < fields.size(); ++i)
            for (size_t k = i; k > 0 && fields[k].key < fields[k - 1].key; --k)
                std::swap(fields[k], fields[k - 1]);
        size_t kept = 0;
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i + 1 < fields.size() && fields[i + 1].key == fields[i].key) continue;
            fields[kept++] = fields[i];
        }
        fields.resize(kept);
        return true;
    }

    std::vector<field> fields;

private:
    void ws() {
        while (p != end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r'))
            ++p;
    }
    bool eat(char c) {
        if (p == end || *p != c) return false;
        ++p;
        return true;
    }

    // The rest of a string after its opening quote, decoded into store.
    bool string_value() {
        const char* run = p;
        for (;;) {
            if (p == end) return false;
            const unsigned char c = quint8(*p);
            if (c == '"' || c == '\\') {
                if (!utf8_run(run, p)) return false;
                if (c == '"') {
                    ++p;
                    return true;
                }
                if (++p == end) return false;
                const char e = *p++;
                switch (e) {
                case '"':
                case '\\':
                case '/':
                    store += e;
                    break;
                case 'b':
                    store += '\b';
                    break;
                case 'f':
                    store += '\f';
                    break;
                case 'n':
                    store += '\n';
                    break;
                case 'r':
                    store += '\r';
                    break;
                case 't':
                    store += '\t';
                    break;
                case 'u': {
                    char32_t u = 0;
                    for (int k = 0; k < 4; ++k, ++p) {
                        if (p == end) return false;
                        const char h = *p;
                        const int d = h >= '0' && h <= '9'   ? h - '0'
                                      : h >= 'a' && h <= 'f' ? h - 'a' + 10
                                      : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                             : -1;
                        if (d < 0) return false;
                        u = u * 16 + char32_t(d);
                    }
                    if (u >= 0xD800 && u <= 0xDFFF) return false;
                    put_utf8(store, u);
                    break;
                }
                default:
                    return false;
                }
                run = p;
                continue;
            }
            if (c < 0x20) return false;
            ++p;
        }
    }

    // Raw bytes of a string between escapes: strict UTF-8 without a byte-order mark, copied.
    bool utf8_run(const char* from, const char* to) {
        for (const char* q = from; q != to; ++q) {
            if (quint8(*q) < 0x80) continue;
            decoded.clear();
            if (!decode_utf8(std::string_view(from, size_t(to - from)), decoded)) return false;
            break;
        }
        store.append(from, size_t(to - from));
        return true;
    }

    // true, false, null or an integer, copied as the toolkit writes it.
    bool literal() {
        for (const char* word : {"true", "false", "null"}) {
            const size_t n = std::strlen(word);
            if (size_t(end - p) >= n && std::memcmp(p, word, n) == 0) {
                p += n;
                store += word;
                return true;
            }
        }
        const char* start = p;
        if (p != end && *p == '-') ++p;
        const char* digits = p;
        while (p != end && *p >= '0' && *p <= '9')
            ++p;
        const size_t n = size_t(p - digits);
        if (n == 0 || n > 15 || (n > 1 && *digits == '0')) return false;
        if (p != end && (*p == '.' || *p == 'e' || *p == 'E')) return false;
        // the toolkit keeps numbers as doubles, and -0 comes out as 0
        if (n == 1 && *digits == '0') start = digits;
        store.append(start, size_t(p - start));
        return true;
    }

    // A field as offsets into store: views are taken only once store has stopped growing.
    struct span {
        size_t key, key_n, value, value_n;
        bool is_string;
    };

    const char* p = nullptr;
    const char* end = nullptr;
    std::string store;
    std::vector<span> spans;
    std::u16string decoded; // scratch for checking UTF-8
};

// The fields of an object as the toolkit reads it, for the lines the fast reader leaves to it.
class toolkit_object {
public:
    void fill(const QJsonObject& o) {
        store.clear();
        fields.clear();
        std::vector<std::pair<size_t, size_t>> at;
        for (auto it = o.begin(); it != o.end(); ++it) {
            at.emplace_back(store.size(), 0);
            store += it.key().toUtf8().toStdString();
            at.back().second = store.size();
            const QJsonValue v = it.value();
            if (v.isString()) {
                store += v.toString().toUtf8().toStdString();
            } else {
                const QByteArray wrapped = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
                store += wrapped.mid(1, wrapped.size() - 2).toStdString();
            }
        }
        auto it = o.begin();
        for (size_t k = 0; k < at.size(); ++k, ++it) {
            const size_t value_end = k + 1 < at.size() ? at[k + 1].first : store.size();
            fields.push_back({std::string_view(store).substr(at[k].first, at[k].second - at[k].first),
                              it.value().isString(),
                              std::string_view(store).substr(at[k].second, value_end - at[k].second)});
        }
    }

    std::vector<field> fields;

private:
    std::string store;
};

const field* find_field(const std::vector<field>& fields, std::string_view key) {
    for (const field& f : fields)
        if (f.key == key) return &f;
    return nullptr;
}

struct scorer {
    bool jsonl = false;
    bool csv = false;
    bool header_done = false;
    std::vector<std::string> extra; // copied columns of the CSV, fixed by the first object
    tweet t;
    std::string out;
    std::u16string text;
    fast_object fast;
    toolkit_object slow;

    void flush() {
        fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
    }

    void header() {
        if (header_done) return;
        header_done = true;
        put_header(out);
        for (const std::string& e : extra) {
            out += ',';
            put_csv(out, std::string_view(e));
        }
        out += '\n';
    }

    void score(const QString& body, const std::vector<field>& fields) {
        t.estimate(body);
        if (csv && !header_done) {
            for (const field& f : fields)
                if (!is_column(f.key)) extra.emplace_back(f.key);
            header();
        }
        put_scores(out, body, t, csv);
        if (csv) {
            for (const std::string& e : extra) {
                out += ',';
                const field* f = find_field(fields, e);
                if (f && (f->is_string || f->value != "null")) put_csv(out, f->value);
            }
        } else {
            // the object's own fields follow; a field named like an output column is dropped
            for (const field& f : fields) {
                if (is_column(f.key)) continue;
                out += ',';
                put_json_string(out, f.key);
                out += ':';
                if (f.is_string)
                    put_json_string(out, f.value);
                else
                    out += f.value;
            }
            out += '}';
        }
        out += '\n';
        if (out.size() >= (size_t(1) << 16)) flush();
    }

    // The message as a string over this scorer's own buffer: no copy, and valid until the next
    // line, which is as long as the record reads it.
    QString text_view() const {
        return QString::fromRawData(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
    }

    // False when the line is not a usable JSON object.
    bool line(std::string_view bytes, long long lineno) {
        if (!jsonl) {
            text.clear();
            if (decode_utf8(bytes, text))
                score(text_view(), {});
            else
                score(QString::fromUtf8(bytes.data(), qsizetype(bytes.size())), {});
            return true;
        }
        if (bytes.find_first_not_of(" \t\r") == std::string_view::npos) return true; // blank
        if (fast.parse(bytes)) {
            const field* f = find_field(fast.fields, "text");
            text.clear();
            if (f && f->is_string && decode_utf8(f->value, text)) {
                score(text_view(), fast.fields);
                return true;
            }
        }

        QJsonParseError err;
        const QJsonDocument doc =
            QJsonDocument::fromJson(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())), &err);
        QString why;
        if (err.error != QJsonParseError::NoError)
            why = QStringLiteral("invalid JSON (%1 at offset %2)")
                      .arg(err.errorString(), QString::number(err.offset));
        else if (!doc.isObject())
            why = QStringLiteral("not a JSON object");
        else if (!doc.object().value(QLatin1String("text")).isString())
            why = QStringLiteral("no \"text\" string field");
        if (!why.isEmpty()) {
            flush(); // keep the report next to the output it follows
            fflush(stdout);
            fprintf(stderr, "quorvel-score: line %lld: %s, skipped\n", lineno, why.toUtf8().constData());
            return false;
        }
        const QJsonObject obj = doc.object();
        slow.fill(obj);
        score(obj.value(QLatin1String("text")).toString(), slow.fields);
        return true;
    }
};

} // namespace

int main(int argc, char* argv[]) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    QCommandLineParser cl;
    cl.setApplicationDescription(QStringLiteral(
        "Scores UTF-8 messages, one per line, with Quorvel's sentiment estimate.\n"
        "Exit status: 0 when every line was scored, 1 when some --jsonl line was not a JSON object\n"
        "with a \"text\" string (reported on standard error and skipped), 2 on a usage or I/O error."));
    const QCommandLineOption help_opt({QStringLiteral("h"), QStringLiteral("help")},
                                      QStringLiteral("Show this help and exit."));
    const QCommandLineOption version_opt(QStringLiteral("version"),
                                         QStringLiteral("Show the version and exit."));
    const QCommandLineOption jsonl_opt(
        QStringLiteral("jsonl"),
        QStringLiteral("Every line is a JSON object with the message in \"text\"; its other fields are "
                       "copied to the output, and blank lines are skipped (default: every line is a "
                       "message as plain text)."));
    const QCommandLineOption csv_opt(
        QStringLiteral("csv"),
        QStringLiteral("Write CSV with a header line (default: one JSON object per line)."));
    cl.addOptions({help_opt, version_opt, jsonl_opt, csv_opt});
    cl.addPositionalArgument(QStringLiteral("FILE"),
                             QStringLiteral("The messages (default: standard input, also for \"-\")."),
                             QStringLiteral("[FILE]"));
    const auto usage = [&cl](const QString& why) {
        fprintf(stderr, "quorvel-score: %s\n", why.toLocal8Bit().constData());
        fprintf(stderr, "usage: quorvel-score [--jsonl] [--csv] [FILE] (see --help)\n");
        return 2;
    };
    if (!cl.parse(args)) return usage(cl.errorText());
    if (cl.isSet(help_opt)) {
        // helpText() names the program from the application object, which this tool does without
        QString text = cl.helpText();
        text.replace(QRegularExpression(QStringLiteral("^Usage: \\S*")),
                     QStringLiteral("Usage: quorvel-score"));
        fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (cl.isSet(version_opt)) {
        fputs("quorvel-score " QUORVEL_VERSION "\n", stdout);
        return 0;
    }
    if (cl.positionalArguments().size() > 1) return usage(QStringLiteral("more than one input file"));

    scorer s;
    s.jsonl = cl.isSet(jsonl_opt);
    s.csv = cl.isSet(csv_opt);
    int fd = 0;
    const QString path = cl.positionalArguments().value(0, QStringLiteral("-"));
    if (path != QLatin1String("-")) {
        const QByteArray name = path.toLocal8Bit();
        fd = open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            fprintf(stderr, "quorvel-score: cannot open %s: %s\n", name.constData(), strerror(errno));
            return 2;
        }
    }
    s.out.reserve((size_t(1) << 16) + 4096);
    if (s.csv && !s.jsonl) s.header();

    // Lines are cut from blocks of the input; a line longer than a block grows the buffer.
    std::vector<char> buf(size_t(1) << 16);
    size_t begin = 0, filled = 0;
    bool eof = false, read_failed = false, malformed = false;
    long long lineno = 0;
    const auto one_line = [&](size_t from, size_t to) {
        ++lineno;
        if (to > from && buf[to - 1] == '\r') --to;
        std::string_view bytes(buf.data() + from, to - from);
        if (lineno == 1 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
        if (!s.line(bytes, lineno)) malformed = true;
    };
    for (;;) {
        const void* nl = std::memchr(buf.data() + begin, '\n', filled - begin);
        if (nl) {
            const size_t at = size_t(static_cast<const char*>(nl) - buf.data());
            one_line(begin, at);
            begin = at + 1;
            continue;
        }
        if (eof) {
            if (begin < filled) one_line(begin, filled);
            break;
        }
        std::memmove(buf.data(), buf.data() + begin, filled - begin);
        filled -= begin;
        begin = 0;
        if (filled == buf.size()) buf.resize(buf.size() * 2);
        const ssize_t got = read(fd, buf.data() + filled, buf.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            read_failed = true;
            break;
        }
        if (got == 0)
            eof = true;
        else
            filled += size_t(got);
    }
    if (fd != 0) close(fd);
    if (s.csv) s.header(); // an input without one usable object still gets its header
    s.flush();
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "quorvel-score: cannot write the output: %s\n", strerror(errno));
        return 2;
    }
    if (read_failed) {
        fprintf(stderr, "quorvel-score: read error after line %lld\n", lineno);
        return 2;
    }
    return malformed ? 1 : 0;
}

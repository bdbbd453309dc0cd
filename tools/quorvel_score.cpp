// quorvel-score: scores messages in bulk with the program's own sentiment estimate.
//
//   quorvel-score [--jsonl] [--csv] [FILE]
//
// Reads UTF-8 messages, one per line, from FILE (or standard input when FILE is absent or "-").
// With --jsonl every line is a JSON object whose "text" field is the message; its other fields are
// copied to the output. Writes one JSON object per line (or CSV with a header with --csv). Lines
// are handled one at a time, so memory use does not grow with the input.
//
// Exit status: 0 when every line was scored, 1 when some line was not a usable JSON object
// (reported on standard error, the rest still scored), 2 on a usage or I/O error.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tweet.h"

namespace {

const char* const usage = "usage: quorvel-score [--jsonl] [--csv] [FILE]\n"
                          "Scores UTF-8 messages, one per line, from FILE or standard input.\n"
                          "  --jsonl  every line is a JSON object with the message in \"text\";\n"
                          "           its other fields are copied to the output\n"
                          "  --csv    write CSV with a header instead of one JSON object per line\n";

const char* const columns[] = {"text",         "kept",         "terms",      "valence",
                               "arousal",      "dominance",    "valence_sd", "arousal_sd",
                               "dominance_sd", "overall_mean", "overall_sd", "fq"};
constexpr int column_n = int(sizeof columns / sizeof *columns);

bool is_column(const QString& key) {
    for (const char* c : columns)
        if (key == QLatin1String(c)) return true;
    return false;
}

// Nine significant digits give back the very float; infinities and NaN have no JSON form.
QString number(float x) {
    return std::isfinite(x) ? QString::number(double(x), 'g', 9) : QString();
}

QString json_string(const QString& s) {
    QString out;
    out.reserve(s.size() + 2);
    out += QLatin1Char('"');
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
    out += QLatin1Char('"');
    return out;
}

// Compact JSON text of any value.
QString json_value(const QJsonValue& v) {
    if (v.isString()) return json_string(v.toString());
    const QByteArray wrapped = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
}

QString csv_field(const QString& s) {
    if (!s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"')) && !s.contains(QLatin1Char('\n')) &&
        !s.contains(QLatin1Char('\r')))
        return s;
    QString quoted = s;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csv_value(const QJsonValue& v) {
    if (v.isString()) return csv_field(v.toString());
    if (v.isNull() || v.isUndefined()) return QString();
    return csv_field(json_value(v));
}

struct scorer {
    bool jsonl = false;
    bool csv = false;
    bool header_done = false;
    QStringList extra; // copied columns of the CSV, fixed by the first object
    tweet t;

    void write(const QString& line) {
        const QByteArray bytes = line.toUtf8();
        fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        fputc('\n', stdout);
    }

    void header() {
        if (header_done) return;
        header_done = true;
        QStringList names;
        for (const char* c : columns)
            names.append(QLatin1String(c));
        for (const QString& e : extra)
            names.append(csv_field(e));
        write(names.join(QLatin1Char(',')));
    }

    // The estimate's values in column order (after text and kept); empty strings stand for null.
    QStringList values(const QString& text) {
        t.content(text);
        const bool any = t.term_n() > 0;
        QStringList out;
        auto add = [&](float x) { out.append(any ? number(x) : QString()); };
        add(t.m(VALENCE));
        add(t.m(AROUSAL));
        add(t.m(DOMINANCE));
        add(t.sd(VALENCE));
        add(t.sd(AROUSAL));
        add(t.sd(DOMINANCE));
        add(t.overall_mean());
        add(t.overall_sdev());
        add(t.fq());
        return out;
    }

    void score(const QString& text, const QJsonObject& fields) {
        const QStringList nums = values(text);
        const bool kept = t.term_n() >= 2;
        if (csv) {
            if (!header_done) {
                for (auto it = fields.begin(); it != fields.end(); ++it)
                    if (!is_column(it.key())) extra.append(it.key());
                header();
            }
            QStringList row{csv_field(text), QLatin1String(kept ? "true" : "false"),
                            csv_field(t.anew_term().join(QLatin1Char(' ')))};
            row += nums;
            for (const QString& e : extra)
                row.append(csv_value(fields.value(e)));
            write(row.join(QLatin1Char(',')));
            return;
        }
        QString out = QStringLiteral("{\"text\":") + json_string(text);
        out += QLatin1String(kept ? ",\"kept\":true" : ",\"kept\":false");
        out += QLatin1String(",\"terms\":[");
        const QList<QString> terms = t.anew_term();
        for (int i = 0; i < terms.size(); ++i) {
            if (i) out += QLatin1Char(',');
            out += json_string(terms[i]);
        }
        out += QLatin1Char(']');
        for (int i = 0; i < nums.size(); ++i) {
            out += QLatin1String(",\"") + QLatin1String(columns[i + 3]) + QLatin1String("\":");
            out += nums[i].isEmpty() ? QStringLiteral("null") : nums[i];
        }
        // the object's own fields follow; a field named like an output column is dropped
        for (auto it = fields.begin(); it != fields.end(); ++it)
            if (!is_column(it.key()))
                out += QLatin1Char(',') + json_string(it.key()) + QLatin1Char(':') + json_value(it.value());
        out += QLatin1Char('}');
        write(out);
    }

    // False when the line is not a usable JSON object.
    bool line(const QByteArray& bytes, long long lineno) {
        if (!jsonl) {
            score(QString::fromUtf8(bytes), QJsonObject());
            return true;
        }
        QJsonParseError err;
        const QJsonDocument doc = QJsonDocument::fromJson(bytes, &err);
        QString why;
        if (err.error != QJsonParseError::NoError)
            why = QStringLiteral("invalid JSON (%1 at offset %2)")
                      .arg(err.errorString(), QString::number(err.offset));
        else if (!doc.isObject())
            why = QStringLiteral("not a JSON object");
        else if (!doc.object().value(QLatin1String("text")).isString())
            why = QStringLiteral("no \"text\" string field");
        if (!why.isEmpty()) {
            fflush(stdout); // keep the report next to the output it follows
            fprintf(stderr, "quorvel-score: line %lld: %s, skipped\n", lineno, why.toUtf8().constData());
            return false;
        }
        const QJsonObject obj = doc.object();
        score(obj.value(QLatin1String("text")).toString(), obj);
        return true;
    }
};

} // namespace

int main(int argc, char* argv[]) {
    scorer s;
    const char* path = nullptr;
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!options_done && std::strcmp(a, "--jsonl") == 0) {
            s.jsonl = true;
        } else if (!options_done && std::strcmp(a, "--csv") == 0) {
            s.csv = true;
        } else if (!options_done && (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0)) {
            fputs(usage, stdout);
            return 0;
        } else if (!options_done && std::strcmp(a, "--") == 0) {
            options_done = true;
        } else if (!options_done && a[0] == '-' && a[1] != '\0') {
            fprintf(stderr, "quorvel-score: unknown option %s\n%s", a, usage);
            return 2;
        } else if (!path) {
            path = a;
        } else {
            fprintf(stderr, "quorvel-score: more than one input file\n%s", usage);
            return 2;
        }
    }

    FILE* in = stdin;
    if (path && std::strcmp(path, "-") != 0) {
        in = fopen(path, "rb");
        if (!in) {
            fprintf(stderr, "quorvel-score: cannot open %s: %s\n", path, strerror(errno));
            return 2;
        }
    }
    static char out_buf[1 << 16];
    setvbuf(stdout, out_buf, _IOFBF, sizeof out_buf);

    if (s.csv && !s.jsonl) s.header();

    bool malformed = false;
    char* buf = nullptr;
    size_t cap = 0;
    long long lineno = 0;
    ssize_t len;
    while ((len = getline(&buf, &cap, in)) >= 0) {
        ++lineno;
        if (len > 0 && buf[len - 1] == '\n') --len;
        if (len > 0 && buf[len - 1] == '\r') --len;
        const char* p = buf;
        if (lineno == 1 && len >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0) {
            p += 3;
            len -= 3;
        }
        if (!s.line(QByteArray::fromRawData(p, qsizetype(len)), lineno)) malformed = true;
    }
    const bool read_failed = ferror(in);
    free(buf);
    if (in != stdin) fclose(in);
    if (s.csv) s.header(); // an input without one usable object still gets its header
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

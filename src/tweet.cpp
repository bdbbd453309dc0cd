#include "tweet.h"

#include <QDateTime>
#include <QDebug>
#include <QTimeZone>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#include "anew.h"
#include "link_scan.h"
#include "stemmer.h"

namespace {

// The punctuation blanked before splitting a body into tokens: ! " # $ % & ' ( ) * + , . : ; ? @ |
// (hyphen, backslash, slash and everything non-ASCII stay inside tokens).
constexpr bool delim_table(char16_t c) {
    switch (c) {
    case '!':
    case '"':
    case '#':
    case '$':
    case '%':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case '.':
    case ':':
    case ';':
    case '?':
    case '@':
    case '|':
        return true;
    default:
        return false;
    }
}

inline bool is_delim(QChar c) {
    return c.unicode() < 128 && delim_table(c.unicode());
}

using link_scan::is_space;

// Whether the '&' at i must be escaped: it is followed by what may start a character reference
// (a letter, digit or '#') but forms no complete one (&name; &#38; &#x26;). Rich text shows any
// other '&' as itself.
bool loose_ampersand(const QChar* s, qsizetype n, qsizetype i) {
    auto digit = [](char16_t u) { return u >= '0' && u <= '9'; };
    auto letter = [](char16_t u) { return (u | 0x20) >= 'a' && (u | 0x20) <= 'z'; };
    auto hex_digit = [&](char16_t u) { return digit(u) || ((u | 0x20) >= 'a' && (u | 0x20) <= 'f'); };
    qsizetype k = i + 1;
    if (k >= n || !(letter(s[k].unicode()) || digit(s[k].unicode()) || s[k] == QLatin1Char('#')))
        return false;
    const bool numeric = s[k] == QLatin1Char('#');
    const bool hex = numeric && k + 1 < n && (s[k + 1].unicode() | 0x20) == 'x';
    k += qsizetype(numeric) + qsizetype(hex);
    const qsizetype first = k;
    for (; k < n && k - first < 32; ++k) {
        const char16_t u = s[k].unicode();
        if (!(hex ? hex_digit(u) : numeric ? digit(u) : letter(u) || digit(u))) break;
    }
    if (k == first || k >= n || s[k] != QLatin1Char(';')) return true;
    return !numeric && !letter(s[first].unicode());
}

// The full Unicode lower case, without the cost of the general conversion for ASCII text.
QString lower_case(const QString& s) {
    const QChar* p = s.constData();
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i)
        if (p[i].unicode() >= 128) return s.toLower();
    QString out = s;
    for (QChar& c : out)
        if (c.unicode() >= 'A' && c.unicode() <= 'Z') c = QChar(c.unicode() + ('a' - 'A'));
    return out;
}

void blank_delimiters(QString& s) {
    for (QChar& c : s)
        if (is_delim(c)) c = QLatin1Char(' ');
}

// prep = raw lower-cased, its delimiters blanked. ASCII text is written into prep's own buffer,
// so a record reused for body after body (as the batch scorer does) allocates nothing here.
// True when raw is ASCII without markup characters: then prep holds raw's characters at raw's
// positions, and the body needs no escaping.
bool prepare(const QString& raw, QString& prep) {
    const QChar* in = raw.constData();
    const qsizetype n = raw.size();
    prep.resize(n);
    QChar* out = prep.data();
    bool markup = false;
    for (qsizetype i = 0; i < n; ++i) {
        char16_t c = in[i].unicode();
        if (c >= 128) {
            prep = raw.toLower();
            blank_delimiters(prep);
            return false;
        }
        markup |= c == '<' || c == '>' || c == '&';
        if (c >= 'A' && c <= 'Z')
            c = char16_t(c + ('a' - 'A'));
        else if (delim_table(c))
            c = ' ';
        out[i] = QChar(c);
    }
    return !markup;
}

// A word of the body (letters as written) is emphasised when it or its stem is in the lexicon.
bool is_dictionary_word(const QString& word) {
    if (word.isEmpty()) return false;
    const QString lower = lower_case(word);
    return is_anew_word(lower) || is_anew_stem(stem_word(lower));
}

// What a token is in the lexicon: a word (its row), a stem (the row of the stem index), or
// nothing (row -1).
struct token_match {
    qint16 row = -1;
    bool by_stem = false;
};

// The full lookup: the token as a word, else its Snowball stem as a stem.
token_match look_up(QStringView token) {
    const QString t = token.toString();
    float x = 0;
    int fq = 0;
    if (anew_word(t, x, x, x, x, x, x, fq)) return {qint16(anew_db.value(t)), false};
    const QString stem = stem_word(t);
    if (anew_stem(stem, x, x, x, x, x, x, fq)) return {qint16(anew_stem_db.value(stem)), true};
    return {};
}

// Messages repeat their words, and stemming a word costs more than everything else done with
// it, so each thread keeps the matches of recent short tokens: a direct-mapped table, where a
// token takes the place of whichever token its slot held.
class token_memo {
public:
    token_match find(QStringView token) {
        if (token.size() > longest) return look_up(token);
        slot& s = table[slot_of(token)];
        if (s.len == token.size() &&
            std::memcmp(s.key, token.utf16(), size_t(token.size()) * sizeof(char16_t)) == 0)
            return s.match;
        s.match = look_up(token);
        s.len = qint8(token.size());
        std::memcpy(s.key, token.utf16(), size_t(token.size()) * sizeof(char16_t));
        return s.match;
    }

private:
    static constexpr int slot_n = 16384;
    static constexpr int longest = 24;
    struct slot {
        char16_t key[longest];
        qint8 len = -1; // -1: empty
        token_match match;
    };

    static size_t slot_of(QStringView token) {
        quint32 h = 2166136261u;
        for (QChar c : token)
            h = (h ^ c.unicode()) * 16777619u;
        return (h ^ (h >> 13)) & (slot_n - 1);
    }

    slot table[slot_n];
};

token_memo& memo() {
    thread_local std::unique_ptr<token_memo> m(new token_memo);
    return *m;
}

// The lexicon's words and stems as strings, shared by every term recorded from them.
const QString& row_text(int row, bool stem) {
    static const QList<QString> text = [] {
        QList<QString> t;
        t.reserve(2 * ANEW_N);
        for (const anew_term& row : anew) {
            t.append(QString::fromLatin1(row.word));
            t.append(QString::fromLatin1(row.stem));
        }
        return t;
    }();
    return text[2 * row + (stem ? 1 : 0)];
}

constexpr double two_pi = 6.283185307179586;

// 1 / sqrt(2 pi sd^2): the peak height of the normal density, the weight of a term's mean.
float peak_of(float sd) {
    return float(1.0 / std::sqrt(double(sd) * double(sd) * two_pi));
}

// The deviations are nearly all the lexicon's own few thousand values, so each thread keeps the
// peaks of recent ones (a square root and a division are much of the cost of an estimate).
inline float peak(float sd) {
    struct entry {
        quint32 bits = 0; // the peak of +0.0
        float value = std::numeric_limits<float>::infinity();
    };
    thread_local entry cache[1024];
    quint32 bits;
    std::memcpy(&bits, &sd, sizeof bits);
    entry& e = cache[(bits * 2654435761u) >> 22];
    if (e.bits != bits) e = {bits, peak_of(sd)};
    return e.value;
}

// The mean and spread of n terms' means and deviations (see comp_avg).
void mixture(const float* m, const float* sd, qsizetype n, float& m_avg, float& sd_avg) {
    if (n == 0) return;

    float sum = 0;
    for (qsizetype i = 0; i < n; ++i)
        sum += m[i];
    const float mu_bar = sum / float(n);

    // second moment of the equal-weight mixture, kept in single precision between additions
    float s2 = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const double term = double(m[i]) * double(m[i]) + double(sd[i]) * double(sd[i]);
        s2 = float(double(s2) + term);
    }
    const float s2_n = s2 / float(n);
    const double var = double(s2_n) - double(mu_bar) * double(mu_bar);
    // rounding may leave a hair below zero when every deviation is tiny
    sd_avg = float(std::sqrt(var > 0 ? var : 0.0));

    // each peak once: a square root and a division apiece are most of the cost of an estimate
    QVarLengthArray<float, 64> p(n);
    float p_sum = 0;
    for (qsizetype i = 0; i < n; ++i) {
        p[i] = peak(sd[i]);
        p_sum += p[i];
    }
    float acc = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const float w = p[i] / p_sum;
        const float t = m[i] * w;
        acc += t;
    }
    m_avg = acc;
}

} // namespace

tweet::tweet() : freq_avg(0), mean_tot(0), sdev_tot(0) {
    for (int d = 0; d < E_DIM_N; ++d) {
        mean_avg[d] = 0;
        sdev_avg[d] = 0;
    }
}

void tweet::content(QString body) {
    set_body(std::move(body), true);
}

void tweet::estimate(QString body) {
    set_body(std::move(body), false);
}

void tweet::set_body(QString body, bool render) {
    raw = body;
    const bool plain_ascii = prepare(raw, prep);

    anew.clear();
    for (int d = 0; d < E_DIM_N; ++d) {
        mean[d].clear();
        sdev[d].clear();
    }
    freq.clear();

    token_memo& matches = memo();
    // whether each token is a dictionary word, so that the emphasis pass need not stem it again
    QVarLengthArray<bool, 128> known;
    QVarLengthArray<int, 64> spans; // start and end of each dictionary word in prep
    const QChar* text = prep.constData();
    const qsizetype n = prep.size();
    qsizetype i = 0;
    while (i < n) {
        // only the space separates: tabs and line breaks stay inside tokens
        if (text[i] == QLatin1Char(' ')) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < n && text[end] != QLatin1Char(' '))
            ++end;
        const token_match match = matches.find(QStringView(text + i, end - i));
        known.append(match.row >= 0);
        if (match.row >= 0) {
            spans.append(int(i));
            spans.append(int(end));
        }
        i = end;
        if (match.row < 0) continue;
        // the term recorded is the token found as a word, or the stem found as a stem: the row's
        // own word or stem
        const ::anew_term& row = ::anew[match.row];
        float m[E_DIM_N], sd[E_DIM_N];
        m[AROUSAL] = row.a_m;
        sd[AROUSAL] = row.a_sd;
        m[DOMINANCE] = row.d_m;
        sd[DOMINANCE] = row.d_sd;
        m[VALENCE] = row.v_m;
        sd[VALENCE] = row.v_sd;
        anew_term_append(row_text(match.row, match.by_stem), m, sd, row.freq);
    }

    if (render && plain_ascii)
        fmt_spans(spans.constData(), spans.size());
    else if (render)
        fmt_content(known.constData(), known.size());
    comp_overall_avg();
}

void tweet::anew_term_append(QString term, float* m, float* sd, int fq) {
    anew.append(term);
    for (int d = 0; d < E_DIM_N; ++d) {
        mean[d].append(m[d]);
        sdev[d].append(sd[d]);
    }
    freq.append(fq);
}

void tweet::comp_avg(QList<float>& m, QList<float>& sd, float& m_avg, float& sd_avg) {
    if (m.size() != sd.size()) {
        qDebug() << "tweet::comp_avg, mean and stdev lists are different lengths";
        return;
    }
    mixture(m.constData(), sd.constData(), m.size(), m_avg, sd_avg);
}

void tweet::comp_avg(float* m, float* sd, int n, float& m_avg, float& sd_avg) {
    QList<float> ml;
    QList<float> sdl;
    for (int i = 0; i < n; ++i) {
        ml.append(m[i]);
        sdl.append(sd[i]);
    }
    comp_avg(ml, sdl, m_avg, sd_avg);
}

void tweet::comp_overall_avg() {
    const int n = term_n();
    if (n == 0) return;
    for (int d : {AROUSAL, DOMINANCE, VALENCE})
        comp_avg(mean[d], sdev[d], mean_avg[d], sdev_avg[d]);

    const float m[] = {mean_avg[AROUSAL], mean_avg[VALENCE]};
    const float sd[] = {sdev_avg[AROUSAL], sdev_avg[VALENCE]};
    mixture(m, sd, 2, mean_tot, sdev_tot);

    // a 64-bit sum: a long enough body of frequent words would overflow an int
    qint64 total = 0;
    for (int f : freq)
        total += f;
    freq_avg = float(total) / float(n);
    // ln(0) is -infinity when no matched word has a published frequency; readers cope with it
    freq_avg = std::log(freq_avg) + 1.0f;
}

void tweet::fmt_content() {
    fmt_content(nullptr, 0);
}

// `known` holds, for each token of prep in order, whether it is a dictionary word. The words cut
// from raw here are those tokens before lower-casing (lower-casing maps each character on its own
// and never makes or removes a delimiter), so the k-th non-empty word is the k-th token.
//
// The body comes from outside: its own markup characters are escaped, so that only the tags made
// here reach rich text (which would load an image named in the body). Emphasis and links are
// decided on the text as received, with the emphasis tags in it, so escaping moves neither.
void tweet::fmt_content(const bool* known, qsizetype known_n) {
    const QChar* text = raw.constData();
    const qsizetype n = raw.size();
    auto separates = [](QChar c) { return c == QLatin1Char(' ') || is_delim(c); };

    // Each word's emphasis first, so that the emphasised text is written at its final size.
    QVarLengthArray<bool, 128> emph;
    qsizetype emph_n = 0;
    for (qsizetype pre = 0, cur = 0; cur <= n; ++cur) {
        if (cur < n && !separates(text[cur])) continue;
        if (cur > pre) {
            const qsizetype k = emph.size();
            const bool e = known ? k < known_n && known[k]
                                 : is_dictionary_word(QString(text + pre, cur - pre));
            emph.append(e);
            emph_n += qsizetype(e);
        }
        pre = cur + 1;
    }
    if (known && emph.size() != known_n) {
        // the words did not line up with the tokens after all: decide every word afresh
        fmt_content(nullptr, 0);
        return;
    }

    const QLatin1String open("<i><b>"), close("</b></i>");
    const bool markup = std::any_of(text, text + n, [](QChar c) {
        return c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('&');
    });
    // plain: the body with the emphasis tags, before escaping. Without markup in the body it is
    // the tip itself, written into the tip's own buffer (freed of the links' copy first).
    fmt = QString();
    QString escaped_from;
    QString& plain = markup ? escaped_from : tip;
    plain.resize(n + emph_n * (open.size() + close.size()));
    QChar* w = plain.data();
    if (markup) tip.clear();
    QVarLengthArray<int, 256> at; // where each character of plain went in tip, and its end
    auto own = [&](QLatin1String tag) {
        for (qsizetype k = 0; k < tag.size(); ++k)
            *w++ = QLatin1Char(tag[k]);
        if (!markup) return;
        for (qsizetype k = 0; k < tag.size(); ++k)
            at.append(int(tip.size() + k));
        tip += tag;
    };
    auto body = [&](qsizetype from, qsizetype to) {
        std::memcpy(static_cast<void*>(w), text + from, size_t(to - from) * sizeof(QChar));
        w += to - from;
        if (!markup) return;
        for (qsizetype i = from; i < to; ++i) {
            at.append(int(tip.size()));
            const QChar c = text[i];
            if (c == QLatin1Char('<'))
                tip += QLatin1String("&lt;");
            else if (c == QLatin1Char('>'))
                tip += QLatin1String("&gt;");
            else if (c == QLatin1Char('&') && loose_ampersand(text, n, i))
                tip += QLatin1String("&amp;");
            else
                tip += c;
        }
    };
    qsizetype k = 0;
    for (qsizetype pre = 0, cur = 0; cur <= n; ++cur) {
        if (cur < n && !separates(text[cur])) continue;
        if (cur > pre) {
            const bool e = emph[k++];
            if (e) own(open);
            body(pre, cur);
            if (e) own(close);
        }
        if (cur < n) body(cur, cur + 1);
        pre = cur + 1;
    }
    if (markup) at.append(int(tip.size()));
    fmt_links(plain, markup ? at.constData() : nullptr);
}

// The body as written with the words at `span` (start and end pairs) emphasised; the body is
// ASCII and holds no markup.
void tweet::fmt_spans(const int* span, qsizetype span_n) {
    const QLatin1String open("<i><b>"), close("</b></i>");
    const QChar* text = raw.constData();
    fmt = QString(); // frees the tip's buffer of the links' copy
    tip.resize(raw.size() + span_n / 2 * (open.size() + close.size()));
    QChar* w = tip.data();
    auto copy = [&w](const QChar* from, qsizetype count) {
        std::memcpy(static_cast<void*>(w), from, size_t(count) * sizeof(QChar));
        w += count;
    };
    auto tag = [&w](QLatin1String t) {
        for (char c : t)
            *w++ = QLatin1Char(c);
    };
    int copied = 0;
    for (qsizetype k = 0; k + 1 < span_n; k += 2) {
        copy(text + copied, span[k] - copied);
        tag(open);
        copy(text + span[k], span[k + 1] - span[k]);
        tag(close);
        copied = span[k + 1];
    }
    copy(text + copied, raw.size() - copied);
    fmt_links(tip, nullptr);
}

// fmt from tip: the addresses found in plain (tip before escaping) made links. `at` maps each
// position of plain to tip, or is null when the two are the same text.
void tweet::fmt_links(const QString& plain, const int* at) {
    auto pos = [at](int i) { return at ? at[i] : i; };

    // Links are spliced into a fresh string so that many addresses cost linear time. Each search
    // after a link resumes at the white space that ended it, where the text is still as in plain.
    const int len = plain.size();
    int from = 0; // in plain
    int start = link_scan::fmt_link_start(plain, from);
    if (start < 0) {
        fmt = tip;
        return;
    }
    fmt.reserve(tip.size() + 64);
    int copied = 0; // in tip
    for (; start >= 0; start = from <= len ? link_scan::fmt_link_start(plain, from) : -1) {
        int end = start;
        while (end < len && !is_space(plain.at(end)))
            ++end;
        const QStringView address = QStringView(tip).mid(pos(start), pos(end) - pos(start));
        fmt += QStringView(tip).mid(copied, pos(start) - copied);
        fmt += QLatin1String("<a href=\"");
        // a quote of the body would end the attribute
        for (QChar c : address)
            c == QLatin1Char('"') ? void(fmt += QLatin1String("&quot;")) : void(fmt += c);
        fmt += QLatin1String("\">");
        fmt += address;
        fmt += QLatin1String("</a>");
        copied = pos(end);
        if (end == len) break;
        from = end;
    }
    fmt += QStringView(tip).mid(copied);
}

QString tweet::formatted_content() const {
    return QStringLiteral("<i>%1</i> <b>%2</b>: %3").arg(tm, nm.toHtmlEscaped(), tip);
}

QString tweet::content_w_term() const {
    // three significant digits, trailing zeros dropped: 5.1478 -> 5.15, 5.0 -> 5
    auto g3 = [](float x) { return QString::number(double(x), 'g', 3); };
    // six: the lexicon's two-decimal values show as published
    auto g6 = [](float x) { return QString::number(double(x), 'g', 6); };

    QString text = fmt;
    text += QStringLiteral("<p><i>v</i> = %1, <i>a</i> = %2</p>")
                .arg(g3(mean_avg[VALENCE]), g3(mean_avg[AROUSAL]));
    for (int i = 0; i < anew.size(); ++i) {
        const QString& term = anew.at(i);
        float a = 0, a_sd = 0, d = 0, d_sd = 0, v = 0, v_sd = 0;
        int fq = 0;
        // a term recorded from a stem is looked up as a word first, as the reader would
        if (!anew_word(term, a, a_sd, d, d_sd, v, v_sd, fq)) anew_stem(term, a, a_sd, d, d_sd, v, v_sd, fq);
        text += QStringLiteral("<b>%1</b>, ").arg(term);
        text += QStringLiteral("<i>v</i> = [%2, %3], ").arg(g6(v), g6(v_sd));
        text += QStringLiteral("<i>a</i> = [%1, %2], ").arg(g6(a), g6(a_sd));
        text += QStringLiteral("<i>fq</i> = %1").arg(QString::number(fq));
        if (i != anew.size() - 1) text += QLatin1String("<br>");
    }
    return text;
}

void tweet::dump() const {
    qDebug() << "terms:" << anew;
    qDebug() << "arousal mean:" << mean[AROUSAL];
    qDebug() << "arousal sdev:" << sdev[AROUSAL];
    qDebug() << "dominance mean:" << mean[DOMINANCE];
    qDebug() << "dominance sdev:" << sdev[DOMINANCE];
    qDebug() << "valence mean:" << mean[VALENCE];
    qDebug() << "valence sdev:" << sdev[VALENCE];
}

void tweet::name(QString pub) {
    const int cut = pub.indexOf(QLatin1String(" ("));
    nm = cut < 0 ? pub : pub.left(cut);
}

void tweet::time(QString pub_t) {
    // Read as UTC from the start: a local reading rejects UTC times that fall into the local
    // spring-forward gap, and costs a time-zone lookup per entry.
    const QStringView s(pub_t);
    auto num = [&s](int at, int len) {
        int v = 0;
        for (int k = at; k < at + len; ++k) {
            const char16_t c = s[k].unicode();
            if (c < '0' || c > '9') return -1;
            v = v * 10 + (c - '0');
        }
        return v;
    };
    auto at = [&s](int k, char c) { return s[k] == QLatin1Char(c); };
    QDate day;
    QTime clock;
    if (s.size() == 20 && at(4, '-') && at(7, '-') && at(10, 'T') && at(13, ':') && at(16, ':') &&
        at(19, 'Z')) {
        const int y = num(0, 4), mo = num(5, 2), d = num(8, 2), h = num(11, 2), mi = num(14, 2),
                  sec = num(17, 2);
        if (y >= 0 && mo >= 0 && d >= 0 && h >= 0 && mi >= 0 && sec >= 0) {
            day = QDate(y, mo, d);
            clock = QTime(h, mi, sec);
        }
    }
    if (!day.isValid() || !clock.isValid()) {
        // A malformed time shows as nothing rather than as a garbled date.
        tm.clear();
        posted = QDateTime();
        return;
    }
    posted = QDateTime(day, clock, QTimeZone::utc());
    tm = posted.toLocalTime().toString(QStringLiteral("MMM d h:mm:ssap"));
}

float tweet::m(e_dim dim) const {
    return dim < 0 || dim >= E_DIM_N ? 0.0f : mean_avg[dim];
}

float tweet::sd(e_dim dim) const {
    return dim < 0 || dim >= E_DIM_N ? 0.0f : sdev_avg[dim];
}

void tweet::set_estimate(float valence, float arousal, float overall_sd, float freq_measure) {
    mean_avg[VALENCE] = valence;
    mean_avg[AROUSAL] = arousal;
    sdev_tot = overall_sd;
    freq_avg = freq_measure;
}

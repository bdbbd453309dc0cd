#include "tweet.h"

#include <QDateTime>
#include <QDebug>
#include <QTimeZone>

#include <cmath>

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

// \s as the address pattern reads it: ASCII white space only.
inline bool is_space(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || (u >= 0x09 && u <= 0x0D);
}

// A word of the body (letters as written) is emphasised when it or its stem is in the lexicon.
bool is_dictionary_word(const QString& word) {
    if (word.isEmpty()) return false;
    const QString lower = word.toLower();
    return is_anew_word(lower) || is_anew_stem(stem_word(lower));
}

void append_word(QString& out, const QString& word) {
    if (is_dictionary_word(word)) {
        out += QLatin1String("<i><b>");
        out += word;
        out += QLatin1String("</b></i>");
    } else {
        out += word;
    }
}

constexpr double two_pi = 6.283185307179586;

// 1 / sqrt(2 pi sd^2): the peak height of the normal density, the weight of a term's mean.
inline float peak(float sd) {
    return float(1.0 / std::sqrt(double(sd) * double(sd) * two_pi));
}

} // namespace

tweet::tweet() : freq_avg(0), mean_tot(0), sdev_tot(0) {
    for (int d = 0; d < E_DIM_N; ++d) {
        mean_avg[d] = 0;
        sdev_avg[d] = 0;
    }
}

void tweet::content(QString body) {
    raw = body;
    prep = raw.toLower();
    for (QChar& c : prep)
        if (is_delim(c)) c = QLatin1Char(' ');

    anew.clear();
    for (int d = 0; d < E_DIM_N; ++d) {
        mean[d].clear();
        sdev[d].clear();
    }
    freq.clear();

    float m[E_DIM_N] = {0, 0, 0};
    float sd[E_DIM_N] = {0, 0, 0};
    int fq = 0;
    // only the space separates: tabs and line breaks stay inside tokens
    const QStringList tokens = prep.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString token : tokens) {
        bool found = anew_word(token, m[AROUSAL], sd[AROUSAL], m[DOMINANCE], sd[DOMINANCE], m[VALENCE],
                               sd[VALENCE], fq);
        if (!found) {
            token = stem_word(token);
            found = anew_stem(token, m[AROUSAL], sd[AROUSAL], m[DOMINANCE], sd[DOMINANCE], m[VALENCE],
                              sd[VALENCE], fq);
        }
        if (found) anew_term_append(token, m, sd, fq);
    }

    fmt_content();
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
    const qsizetype n = m.size();
    if (n == 0) return;

    float sum = 0;
    for (float mu : m)
        sum += mu;
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

    float p_sum = 0;
    for (float s : sd)
        p_sum += peak(s);
    float acc = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const float w = peak(sd[i]) / p_sum;
        const float t = m[i] * w;
        acc += t;
    }
    m_avg = acc;
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

    QList<float> m{mean_avg[AROUSAL], mean_avg[VALENCE]};
    QList<float> sd{sdev_avg[AROUSAL], sdev_avg[VALENCE]};
    comp_avg(m, sd, mean_tot, sdev_tot);

    // a 64-bit sum: a long enough body of frequent words would overflow an int
    qint64 total = 0;
    for (int f : freq)
        total += f;
    freq_avg = float(total) / float(n);
    // ln(0) is -infinity when no matched word has a published frequency; readers cope with it
    freq_avg = std::log(freq_avg) + 1.0f;
}

void tweet::fmt_content() {
    tip.clear();
    tip.reserve(raw.size() + 32);
    const int n = raw.size();
    int pre = 0;
    for (int cur = 0; cur < n; ++cur) {
        const QChar c = raw.at(cur);
        if (c != QLatin1Char(' ') && !is_delim(c)) continue;
        append_word(tip, raw.mid(pre, cur - pre));
        tip += c;
        pre = cur + 1;
    }
    append_word(tip, raw.mid(pre));

    // Links are spliced into a fresh string so that many addresses cost linear time. Each search
    // after a link resumes at the white space that ended it, where the text is still as in tip.
    fmt.clear();
    fmt.reserve(tip.size());
    const QString link = QStringLiteral("<a href=\"%1\">%2</a>");
    const int len = tip.size();
    int copied = 0;
    int from = 0;
    while (from <= len) {
        const int start = link_scan::fmt_link_start(tip, from);
        if (start < 0) break;
        int end = start;
        while (end < len && !is_space(tip.at(end)))
            ++end;
        const QString address = tip.mid(start, end - start);
        fmt += QStringView(tip).mid(copied, start - copied);
        fmt += link.arg(address, address);
        copied = end;
        if (end == len) break;
        from = end;
    }
    fmt += QStringView(tip).mid(copied);
}

QString tweet::formatted_content() const {
    return QStringLiteral("<i>%1</i> <b>%2</b>: %3").arg(tm, nm, tip);
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
    QDateTime t = QDateTime::fromString(pub_t, QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
    if (!t.isValid()) {
        // A malformed time shows as nothing rather than as a garbled date.
        tm.clear();
        return;
    }
    t.setTimeZone(QTimeZone::utc());
    tm = t.toLocalTime().toString(QStringLiteral("MMM d h:mm:ssap"));
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

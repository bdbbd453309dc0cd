#include "link_scan.h"

// Character classes as the toolkit's regular expressions read them by default: \s and \w are
// ASCII-only (no Unicode properties), so every non-ASCII character is \S and \W.
namespace {

using link_scan::is_space;

inline bool is_alnum(char16_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

inline bool is_word(char16_t c) { return is_alnum(c) || c == '_'; }

// Word-ness of the character at i; outside the text counts as a non-word character.
inline bool word_at(const char16_t* s, int n, int i) { return i >= 0 && i < n && is_word(s[i]); }

inline bool boundary(const char16_t* s, int n, int i) { return word_at(s, n, i - 1) != word_at(s, n, i); }

// First index in [from, end) holding c, or end.
inline int find_in(const char16_t* s, int from, int end, char16_t c) {
    while (from < end && s[from] != c) ++from;
    return from;
}

// Both patterns need, inside one run of non-space characters, a full stop, a later slash and a
// suitable end after the slash. Within a run the full stop and slash found from a start position
// only move right as the start moves right, while the last suitable end is fixed, so the first
// candidate start of a run decides for the whole run.
template <typename IsStart, typename LastEnd>
int scan(const QString& str, int from, int min_dot_offset, IsStart is_start, LastEnd last_end) {
    const char16_t* s = reinterpret_cast<const char16_t*>(str.constData());
    const int n = str.size();
    int i = from < 0 ? 0 : from;
    // Most messages hold no full stop with a slash after it in the same run (a slash alone is
    // common: the emphasis tags hold one), and quick searches for the stops settle them.
    for (int k = i;; ++k) {
        const qsizetype dot = k < n ? str.indexOf(QLatin1Char('.'), k) : -1;
        if (dot < 0) return -1;
        k = int(dot) + 1;
        while (k < n && s[k] != '/' && !is_space(s[k])) ++k;
        if (k < n && s[k] == '/') break;
    }
    while (i < n) {
        if (is_space(s[i])) {
            ++i;
            continue;
        }
        int a = i;
        while (a > 0 && !is_space(s[a - 1])) --a; // only when `from` fell inside a run
        int e = i;
        while (e < n && !is_space(s[e])) ++e;

        int p = i;
        while (p < e && !is_start(s, n, p)) ++p;
        if (p < e) {
            const int dot = find_in(s, p + min_dot_offset, e, '.');
            const int slash = dot < e ? find_in(s, dot + 1, e, '/') : e;
            if (slash < e && last_end(s, n, a, e) > slash) return p;
        }
        i = e;
    }
    return -1;
}

} // namespace

namespace link_scan {

int fmt_link_start(const QString& str, int from) {
    // \b[a-z]: a lower-case letter not preceded by a word character.
    auto is_start = [](const char16_t* s, int n, int p) {
        return s[p] >= 'a' && s[p] <= 'z' && !word_at(s, n, p - 1);
    };
    // ([a-z]|[A-Z]|[0-9])\b: the last letter or digit of the run followed by a non-word
    // character or the end of the text.
    auto last_end = [](const char16_t* s, int n, int a, int e) {
        for (int k = e - 1; k >= a; --k)
            if (is_alnum(s[k]) && !word_at(s, n, k + 1)) return k;
        return -1;
    };
    return scan(str, from, 1, is_start, last_end);
}

int strip_link_start(const QString& str, int from) {
    auto is_start = [](const char16_t* s, int n, int p) { return boundary(s, n, p); };
    // \S*\b after the slash: the last word boundary inside the run or at its end.
    auto last_end = [](const char16_t* s, int n, int a, int e) {
        for (int q = e; q > a; --q)
            if (boundary(s, n, q)) return q;
        return -1;
    };
    return scan(str, from, 0, is_start, last_end);
}

} // namespace link_scan

#pragma once

#include <QString>

// Finding web addresses in message text in linear time. Messages come from outside and may hold
// long runs without white space, on which a backtracking regular expression takes quadratic or
// worse time; these scanners give the same match starts as the expressions they stand for.
namespace link_scan {

// White space as the toolkit's default regular expressions read \s: ASCII only.
inline bool is_space(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || (u >= 0x09 && u <= 0x0D);
}

// Start of the next match at or after `from` of \b[a-z]\S*\.\S*/\S*([a-z]|[A-Z]|[0-9])\b
// (the address pattern of the rich-text formatter), or -1.
int fmt_link_start(const QString& s, int from = 0);

// Start of the next match at or after `from` of \b\S*\.\S*/\S*\b (the address pattern removed
// before messages are compared for duplicates), or -1.
int strip_link_start(const QString& s, int from = 0);

} // namespace link_scan

// Corpus bytes in, feed pages out: the feed server's reading of a JSONL or CSV corpus, its
// search and its Atom writing.

#include <QUrlQuery>

#include <cstdint>

#include "feed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    QList<feed::line_error> errors;
    QString fatal;
    const feed::corpus c(
        feed::parse_corpus(bytes, data[0] & 1 ? feed::format::csv : feed::format::jsonl, errors, fatal));
    if (c.size() == 0) return 0;
    // Search for the first message's own words: at least that message is found.
    const QString q = feed::words(c.at(0).text).join(QLatin1Char('+'));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("q"), q);
    const feed::response r = feed::search_page(c, query);
    if (r.status != 200) __builtin_trap();
    if (!feed::keywords(q).isEmpty() && !r.body.contains("<entry>")) __builtin_trap();
    return 0;
}

#include "stemmer.h"

#include <libstemmer.h>

#include <climits>

namespace {
// Created on first use and kept for the rest of the run.
sb_stemmer* stem = nullptr;
} // namespace

QString stem_word(QString word) {
    if (!stem) {
        stem = sb_stemmer_new("english", nullptr);
        if (!stem) return QString();
    }
    // The stemmer was opened for UTF-8, so it gets UTF-8: a Latin-1 byte above 127 would be an
    // invalid sequence to it. Short ASCII words, nearly all of them, skip the conversion.
    char small[64];
    QByteArray utf8;
    const char* bytes = small;
    qsizetype size = word.size();
    bool ascii = size <= qsizetype(sizeof small);
    for (qsizetype i = 0; ascii && i < size; ++i) {
        const char16_t c = word.at(i).unicode();
        ascii = c < 128;
        small[i] = char(c);
    }
    if (!ascii) {
        utf8 = word.toUtf8();
        bytes = utf8.constData();
        size = utf8.size();
        if (size > INT_MAX) return QString();
    }
    const sb_symbol* out = sb_stemmer_stem(stem, reinterpret_cast<const sb_symbol*>(bytes), int(size));
    if (!out) return QString();
    // the result buffer belongs to the stemmer and is reused by its next call
    const char* result = reinterpret_cast<const char*>(out);
    const int length = sb_stemmer_length(stem);
    return ascii ? QString::fromLatin1(result, length) : QString::fromUtf8(result, length);
}

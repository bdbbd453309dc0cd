#include "stemmer.h"

#include <libstemmer.h>

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
    // invalid sequence to it.
    const QByteArray bytes = word.toUtf8();
    const sb_symbol* out =
        sb_stemmer_stem(stem, reinterpret_cast<const sb_symbol*>(bytes.constData()), bytes.size());
    if (!out) return QString();
    // the result buffer belongs to the stemmer and is reused by its next call
    return QString::fromUtf8(reinterpret_cast<const char*>(out), sb_stemmer_length(stem));
}

#include "anew.h"

#include <cstring>

QHash<QString, int> anew_db;
QHash<QString, int> anew_stem_db;

namespace {

// Nearly every token of a message is not in the lexicon, and a probe of a QHash with its random
// seed costs far more than the rest of a token's handling. One bit per value of a cheap hash of
// every key rules most of them out exactly; a set bit still needs the probe.
constexpr int filter_bits = 1 << 16;
quint64 word_filter[filter_bits / 64];
quint64 stem_filter[filter_bits / 64];
qsizetype longest_word = 0;
qsizetype longest_stem = 0;

inline quint32 filter_slot(QStringView key) {
    quint32 h = 2166136261u;
    for (QChar c : key)
        h = (h ^ c.unicode()) * 16777619u;
    return (h ^ (h >> 16)) & (filter_bits - 1);
}

inline void filter_add(quint64* filter, const QString& key) {
    const quint32 slot = filter_slot(key);
    filter[slot / 64] |= quint64(1) << (slot % 64);
}

inline bool may_hold(const quint64* filter, qsizetype longest, QStringView key) {
    if (key.size() > longest) return false;
    const quint32 slot = filter_slot(key);
    return filter[slot / 64] & (quint64(1) << (slot % 64));
}

void anew_init() {
    anew_db.clear();
    anew_stem_db.clear();
    anew_db.reserve(ANEW_N);
    anew_stem_db.reserve(ANEW_N);
    for (int i = 0; i < ANEW_N; ++i) {
        const QString word = QString::fromLatin1(anew[i].word);
        const QString stem = QString::fromLatin1(anew[i].stem);
        anew_db.insert(word, i);
        // insert() replaces, so a stem shared by two rows keeps the later row
        anew_stem_db.insert(stem, i);
        filter_add(word_filter, word);
        filter_add(stem_filter, stem);
        longest_word = qMax(longest_word, word.size());
        longest_stem = qMax(longest_stem, stem.size());
    }
}

int find_word(const QString& word) {
    return may_hold(word_filter, longest_word, word) ? anew_db.value(word, -1) : -1;
}

int find_stem(const QString& stem) {
    return may_hold(stem_filter, longest_stem, stem) ? anew_stem_db.value(stem, -1) : -1;
}

void copy_row(int i, float& a, float& a_sd, float& d, float& d_sd, float& v, float& v_sd, int& fq) {
    const anew_term& t = anew[i];
    a = t.a_m;
    a_sd = t.a_sd;
    d = t.d_m;
    d_sd = t.d_sd;
    v = t.v_m;
    v_sd = t.v_sd;
    fq = t.freq;
}

} // namespace

bool anew_word(QString word, float& a, float& a_sd, float& d, float& d_sd, float& v, float& v_sd, int& fq) {
    if (anew_db.size() == 0) anew_init();
    const int i = find_word(word);
    if (i == -1) return false;
    Q_ASSERT(strcmp(word.toLatin1().data(), anew[i].word) == 0);
    copy_row(i, a, a_sd, d, d_sd, v, v_sd, fq);
    return true;
}

bool anew_stem(QString stem, float& a, float& a_sd, float& d, float& d_sd, float& v, float& v_sd, int& fq) {
    if (anew_stem_db.size() == 0) anew_init();
    const int i = find_stem(stem);
    if (i == -1) return false;
    copy_row(i, a, a_sd, d, d_sd, v, v_sd, fq);
    return true;
}

// Before the first lookup the filters are empty, so these answer false like the empty indexes.
bool is_anew_word(QString word) {
    return find_word(word) != -1;
}

bool is_anew_stem(QString stem) {
    return find_stem(stem) != -1;
}

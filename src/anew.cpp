#include "anew.h"

#include <cstring>

QHash<QString, int> anew_db;
QHash<QString, int> anew_stem_db;

namespace {

void anew_init() {
    anew_db.clear();
    anew_stem_db.clear();
    anew_db.reserve(ANEW_N);
    anew_stem_db.reserve(ANEW_N);
    for (int i = 0; i < ANEW_N; ++i) {
        anew_db.insert(QString::fromLatin1(anew[i].word), i);
        // insert() replaces, so a stem shared by two rows keeps the later row
        anew_stem_db.insert(QString::fromLatin1(anew[i].stem), i);
    }
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
    const int i = anew_db.value(word, -1);
    if (i == -1) return false;
    Q_ASSERT(strcmp(word.toLatin1().data(), anew[i].word) == 0);
    copy_row(i, a, a_sd, d, d_sd, v, v_sd, fq);
    return true;
}

bool anew_stem(QString stem, float& a, float& a_sd, float& d, float& d_sd, float& v, float& v_sd, int& fq) {
    if (anew_stem_db.size() == 0) anew_init();
    const int i = anew_stem_db.value(stem, -1);
    if (i == -1) return false;
    copy_row(i, a, a_sd, d, d_sd, v, v_sd, fq);
    return true;
}

bool is_anew_word(QString word) {
    return anew_db.value(word, -1) != -1;
}

bool is_anew_stem(QString stem) {
    return anew_stem_db.value(stem, -1) != -1;
}

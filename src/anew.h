#pragma once

#include <QHash>
#include <QString>

// One row of the affective word norms table (ANEW): the word, its Snowball English stem, the
// mean and standard deviation of its valence, arousal and dominance ratings on the 1 to 9
// scale, and its published frequency (0 where none is given).
struct anew_term {
    char word[256];
    char stem[256];
    float v_m;
    float v_sd;
    float a_m;
    float a_sd;
    float d_m;
    float d_sd;
    int freq;
};

constexpr int ANEW_N = 1033;

// The table, compiled in from data/anew.csv, in alphabetical order of word.
extern const anew_term anew[ANEW_N];

// Word -> row and stem -> row. Built on the first anew_word() or anew_stem() call; a stem shared
// by two rows maps to the later one.
extern QHash<QString, int> anew_db;
extern QHash<QString, int> anew_stem_db;

// Norms of a word (exact, case-sensitive key). Outputs are untouched when it is not found.
bool anew_word(QString word, float& a, float& a_sd, float& d, float& d_sd, float& v, float& v_sd, int& fq);
// Norms of the row a stem leads to. Outputs are untouched when it is not found.
bool anew_stem(QString stem, float& a, float& a_sd, float& d, float& d_sd, float& v, float& v_sd, int& fq);

// Membership tests; they do not build the indexes, so they answer false until a lookup has run.
bool is_anew_word(QString word);
bool is_anew_stem(QString stem);

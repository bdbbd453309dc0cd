#pragma once

#include <QList>
#include <QtGlobal>

// Relations between documents through terms that share a sentence, over the global collection
// and term index. Sentence lists are ascending and without repeats.
class co_occur {
public:
    // True when the two lists share a value; a null or empty list shares nothing.
    static bool sen_ID_isect(const QList<int>* s_0, const QList<int>* s_1);
    // Appends the common values to isect in ascending order and returns isect's size.
    static int sen_ID_isect(const QList<int>* s_0, const QList<int>* s_1, QList<int>& isect);

    // The weights are not defined yet: both gather the co-occurring term pairs of the documents
    // (collection positions) and return 0.
    float wt(int d_0, int d_1) const;
    float new_wt_rng(int d_0, int d_beg, int d_end) const;

private:
    // Key of the term pair (t_0, t_1); distinct while term numbers stay below 65,536.
    static qint64 pair_key(int t_0, int t_1);
};

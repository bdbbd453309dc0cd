#pragma once

#include <QHash>
#include <QList>
#include <QString>

class QDebug;

// The occurrences of one term in one document: the sentences it appears in, each once, in order
// of first occurrence. Equal when the documents are equal.
struct term_loc {
    int doc_ID = 0;
    QList<int> sen_ID;

    bool operator==(const term_loc& t) const { return doc_ID == t.doc_ID; }
};

// The global term index: every distinct term numbered by first appearance, with the documents and
// sentences it occurs in. Terms are never removed, so a term's number never changes.
class termvec {
public:
    // Records one occurrence of term and returns its number. rec is not consulted.
    int term_pos(const QString& term, int doc_ID, int sen_ID, bool rec);

    int size() const { return term_list.size(); }
    // Number of documents containing term; 0 for an unknown term.
    int term_DF(const QString& term) const;
    // The text of term pos, empty outside the index.
    QString term_str(int pos) const;

    // In-place views, valid until the next term_pos(); null outside the index or when the term
    // does not occur in the document.
    QList<term_loc>* term_doc_list(int pos);
    QList<int>* term_sen_list(int pos, int doc_ID);

    // Copying forms: on failure they return false and leave the output untouched.
    bool term_doc_list_old(int pos, QList<int>& doc_list) const;
    bool term_sen_list_old(int pos, int doc_ID, QList<int>& sen_list) const;

    // Writes every term of document doc_ID with its sentence list to the debug stream.
    void dump(int doc_ID) const;

    friend QDebug operator<<(QDebug dbg, const termvec& tv);

private:
    int loc_index(int pos, int doc_ID) const;

    QList<QString> term_list;
    QList<QList<term_loc>> term_doc_use;
    // Term text to its position in term_list, so lookups do not scan the list.
    QHash<QString, int> term_idx;
};

#pragma once

#include <QList>
#include <QString>

class QDebug;

// One term of one document. Terms compare by their number in the term index alone.
struct doc_term {
    int freq = 0;
    int ID = 0;
    float TF_IDF = 0;

    bool operator==(const doc_term& t) const { return ID == t.ID; }
    bool operator<(const doc_term& t) const { return ID < t.ID; }
};

// One message as a weighted term vector over the global term index (tvec_ptr()).
class doc {
public:
    // Takes the next document number.
    doc();

    // Tokenises tw_body, skips stop words, reduces words to base forms and records every
    // occurrence in the term index. The terms add to any the document already holds.
    bool add(QString tw_body);
    // Normalised TF-IDF weights over the ID_n documents made so far. A document without any
    // weighted term (no terms, or only terms every document has) keeps weights of 0.
    void comp_TF_IDF();
    void update() { comp_TF_IDF(); }

    int ID() const { return doc_ID; }
    int size() const { return term_list.size(); }
    QList<doc_term>* t_list() { return &term_list; }
    const QList<doc_term>& terms() const { return term_list; }

    // Cosine similarity of the two weighted term vectors.
    float operator*(const doc& d) const;

    friend QDebug operator<<(QDebug dbg, const doc& d);

    // Number of documents default-constructed in this run; only grows.
    static int ID_n;

private:
    QString body;
    int doc_ID;
    QList<doc_term> term_list; // ascending ID once add() has run
};

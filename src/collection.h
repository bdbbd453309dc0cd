#pragma once

#include <QList>
#include <QStringList>
#include <QVector>

#include "doc.h"

class tweet;

// The document set of the text analysis: document i holds tweet i of the list given to add().
class collection {
public:
    // One document per tweet, then the weights of all; false if a document refuses its text.
    bool add(QList<tweet>& tw_db);
    // The same for texts given directly: document i holds texts[i].
    bool add(const QStringList& texts);
    // Document i, or null outside 0 .. size() - 1.
    doc* document(int i);
    const doc* document(int i) const;
    int size() const { return doc_vec.size(); }

private:
    QVector<doc> doc_vec;
};

#include "collection.h"

#include <QMessageBox>

#include "tweet.h"

bool collection::add(QList<tweet>& tw_db) {
    QStringList texts;
    texts.reserve(tw_db.size());
    for (const tweet& t : std::as_const(tw_db))
        texts.append(t.content());
    return add(texts);
}

bool collection::add(const QStringList& texts) {
    doc_vec.resize(texts.size());
    for (int i = 0; i < doc_vec.size(); ++i) {
        if (!doc_vec[i].add(texts.at(i))) {
            QMessageBox box(QMessageBox::Critical, QString(),
                            QStringLiteral("Cannot open tweet %1's body").arg(QString::number(i)));
            box.exec();
            return false;
        }
    }
    // Document frequencies are complete only once every text is in.
    for (doc& d : doc_vec)
        d.update();
    return true;
}

doc* collection::document(int i) {
    return i < 0 || i >= doc_vec.size() ? nullptr : &doc_vec[i];
}

const doc* collection::document(int i) const {
    return i < 0 || i >= doc_vec.size() ? nullptr : &doc_vec.at(i);
}

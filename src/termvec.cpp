#include "termvec.h"

#include <QDebug>

int termvec::loc_index(int pos, int doc_ID) const {
    const QList<term_loc>& locs = term_doc_use.at(pos);
    // Documents are indexed one after another, so the one sought is nearly always the last.
    for (int k = locs.size() - 1; k >= 0; --k)
        if (locs.at(k).doc_ID == doc_ID) return k;
    return -1;
}

int termvec::term_pos(const QString& term, int doc_ID, int sen_ID, bool rec) {
    Q_UNUSED(rec);
    int i;
    const auto hit = term_idx.constFind(term);
    if (hit == term_idx.constEnd()) {
        i = term_list.size();
        term_list.append(term);
        term_doc_use.append(QList<term_loc>{term_loc{doc_ID, {sen_ID}}});
        term_idx.insert(term, i);
    } else {
        i = hit.value();
        const int k = loc_index(i, doc_ID);
        if (k < 0) {
            term_doc_use[i].append(term_loc{doc_ID, {sen_ID}});
        } else {
            QList<int>& sen = term_doc_use[i][k].sen_ID;
            if (!sen.contains(sen_ID)) sen.append(sen_ID);
        }
    }
    Q_ASSERT(term_list.size() == term_doc_use.size());
    return i;
}

int termvec::term_DF(const QString& term) const {
    const auto hit = term_idx.constFind(term);
    return hit == term_idx.constEnd() ? 0 : term_doc_use.at(hit.value()).size();
}

QString termvec::term_str(int pos) const {
    return pos < 0 || pos >= term_list.size() ? QString() : term_list.at(pos);
}

QList<term_loc>* termvec::term_doc_list(int pos) {
    return pos < 0 || pos >= term_doc_use.size() ? nullptr : &term_doc_use[pos];
}

QList<int>* termvec::term_sen_list(int pos, int doc_ID) {
    if (pos < 0 || pos >= term_doc_use.size()) return nullptr;
    const int k = loc_index(pos, doc_ID);
    return k < 0 ? nullptr : &term_doc_use[pos][k].sen_ID;
}

bool termvec::term_doc_list_old(int pos, QList<int>& doc_list) const {
    if (pos < 0 || pos >= term_doc_use.size()) return false;
    doc_list.clear();
    for (const term_loc& l : term_doc_use.at(pos))
        doc_list.append(l.doc_ID);
    return true;
}

bool termvec::term_sen_list_old(int pos, int doc_ID, QList<int>& sen_list) const {
    if (pos < 0 || pos >= term_doc_use.size()) return false;
    const int k = loc_index(pos, doc_ID);
    if (k < 0) return false;
    sen_list = term_doc_use.at(pos).at(k).sen_ID;
    return true;
}

void termvec::dump(int doc_ID) const {
    for (int i = 0; i < term_list.size(); ++i) {
        const int k = loc_index(i, doc_ID);
        if (k >= 0)
            qDebug().nospace().noquote() << term_list.at(i) << ": " << term_doc_use.at(i).at(k).sen_ID;
    }
}

QDebug operator<<(QDebug dbg, const termvec& tv) {
    QDebugStateSaver saver(dbg);
    dbg.nospace().noquote() << tv.term_list.size() << " terms:\n";
    for (int i = 0; i < tv.term_list.size(); ++i) {
        QStringList occ;
        const QList<term_loc>& locs = tv.term_doc_use.at(i);
        for (int k = 0; k < locs.size(); ++k) {
            const QString form = k + 1 < locs.size() ? QStringLiteral("%1/%2,") : QStringLiteral("%1/%2");
            for (int s : locs.at(k).sen_ID)
                occ.append(form.arg(QString::number(locs.at(k).doc_ID), QString::number(s)));
        }
        dbg << "  " << QStringLiteral("%1: ").arg(tv.term_list.at(i)) << occ.join(QLatin1Char(' ')) << '\n';
    }
    return dbg;
}

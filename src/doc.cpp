#include "doc.h"

#include <QDebug>
#include <QHash>

#include <algorithm>
#include <cmath>

#include "main.h"
#include "termvec.h"
#include "wordnet.h"

int doc::ID_n = 0;

namespace {

// Qt's word characters: letters, digits, combining marks and the underscore.
bool word_char(char32_t c) {
    return c == U'_' || QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

// The text split at every run of non-word characters, empty pieces dropped.
QStringList tokens(const QString& text) {
    QStringList out;
    const qsizetype n = text.size();
    qsizetype start = -1;
    for (qsizetype i = 0; i < n;) {
        char32_t c = text.at(i).unicode();
        qsizetype len = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            len = 2;
        }
        if (word_char(c)) {
            if (start < 0) start = i;
        } else if (start >= 0) {
            out.append(text.mid(start, i - start));
            start = -1;
        }
        i += len;
    }
    if (start >= 0) out.append(text.mid(start));
    return out;
}

} // namespace

doc::doc() : doc_ID(ID_n++) {}

bool doc::add(QString tw_body) {
    body = tw_body;
    termvec* tv = tvec_ptr();
    Q_ASSERT(tv != nullptr);

    // Position of each term already in term_list, so that long texts do not scan the list.
    QHash<int, int> at;
    for (int k = 0; k < term_list.size(); ++k)
        at.insert(term_list.at(k).ID, k);

    for (QString& token : tokens(tw_body.toLower())) {
        if (stop_word(token)) continue;
        const QString s = stem(token);
        if (!s.isEmpty()) token = s;
        // The text is not divided into sentences: every occurrence is in sentence 0.
        const int id = tv->term_pos(token, doc_ID, 0, true);
        const auto hit = at.constFind(id);
        if (hit != at.constEnd()) {
            ++term_list[hit.value()].freq;
        } else {
            at.insert(id, term_list.size());
            term_list.append(doc_term{1, id, 0});
        }
    }
    std::sort(term_list.begin(), term_list.end());
    return true;
}

void doc::comp_TF_IDF() {
    const termvec* tv = tvec_ptr();
    const float N = static_cast<float>(ID_n);
    double sum = 0;
    for (doc_term& t : term_list) {
        const int df = tv ? tv->term_DF(tv->term_str(t.ID)) : 0;
        // A term the index does not know has no document frequency and so no weight.
        const float idf = df > 0 ? std::log(N / static_cast<float>(df)) : 0.0f;
        t.TF_IDF = static_cast<float>(t.freq) * idf;
        sum += static_cast<double>(t.TF_IDF) * t.TF_IDF;
    }
    const float norm = static_cast<float>(std::sqrt(sum));
    // With no weighted term the vector cannot be made unit length; it stays all zero and so is
    // similar to nothing.
    for (doc_term& t : term_list)
        t.TF_IDF = norm > 0 ? t.TF_IDF / norm : 0.0f;
}

float doc::operator*(const doc& d) const {
    const doc_term* a = term_list.constData();
    const doc_term* const a_end = a + term_list.size();
    const doc_term* b = d.term_list.constData();
    const doc_term* const b_end = b + d.term_list.size();
    float r = 0;
    while (a != a_end && b != b_end) {
        if (a->ID == b->ID) {
            r += a->TF_IDF * b->TF_IDF;
            ++a;
            ++b;
        } else if (a->ID < b->ID) {
            ++a;
        } else {
            ++b;
        }
    }
    return r;
}

QDebug operator<<(QDebug dbg, const doc& d) {
    QDebugStateSaver saver(dbg);
    const termvec* tv = tvec_ptr();
    dbg.nospace().noquote() << d.term_list.size() << " terms:\n";
    for (const doc_term& t : d.term_list)
        dbg << QStringLiteral("%1: %2/%3 (%4)\n")
                   .arg(QString::number(t.ID), tv ? tv->term_str(t.ID) : QString(), QString::number(t.freq),
                        QString::number(t.TF_IDF, 'g'));
    return dbg;
}

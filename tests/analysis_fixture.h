#pragma once

#include "collection.h"
#include "doc.h"
#include "globals.h"
#include "termvec.h"
#include "tweet.h"

#include <QStringList>
#include <QTest>

#include <functional>
#include <utility>

// A fresh process-wide term index and collection, as main() creates them, numbering documents from 0.
inline void create_analysis_globals() {
    doc::ID_n = 0;
    tvec = new termvec();
    collect = new collection();
}

inline void delete_analysis_globals() {
    delete std::exchange(collect, nullptr);
    delete std::exchange(tvec, nullptr);
}

// The global collection filled with one tweet per text.
inline void fill_collection(const QStringList& texts) {
    QList<tweet> tw(texts.size());
    for (int i = 0; i < texts.size(); ++i)
        tw[i].content(texts[i]);
    QVERIFY(collect->add(tw));
}

// The lines f writes to the debug output.
inline QStringList debug_lines(const std::function<void()>& f) {
    static QStringList lines;
    lines.clear();
    const QtMessageHandler old = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& m) { lines.append(m); });
    f();
    qInstallMessageHandler(old);
    return lines;
}

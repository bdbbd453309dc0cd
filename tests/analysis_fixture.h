#pragma once

#include "collection.h"
#include "doc.h"
#include "globals.h"
#include "termvec.h"

// A fresh process-wide term index and collection, as main() creates them, with document
// numbering starting again at 0.
inline void create_analysis_globals() {
    doc::ID_n = 0;
    tvec = new termvec();
    collect = new collection();
}

inline void delete_analysis_globals() {
    delete collect;
    delete tvec;
    collect = nullptr;
    tvec = nullptr;
}

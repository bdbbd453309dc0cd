#pragma once

#include <QString>

// Word normalisation for the text analysis: a stop-word set and WordNet base forms. Both load
// on first use; while loading fails every call tries again.

// Opens the WordNet database, reads its noun and verb lemma and exception lists into memory and
// fills the stop-word set: 1 on success, 0 on failure.
int wordnet_init();

// True for a stop word (exact, case-sensitive); false when the database cannot be opened.
bool stop_word(const QString& term);

// The noun, else verb, base form of term, as WordNet's morphology gives it (answered from the
// lists in memory). Empty when WordNet offers none or cannot be opened; a word already looked up
// without success comes back unchanged from the cache.
QString stem(const QString& term);

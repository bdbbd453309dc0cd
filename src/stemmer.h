#pragma once

#include <QString>

// The Snowball English (Porter 2) stem of a lower-case word; the empty string if no stemmer could
// be created. Neither lower-cases nor trims.
QString stem_word(QString word);

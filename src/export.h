#pragma once

#include <QList>
#include <QString>

class tweet;

// The shortest decimal text that reads back as the same float; empty for an infinity or NaN.
QString float_text(float x);

// Writes the tweets, in list order, with the batch scorer's columns and numbers plus author and
// published (ISO 8601, UTC): CSV with a header when the name ends in .csv (any case), otherwise
// JSON lines. The file is written aside and renamed into place, so a failed write leaves no
// partial file. False, with why set, when it could not be written.
bool write_tweets(const QString& file, const QList<tweet>& tw, QString& why);

#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

class tweet;

// Scored messages as JSON lines or CSV: what the batch scorer writes and File > Export Tweets
// saves, so that both give the same columns and the same numbers.
namespace score_text {

// The columns written for every message, in this order.
extern const char* const columns[12];
bool is_column(std::string_view key);

void put_utf8(std::string& out, char32_t c);
// A JSON string, quotes included. UTF-16 text, or UTF-8 bytes copied as they are but for escapes.
void put_json_string(std::string& out, QStringView s);
void put_json_string(std::string& out, std::string_view s);
// A CSV cell, quoted (quotes doubled) when it holds a comma, a quote or a line break. With guard,
// a cell that a spreadsheet would run as a formula (one beginning with = + - @, a tab or a
// carriage return) gets a leading apostrophe, which spreadsheets read as "text follows".
void put_csv(std::string& out, QStringView s, bool guard = false);
void put_csv(std::string& out, std::string_view s, bool guard = false);
// The shortest text that reads back as the same float; nothing for an infinity or NaN.
void put_number(std::string& out, float x);

// The header line's columns, comma-separated, without a line end.
void put_header(std::string& out);
// The columns of one message whose record is t: CSV cells, or a JSON object's opening and fields
// without its closing brace, so that the caller can add its own.
void put_scores(std::string& out, QStringView text, const tweet& t, bool csv, bool guard = false);

} // namespace score_text

// Writes the tweets in list order with the scorer's columns plus author and published (ISO 8601,
// UTC): CSV with a header when the name ends in .csv (any case), otherwise JSON lines. Texts are
// written as the messages read, the feed's character references decoded. The file is written
// aside and renamed into place, so a failed write leaves no partial file and an existing file
// whole. False, with why set, when it could not be written.
bool write_tweets(const QString& file, const QList<tweet>& tw, QString& why);

#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class QUrlQuery;

// The bundled feed server's side of the search feed: a corpus of messages read from JSONL or CSV,
// searched for keywords and served page by page as Atom documents. The HTTP server itself lives in
// tools/; everything here is plain data in, bytes out.
namespace feed {

struct message {
    QString text;
    QString author;      // user name (handle)
    QString name;        // full name, may be empty
    QString lang;        // may be empty
    QDateTime published; // UTC
};

struct line_error {
    int line; // 1-based line of the file where the record starts
    QString why;
};

// Plain text is one message a line, without author or time.
enum class format { jsonl, csv, text };

// What a record must hold. The server writes every message into the feed with its author and
// time; a file opened in the program needs only the text, and a time without a zone is read as
// UTC there.
enum class need { all, text };

// The longest message text a corpus may hold, in UTF-8 bytes; longer records are refused.
constexpr qsizetype max_text = 64 << 10;

// JSONL when the file name ends in .jsonl or .json, CSV when in .csv, else by the first
// non-blank byte ('{' for JSONL).
format guess_format(const QString& file_name, const QByteArray& data);

// Reads every record; a record that cannot be read is reported in errors and skipped. fatal is
// set when the data as a whole is no corpus (a CSV header without the needed columns).
QList<message> parse_corpus(const QByteArray& data, format f, QList<line_error>& errors, QString& fatal);

// Reads a corpus piece by piece, so that a large file is never held whole: only the record under
// way is kept. parse_corpus() is one piece.
class corpus_reader {
public:
    explicit corpus_reader(format f, need n = need::all);

    // The next piece of the data; `last` marks its end.
    void add(const QByteArray& piece, bool last = false);
    // The next record read whole: true with m set. Records that cannot be read are skipped and
    // listed in errors(). False when the pieces so far hold no further record.
    bool next(message& m);
    QList<line_error>& errors() { return errs; }
    // Set when the data as a whole is no corpus; nothing is read after it.
    const QString& fatal() const { return no_corpus; }

private:
    // Finds the end of the record at pos: its last byte (end) and where the next one starts.
    bool find_end(qsizetype& end, qsizetype& after);
    bool csv_record(qsizetype from, qsizetype end, qsizetype after, int rec_line, message& m);
    void drop_read();

    enum class scan { field, unquoted, quoted, quote_in_quoted };

    QByteArray buf;
    QHash<QString, int> col; // CSV columns by lower-case name, once the header is read
    QList<line_error> errs;
    format fmt;
    bool last = false;
    int line = 1; // of the record at pos
    qsizetype n_col = -1;
    QString no_corpus;
    qsizetype pos = 0; // the record under way starts here in buf
    int rec_nl = 0;    // line ends passed in the record under way
    need rules;
    qsizetype seen = 0;    // bytes of the record under way already scanned for its end
    bool skipping = false; // the record under way is too long: its bytes are dropped as they come
    bool started = false;  // a byte-order mark has been looked for
    scan state = scan::field;
    bool stopped = false;
};

// Published time in the feed's form, yyyy-MM-ddTHH:mm:ssZ; accepts any ISO 8601 date-time with
// a time zone (Z or an offset), and without one when utc_without_zone. Invalid otherwise.
QDateTime parse_time(const QString& s, bool utc_without_zone = false);

// Whether a message holds every keyword as a word (any message when there is none), and is in
// the language lang or in none named. The search of a corpus answers by the same rule.
bool matches(const message& m, const QStringList& kw, const QString& lang = QString());

// Keywords of a query: the text split at '+' and white space, each part cut into its words,
// case-folded. Parts without any letter or digit give nothing.
QStringList keywords(const QString& q);

// Words of a message text: maximal runs of letters, digits, marks and underscores, case-folded.
QStringList words(const QString& text);

// Text for XML character data and attribute values: markup characters escaped, characters that
// XML 1.0 does not allow replaced by U+FFFD.
QString xml_escape(const QString& s);
// The same for character data only: quotes stay as they are. A reader that takes a message's
// text as it stands between the tags then sees a quoted word as a word.
QString xml_text(const QString& s);
// The text that XML character data stands for: the five predefined entities and numeric character
// references decoded; anything else, an unknown or unfinished reference too, stays as it is.
QString xml_unescape(const QString& s);

class corpus {
public:
    corpus() = default;
    explicit corpus(QList<message> msgs);

    int size() const { return all.size(); }
    const message& at(int i) const { return all.at(i); }
    bool has_lang() const { return any_lang; }

    // Indices of the messages holding every keyword as a word, newest first; with a language,
    // only messages in that language (or without one), when the corpus records languages.
    QList<int> search(const QStringList& kw, const QString& lang = QString()) const;

private:
    QList<message> all;                  // newest first
    QHash<QString, QList<int>> postings; // word -> ascending indices into all
    bool any_lang = false;
};

struct response {
    int status = 200;
    QByteArray content_type;
    QByteArray body;
};

// Answers GET /search.atom?... : keys q (required), page (1-based, default 1), rpp (1 to 100,
// default 100), lang; other keys are ignored. self_url is written into the feed's own link.
response search_page(const corpus& c, const QUrlQuery& query, const QString& self_url = QString());

// The answer to the request at the front of the bytes a connection has received.
struct http_answer {
    qsizetype used = 0; // bytes of the buffer the request took (its head); 0 while it is incomplete
    QByteArray bytes;   // the whole response; empty while the request head is incomplete
    bool close = false; // close the connection once the response is written
};

// Longest request target and request head served; longer ones get 414 and 431.
constexpr qsizetype max_target = 8 << 10;
constexpr qsizetype max_head = 16 << 10;

// HTTP/1.1 in its plainest form: GET and HEAD of /search.atom are answered by search_page(),
// other methods there by 405. A connection is kept for the next request unless the client asks
// for its end (Connection: close, HTTP/1.0) or sent a body, which is not read.
http_answer serve(const corpus& c, const QByteArray& in);

// One Atom document holding the given messages in that order.
QByteArray atom(const corpus& c, const QList<int>& hits, const QString& q, const QString& self_url);

} // namespace feed

#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include "tweet.h"

#include <functional>

class QEventLoop;
class QNetworkAccessManager;
class QNetworkReply;
class QProgressDialog;
class QTimer;

// The search client: fetches the most recent messages matching some keywords from the Atom search
// feed, page after page, and appends every usable entry as a tweet record to the caller's list.
class twit : public QObject {
    Q_OBJECT

public:
    twit();
    ~twit() override;

    // Runs a whole query of n pages (at most 15) for the keyword text q, appending accepted tweets
    // to tw_db in feed order. Returns when every page is handled or the user cancelled.
    void get(QString q, int n, QList<tweet>& tw_db);
    // The text compared for duplicates: no retweet prefixes, leading mentions or web addresses.
    void strip_body(const QString& tw_body, QString& tw_strip);

    // The search endpoint, a plain-HTTP address ending in "/search.atom?". A new client takes
    // the process default, which is the build's QUORVEL_SEARCH_BASE unless a test changed it.
    void set_base(const QString& url) { base = url; }
    QString base_url() const { return base; }
    static void set_default_base(const QString& url);
    static QString default_base();
    // Waiting limits of one page: time without download progress, time in all, reply size.
    void set_limits(int idle_ms, int page_ms, qint64 max_bytes);

    // Of the last get(): pages requested, pages that failed, and the reason of the first failure.
    int pages_sent() const { return sent_n; }
    int pages_failed() const { return failed_n; }
    QString failure() const { return fail_why; }
    // "3 of 15 pages failed: Connection refused", or empty when every page arrived.
    QString failure_line() const;

    // Opens a file of messages for the keyword text q: JSONL, CSV (both need only a "text" field)
    // or plain text, one message a line, read as the feed server reads its corpus. The messages
    // holding every keyword (all of them when there is none), newest first where the file gives
    // times, take the steps of a feed's entries, at most as many as a query could fetch. The
    // file is read piece by piece with the window live; once it has been read, `replace` is
    // called and the messages are appended to tw_db, which is repainted every 100 of them.
    // False, with why set and `replace` not called, when the file cannot be read or no line of it
    // holds a message; Cancel while it is read does not call `replace` either.
    bool open_file(const QString& path, const QString& q, QList<tweet>& tw_db,
                   const std::function<void()>& replace, QString& why);
    // Of the last open_file(): records of the file that could not be read, and a line about them
    // ("Skipped 7 unreadable lines of tweets.jsonl"), empty when there were none.
    int lines_skipped() const { return skipped_n; }
    QString skipped_line(const QString& path) const;

    // Walks the entries of one feed page (UTF-8, read up to its first zero byte): every entry that
    // is not a duplicate of a message seen in this query and holds at least two dictionary words
    // is appended to `to` (when not null). Public for the fuzz target and the benchmarks.
    void parse_page(const QByteArray& page, QList<tweet>* to);

public slots:
    // Ends the query at once: the page in flight keeps the entries it completed, no further page
    // is requested and the progress dialog goes. Cancel in the dialog and a closing window call it.
    void cancel();
    void done();
    void progress();
    void timeout();

private slots:
    void finished(QNetworkReply* r);
    void page_limit();
    void read_some();

private:
    // Why the current reply was cut short, if it was.
    enum class cut { none, size, idle, time, cancel };

    void fail(const QString& why);
    void give_up(cut why);
    void take();
    // One message of the query: dropped when it repeats one seen in this query, else appended to
    // `to` (when not null) if at least two dictionary words are found in it.
    void take_entry(const QString& body, const QString& author, const QString& pub_t, QList<tweet>* to);
    void watch(QProgressDialog& dlg, const QString& title, int steps);
    void repaint_canvas();

    QList<tweet>* db;
    int fin;
    QNetworkAccessManager* mgr;
    QHash<quint32, QString> msg;
    QNetworkReply* rep;
    QTimer* tm;

    QString base;
    QString fail_why;
    int failed_n = 0;
    QByteArray got;
    int idle_ms = 10000;
    QTimer* lim;
    QEventLoop* loop = nullptr;
    qint64 max_reply = qint64(16) << 20;
    int page_ms = 60000;
    QProgressDialog* prog = nullptr;
    int sent_n = 0;
    int skipped_n = 0;
    QString strip;
    bool stopped = false;
    tweet entry; // filled for every entry, appended when kept
    cut why_cut = cut::none;
};

#include "twit.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProgressDialog>
#include <QTimer>
#include <QUrl>

#include "config.h"
#include "feed.h"
#include "link_scan.h"
#include "main.h"
#include "opengl.h"
#include "opengl_win.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace {

// A query fetches at most this many pages of this many entries.
constexpr int page_max = 15;
constexpr int page_size = 100;

QString& process_base() {
    static QString b = QStringLiteral(QUORVEL_SEARCH_BASE);
    return b;
}

using link_scan::is_space;

// First index at or after `from` that is (or is not) white space, or -1.
int find_space(const QString& s, int from, bool space) {
    for (int i = from < 0 ? 0 : from; i < s.size(); ++i)
        if (is_space(s[i]) == space) return i;
    return -1;
}

// "RT\s*@" at position b.
bool retweet_at(const QString& s, int b) {
    if (s.size() - b < 3 || s[b] != QLatin1Char('R') || s[b + 1] != QLatin1Char('T')) return false;
    int k = b + 2;
    while (k < s.size() && is_space(s[k]))
        ++k;
    return k < s.size() && s[k] == QLatin1Char('@');
}

// A reply that was cut short ends inside an entry whose last field would run to the end of the
// text; keep only the entries whose author (the field read last) is closed.
void complete_entries(QByteArray& b) {
    const qsizetype k = b.lastIndexOf("</name>");
    b.truncate(k < 0 ? 0 : k + 7);
}

// What a reply may hold unread: Qt reads ahead of the handler without limit otherwise.
constexpr qint64 read_chunk = 256 << 10;

// Text between `from` and the first `close` after it, or to the end. Tags are ASCII, so a field
// decoded on its own reads as it would within the whole page.
QString field(QByteArrayView s, qsizetype from, QByteArrayView close) {
    const qsizetype e = s.indexOf(close, from);
    return QString::fromUtf8(s.sliced(from, (e < 0 ? s.size() : e) - from));
}

quint32 hash32(const QString& s) {
    return quint32(qHash(s, size_t(0)));
}

} // namespace

void twit::set_default_base(const QString& url) {
    process_base() = url;
}

QString twit::default_base() {
    return process_base();
}

twit::twit() : QObject(nullptr), db(nullptr), fin(0), rep(nullptr), base(process_base()) {
    mgr = new QNetworkAccessManager(this);
    tm = new QTimer();
    tm->setSingleShot(true);
    lim = new QTimer();
    lim->setSingleShot(true);
    connect(mgr, &QNetworkAccessManager::finished, this, &twit::finished);
    connect(tm, &QTimer::timeout, this, &twit::timeout);
    connect(lim, &QTimer::timeout, this, &twit::page_limit);
}

twit::~twit() {
    // Replies still open are aborted when the manager goes; none of them is ours to handle then.
    mgr->disconnect(this);
    delete mgr;
    delete lim;
    delete tm;
}

void twit::set_limits(int idle, int page, qint64 max_bytes) {
    idle_ms = idle;
    page_ms = page;
    max_reply = max_bytes;
}

QString twit::failure_line() const {
    if (failed_n == 0) return QString();
    return tr("%1 of %2 pages failed: %3").arg(QString::number(failed_n), QString::number(sent_n), fail_why);
}

void twit::fail(const QString& why) {
    ++failed_n;
    if (fail_why.isEmpty()) fail_why = why;
}

void twit::watch(QProgressDialog& dlg, const QString& title, int steps) {
    dlg.setMinimum(0);
    dlg.setMaximum(steps);
    dlg.setMinimumDuration(0);
    dlg.setFixedWidth(400);
    dlg.setWindowTitle(title);
    // Escape hides the dialog without its canceled signal.
    connect(&dlg, &QProgressDialog::canceled, this, &twit::cancel);
    connect(&dlg, &QDialog::rejected, this, &twit::cancel);
    dlg.show();
    prog = &dlg;
}

void twit::repaint_canvas() {
    if (opengl_win* w = win_ptr())
        if (opengl* gl = w->gl_ptr()) gl->updateGL();
}

void twit::get(QString q, int n, QList<tweet>& tw_db) {
    if (n > page_max) n = page_max;
    const QString prefix = base + QStringLiteral("lang=en&rpp=100&result_type=recent");
    msg.clear();
    sent_n = 0;
    failed_n = 0;
    fail_why.clear();
    stopped = false;

    QProgressDialog dlg;
    watch(dlg, tr("Query \"%1\"").arg(q), n > 0 ? n : 0);

    db = &tw_db;
    for (int i = 0; i < n; ++i) {
        fin = 0;
        dlg.setLabelText(tr("Querying page %1...").arg(i + 1));
        QCoreApplication::processEvents();
        if (stopped) break;

        const QUrl url(prefix + QStringLiteral("&page=%1&q=%2").arg(QString::number(i + 1), q));
        // Room for the cap at once: grown step by step, the buffer would take up to twice that
        // for a while. The memory is committed only as bytes arrive.
        got = QByteArray();
        got.reserve(qsizetype(max_reply) + 1);
        why_cut = cut::none;
        rep = mgr->get(QNetworkRequest(url));
        ++sent_n;
        rep->setReadBufferSize(read_chunk);
        connect(rep, &QNetworkReply::readyRead, this, &twit::read_some);
        connect(rep, &QNetworkReply::downloadProgress, this, &twit::progress);
        tm->start(idle_ms);
        lim->start(page_ms);

        // Wait without spinning: done(), timeout(), page_limit() and cancel() end the wait; menus,
        // repaints and timers stay live meanwhile.
        if (!fin) {
            QEventLoop l;
            loop = &l;
            l.exec();
            loop = nullptr;
        }
        lim->stop();
        tm->stop();
        if (rep) {
            // Only an application that quits ends the wait without an answer: no request of this
            // query may go on then.
            QNetworkReply* r = rep;
            rep = nullptr;
            r->disconnect(this);
            r->abort();
        }
        if (!fin || stopped) break;
        dlg.setValue(i + 1);
        QCoreApplication::processEvents();
    }
    prog = nullptr;
    db = nullptr;
}

void twit::cancel() {
    if (stopped) return;
    stopped = true;
    if (prog) prog->hide();
    if (rep && !fin) give_up(cut::cancel);
    if (loop) loop->quit();
}

void twit::finished(QNetworkReply* r) {
    // Only the current page's reply ends the wait; one given up on is aborted, and nothing else
    // may cut the page now in flight short.
    if (r != rep) {
        r->deleteLater();
        return;
    }
    done();
}

void twit::progress() {
    if (!rep || sender() != rep) return;
    tm->start(idle_ms);
}

void twit::read_some() {
    if (rep && sender() == rep) take();
}

// Moves what the current reply holds into got, one byte past the cap at most; a reply over the
// cap is cut there.
void twit::take() {
    if (!rep->isOpen()) return;
    got += rep->read(max_reply + 1 - got.size());
    if (got.size() > max_reply && !fin) give_up(cut::size);
}

void twit::timeout() {
    if (!fin && rep) give_up(cut::idle);
}

void twit::page_limit() {
    if (!fin && rep) give_up(cut::time);
}

// Ends the current page early, keeping what arrived; aborting frees the reply's connection at
// once, so later pages do not queue behind it.
void twit::give_up(cut why) {
    if (why != cut::size) take();
    if (fin) return;
    if (why != cut::size && rep->isFinished()) { // its finished signal is on its way: the page is whole
        done();
        return;
    }
    why_cut = why;
    rep->abort(); // finishes the reply, which ends the wait through done()
    if (!fin) done();
}

void twit::done() {
    QByteArray page;
    if (rep) {
        if (why_cut == cut::none) take();
        if (fin) return; // the reply was over the cap and has been handled
        page.swap(got);
        const int status = rep->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (why_cut == cut::size) {
            fail(tr("reply larger than %1 bytes").arg(QString::number(max_reply)));
            page.truncate(max_reply);
            complete_entries(page);
        } else if (why_cut == cut::idle) {
            fail(tr("no reply within %1 s").arg(QString::number(idle_ms / 1000.0)));
            complete_entries(page);
        } else if (why_cut == cut::time) {
            fail(tr("page not complete within %1 s").arg(QString::number(page_ms / 1000.0)));
            complete_entries(page);
        } else if (why_cut == cut::cancel) {
            complete_entries(page);
        } else if (status >= 400) {
            // An error page is no feed, whatever it holds.
            const QString reason = rep->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
            fail(tr("HTTP %1 %2").arg(QString::number(status), reason).trimmed());
            page.clear();
        } else if (rep->error() != QNetworkReply::NoError) {
            fail(rep->errorString());
            complete_entries(page);
        }
        rep->disconnect(this);
        rep->deleteLater();
        rep = nullptr;
    }
    parse_page(page, db);
    repaint_canvas();

    fin = 1;
    if (loop) loop->quit();
}

void twit::parse_page(const QByteArray& page, QList<tweet>* to) {
    static const QByteArrayView pub_open("<published>"), pub_close("</published>");
    static const QByteArrayView title_open("<title>"), title_close("</title>");
    static const QByteArrayView name_open("<name>"), name_close("</name>");
    // Nothing after a zero byte is read. The page stays in bytes, half the size of its text;
    // only the fields become text.
    const qsizetype z = page.indexOf('\0');
    const QByteArrayView s = QByteArrayView(page).first(z < 0 ? page.size() : z);

    qsizetype pos = 0;
    for (;;) {
        // Each field is searched after the opening tag of the one before it; a missing tag drops
        // nothing, so its field runs on from where the previous one started.
        qsizetype k = s.indexOf(pub_open, pos);
        if (k < 0) break;
        pos = k + pub_open.size();
        const QString pub_t = field(s, pos, pub_close);
        k = s.indexOf(title_open, pos);
        if (k >= 0) pos = k + title_open.size();
        const QString body = field(s, pos, title_close);
        k = s.indexOf(name_open, pos);
        if (k >= 0) pos = k + name_open.size();
        const QString author = field(s, pos, name_close);

        take_entry(body, author, pub_t, to);
    }
}

void twit::take_entry(const QString& body, const QString& author, const QString& pub_t, QList<tweet>* to) {
    strip_body(body, strip);
    const quint32 key = hash32(strip);
    const auto seen = msg.constFind(key);
    if (seen != msg.constEnd() && *seen == strip) return;
    msg.insert(key, strip);
    if (!to) return;

    entry.content(body);
    entry.name(author);
    entry.time(pub_t);
    if (entry.term_n() > 1) to->append(entry);
}

namespace {

// By the name's ending; otherwise JSON lines when the first character is a brace, else plain text.
feed::format file_format(const QString& path, const QByteArray& head) {
    const QString lower = path.toLower();
    if (lower.endsWith(QLatin1String(".csv"))) return feed::format::csv;
    if (lower.endsWith(QLatin1String(".txt"))) return feed::format::text;
    if (lower.endsWith(QLatin1String(".jsonl")) || lower.endsWith(QLatin1String(".json")))
        return feed::format::jsonl;
    const QByteArray start = head.startsWith("\xEF\xBB\xBF") ? head.mid(3) : head;
    return start.trimmed().startsWith('{') ? feed::format::jsonl : feed::format::text;
}

// What the file is read in: small enough that the window stays live between pieces.
constexpr qint64 file_piece = 256 << 10;

struct found {
    qint64 when; // milliseconds since the epoch; the lowest value for a message without a time
    qint64 seq;  // place in the file
    feed::message m;
};

// The order of a feed's answer: newest first, the earlier in the file first among equal times;
// messages without a time after all others, in the order of the file.
bool sooner(const found& a, const found& b) {
    return a.when != b.when ? a.when > b.when : a.seq < b.seq;
}

} // namespace

bool twit::open_file(const QString& path, const QString& q, QList<tweet>& tw_db,
                     const std::function<void()>& replace, QString& why) {
    msg.clear();
    sent_n = failed_n = skipped_n = 0;
    fail_why.clear();
    stopped = false;

    // A pipe or a device could block the program or never end.
    if (QFileInfo(path).exists() && !QFileInfo(path).isFile()) {
        why = tr("not a regular file");
        return false;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        why = f.errorString();
        return false;
    }
    const qint64 size = f.isSequential() ? 0 : f.size();
    QByteArray piece = f.read(file_piece);
    if (f.error() != QFileDevice::NoError) {
        why = f.errorString();
        return false;
    }
    const feed::format fmt = file_format(path, piece);
    feed::corpus_reader rd(fmt, feed::need::text);
    const QStringList kw = feed::keywords(q);
    const size_t cap = size_t(page_max) * page_size;

    const QString name = QFileInfo(path).fileName();
    QProgressDialog dlg;
    dlg.setAutoReset(false);
    dlg.setAutoClose(false);
    auto* label = new QLabel; // the file's name is shown as it is, never as markup
    label->setTextFormat(Qt::PlainText);
    dlg.setLabel(label);
    dlg.setLabelText(tr("Reading %1...").arg(name));
    watch(dlg, tr("Open \"%1\"").arg(name), size > 0 ? 1000 : 0);

    // The messages a feed would answer with so far; the heap's top is the one that goes last.
    std::vector<found> best;
    qint64 read_n = 0, records = 0;
    feed::message m;
    for (;;) {
        const bool last = piece.isEmpty();
        read_n += piece.size();
        rd.add(piece, last);
        piece = QByteArray();
        while (rd.next(m)) {
            found x{m.published.isValid() ? m.published.toMSecsSinceEpoch() : LLONG_MIN, records++, {}};
            // Too old to be kept: the keywords need not be looked for.
            if (best.size() == cap && !sooner(x, best.front())) continue;
            // The feed is asked for English messages only.
            if (!feed::matches(m, kw, QStringLiteral("en"))) continue;
            x.m = std::move(m);
            if (best.size() < cap) {
                best.push_back(std::move(x));
                std::push_heap(best.begin(), best.end(), sooner);
            } else {
                std::pop_heap(best.begin(), best.end(), sooner);
                best.back() = std::move(x);
                std::push_heap(best.begin(), best.end(), sooner);
            }
        }
        skipped_n += int(rd.errors().size());
        rd.errors().clear();
        if (!rd.fatal().isEmpty()) {
            why = rd.fatal();
            prog = nullptr;
            return false;
        }
        // Plain text has no times: the first messages found are the ones a feed would give.
        if (last || (fmt == feed::format::text && best.size() == cap)) break;
        if (size > 0) dlg.setValue(int(std::min<qint64>(999, read_n * 1000 / size)));
        QCoreApplication::processEvents();
        if (stopped) {
            prog = nullptr;
            return true;
        }
        piece = f.read(file_piece);
        if (f.error() != QFileDevice::NoError) {
            why = f.errorString();
            prog = nullptr;
            return false;
        }
    }
    f.close();
    if (records == 0) {
        why = tr("no line holds a message");
        prog = nullptr;
        return false;
    }
    std::sort_heap(best.begin(), best.end(), sooner);

    replace();
    db = &tw_db;
    dlg.setLabelText(tr("Placing %1 messages...").arg(QString::number(best.size())));
    dlg.setMaximum(int(best.size()));
    dlg.setValue(0);
    for (size_t i = 0; i < best.size() && !stopped; ++i) {
        // In the form a feed server gives them, so that a file and a feed of the same messages
        // give the same tweets.
        const feed::message& x = best[i].m;
        take_entry(feed::xml_text(x.text), feed::xml_text(x.author),
                   x.published.isValid() ? x.published.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"))
                                         : QString(),
                   db);
        if ((i + 1) % page_size == 0 || i + 1 == best.size()) {
            repaint_canvas();
            dlg.setValue(int(i + 1));
            QCoreApplication::processEvents();
        }
    }
    repaint_canvas();
    db = nullptr;
    prog = nullptr;
    return true;
}

QString twit::skipped_line(const QString& path) const {
    if (skipped_n == 0) return QString();
    const QString name = QFileInfo(path).fileName();
    return skipped_n == 1 ? tr("Skipped 1 unreadable line of %1").arg(name)
                          : tr("Skipped %1 unreadable lines of %2").arg(QString::number(skipped_n), name);
}

void twit::strip_body(const QString& tw_body, QString& tw_strip) {
    const QString& s = tw_body;
    const int n = s.size();
    int b = 0; // the cleaned text starts here; moving it copies nothing

    // Retweet prefixes: "RT @user: text" becomes "text".
    while (retweet_at(s, b)) {
        const int at = s.indexOf(QLatin1Char('@'), b);
        const int sp = find_space(s, at + 1, true);
        const int next = sp < 0 ? -1 : find_space(s, sp + 1, false);
        if (next < 0) {
            b = n;
            break;
        }
        b = next;
    }
    // Leading mentions.
    while (b < n && s[b] == QLatin1Char('@')) {
        const int sp = find_space(s, b + 1, true);
        const int next = sp < 0 ? -1 : find_space(s, sp + 1, false);
        if (next < 0) {
            b = n;
            break;
        }
        b = next;
    }

    // Web addresses: each match is removed together with the first white space after it (the rest
    // of the text when there is none), and the search starts again. A match lies inside one run of
    // non-space characters and starts at its first word boundary, so the part of the run before it
    // holds no word character. Joined to the next run by the removal, that part changes neither
    // where nor whether the next run matches, so every run can be decided once, on its own.
    tw_strip.clear();
    tw_strip.reserve(n - b);
    int i = b;
    while (i < n) {
        if (is_space(s[i])) {
            tw_strip.append(s[i]);
            ++i;
            continue;
        }
        int e = i;
        while (e < n && !is_space(s[e]))
            ++e;
        const QString run = s.mid(i, e - i);
        const int m = link_scan::strip_link_start(run, 0);
        if (m < 0) {
            tw_strip.append(run);
            i = e;
            continue;
        }
        tw_strip.append(QStringView(run).left(m));
        i = e + 1; // drops the white space after the address; at the end, the rest is gone anyway
    }
    // An address at the end leaves the blank before it behind; without it, a copy that only adds
    // an address at the end matches the message it copies.
    while (!tw_strip.isEmpty() && is_space(tw_strip.back()))
        tw_strip.chop(1);
}

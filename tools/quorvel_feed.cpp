// quorvel-feed: a small Atom search feed over HTTP for Quorvel, answering
// GET /search.atom?lang=en&rpp=100&result_type=recent&page=P&q=KEYWORDS from a corpus file.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "config.h"
#include "feed.h"

namespace {

const char* const demo_corpus = ":/quorvel-feed/demo_corpus.jsonl";

// Connections served at once: the rest wait in the listen queue, well below the usual limit of
// 1,024 open files.
constexpr int max_connections = 256;
// Responses queued for one connection before its further requests wait for the client to read.
constexpr qint64 max_queued = 1 << 20;

void err_line(const QString& s) {
    QTextStream(stderr) << "quorvel-feed: " << s << '\n';
}

// Keep-alive HTTP/1.1 over QTcpServer: every connection closes after `idle_ms` without traffic,
// holds at most one request head unread, and stops being read while its answers pile up.
class server : public QObject {
public:
    server(const feed::corpus& c, int idle_ms) : corpus(c), idle(idle_ms) {
        connect(&tcp, &QTcpServer::newConnection, this, &server::accept);
        // Out of descriptors or similar: try again later rather than at once.
        connect(&tcp, &QTcpServer::acceptError, this, [this] {
            tcp.pauseAccepting();
            QTimer::singleShot(1000, this, [this] {
                if (open < max_connections) tcp.resumeAccepting();
            });
        });
    }
    bool listen(const QHostAddress& a, quint16 port) { return tcp.listen(a, port); }
    quint16 port() const { return tcp.serverPort(); }

private:
    void accept() {
        while (open < max_connections && tcp.hasPendingConnections()) {
            QTcpSocket* s = tcp.nextPendingConnection();
            ++open;
            s->setReadBufferSize(feed::max_head + 1);
            auto* t = new QTimer(s);
            t->setSingleShot(true);
            connect(t, &QTimer::timeout, s, &QTcpSocket::abort);
            t->start(idle);
            connect(s, &QTcpSocket::readyRead, this, [this, s, t] {
                t->start(idle);
                answer(s);
            });
            connect(s, &QTcpSocket::bytesWritten, this, [this, s, t] {
                t->start(idle);
                answer(s);
            });
            connect(s, &QTcpSocket::disconnected, this, [this, s] {
                s->deleteLater();
                if (--open < max_connections) tcp.resumeAccepting();
            });
        }
        if (open >= max_connections) tcp.pauseAccepting();
    }

    void answer(QTcpSocket* s) {
        while (s->state() == QAbstractSocket::ConnectedState && s->bytesToWrite() < max_queued) {
            const QByteArray in = s->peek(feed::max_head + 1);
            if (in.isEmpty()) return;
            const feed::http_answer a = feed::serve(corpus, in);
            if (a.bytes.isEmpty()) return; // the head is not complete yet
            s->skip(a.used);
            s->write(a.bytes);
            if (a.close) {
                s->disconnectFromHost();
                return;
            }
        }
    }

    const feed::corpus& corpus;
    int idle;
    int open = 0;
    QTcpServer tcp;
};

// SIGINT and SIGTERM end the event loop, so the server exits with 0 like any finished run.
int sig_fd[2] = {-1, -1};

void on_signal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(sig_fd[1], &c, 1);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvel-feed"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));

    QCommandLineParser cl;
    cl.setApplicationDescription(QStringLiteral(
        "Serves an Atom search feed for Quorvel from a corpus of messages (JSONL or CSV with the "
        "fields text, author, name, published and an optional lang).\n"
        "Exit status: 0 when stopped (SIGINT, SIGTERM) or after --help and --version, 1 when the "
        "corpus holds no readable message, 2 on a usage or input/output error."));
    const QCommandLineOption help_opt = cl.addHelpOption();
    const QCommandLineOption version_opt = cl.addVersionOption();
    const QCommandLineOption port_opt(QStringLiteral("port"),
                                      QStringLiteral("TCP port; 0 picks a free one (default 8077)."),
                                      QStringLiteral("port"), QStringLiteral("8077"));
    const QCommandLineOption corpus_opt(QStringLiteral("corpus"),
                                        QStringLiteral("Corpus file (default: the bundled demo corpus)."),
                                        QStringLiteral("file"));
    const QCommandLineOption bind_opt(QStringLiteral("bind"),
                                      QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                      QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption idle_opt(QStringLiteral("idle-timeout"),
                                      QStringLiteral("Close a connection after this many seconds without "
                                                     "traffic (default 30)."),
                                      QStringLiteral("seconds"), QStringLiteral("30"));
    cl.addOptions({port_opt, corpus_opt, bind_opt, idle_opt});
    if (!cl.parse(app.arguments())) {
        err_line(QStringLiteral("%1 (see --help)").arg(cl.errorText()));
        return 2;
    }
    if (cl.isSet(help_opt)) cl.showHelp(0);
    if (cl.isSet(version_opt)) cl.showVersion();
    if (!cl.positionalArguments().isEmpty()) {
        err_line(QStringLiteral("unexpected argument %1 (see --help)").arg(cl.positionalArguments().first()));
        return 2;
    }

    bool ok = false;
    const uint port = cl.value(port_opt).toUInt(&ok);
    if (!ok || port > 65535) {
        err_line(QStringLiteral("--port needs a number from 0 to 65535, not %1").arg(cl.value(port_opt)));
        return 2;
    }
    const QHostAddress bind(cl.value(bind_opt));
    if (bind.isNull()) {
        err_line(QStringLiteral("--bind needs an IP address, not %1").arg(cl.value(bind_opt)));
        return 2;
    }
    const double idle_s = cl.value(idle_opt).toDouble(&ok);
    if (!ok || !(idle_s >= 0.01 && idle_s <= 86400)) {
        err_line(QStringLiteral("--idle-timeout needs seconds from 0.01 to 86400, not %1")
                     .arg(cl.value(idle_opt)));
        return 2;
    }

    const QString file = cl.isSet(corpus_opt) ? cl.value(corpus_opt) : QString::fromLatin1(demo_corpus);
    QList<feed::message> msgs;
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) {
            err_line(QStringLiteral("cannot read corpus %1: %2").arg(file, f.errorString()));
            return 2;
        }
        const QByteArray data = f.readAll();
        if (f.error() != QFileDevice::NoError) {
            err_line(QStringLiteral("cannot read corpus %1: %2").arg(file, f.errorString()));
            return 2;
        }
        QList<feed::line_error> errors;
        QString fatal;
        msgs = feed::parse_corpus(data, feed::guess_format(file, data), errors, fatal);
        if (!fatal.isEmpty()) {
            err_line(QStringLiteral("cannot read corpus %1: %2").arg(file, fatal));
            return 1;
        }
        for (const feed::line_error& e : errors)
            err_line(QStringLiteral("%1:%2: %3 (line skipped)").arg(file, QString::number(e.line), e.why));
    }
    if (msgs.isEmpty()) {
        err_line(QStringLiteral("%1 holds no readable message").arg(file));
        return 1;
    }
    const feed::corpus corpus(std::move(msgs));

    server srv(corpus, int(idle_s * 1000));
    if (!srv.listen(bind, quint16(port))) {
        err_line(QStringLiteral("cannot listen on %1 port %2").arg(bind.toString(), QString::number(port)));
        return 2;
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sig_fd) == 0) {
        auto* sn = new QSocketNotifier(sig_fd[0], QSocketNotifier::Read, &app);
        QObject::connect(sn, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
        std::signal(SIGINT, on_signal);
        std::signal(SIGTERM, on_signal);
    }

    const QString host = bind.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(bind.toString())
                             : bind.toString();
    QTextStream(stdout) << "quorvel-feed: " << corpus.size() << " messages at http://" << host << ':'
                        << srv.port() << "/search.atom?" << Qt::endl;
    return app.exec();
}

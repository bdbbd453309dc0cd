// quorvel-feed: a small Atom search feed over HTTP for Quorvel, answering
// GET /search.atom?lang=en&rpp=100&result_type=recent&page=P&q=KEYWORDS from a corpus file.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QTextStream>

#include <cstdio>

#include "feed.h"

namespace {

const char* const demo_corpus = ":/quorvel-feed/demo_corpus.jsonl";

void err_line(const QString& s) {
    QTextStream(stderr) << "quorvel-feed: " << s << '\n';
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvel-feed"));

    QCommandLineParser cl;
    cl.setApplicationDescription(QStringLiteral(
        "Serves an Atom search feed for Quorvel from a corpus of messages (JSONL or CSV with the "
        "fields text, author, name, published and an optional lang)."));
    cl.addHelpOption();
    const QCommandLineOption port_opt(QStringLiteral("port"), QStringLiteral("TCP port (0: any free port)."),
                                      QStringLiteral("port"), QStringLiteral("8077"));
    const QCommandLineOption corpus_opt(QStringLiteral("corpus"),
                                        QStringLiteral("Corpus file (default: the bundled demo corpus)."),
                                        QStringLiteral("file"));
    const QCommandLineOption bind_opt(QStringLiteral("bind"), QStringLiteral("Address to listen on."),
                                      QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    cl.addOptions({port_opt, corpus_opt, bind_opt});
    cl.process(app);
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

    const QString file = cl.isSet(corpus_opt) ? cl.value(corpus_opt) : QString::fromLatin1(demo_corpus);
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
    QList<feed::message> msgs = feed::parse_corpus(data, feed::guess_format(file, data), errors, fatal);
    if (!fatal.isEmpty()) {
        err_line(QStringLiteral("cannot read corpus %1: %2").arg(file, fatal));
        return 2;
    }
    for (const feed::line_error& e : errors)
        err_line(QStringLiteral("%1:%2: %3 (line skipped)").arg(file, QString::number(e.line), e.why));
    const feed::corpus corpus(std::move(msgs));
    if (corpus.size() == 0)
        err_line(QStringLiteral("%1 holds no readable messages; every search finds nothing").arg(file));

    QHttpServer server;
    server.route(QStringLiteral("/search.atom"), QHttpServerRequest::Method::Get,
                 [&corpus](const QHttpServerRequest& req) {
                     const feed::response r = feed::search_page(corpus, req.query(), req.url().toString());
                     return QHttpServerResponse(r.content_type, r.body,
                                                QHttpServerResponse::StatusCode(r.status));
                 });
    const quint16 bound = server.listen(bind, quint16(port));
    if (bound == 0) {
        err_line(QStringLiteral("cannot listen on %1 port %2").arg(bind.toString(), QString::number(port)));
        return 1;
    }
    const QString host = bind.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(bind.toString())
                             : bind.toString();
    QTextStream(stdout) << "quorvel-feed: " << corpus.size() << " messages at http://" << host << ':' << bound
                        << "/search.atom?" << Qt::endl;
    return app.exec();
}

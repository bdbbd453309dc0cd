#pragma once

// Shared fixtures of the QtTest suites.

#include <QApplication>
#include <QHostAddress>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrlQuery>

#include <algorithm>
#include <functional>

#include "globals.h"
#include "opengl.h"
#include "opengl_win.h"

#include <GL/gl.h>

namespace testutils {

// A shown main window registered as win_ptr(), its canvas w x h and painted once. Caller deletes.
inline opengl_win* make_window(int w = 700, int h = 450) {
    auto* mw = new opengl_win();
    mw->gl_ptr()->setFixedSize(w, h);
    win = mw;
    mw->show();
    if (QTest::qWaitForWindowExposed(mw))
        (void)QTest::qWaitFor([mw] { return mw->gl_ptr()->paint_count() > 0; }, 5000);
    return mw;
}

// The canvas's frame as the user sees it; y counts from the top edge.
inline QImage grab(opengl* gl) {
    gl->updateGL();
    return gl->grabFramebuffer();
}

// The canvas's frame buffer as it stands, without painting again; y counts from the top edge.
inline QImage frame(opengl* gl) {
    gl->makeCurrent();
    QImage img(gl->width(), gl->height(), QImage::Format_RGBA8888);
    glReadPixels(0, 0, gl->width(), gl->height(), GL_RGBA, GL_UNSIGNED_BYTE, img.bits());
    gl->doneCurrent();
    return img.mirrored().convertToFormat(QImage::Format_RGB32);
}

// The largest difference of one colour channel.
inline int distance(QRgb p, const QColor& c) {
    return std::max({qAbs(qRed(p) - c.red()), qAbs(qGreen(p) - c.green()), qAbs(qBlue(p) - c.blue())});
}

inline tweet placed(float v, float a, float sd, float fq) {
    tweet t;
    t.set_estimate(v, a, sd, fq);
    return t;
}

// Pointer position (y from the top) of tweet i's disc centre, offset by (dx, dy) pixels, dy up.
inline QPoint disc_at(const opengl& gl, int i, double dx = 0, double dy = 0) {
    float cx = 0, cy = 0, r = 0;
    if (!gl.disc_px(i, cx, cy, r)) return QPoint(-1000, -1000);
    return QPoint(qRound(cx + dx), qRound(gl.height() - (cy + dy)));
}

// An Atom page of the texts, each by "ab12 (A B)", escaped for XML.
inline QByteArray atom_page(const QStringList& texts) {
    QString s = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>test feed</title>\n");
    for (const QString& t : texts)
        s += QStringLiteral("<entry><published>2024-03-04T10:00:00Z</published><title>%1</title>"
                            "<author><name>ab12 (A B)</name></author></entry>\n")
                 .arg(t.toHtmlEscaped());
    return (s + QStringLiteral("</feed>\n")).toUtf8();
}

// A loopback HTTP server on a free port for the search client's tests: it records every request
// and a handler chooses the answer (a reply, a stall, a trickle, a dropped connection).
class loopback_server {
public:
    struct request {
        int page = 0;
        QString q;
        QTcpSocket* sock = nullptr;
    };

    // Answers each request; by default with pages[page] (an empty feed when absent).
    std::function<void(const request&)> handler;
    QHash<int, QByteArray> pages;
    QList<request> requests;

    loopback_server() {
        srv.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&srv, &QTcpServer::newConnection, &srv, [this] {
            while (QTcpSocket* s = srv.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { read(s); });
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }

    QString base() const {
        return QStringLiteral("http://127.0.0.1:%1/search.atom?").arg(QString::number(srv.serverPort()));
    }

    // A response head; without a length the body runs until the connection closes.
    static QByteArray head(int status, qint64 length, const char* reason = "OK") {
        QByteArray h = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\nConnection: close\r\n";
        if (length >= 0) h += "Content-Length: " + QByteArray::number(length) + "\r\n";
        return h + "\r\n";
    }
    static void reply(QTcpSocket* s, const QByteArray& body) {
        s->write(head(200, body.size()) + body);
        s->disconnectFromHost();
    }

private:
    void read(QTcpSocket* s) {
        if (!s->peek(1 << 16).contains("\r\n\r\n")) return; // the request head is not complete yet
        const QByteArray buf = s->readAll();
        const QByteArray target = buf.left(buf.indexOf("\r\n")).split(' ').value(1);
        const QUrlQuery query(QString::fromUtf8(target.mid(target.indexOf('?') + 1)));
        requests.append({query.queryItemValue(QStringLiteral("page")).toInt(),
                         query.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded), s});
        if (handler)
            handler(requests.last());
        else
            reply(s, pages.value(requests.last().page, atom_page({})));
    }

    QTcpServer srv;
};

} // namespace testutils

// QTEST_MAIN with the program's GL surface format set before the application object exists.
#define QUORVEL_TEST_MAIN(TestObject)                                                                        \
    int main(int argc, char* argv[]) {                                                                       \
        opengl::set_surface_format();                                                                        \
        QApplication app(argc, argv);                                                                        \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                             \
        TestObject tc;                                                                                       \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }

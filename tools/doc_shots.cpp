// Makes the pictures of the documentation page from the running program, and its worked example:
//
//   doc_shots figures OUTDIR SEARCH_BASE   screenshots of a query on the plane and on the
//                                          similarity map, a tooltip, two tweet dialogs and the
//                                          four disc encodings (run under Xvfb, with a feed
//                                          server answering at SEARCH_BASE)
//   doc_shots emblem OUT.png               the About picture
//   doc_shots worked WORD WORD             how a message of two dictionary words is drawn
//
// scripts/doc-figures.sh runs all three.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QInputDialog>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "anew.h"
#include "colour.h"
#include "globals.h"
#include "opengl.h"
#include "opengl_win.h"
#include "qt_msg_dlg.h"
#include "twit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

int fail(const char* what) {
    std::fprintf(stderr, "doc_shots: %s\n", what);
    return 1;
}

void settle(int ms = 300) {
    QTest::qWait(ms);
}

QImage screen_shot(const QRect& r) {
    return QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
}

bool save(const QImage& img, const QString& dir, const char* name) {
    const bool ok = img.convertToFormat(img.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32)
                        .save(QDir(dir).filePath(QString::fromLatin1(name)));
    if (!ok) std::fprintf(stderr, "doc_shots: cannot write %s\n", name);
    return ok;
}

QWidget* visible_tip() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && QByteArray(w->metaObject()->className()) == "QTipLabel") return w;
    return nullptr;
}

// Runs File > Query Keywords with the keywords typed into its dialog; returns when it is done.
void run_query(opengl_win& mw, const QString& keywords) {
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
            d->setTextValue(keywords);
            d->accept();
            answer.stop();
        }
    });
    answer.start(20);
    mw.findChild<QAction*>(QStringLiteral("query_act"))->trigger();
}

// A tweet whose disc no other disc touches, with the shortest tooltip among those that pass test.
int lone_tweet(opengl* gl, const std::function<bool(const tweet&, QPoint)>& test) {
    int best = -1;
    for (int i = 0; i < gl->tweets().size(); ++i) {
        float cx, cy, r;
        gl->disc_px(i, cx, cy, r);
        const QPoint p(qRound(cx), qRound(gl->height() - cy));
        gl->pick_tweet(p.x(), p.y());
        if (gl->picked() != QList<int>{i} || !test(gl->tweets()[i], p)) continue;
        if (best < 0 || gl->tweets()[i].content().size() < gl->tweets()[best].content().size()) best = i;
    }
    return best;
}

QPoint disc_centre(opengl* gl, int i) {
    float cx, cy, r;
    gl->disc_px(i, cx, cy, r);
    return QPoint(qRound(cx), qRound(gl->height() - cy));
}

// A Control-click on tweet i's disc; the dialog it opens is placed beside the disc, which shows
// highlighted, and both are shot with the canvas around them.
QImage dialog_shot(opengl* gl, int i, Qt::KeyboardModifiers mods, QSize size) {
    gl->cleanup();
    QTest::mouseClick(gl, Qt::LeftButton, mods, disc_centre(gl, i));
    settle();
    if (gl->dialogs().size() != 1) return QImage();
    qt_msg_dlg* dlg = gl->dialogs().at(0);
    const QPoint disc_at = gl->mapToGlobal(disc_centre(gl, i));
    const QSize room = size - dlg->frameGeometry().size();
    dlg->move(disc_at + QPoint(std::max(18, room.width() / 2), std::max(12, room.height() / 3)));
    dlg->activateWindow();
    settle(600);
    std::fprintf(stderr, "doc_shots: dialog %d x %d\n", dlg->frameGeometry().width(),
                 dlg->frameGeometry().height());
    const QImage img = screen_shot(QRect(disc_at - QPoint(18, 18), size));
    gl->cleanup();
    return img;
}

// Discs drawn by the canvas far apart on a large plane, each copied (the pixels within its
// outline) into a strip of the canvas's background colour, evenly spaced.
QImage disc_strip(opengl* gl, const QList<tweet>& discs, QSize size) {
    gl->tweets() = discs;
    gl->set_query_text(QString());
    gl->updateGL();
    QTemporaryDir tmp;
    const QString file = tmp.filePath(QStringLiteral("frame.tif"));
    if (!gl->capture_screen(file)) return QImage();
    const QImage frame(file);
    QImage strip(size, QImage::Format_RGB32);
    strip.fill(frame.pixel(1, 1));
    const double slot = double(size.width()) / discs.size();
    for (int i = 0; i < discs.size(); ++i) {
        float cx, cy, r;
        gl->disc_px(i, cx, cy, r);
        const QPointF c(cx, gl->height() - cy);
        const QPointF to(slot * (i + 0.5), size.height() / 2.0);
        const int reach = int(r) + 2;
        for (int dy = -reach; dy <= reach; ++dy)
            for (int dx = -reach; dx <= reach; ++dx) {
                if (dx * dx + dy * dy > reach * reach) continue;
                const QPoint s = (c + QPointF(dx, dy)).toPoint(), d = (to + QPointF(dx, dy)).toPoint();
                if (strip.rect().contains(d) && frame.rect().contains(s)) strip.setPixel(d, frame.pixel(s));
            }
    }
    return strip;
}

tweet disc(float v, float a, float sd, float fq) {
    tweet t;
    t.set_estimate(v, a, sd, fq);
    return t;
}

int figures(const QString& out, const QString& base) {
    twit::set_default_base(base);
    opengl_win mw;
    win = &mw;
    opengl* gl = mw.gl_ptr();
    mw.move(0, 0);
    gl->setFixedSize(640, 340);
    mw.show();
    if (!QTest::qWaitForWindowExposed(&mw)) return fail("the window was never shown");
    // The whole window is the picture: size the canvas so that the window comes out 700 x 413.
    for (int i = 0; i < 3 && mw.size() != QSize(700, 413); ++i) {
        settle();
        gl->setFixedSize(gl->size() + (QSize(700, 413) - mw.size()));
    }
    settle();
    if (mw.size() != QSize(700, 413)) return fail("cannot size the window to 700 x 413");

    run_query(mw, QStringLiteral("coffee"));
    if (gl->tweets().isEmpty()) return fail("the query found nothing: is the feed server running?");
    gl->updateGL();
    settle();
    if (!save(screen_shot(mw.frameGeometry()), out, "quorvel.png")) return 1;

    // The same tweets on the similarity map.
    QAction* map = mw.findChild<QAction*>(QStringLiteral("sim_map_act"));
    map->trigger();
    settle();
    const bool map_saved =
        gl->sim_map_shown() && save(screen_shot(mw.frameGeometry()), out, "similarity-map.png");
    map->trigger();
    settle();
    if (!map_saved) return fail("no similarity map");

    // A tooltip with the pointer resting on a lone disc in the left half of the canvas.
    const QSize tip_fig(264, 205);
    const int t = lone_tweet(gl, [&](const tweet&, QPoint p) {
        return p.x() > 40 && p.x() < gl->width() / 2 && p.y() > 40 && p.y() < gl->height() - 150;
    });
    if (t < 0) return fail("no lone disc for the tooltip");
    const QPoint at = disc_centre(gl, t);
    QHelpEvent help(QEvent::ToolTip, at, gl->mapToGlobal(at));
    QApplication::sendEvent(gl, &help);
    settle(800);
    QWidget* tip = visible_tip();
    if (!tip) return fail("no tooltip appeared");
    std::fprintf(stderr, "doc_shots: tooltip %d x %d\n", tip->width(), tip->height());
    const QPoint corner = gl->mapToGlobal(at) - QPoint(60, 50);
    if (!save(screen_shot(QRect(corner, tip_fig)), out, "tooltip.png")) return 1;
    tip->hide();
    settle();

    // A plain and a detailed dialog of a lone tweet, on a larger canvas so that the canvas
    // surrounds them.
    gl->setFixedSize(1000, 750);
    settle();
    gl->updateGL();
    const int d = lone_tweet(gl, [&](const tweet& tw, QPoint p) {
        return tw.content().size() < 60 && tw.fq() >= 5 && p.x() > 20 && p.x() < gl->width() - 480 &&
               p.y() > 20 && p.y() < gl->height() - 310;
    });
    if (d < 0) return fail("no lone disc for the dialogs");
    const QImage plain = dialog_shot(gl, d, Qt::ControlModifier, QSize(264, 205));
    const QImage detail = dialog_shot(gl, d, Qt::ControlModifier | Qt::ShiftModifier, QSize(468, 299));
    if (plain.isNull() || detail.isNull()) return fail("no tweet dialog opened");
    if (!save(plain, out, "dialog.png") || !save(detail, out, "info_dialog.png")) return 1;

    // The encodings. On a plane 1800 pixels square a unit is 200 pixels, so discs placed off the
    // axes and words have clear surroundings.
    mw.hide();
    opengl plane;
    plane.setFixedSize(1800, 1800);
    plane.show();
    if (!QTest::qWaitForWindowExposed(&plane)) return fail("the plane was never shown");
    settle();
    QList<tweet> colour, bright, size, clear;
    for (int i = 0; i < 8; ++i) {
        colour << disc(1.5f + float(i), 4.2f, 1.0f, 12.5f);
        bright << disc(6.5f, 1.5f + float(i), 1.0f, 12.5f);
        clear << disc(1.6f + 0.4f * float(i), 6.0f, 1.5f + 2.0f * float(i) / 7.0f, 12.5f);
    }
    for (int i = 0; i < 9; ++i)
        size << disc(5.6f + 0.37f * float(i), 6.0f, 1.0f, 2.0f * float(i + 1) + 0.5f);
    const struct {
        const char* name;
        const QList<tweet>& discs;
        QSize size;
    } strips[] = {{"circles-colour.png", colour, {345, 44}},
                  {"circles-brightness.png", bright, {344, 42}},
                  {"circles-size.png", size, {345, 42}},
                  {"circles-transparency.png", clear, {345, 41}}};
    for (const auto& s : strips) {
        const QImage img = disc_strip(&plane, s.discs, s.size);
        if (img.isNull() || !save(img, out, s.name)) return fail("cannot draw the encodings");
    }
    win = nullptr;
    return 0;
}

// An emotion plane in a speech bubble: the grey axes, and discs coloured by the canvas's own
// scale, of several sizes and opacities.
int emblem(const QString& file) {
    QImage img(192, 192, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    QPainterPath bubble;
    bubble.addEllipse(QPointF(100, 88), 84, 80);
    QPainterPath tail;
    tail.moveTo(40, 140);
    tail.lineTo(14, 184);
    tail.lineTo(78, 160);
    tail.closeSubpath();
    bubble = bubble.united(tail);
    p.setPen(QPen(QColor(44, 92, 150), 5));
    p.setBrush(QColor(189, 222, 255));
    p.drawPath(bubble);

    p.setClipPath(bubble);
    p.setPen(QPen(QColor(160, 160, 160), 2));
    p.drawLine(QPointF(100, 18), QPointF(100, 160));
    p.drawLine(QPointF(24, 88), QPointF(176, 88));
    for (int i = -3; i <= 3; ++i) {
        p.drawLine(QPointF(100 + 20 * i, 84), QPointF(100 + 20 * i, 92));
        p.drawLine(QPointF(96, 88 + 20 * i), QPointF(104, 88 + 20 * i));
    }

    struct spot {
        float v, a, r, alpha;
    };
    const spot spots[] = {{7.4f, 7.0f, 22, 1.0f},  {3.0f, 3.2f, 17, 0.9f}, {6.2f, 3.4f, 13, 0.55f},
                          {2.6f, 6.4f, 11, 0.75f}, {8.2f, 4.6f, 9, 0.8f},  {4.4f, 7.8f, 8, 0.45f}};
    for (const spot& s : spots) {
        float r, g, b;
        get_colour((s.a - 1) / 8 * 0.5f + 0.4f, s.v < 5 ? 0.75f : 0.55f, r, g, b);
        QColor c = QColor::fromRgbF(r, g, b);
        const QPointF at(100 + (s.v - 5) * 19, 88 - (s.a - 5) * 19);
        p.setPen(QPen(c, 2.5));
        c.setAlphaF(s.alpha);
        p.setBrush(c);
        p.drawEllipse(at, s.r, s.r);
    }
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32).save(file) ? 0 : fail("cannot write the emblem");
}

// The numbers behind one disc, from the lexicon and the program's own estimate.
int worked(const QString& w1, const QString& w2) {
    std::printf("word       valence (sd)   arousal (sd)   frequency\n");
    for (const QString& w : {w1, w2}) {
        float a, a_sd, d, d_sd, v, v_sd;
        int fq;
        if (!anew_word(w, a, a_sd, d, d_sd, v, v_sd, fq)) return fail("not a dictionary word");
        std::printf("%-10s %.2f (%.2f)    %.2f (%.2f)    %d\n", qPrintable(w), double(v), double(v_sd),
                    double(a), double(a_sd), fq);
    }
    tweet t;
    t.content(w1 + QLatin1Char(' ') + w2);
    const double fq = t.fq();
    const double s = t.overall_sdev();
    const double tr = std::clamp((s - 1.5) / 2, 0.0, 1.0);
    std::printf("message \"%s\": valence %.4f (sd %.4f), arousal %.4f (sd %.4f)\n", qPrintable(t.content()),
                double(t.m(VALENCE)), double(t.sd(VALENCE)), double(t.m(AROUSAL)), double(t.sd(AROUSAL)));
    std::printf("fq = 1 + ln(mean frequency) = %.4f; radius %d pixels at zoom 1, %d at zoom 2\n", fq,
                int(std::trunc(fq)), int(std::trunc(2 * fq)));
    std::printf("overall sd %.4f; transparency (sd - 1.5) / 2 = %.4f; fill opacity %.4f\n", s, tr, 1 - tr);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    opengl::set_surface_format();
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("figures") && argc == 4)
        return figures(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (mode == QLatin1String("emblem") && argc == 3) return emblem(QString::fromLocal8Bit(argv[2]));
    if (mode == QLatin1String("worked") && argc == 4)
        return worked(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    std::fprintf(stderr, "usage: doc_shots figures OUTDIR SEARCH_BASE | emblem OUT.png | worked WORD WORD\n");
    return 2;
}

#include "opengl.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QToolTip>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "main.h"
#include "opengl_win.h"

opengl::opengl(QWidget* parent) : QOpenGLWidget(parent), paint(true), zoom_f(1) {
    tr_pos[0] = tr_pos[1] = 0;
    trans[0] = trans[1] = 0;
    setMouseTracking(true);
    // Keep the last frame when a repaint is suppressed (painting off draws nothing at all).
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
}

opengl::~opengl() { cleanup(); }

QSize opengl::sizeHint() const { return QSize(700, 450); }

QSize opengl::minimumSizeHint() const { return QSize(700, 450); }

void opengl::initializeGL() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glShadeModel(GL_FLAT);
    glClearColor(0.74f, 0.87f, 1.0f, 1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void opengl::resizeGL(int w, int h) {
    frame_ready = false;
    const qreal dpr = devicePixelRatioF();
    glViewport(0, 0, int(w * dpr), int(h * dpr));
    set_projection();
}

void opengl::set_projection() {
    float w_rng, h_rng;
    get_screen_rng(w_rng, h_rng);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.5, 0.5 + w_rng, 0.5, 0.5 + h_rng);
    glMatrixMode(GL_MODELVIEW);
}

void opengl::paintGL() {
    if (frame_ready) {
        // updateGL() has just drawn this frame; the toolkit is only presenting it.
        frame_ready = false;
        return;
    }
    if (!paint) return;
    ++paint_n;

    const qreal dpr = devicePixelRatioF();
    glViewport(0, 0, int(width() * dpr), int(height() * dpr));
    set_projection();
    glClearColor(0.74f, 0.87f, 1.0f, 1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClear(GL_COLOR_BUFFER_BIT);
    glInitNames();

    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(trans[0], trans[1], 0);
    glPopMatrix();
    glFlush();
}

void opengl::updateGL() {
    // Render into the widget's frame buffer now, so that callers (the zoom handlers, the search
    // client, a capture) see the new frame at once; the composition that follows only presents it.
    if (!isVisible() || !context() || !context()->isValid()) {
        update();
        return;
    }
    makeCurrent();
    frame_ready = false;
    paintGL();
    doneCurrent();
    frame_ready = true;
    update();
}

void opengl::update_zoom(int z) {
    zoom_f = z;
    if (context()) {
        makeCurrent();
        set_projection();
        doneCurrent();
    }
}

void opengl::update_x_trans(float f) {
    tr_pos[0] = f;
    trans[0] = -9 * f;
}

void opengl::update_y_trans(float f) {
    tr_pos[1] = f;
    trans[1] = -9 * f;
}

void opengl::paint_flag(bool b) { paint = b; }

void opengl::get_screen_rng(float& w_rng, float& h_rng) const {
    w_rng = float(9.0 / zoom_f);
    h_rng = float(9.0 / zoom_f);
}

void opengl::WC_2_pix(float x, float y, int& px, int& py) const {
    const float sx = x + trans[0];
    const float sy = y + trans[1];
    px = int(width() * (double(sx) - 0.5) / 9.0) * zoom_f;
    py = int(height() * (double(sy) - 0.5) / 9.0) * zoom_f;
}

void opengl::pix_2_WC_w(int p, float& wc) const {
    const float f = float(p) / float(width());
    wc = float(double(f) * 9.0 / zoom_f);
}

void opengl::pix_2_WC_h(int p, float& wc) const {
    const float f = float(p) / float(height());
    wc = float(double(f) * 9.0 / zoom_f);
}

int opengl::radius_px(float fq) const {
    const float r = float(zoom_f) * fq;
    // Never convert a non-finite or huge value to int; keep every disc at least a pixel wide so
    // that each counted tweet stays visible and pickable.
    if (!(r >= 1.0f)) return 1;
    if (r > 100000.0f) return 100000;
    return int(r);
}

bool opengl::disc_px(int i, float& cx, float& cy, float& r) const {
    if (i < 0 || i >= tw_db.size()) return false;
    const tweet& t = tw_db[i];
    const double w = std::max(1, width());
    const double h = std::max(1, height());
    cx = float(w * zoom_f * (double(t.m(VALENCE) + trans[0]) - 0.5) / 9.0);
    cy = float(h * zoom_f * (double(t.m(AROUSAL) + trans[1]) - 0.5) / 9.0);
    r = float(radius_px(t.fq()) * std::max(w, h) / w);
    return true;
}

void opengl::add_dlg_ID(int ID) {
    if (!dlg_ID.contains(ID)) dlg_ID.append(ID);
}

void opengl::remove_dlg_ID(int ID) {
    dlg_ID.removeAll(ID);
}

namespace {

// Picking reproduces, in pixel space, what a re-run of the paint pass in GL selection mode
// reports for the 8 x 8 pixel region about the pointer, including the selection buffer's limit:
// 256 entries, a record with one name (a tweet's fill) taking 4 and a nameless one 3. Nameless
// records come from the axes before the first tweet and from each tweet's outline, which is
// drawn outside the name stack between two fills. Text goes through the painter, not GL
// selection, and makes no record.
constexpr int select_buf_n = 256;
constexpr int named_rec_n = 4;
constexpr int nameless_rec_n = 3;
constexpr double pick_half = 4.0;

struct pick_box {
    double x0, x1, y0, y1;

    // Does the segment from (x, ya) to (x, yb), ya <= yb, meet the box?
    bool meets_v(double x, double ya, double yb) const { return x >= x0 && x <= x1 && ya <= y1 && yb >= y0; }
    bool meets_h(double y, double xa, double xb) const { return y >= y0 && y <= y1 && xa <= x1 && xb >= x0; }
};

double sq(double v) {
    return v * v;
}

} // namespace

void opengl::pick_tweet(int x, int y) {
    pick_list.clear();
    if (!paint) return;

    const double w = std::max(1, width());
    const double h = std::max(1, height());
    const double px = x;
    const double py = h - y;
    const pick_box box{px - pick_half, px + pick_half, py - pick_half, py + pick_half};

    // The axes with their ticks (5 pixels either side for whole numbers, 2.5 between), mapped as
    // the paint pass maps them.
    const double sx = w * zoom_f / 9.0;
    const double sy = h * zoom_f / 9.0;
    auto X = [&](double wx) { return sx * (double(float(wx) + trans[0]) - 0.5); };
    auto Y = [&](double wy) { return sy * (double(float(wy) + trans[1]) - 0.5); };
    const double ax = X(5), ay = Y(5);
    bool axes = box.meets_h(ay, X(1), X(9)) || box.meets_v(ax, Y(1), Y(9));
    for (int i = 0; i <= 32 && !axes; ++i) {
        const double p = i / 4.0 + 1;
        const double t = i % 4 == 0 ? 5.0 : 2.5;
        axes = box.meets_v(X(p), ay - t, ay + t) || box.meets_h(Y(p), ax - t, ax + t);
    }
    int used = axes ? nameless_rec_n : 0;

    for (int i = 0; i < tw_db.size(); ++i) {
        float cx, cy, r;
        disc_px(i, cx, cy, r);
        // Nearest and farthest points of the box from the disc's centre.
        const double nx = std::max({box.x0 - cx, 0.0, cx - box.x1});
        const double ny = std::max({box.y0 - cy, 0.0, cy - box.y1});
        const double r2 = sq(r);
        if (sq(nx) + sq(ny) > r2) continue;
        pick_list.append(i);
        used += named_rec_n;
        const double fx = std::max(std::abs(cx - box.x0), std::abs(cx - box.x1));
        const double fy = std::max(std::abs(cy - box.y0), std::abs(cy - box.y1));
        if (sq(fx) + sq(fy) >= r2) used += nameless_rec_n; // the outline crosses the box
        if (used > select_buf_n) {
            // The selection buffer would overflow: such a pick yields no tweet.
            pick_list.clear();
            return;
        }
    }
}

QString opengl::pick_tip() const {
    QString tip;
    for (int i : pick_list) {
        if (i < 0 || i >= tw_db.size()) continue;
        const QString body = tw_db.at(i).formatted_content();
        // Runs of white space (line breaks too) become single spaces.
        QString one_line;
        one_line.reserve(body.size());
        bool in_space = false;
        for (const QChar c : body) {
            if (c.isSpace()) {
                if (!in_space) one_line += QLatin1Char(' ');
                in_space = true;
            } else {
                one_line += c;
                in_space = false;
            }
        }
        tip += QStringLiteral("<p>%1</p>").arg(one_line);
    }
    return tip;
}

bool opengl::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        const QHelpEvent* he = static_cast<QHelpEvent*>(e);
        pick_tweet(he->pos().x(), he->pos().y());
        if (pick_list.isEmpty()) {
            QToolTip::hideText();
            e->ignore();
        } else {
            QToolTip::showText(he->globalPos(), pick_tip());
        }
    }
    return QOpenGLWidget::event(e);
}

void opengl::mousePressEvent(QMouseEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers();
    if (!(e->buttons() & Qt::LeftButton) || !(mods & Qt::ControlModifier)) return;
    const QPoint p = e->position().toPoint();
    pick_tweet(p.x(), p.y());
    const bool detailed = mods & Qt::ShiftModifier;
    const QList<int> picked_now = pick_list;
    for (int i : picked_now)
        if (i >= 0 && i < tw_db.size()) dlg_db.add(tw_db.at(i), i, detailed);
}

void opengl::mouseReleaseEvent(QMouseEvent*) {}

void opengl::mouseMoveEvent(QMouseEvent*) {
    QToolTip::hideText();
}

void opengl::mouseDoubleClickEvent(QMouseEvent* e) {
    // Zoom and pan belong to the main window's slider and scroll bars.
    opengl_win* mw = win_ptr();
    if (!mw || mw->gl_ptr() != this) return;

    paint_flag(false);
    float rx, ry;
    get_screen_rng(rx, ry);
    // The viewport in widget pixels (the pointer's units), whatever the device pixel ratio.
    const double vw = std::max(1, width());
    const double vh = std::max(1, height());
    const QPoint p = e->position().toPoint();
    const double px = p.x();
    const double py = vh - p.y();
    const double wx = (0.5 - trans[0]) + (px / vw) * rx;
    const double wy = (0.5 - trans[1]) + (py / vh) * ry;

    mw->zoom_in();
    get_screen_rng(rx, ry);
    const float fx = float((wx - rx / 2.0 - 0.5) / 9.0);
    const float fy = float((wy - ry / 2.0 - 0.5) / 9.0);
    mw->set_sbar(fx, fy);

    paint_flag(true);
    updateGL();
}

void opengl::cleanup() {
    dlg_db.cleanup();
    // No dialog is left to be the active window, so no tweet stays highlighted.
    if (!dlg_ID.isEmpty()) {
        dlg_ID.clear();
        updateGL();
    }
}

void opengl::query() {}

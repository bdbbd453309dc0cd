#include "opengl.h"

#include <QInputDialog>
#include <QOpenGLContext>
#include <QPointer>

#include "opengl_win.h"
#include "twit.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

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

void opengl::cleanup() {}

void opengl::query() {
    // The Query action is off while a query runs; this also holds off a direct second call.
    if (querying) return;
    P.resize(0, 0);
    bool ok = false;
    const QString q = QInputDialog::getText(nullptr, tr("Query Twitter"),
                                            tr("Query keywords (use + to connect keywords):"),
                                            QLineEdit::Normal, QString(), &ok);
    if (ok) {
        q_str = q;
        cleanup();
        tw_db.clear();
        updateGL();

        QPointer<opengl_win> w = qobject_cast<opengl_win*>(window());
        if (w) {
            w->show_query_status(QString());
            w->set_query_enabled(false);
        }
        querying = true;
        QString failed;
        {
            twit tw;
            tw.get(q_str, 15, tw_db);
            failed = tw.failure_line();
        }
        querying = false;
        if (w) {
            w->set_query_enabled(true);
            w->show_query_status(failed);
        }
    }
    updateGL();
}

#include "opengl.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QInputDialog>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QPen>
#include <QPointer>
#include <QSurfaceFormat>
#include <QToolTip>
#include <QWheelEvent>

#include "colour.h"
#include "image.h"
#include "opengl_win.h"
#include "twit.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>
#include <utility>
#include <vector>

#include "main.h"

opengl::opengl(QWidget* parent) : QOpenGLWidget(parent), paint(true), zoom_f(1) {
    tr_pos[0] = tr_pos[1] = 0;
    trans[0] = trans[1] = 0;
    setMouseTracking(true);
    // Keep the last frame when a repaint is suppressed (painting off draws nothing at all).
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
}

void opengl::set_surface_format() {
    QSurfaceFormat fmt = QSurfaceFormat::defaultFormat();
    fmt.setRenderableType(QSurfaceFormat::OpenGL);
    fmt.setProfile(QSurfaceFormat::CompatibilityProfile);
    QSurfaceFormat::setDefaultFormat(fmt);
}

opengl::~opengl() {
    cleanup();
}

QSize opengl::sizeHint() const {
    return QSize(700, 450);
}

QSize opengl::minimumSizeHint() const {
    return QSize(700, 450);
}

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

    // Lines and discs are fixed-function GL inside native-painting sections, text is QPainter
    // between them; the sections run in layer order, so words and numbers lie over the axes,
    // tweets over both, and the caption over the tweets.
    QPainter p(this);
    text_q.clear();

    if (sim_on) {
        draw_sim_map(p);
        draw_caption(p);
        return;
    }

    world_section(p, true, [this] {
        draw_axes();
        draw_sentiment();
    });
    flush_text(p);
    world_section(p, false, [this] { draw_tweets(); });
    draw_caption(p);
}

// One native-painting section drawing in panned world coordinates; the frame's first section
// clears it and starts the name stack.
void opengl::world_section(QPainter& p, bool first, const std::function<void()>& draw) {
    p.beginNativePainting();
    set_pass_state();
    if (first) {
        glClear(GL_COLOR_BUFFER_BIT);
        glInitNames();
    }
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(trans[0], trans[1], 0);
    draw();
    glPopMatrix();
    glFlush();
    p.endNativePainting();
}

void opengl::draw_caption(QPainter& p) {
    if (!q_str.isEmpty()) {
        text_c = Qt::black;
        render_text(10, 20, QString("%1 (%2)").arg(q_str, QString::number(tw_db.size())));
        flush_text(p);
    }
}

// The map has no axes or words: only its discs, the group labels over them and the caption.
void opengl::draw_sim_map(QPainter& p) {
    world_section(p, true, [this] { draw_tweet_sim(); });
    draw_sim_labels(p);
}

void opengl::set_pass_state() {
    const qreal dpr = devicePixelRatioF();
    glViewport(0, 0, int(width() * dpr), int(height() * dpr));
    set_projection();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glShadeModel(GL_FLAT);
    glLineWidth(1.0f);
    glClearColor(0.74f, 0.87f, 1.0f, 1.0f);
    glEnable(GL_BLEND);
    // Colours blend source-alpha over; the frame's own alpha stays 1, so the frame composes
    // and reads back opaque whatever was blended into it.
    context()->functions()->glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE,
                                                GL_ONE_MINUS_SRC_ALPHA);
}

void opengl::render_text(int x, int y, const QString& s) {
    text_q.append({QPoint(x, y), s, text_c});
}

void opengl::flush_text(QPainter& p) {
    p.setFont(QFont());
    for (const text_item& t : std::as_const(text_q)) {
        p.setPen(t.c);
        p.drawText(t.at, t.s);
    }
    text_q.clear();
}

void opengl::draw_axes() {
    float tw = 0, th = 0;
    pix_2_WC_w(5, tw);
    pix_2_WC_h(5, th);

    glColor3f(0.7f, 0.7f, 0.7f);
    text_c = QColor::fromRgbF(0.7f, 0.7f, 0.7f);
    glBegin(GL_LINES);
    glVertex2f(1, 5);
    glVertex2f(9, 5);
    glVertex2f(5, 1);
    glVertex2f(5, 9);
    for (int i = 0; i <= 32; ++i) {
        const float p = float(i) / 4 + 1;
        const bool major = i % 4 == 0;
        const float h = major ? th : th / 2;
        const float w = major ? tw : tw / 2;
        glVertex2f(p, 5 - h);
        glVertex2f(p, 5 + h);
        glVertex2f(5 - w, p);
        glVertex2f(5 + w, p);
    }
    glEnd();

    const QFontMetrics fm{QFont()};
    const int a = fm.ascent() / 2;
    for (int i = 1; i <= 9; ++i) {
        if (i == 5) continue;
        const QString s = QString("%1").arg(i);
        const int w = fm.horizontalAdvance(s.at(0)) / 2;
        int px = 0, py = 0;
        WC_2_pix(float(i), 5, px, py);
        render_text(px - w, height() - py - 10, s);
        WC_2_pix(5, float(i), px, py);
        render_text(px + 10, height() - py + a, s);
    }
}

namespace {

struct circumplex_word {
    const char* word;
    float x, y;
};

// The affect circumplex, counter-clockwise from the pleasant end of the pleasure axis.
constexpr circumplex_word circumplex[] = {
    {"pleasant", 9.0f, 5.0f},  {"happy", 8.88f, 5.92f},     {"elated", 8.34f, 7.29f},
    {"excited", 7.29f, 8.34f}, {"alert", 5.92f, 8.88f},     {"active", 5.0f, 9.0f},
    {"tense", 4.08f, 8.88f},   {"nervous", 2.71f, 8.34f},   {"stressed", 1.66f, 7.29f},
    {"upset", 1.13f, 5.92f},   {"unpleasant", 1.0f, 5.0f},  {"sad", 1.13f, 4.08f},
    {"unhappy", 1.66f, 2.71f}, {"depressed", 2.71f, 1.66f}, {"bored", 4.08f, 1.13f},
    {"subdued", 5.0f, 1.0f},   {"calm", 5.92f, 1.13f},      {"relaxed", 7.29f, 1.66f},
    {"serene", 8.34f, 2.71f},  {"contented", 8.88f, 4.08f},
};
constexpr int subdued = 15;

} // namespace

void opengl::draw_sentiment() {
    circumplex_word words[std::size(circumplex)];
    std::copy(std::begin(circumplex), std::end(circumplex), words);
    glColor3f(0.7f, 0.7f, 0.7f);
    text_c = QColor::fromRgbF(0.7f, 0.7f, 0.7f);

    const QFontMetrics fm{QFont()};
    // Lowered, "subdued" clears the end of the arousal axis.
    float lh = 0;
    pix_2_WC_h(fm.ascent() + fm.descent(), lh);
    words[subdued].y -= 1.5f * lh;

    const int a = fm.ascent() / 2;
    for (const circumplex_word& cw : words) {
        const QString s = QString::fromLatin1(cw.word);
        const int w = fm.horizontalAdvance(s) / 2;
        int px = 0, py = 0;
        WC_2_pix(cw.x, cw.y, px, py);
        render_text(px - w, height() - py - a, s);
    }
}

namespace {

// How far a smoothed outline may reach past its circle, in pixels. Discs closer than this are
// treated as overlapping, which only ever keeps more of the drawing order than needed.
constexpr float outline_reach = 2.0f;
constexpr int grid_cell = 16; // pixels

} // namespace

void opengl::draw_tweets() {
    if (tw_db.isEmpty()) return;
    draw_discs(false);
}

bool opengl::disc_item(bool map, int k, int& n, float& x, float& y) const {
    if (map) return sim_row(k, n, x, y);
    if (k < 0 || k >= tw_db.size()) return false;
    n = k;
    x = tw_db.at(k).m(VALENCE);
    y = tw_db.at(k).m(AROUSAL);
    return true;
}

void opengl::draw_discs(bool map) {
    // The plane is stretched to the widget; this scale makes the discs round on screen.
    const int W = std::max(1, width());
    const int H = std::max(1, height());
    const float sx = W < H ? float(H) / float(W) : 1.0f;
    const float sy = W < H ? 1.0f : float(W) / float(H);
    const int slices = 5 * zoom_f + 10;
    const int n = map ? int(P.rows()) : int(tw_db.size());

    // The disc's corners as a GLU disc lays them out: clockwise from straight up, the last one
    // closing the circle.
    std::vector<float> sn(size_t(slices) + 1), cs(size_t(slices) + 1);
    for (int k = 0; k < slices; ++k) {
        const double a = 2.0 * M_PI * k / slices;
        sn[size_t(k)] = float(std::sin(a));
        cs[size_t(k)] = float(std::cos(a));
    }
    sn[size_t(slices)] = sn[0];
    cs[size_t(slices)] = cs[0];

    // A tweet's fill and outline must be drawn before those of any later tweet they touch, but
    // alternating polygons and smoothed lines for every tweet costs more than the discs
    // themselves. So each visible tweet gets a layer one above the highest layer of the
    // earlier discs it touches on screen, and the layers are drawn in turn, each as all its
    // fills and then all its outlines. Tweets of one layer never touch, so the frame is the
    // one that drawing every tweet in turn would give. Discs wholly off screen draw nothing.
    const int gw = (W + grid_cell - 1) / grid_cell;
    const int gh = (H + grid_cell - 1) / grid_cell;
    disc_cell_head.assign(size_t(gw) * size_t(gh), -1);
    disc_cell_entry.clear();
    disc_layer.assign(size_t(n), -1);
    std::vector<float> scr(size_t(n) * 3);
    int layers = 0;
    // Finding the layers walks the earlier discs of every grid cell a disc covers, which for
    // discs piled on one another costs as much as drawing them many times over. Past this many
    // steps the tweets are drawn one at a time in list order instead, each its own layer.
    const qint64 budget = 64 * qint64(n) + 4096;
    qint64 steps = 0;
    for (int i = 0; i < n && steps <= budget; ++i) {
        float cx = 0, cy = 0, r = 0;
        if (!(map ? sim_disc_px(i, cx, cy, r) : disc_px(i, cx, cy, r))) continue;
        const float reach = r + outline_reach;
        const float x0 = std::max(cx - reach, 0.0f), x1 = std::min(cx + reach, float(W - 1));
        const float y0 = std::max(cy - reach, 0.0f), y1 = std::min(cy + reach, float(H - 1));
        if (!(x0 <= x1 && y0 <= y1)) continue; // also for a non-finite position
        scr[size_t(i) * 3] = cx, scr[size_t(i) * 3 + 1] = cy, scr[size_t(i) * 3 + 2] = reach;

        const int c0 = int(x0) / grid_cell, c1 = int(x1) / grid_cell;
        const int r0 = int(y0) / grid_cell, r1 = int(y1) / grid_cell;
        int layer = 0;
        for (int row = r0; row <= r1; ++row)
            for (int col = c0; col <= c1; ++col)
                for (int e = disc_cell_head[size_t(row) * size_t(gw) + size_t(col)]; e >= 0;
                     e = disc_cell_entry[size_t(e)].second) {
                    ++steps;
                    const int j = disc_cell_entry[size_t(e)].first;
                    if (disc_layer[size_t(j)] < layer) continue;
                    const float dx = cx - scr[size_t(j) * 3], dy = cy - scr[size_t(j) * 3 + 1];
                    const float d = reach + scr[size_t(j) * 3 + 2];
                    if (dx * dx + dy * dy < d * d) layer = disc_layer[size_t(j)] + 1;
                }
        disc_layer[size_t(i)] = layer;
        layers = std::max(layers, layer + 1);
        for (int row = r0; row <= r1; ++row)
            for (int col = c0; col <= c1; ++col) {
                int& head = disc_cell_head[size_t(row) * size_t(gw) + size_t(col)];
                disc_cell_entry.emplace_back(i, head);
                head = int(disc_cell_entry.size()) - 1;
                ++steps;
            }
    }
    const bool one_at_a_time = steps > budget;
    if (one_at_a_time) {
        layers = 0;
        for (int i = 0; i < n; ++i) {
            float cx = 0, cy = 0, r = 0;
            const bool known = map ? sim_disc_px(i, cx, cy, r) : disc_px(i, cx, cy, r);
            const float reach = r + outline_reach;
            const bool shows = known && std::max(cx - reach, 0.0f) <= std::min(cx + reach, float(W - 1)) &&
                               std::max(cy - reach, 0.0f) <= std::min(cy + reach, float(H - 1));
            disc_layer[size_t(i)] = shows ? layers++ : -1;
        }
    }
    if (layers == 0) return;

    // Tweets by layer, in list order within a layer.
    std::vector<int> layer_start(size_t(layers) + 1, 0);
    for (int l : disc_layer)
        if (l >= 0) ++layer_start[size_t(l) + 1];
    for (int l = 0; l < layers; ++l)
        layer_start[size_t(l) + 1] += layer_start[size_t(l)];
    disc_order.assign(size_t(layer_start[size_t(layers)]), 0);
    {
        std::vector<int> fill_at(layer_start.begin(), layer_start.end() - 1);
        for (int i = 0; i < n; ++i)
            if (disc_layer[size_t(i)] >= 0) disc_order[size_t(fill_at[size_t(disc_layer[size_t(i)])]++)] = i;
    }

    // Vertices (x, y, red, green, blue, alpha) in world units, the pan coming from the
    // model-view, layer after layer so that each layer's draws read one stretch of the array:
    // for each tweet a fan for the fill, then a strip round its edge.
    const int fan_n = slices + 2, strip_n = slices + 1, per_disc = fan_n + strip_n;
    disc_vtx.clear();
    for (int k : disc_order) {
        int i = k;
        float x = 0, y = 0;
        disc_item(map, k, i, x, y);
        const tweet& t = tw_db[i];
        float r = 0;
        pix_2_WC_w(radius_px(t.fq()), r);
        const float rx = r * sx, ry = r * sy;

        // Spread 1.5 or less is opaque, 3.5 or more leaves only the outline.
        float tr = (t.overall_sdev() - 1.5f) / 2;
        if (!(tr > 0)) tr = 0;
        if (tr > 1) tr = 1;

        // The colour is the tweet's feeling, also on the map, where its place says nothing of it.
        float cr = 1, cg = 1, cb = 0;
        if (!dlg_ID.contains(i)) {
            const float lum = (t.m(AROUSAL) - 1) / 8 * 0.5f + 0.4f;
            get_colour(lum, t.m(VALENCE) < 5 ? 0.75f : 0.55f, cr, cg, cb);
        }

        auto put = [&](float vx, float vy, float alpha) {
            disc_vtx.insert(disc_vtx.end(), {vx, vy, cr, cg, cb, alpha});
        };
        put(x, y, 1 - tr);
        for (int k = slices; k >= 0; --k)
            put(x + rx * sn[size_t(k)], y + ry * cs[size_t(k)], 1 - tr);
        for (int k = 0; k <= slices; ++k)
            put(x + rx * sn[size_t(k)], y + ry * cs[size_t(k)], 1);
    }

    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_LINE_SMOOTH);
    if (one_at_a_time) {
        // Immediate mode: the GL gathers the discs' vertices into a few large draws, where a
        // draw call per fill and per outline would cost more than the discs themselves.
        const float* v = disc_vtx.data();
        for (size_t k = 0; k < disc_order.size(); ++k) {
            glBegin(GL_TRIANGLE_FAN);
            for (int e = 0; e < fan_n; ++e, v += 6) {
                glColor4fv(v + 2);
                glVertex2fv(v);
            }
            glEnd();
            glBegin(GL_LINE_STRIP);
            for (int e = 0; e < strip_n; ++e, v += 6) {
                glColor4fv(v + 2);
                glVertex2fv(v);
            }
            glEnd();
        }
        glDisable(GL_LINE_SMOOTH);
        return;
    }

    const auto multi_draw =
        reinterpret_cast<PFNGLMULTIDRAWARRAYSPROC>(context()->getProcAddress("glMultiDrawArrays"));
    std::vector<GLint> first;
    std::vector<GLsizei> count;
    auto draw = [&](GLenum mode, int from, int to, int offset, GLsizei n_vtx) {
        first.clear();
        for (int k = from; k < to; ++k)
            first.push_back(GLint(k * per_disc + offset));
        count.assign(first.size(), n_vtx);
        if (multi_draw) {
            multi_draw(mode, first.data(), count.data(), GLsizei(first.size()));
        } else {
            for (GLint f : first)
                glDrawArrays(mode, f, n_vtx);
        }
    };

    // QPainter may leave a buffer bound, which would turn the client pointers into offsets.
    context()->functions()->glBindBuffer(GL_ARRAY_BUFFER, 0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, 6 * sizeof(float), disc_vtx.data());
    glColorPointer(4, GL_FLOAT, 6 * sizeof(float), disc_vtx.data() + 2);
    for (int l = 0; l < layers; ++l) {
        draw(GL_TRIANGLE_FAN, layer_start[size_t(l)], layer_start[size_t(l) + 1], 0, fan_n);
        draw(GL_LINE_STRIP, layer_start[size_t(l)], layer_start[size_t(l) + 1], fan_n, strip_n);
    }
    glDisable(GL_LINE_SMOOTH);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

bool opengl::sim_row(int i, int& n, float& x, float& y) const {
    if (i < 0 || i >= P.rows() || P.cols() < 2 || i >= sim_n.size()) return false;
    n = sim_n.at(i);
    if (n < 0 || n >= tw_db.size()) return false;
    x = float(double(P(i, 0)) * 9.0 + 0.5);
    y = float(double(P(i, 1)) * 9.0 + 0.5);
    return std::isfinite(x) && std::isfinite(y);
}

bool opengl::sim_disc_px(int i, float& cx, float& cy, float& r) const {
    int n = 0;
    float x = 0, y = 0;
    if (!sim_row(i, n, x, y)) return false;
    const double w = std::max(1, width());
    const double h = std::max(1, height());
    cx = float(w * zoom_f * (double(x + trans[0]) - 0.5) / 9.0);
    cy = float(h * zoom_f * (double(y + trans[1]) - 0.5) / 9.0);
    r = float(radius_px(tw_db.at(n).fq()) * std::max(w, h) / w);
    return true;
}

void opengl::draw_tweet_sim() {
    if (tw_db.isEmpty() || P.rows() == 0) return;
    draw_discs(true);
}

void opengl::show_sim_map(bool on) {
    // FastMap's progress dialog lets events in while the map is laid out; the map and the query
    // wait for it.
    if (on == sim_on || map_busy) return;
    if (on) {
        if (!smap_ready || smap.size() != tw_db.size()) {
            map_busy = true;
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            smap.compute(tw_db);
            QGuiApplication::restoreOverrideCursor();
            map_busy = false;
            smap_ready = true;
        }
        P = smap.layout();
        sim_n.resize(P.rows());
        std::iota(sim_n.begin(), sim_n.end(), 0);
    }
    sim_on = on;
    updateGL();
    // Before anything was shown the status bar keeps its hint on how to begin.
    if (!running && !tw_db.isEmpty()) show_summary();
    emit sim_map_toggled(on);
}

void opengl::reset_sim_map() {
    smap.clear();
    smap_ready = false;
    P.resize(0, 0);
    sim_n.clear();
    if (sim_on) {
        sim_on = false;
        emit sim_map_toggled(false);
    }
}

QString opengl::sim_map_summary() const {
    return sim_on ? smap.summary() : QString();
}

namespace {

constexpr int label_pad = 5;    // pixels of box around the text
constexpr int label_swatch = 9; // the group's colour before its text
constexpr int label_gap = 3;    // between two labels, or a label and the edge

} // namespace

QPointF opengl::sim_point_px(float lx, float ly) const {
    const double x = double(width()) * zoom_f * (double(float(lx * 9.0 + 0.5) + trans[0]) - 0.5) / 9.0;
    const double y = double(height()) * zoom_f * (double(float(ly * 9.0 + 0.5) + trans[1]) - 0.5) / 9.0;
    return QPointF(x, height() - y);
}

QList<std::pair<int, QRect>> opengl::sim_labels() const {
    QList<std::pair<int, QRect>> out;
    if (!sim_on) return out;
    const QFontMetrics fm{QFont()};
    const int W = width(), H = height();
    QList<QRect> taken;
    if (!q_str.isEmpty()) {
        const QString cap = QString("%1 (%2)").arg(q_str, QString::number(tw_db.size()));
        taken.append(QRect(10, 20 - fm.ascent(), fm.horizontalAdvance(cap), fm.height()));
    }
    QList<int> order;
    for (int g = 0; g < smap.clusters().size(); ++g)
        order.append(g);
    if (smap.corner().members.size() >= 3) order.append(-1);

    // Labels cover discs; beyond about a fifth of the canvas they would hide the map. Zoomed
    // in, fewer groups are in view and more of them get a label.
    qint64 area = 0;
    const qint64 area_max = qint64(W) * H / 5;
    for (int g : std::as_const(order)) {
        const sim_cluster& c = g < 0 ? smap.corner() : smap.clusters().at(g);
        const QPointF at = sim_point_px(c.x, c.y);
        const double cx = at.x(), cy = at.y();
        if (!(cx >= 0 && cx <= W && cy >= 0 && cy <= H)) continue; // the group is out of view
        const int w = fm.horizontalAdvance(c.label()) + label_swatch + 3 * label_pad;
        const int h = fm.height() + label_pad;
        if (w + 2 * label_gap > W || area + qint64(w) * h > area_max) continue;
        const int x = std::clamp(int(cx) - w / 2, label_gap, W - label_gap - w);
        // Just above the group's discs, else just below, else over them, else further off.
        const int reach = int(double(c.spread) * H * zoom_f) + radius_px(4.0f) + label_gap;
        const int above = int(cy) - reach - h, below = int(cy) + reach;
        for (int top : {above, below, int(cy) - h / 2, above - h - label_gap, below + h + label_gap}) {
            const QRect box(x, top, w, h);
            if (box.top() < label_gap || box.bottom() > H - label_gap) continue;
            const QRect around = box.adjusted(-label_gap, -label_gap, label_gap, label_gap);
            if (std::any_of(taken.begin(), taken.end(), [&](const QRect& t) { return t.intersects(around); }))
                continue;
            taken.append(box);
            out.append({g, box});
            area += qint64(w) * h;
            break;
        }
    }
    return out;
}

void opengl::draw_sim_labels(QPainter& p) {
    const QList<std::pair<int, QRect>> labels = sim_labels();
    if (labels.isEmpty()) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(QFont());
    // A faint ring round each labelled group and a line to its label tell which discs it names.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(90, 90, 90, 150), 1.0));
    for (const auto& [g, box] : labels) {
        const sim_cluster& c = g < 0 ? smap.corner() : smap.clusters().at(g);
        const QPointF at = sim_point_px(c.x, c.y);
        const QSizeF reach(double(c.spread) * width() * zoom_f + radius_px(4.0f) + 2,
                           double(c.spread) * height() * zoom_f + radius_px(4.0f) + 2);
        p.drawEllipse(at, reach.width(), reach.height());
        // From the ring towards the label, to the label's nearest edge.
        const QPointF to(std::clamp(at.x(), double(box.left()), double(box.right())),
                         at.y() < box.top() ? box.top() : box.bottom() + 1.0);
        const QPointF d = to - at;
        const double len = std::hypot(d.x() / reach.width(), d.y() / reach.height());
        if (len > 1) p.drawLine(at + d / len, to);
    }
    for (const auto& [g, box] : labels) {
        const sim_cluster& c = g < 0 ? smap.corner() : smap.clusters().at(g);
        p.setPen(QColor(110, 110, 110));
        p.setBrush(QColor(255, 255, 255, 230));
        p.drawRoundedRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        // The swatch has the colour a tweet of the group's mean feeling would have.
        float r = 0, gr = 0, b = 0;
        get_colour((c.arousal - 1) / 8 * 0.5f + 0.4f, c.valence < 5 ? 0.75f : 0.55f, r, gr, b);
        p.setBrush(QColor::fromRgbF(r, gr, b));
        p.drawEllipse(QRectF(box.left() + label_pad, box.center().y() - label_swatch / 2.0 + 0.5,
                             label_swatch, label_swatch));
        p.setPen(Qt::black);
        p.drawText(box.adjusted(label_swatch + 2 * label_pad, 0, -label_pad, 0),
                   Qt::AlignVCenter | Qt::AlignLeft, c.label());
    }
    p.restore();
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

void opengl::paint_flag(bool b) {
    paint = b;
}

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
    // The map draws no axes.
    int used = axes && !sim_on ? nameless_rec_n : 0;

    // Adds tweet i when its disc meets the box; false once the selection buffer would overflow.
    auto hit = [&](int i, double cx, double cy, double r) {
        // Nearest and farthest points of the box from the disc's centre.
        const double nx = std::max({box.x0 - cx, 0.0, cx - box.x1});
        const double ny = std::max({box.y0 - cy, 0.0, cy - box.y1});
        const double r2 = sq(r);
        if (!(sq(nx) + sq(ny) <= r2)) return true; // also for a non-finite position
        pick_list.append(i);
        used += named_rec_n;
        const double fx = std::max(std::abs(cx - box.x0), std::abs(cx - box.x1));
        const double fy = std::max(std::abs(cy - box.y0), std::abs(cy - box.y1));
        if (sq(fx) + sq(fy) >= r2) used += nameless_rec_n; // the outline crosses the box
        return used <= select_buf_n;
    };
    bool fits = true;
    float cx, cy, r;
    if (sim_on) {
        for (int row = 0; row < P.rows() && fits; ++row)
            if (sim_disc_px(row, cx, cy, r)) fits = hit(sim_n.at(row), cx, cy, r);
    } else {
        for (int i = 0; i < tw_db.size() && fits; ++i)
            if (disc_px(i, cx, cy, r)) fits = hit(i, cx, cy, r);
    }
    // The selection buffer would overflow: such a pick yields no tweet.
    if (!fits) pick_list.clear();
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
    if (e->type() == QEvent::ToolTip && dragging) {
        QToolTip::hideText();
        e->ignore();
        return true;
    }
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
    if (e->button() == Qt::LeftButton && !(mods & Qt::ControlModifier)) {
        // the start of a drag that pans; a plain click does nothing more
        dragging = true;
        drag_at = e->position();
        return;
    }
    if (!(e->buttons() & Qt::LeftButton) || !(mods & Qt::ControlModifier)) return;
    const QPoint p = e->position().toPoint();
    pick_tweet(p.x(), p.y());
    const bool detailed = mods & Qt::ShiftModifier;
    const QList<int> picked_now = pick_list;
    for (int i : picked_now)
        if (i >= 0 && i < tw_db.size()) dlg_db.add(tw_db.at(i), i, detailed);
}

void opengl::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !dragging) return;
    dragging = false;
    unsetCursor();
}

void opengl::mouseMoveEvent(QMouseEvent* e) {
    QToolTip::hideText();
    if (!dragging || !(e->buttons() & Qt::LeftButton)) return;
    // The plane follows the pointer: the view moves the other way, through the scroll bars.
    opengl_win* mw = win_ptr();
    const QPoint d = (e->position() - drag_at).toPoint();
    if (!mw || mw->gl_ptr() != this || d.isNull()) return;
    drag_at += QPointF(d);
    setCursor(Qt::ClosedHandCursor);
    paint_flag(false);
    mw->pan_by(-d.x(), -d.y());
    paint_flag(true);
    updateGL();
}

void opengl::mouseDoubleClickEvent(QMouseEvent* e) {
    zoom_about(e->position(), true, true);
}

void opengl::wheelEvent(QWheelEvent* e) {
    // One level a notch (15 degrees); finer wheels and touch pads add up to it.
    wheel_turn += e->angleDelta().y();
    for (; wheel_turn >= 120; wheel_turn -= 120)
        zoom_about(e->position(), true, false);
    for (; wheel_turn <= -120; wheel_turn += 120)
        zoom_about(e->position(), false, false);
    e->accept();
}

void opengl::zoom_about(QPointF p, bool in, bool centre) {
    // Zoom and pan belong to the main window's slider and scroll bars.
    opengl_win* mw = win_ptr();
    if (!mw || mw->gl_ptr() != this) return;

    paint_flag(false);
    float rx, ry;
    get_screen_rng(rx, ry);
    // The viewport in widget pixels (the pointer's units), whatever the device pixel ratio.
    const double vw = std::max(1, width());
    const double vh = std::max(1, height());
    const QPoint q = p.toPoint();
    const double px = q.x();
    const double py = vh - q.y();
    const double wx = (0.5 - trans[0]) + (px / vw) * rx;
    const double wy = (0.5 - trans[1]) + (py / vh) * ry;

    const int before = zoom_f;
    in ? mw->zoom_in() : mw->zoom_out();
    // At the end of the range the wheel leaves the view alone; a double-click still centres it.
    if (centre || zoom_f != before) {
        get_screen_rng(rx, ry);
        const double ax = centre ? 0.5 : px / vw;
        const double ay = centre ? 0.5 : py / vh;
        const float fx = float((wx - ax * rx - 0.5) / 9.0);
        const float fy = float((wy - ay * ry - 0.5) / 9.0);
        mw->set_sbar(fx, fy);
    }

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

void opengl::stop_query() {
    if (running) running->cancel();
}

QString opengl::ask_keywords(bool& ok) {
    return QInputDialog::getText(nullptr, tr("Query Twitter"),
                                 tr("Query keywords (use + to connect keywords):"), QLineEdit::Normal,
                                 QString(), &ok);
}

void opengl::show_result(const QString& status) {
    if (opengl_win* w = qobject_cast<opengl_win*>(window())) {
        w->show_status(status);
        show_summary();
    }
}

void opengl::show_summary() {
    opengl_win* w = qobject_cast<opengl_win*>(window());
    if (!w) return;
    const QString map = sim_map_summary();
    const QString all = tweet_summary(tw_db);
    w->show_summary(map.isEmpty() ? all : QStringLiteral("%1 · %2").arg(all, map));
}

void opengl::query() {
    // The Query action is off while a query runs; this also holds off a direct second call.
    if (running || map_busy) return;
    P.resize(0, 0);
    bool ok = false;
    const QString q = ask_keywords(ok);
    // A cancelled query keeps the tweets, and so the map that shows them.
    if (!ok && sim_on) P = smap.layout();
    if (ok) {
        q_str = q;
        reset_sim_map();
        cleanup();
        tw_db.clear();
        updateGL();

        QPointer<opengl_win> w = qobject_cast<opengl_win*>(window());
        if (w) {
            w->show_query_status(QString());
            w->show_summary(QString());
            w->set_query_enabled(false);
        }
        QString failed;
        {
            twit tw;
            running = &tw;
            tw.get(q_str, 15, tw_db);
            running = nullptr;
            failed = tw.failure_line();
        }
        if (w) w->set_query_enabled(true);
        show_result(failed);
    }
    updateGL();
}

void opengl::open_file(const QString& path) {
    if (running || map_busy) return;
    bool ok = false;
    const QString q = ask_keywords(ok);
    if (ok) load_file(path, q);
}

void opengl::load_file(const QString& path, const QString& q) {
    if (running || map_busy) return;
    const QString name = QFileInfo(path).fileName();
    const QString caption = q.trimmed().isEmpty() ? name : QStringLiteral("%1: %2").arg(name, q);
    QPointer<opengl_win> w = qobject_cast<opengl_win*>(window());
    if (w) w->set_query_enabled(false);
    bool ok = false, replaced = false;
    QString why, skipped;
    {
        twit tw;
        running = &tw;
        // Only a file read whole replaces the tweets shown, as an accepted query does.
        ok = tw.open_file(
            path, q, tw_db,
            [&] {
                replaced = true;
                reset_sim_map();
                q_str = caption;
                cleanup();
                tw_db.clear();
                if (w) {
                    w->show_status(QString());
                    w->show_summary(QString());
                }
                updateGL();
            },
            why);
        running = nullptr;
        skipped = tw.skipped_line(path);
    }
    if (w) w->set_query_enabled(true);
    if (!ok) {
        if (w) w->show_status(tr("Could not read %1: %2").arg(QDir::toNativeSeparators(path), why));
    } else if (replaced) {
        show_result(skipped);
    }
    updateGL();
}

bool opengl::capture_screen(const QString& file, QString* why) {
    image img;
    bool ok = false;
    if (context() && context()->isValid()) {
        // makeCurrent() binds the widget's framebuffer object, which holds the frame on screen.
        makeCurrent();
        const QSize px = size() * devicePixelRatioF();
        ok = img.capture(0, 0, px.width(), px.height());
        doneCurrent();
    }
    if (ok) ok = file.contains(QLatin1String("jpg")) ? img.write(file, 3) : img.write_tiff(file, 3);
    if (!ok && why) *why = img.error().isEmpty() ? tr("the canvas has not been drawn yet") : img.error();
    return ok;
}

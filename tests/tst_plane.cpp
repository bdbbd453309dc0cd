#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QSlider>

#include "colour.h"
#include "testutils.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

using testutils::distance;
using testutils::placed;

const QColor sky(189, 222, 255);

// The colour a tweet's fill should leave over the sky: its scale colour at alpha 1 - t.
QColor fill_over_sky(float v, float a, float sd) {
    float r = 0, g = 0, b = 0;
    get_colour((a - 1) / 8 * 0.5f + 0.4f, v < 5 ? 0.75f : 0.55f, r, g, b);
    const float al = 1 - std::clamp((sd - 1.5f) / 2, 0.0f, 1.0f);
    return QColor::fromRgbF(r * al + sky.redF() * (1 - al), g * al + sky.greenF() * (1 - al),
                            b * al + sky.blueF() * (1 - al));
}

// Pixels in the rectangle that differ by more than tol from a colour, by default the sky (so
// counting text, lines and discs).
int marked(const QImage& img, const QRect& box, int tol = 40, const QColor& from = sky) {
    int n = 0;
    const QRect r = box.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += distance(img.pixel(x, y), from) > tol;
    return n;
}

// The widget's frame buffer as it stands, without painting again.
QImage read_frame(opengl* gl) {
    return testutils::frame(gl);
}

// The affect circumplex: word, pleasure, arousal.
const std::tuple<const char*, float, float> circumplex[] = {
    {"pleasant", 9.0f, 5.0f},  {"happy", 8.88f, 5.92f},     {"elated", 8.34f, 7.29f},
    {"excited", 7.29f, 8.34f}, {"alert", 5.92f, 8.88f},     {"active", 5.0f, 9.0f},
    {"tense", 4.08f, 8.88f},   {"nervous", 2.71f, 8.34f},   {"stressed", 1.66f, 7.29f},
    {"upset", 1.13f, 5.92f},   {"unpleasant", 1.0f, 5.0f},  {"sad", 1.13f, 4.08f},
    {"unhappy", 1.66f, 2.71f}, {"depressed", 2.71f, 1.66f}, {"bored", 4.08f, 1.13f},
    {"subdued", 5.0f, 1.0f},   {"calm", 5.92f, 1.13f},      {"relaxed", 7.29f, 1.66f},
    {"serene", 8.34f, 2.71f},  {"contented", 8.88f, 4.08f}};

// The plane as the drawing rules describe it, drawn in the plainest way over the canvas's own
// frame buffer: axes and ticks as GL lines, numbers and words with QPainter, then each tweet in
// turn as a GLU disc and its outline, then the caption.
QImage reference(opengl* gl) {
    const int W = gl->width(), H = gl->height(), z = gl->zoom();
    const float tx = gl->translation(0), ty = gl->translation(1);
    // p pixels in world units, across (W) or up (H)
    auto wc = [z](int p, int extent) { return float(double(float(p) / float(extent)) * 9.0 / z); };
    gl->makeCurrent();
    QOpenGLFunctions* f = gl->context()->functions();
    f->glBindBuffer(GL_ARRAY_BUFFER, 0);
    f->glUseProgram(0);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glLineWidth(1);
    glViewport(0, 0, W, H);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.5, 0.5 + 9.0 / z, 0.5, 0.5 + 9.0 / z);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(tx, ty, 0);
    glClearColor(0.74f, 0.87f, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    f->glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    // Ticks reach 5 pixels either side of the axis at whole numbers, 2.5 between them.
    const float th = wc(5, H), tw = wc(5, W);
    glColor3f(0.7f, 0.7f, 0.7f);
    glBegin(GL_LINES);
    for (const float* v :
         {(const float[]){1, 5}, (const float[]){9, 5}, (const float[]){5, 1}, (const float[]){5, 9}})
        glVertex2fv(v);
    for (int i = 0; i <= 32; ++i) {
        const float p = 1 + i / 4.0f, h = i % 4 ? th / 2 : th, w = i % 4 ? tw / 2 : tw;
        glVertex2f(p, 5 - h), glVertex2f(p, 5 + h), glVertex2f(5 - w, p), glVertex2f(5 + w, p);
    }
    glEnd();
    glFinish();
    QImage img = testutils::frame(gl);

    // Numbers over and beside the axes but for 5; words half an ascent above their places,
    // "subdued" lowered by one and a half lines.
    const QFontMetrics fm{QFont()};
    auto at = [&](float x, float y) {
        return QPoint(int(W * (double(x + tx) - 0.5) / 9) * z, H - int(H * (double(y + ty) - 0.5) / 9) * z);
    };
    QPainter p(&img);
    p.setPen(QColor::fromRgbF(0.7f, 0.7f, 0.7f));
    for (int i = 1; i <= 9; ++i) {
        if (i == 5) continue;
        const QString s = QString::number(i);
        p.drawText(at(i, 5) - QPoint(fm.horizontalAdvance(s) / 2, 10), s);
        p.drawText(at(5, i) + QPoint(10, fm.ascent() / 2), s);
    }
    for (auto [word, x, y] : circumplex) {
        if (QByteArray(word) == "subdued") y -= 1.5f * wc(fm.ascent() + fm.descent(), H);
        p.drawText(at(x, y) - QPoint(fm.horizontalAdvance(word) / 2, fm.ascent() / 2), word);
    }
    p.end();
    gl->makeCurrent();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRasterPos2f(-1, -1);
    glDisable(GL_BLEND);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    const QImage up = img.mirrored().convertToFormat(QImage::Format_RGBA8888);
    glDrawPixels(W, H, GL_RGBA, GL_UNSIGNED_BYTE, up.constBits());
    glEnable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(tx, ty, 0);

    // Each tweet in turn, fill then opaque outline: radius trunc(zoom x fq) pixels but at least
    // one, scaled by max(W, H) / W so that it is round on screen; yellow while its dialog is active.
    GLUquadric* q = gluNewQuadric();
    const float sx = W < H ? float(H) / W : 1.0f, sy = W < H ? 1.0f : float(W) / H;
    for (int i = 0; i < gl->tweets().size(); ++i) {
        const tweet& t = gl->tweets()[i];
        const float px = float(z) * t.fq(), r = wc(!(px >= 1) ? 1 : int(std::min(px, 1e5f)), W);
        float c[3] = {1, 1, 0};
        if (!gl->highlighted().contains(i))
            get_colour((t.m(AROUSAL) - 1) / 8 * 0.5f + 0.4f, t.m(VALENCE) < 5 ? 0.75f : 0.55f, c[0], c[1],
                       c[2]);
        glPushMatrix();
        glTranslatef(t.m(VALENCE), t.m(AROUSAL), 0);
        glScalef(sx, sy, 1);
        glColor4f(c[0], c[1], c[2], 1 - std::clamp((t.overall_sdev() - 1.5f) / 2, 0.0f, 1.0f));
        gluQuadricDrawStyle(q, GLU_FILL);
        gluDisk(q, 0, r, 5 * z + 10, 1);
        glEnable(GL_LINE_SMOOTH);
        glColor4f(c[0], c[1], c[2], 1);
        gluQuadricDrawStyle(q, GLU_SILHOUETTE);
        gluDisk(q, r, r, 5 * z + 10, 1);
        glDisable(GL_LINE_SMOOTH);
        glPopMatrix();
    }
    gluDeleteQuadric(q);
    glFinish();
    gl->doneCurrent();
    img = testutils::frame(gl);
    if (!gl->query_text().isEmpty()) {
        QPainter p(&img);
        p.drawText(QPoint(10, 20),
                   QStringLiteral("%1 (%2)").arg(gl->query_text(), QString::number(gl->tweets().size())));
    }
    return img;
}

// n tweets about (5 + spread / 2, 5 + spread / 5), from a fixed seed.
QList<tweet> crowd(int n, float spread) {
    std::mt19937 rng(5);
    std::normal_distribution<float> v(5 + 0.5f * spread, 0.9f * spread), a(5 + 0.2f * spread, 0.7f * spread),
        sd(2.3f, 0.9f), fq(4.5f, 1.5f);
    QList<tweet> c;
    for (int i = 0; i < n; ++i)
        c << placed(std::clamp(v(rng), 1.0f, 9.0f), std::clamp(a(rng), 1.0f, 9.0f), sd(rng), fq(rng));
    return c;
}

} // namespace

Q_DECLARE_METATYPE(QList<tweet>)

// The paint pass: axes, circumplex words, tweet discs and caption, read back from the canvas.
class tst_plane : public QObject {
    Q_OBJECT

    opengl_win* mw = nullptr;
    opengl* gl = nullptr;

private slots:
    void init() {
        mw = testutils::make_window(700, 450);
        gl = mw->gl_ptr();
    }
    void cleanup() {
        delete mw;
        win = nullptr;
    }

    // Whole frames against the plainest drawing of the same scene: axes, ticks of 10 and 5 pixels,
    // numbers but for 5, words, discs by colour, translucency, size and order (over the words, a
    // yellow one, an invisible one, a pile drawn one at a time), the caption over them.
    void frameAsDrawn_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QList<tweet>>("tweets");
        QTest::addColumn<QList<int>>("yellow"); // tweets whose dialog is active
        QTest::addColumn<QString>("query");
        const QSize wide(700, 450);
        const QList<tweet> few{placed(5, 5, 1.5f, 9),
                               placed(4.99f, 6, 1.5f, 9),
                               placed(3, 7, 2.5f, 9),
                               placed(3, 3, 4.0f, 8.5f),
                               placed(6.2f, 6.2f, 1.5f, 3),
                               placed(6.1f, 6.05f, 1.5f, 20),
                               placed(6.7f, 3.3f, 1.5f, -std::numeric_limits<float>::infinity()),
                               placed(9, 5.3f, 1.5f, 45),
                               placed(1, 9, 1.5f, 80)};
        QTest::addRow("nothing found") << wide << 1 << QList<tweet>() << QList<int>() << "coffee";
        QTest::addRow("tweets, caption") << wide << 1 << few << QList<int>{4} << "caf\u00e9+rain";
        QTest::addRow("zoom 4") << wide << 4 << few << QList<int>{5} << "";
        QTest::addRow("tall canvas, zoom 2") << QSize(450, 700) << 2 << few << QList<int>() << "x";
        // overlapping only in the top grid row of the lower disc (yellow), and only in the last grid
        // column of the left one
        QTest::addRow("cell edges") << wide << 1
                                    << QList<tweet>{placed(3, 1.75f, 1.5f, 12), placed(3, 1.3f, 1.5f, 12),
                                                    placed(4.9229f, 7, 1.5f, 12),
                                                    placed(5.2121f, 7, 1.5f, 12)}
                                    << QList<int>{1} << "";
        QTest::addRow("crowd") << wide << 3 << crowd(400, 1) << QList<int>() << "";
        QTest::addRow("pile") << wide << 10 << crowd(1500, 0.01f) << QList<int>() << "";
    }
    void frameAsDrawn() {
        QFETCH(QSize, size);
        QFETCH(int, zoom);
        QFETCH(QList<tweet>, tweets);
        QFETCH(QList<int>, yellow);
        QFETCH(QString, query);
        gl->setFixedSize(size);
        QTRY_COMPARE(gl->size(), size);
        mw->zoom_slider()->setValue(zoom);
        mw->set_sbar((1 - 1.0f / zoom) / 2, (1 - 1.0f / zoom) / 2); // centred on (5, 5)
        gl->tweets() = tweets;
        gl->dlg_ID = yellow;
        gl->set_query_text(query);
        const QImage now = testutils::grab(gl).convertToFormat(QImage::Format_RGB32);
        // the same frame when the toolkit repaints (its first repaint may only present the last)
        const int before = gl->paint_count();
        QTRY_VERIFY((gl->update(), gl->paint_count() > before));
        const QImage repainted = testutils::frame(gl), want = reference(gl);
        for (const QImage& got : {now, repainted}) {
            int off = 0;
            for (int y = 0; y < got.height(); ++y)
                for (int x = 0; x < got.width(); ++x)
                    off += distance(got.pixel(x, y), QColor::fromRgb(want.pixel(x, y))) > 24;
            QVERIFY2(off <= 2, qPrintable(QString::number(off)));
        }
    }

    // The similarity view alone: layout (0.5, 0.5) at the plane's centre, (0, 1) at its top-left
    // corner, coloured by the tweet's own feeling (pleasure 8, arousal 2) wherever it lies,
    // translucent by spread, yellow for the active dialog; a row without a valid tweet, or no
    // rows at all, draw nothing.
    void similarityView_data() {
        QTest::addColumn<QPointF>("row");
        QTest::addColumn<int>("tweet"); // its sim_n entry; -1: no layout rows
        QTest::addColumn<float>("sd");
        QTest::addColumn<QColor>("want"); // under the disc's centre
        QTest::addRow("centre") << QPointF(0.5, 0.5) << 0 << 1.5f << fill_over_sky(8, 2, 1.5f);
        QTest::addRow("corner") << QPointF(0, 1) << 0 << 1.5f << fill_over_sky(8, 2, 1.5f);
        QTest::addRow("translucent") << QPointF(0.25, 0.25) << 0 << 2.5f << fill_over_sky(8, 2, 2.5f);
        QTest::addRow("active dialog") << QPointF(0.5, 0.5) << 1 << 1.5f << QColor(Qt::yellow);
        QTest::addRow("no such tweet") << QPointF(0.5, 0.5) << 2 << 1.5f << QColor();
        QTest::addRow("no rows") << QPointF(0.5, 0.5) << -1 << 1.5f << QColor();
    }
    void similarityView() {
        QFETCH(QPointF, row);
        QFETCH(int, tweet);
        QFETCH(float, sd);
        QFETCH(QColor, want);
        gl->tweets() << placed(8, 2, sd, 9.0f) << placed(8, 2, sd, 9.0f);
        gl->dlg_ID = {1};
        gl->P.resize(tweet < 0 ? 0 : 1, 2);
        if (tweet >= 0) gl->P << float(row.x()), float(row.y());
        gl->sim_n = {tweet};
        gl->makeCurrent();
        gl->set_pass_state();
        glClear(GL_COLOR_BUFFER_BIT);
        glTranslatef(gl->translation(0), gl->translation(1), 0);
        gl->draw_tweet_sim();
        gl->doneCurrent();
        const QImage img = read_frame(gl);
        float cx = 0, cy = 0, r = 0;
        QCOMPARE(gl->sim_disc_px(0, cx, cy, r), want.isValid());
        if (!want.isValid()) {
            QCOMPARE(marked(img, img.rect()), 0);
            return;
        }
        const QPoint at(std::min(int(700 * row.x()), 699), std::min(int(450 * (1 - row.y())), 449));
        QVERIFY2(distance(img.pixel(at), want) <= 2, qPrintable(QString::number(img.pixel(at), 16)));
        // The disc the canvas reports for the row is the one drawn: 9 pixels about that centre.
        QVERIFY(std::hypot(at.x() - cx, 450 - at.y() - cy) < 1.5f && r == 9);
        QCOMPARE(marked(img, QRect(int(cx + r + 3), int(450 - cy), 20, 1)), 0);
    }
};

QUORVEL_TEST_MAIN(tst_plane)
#include "tst_plane.moc"

#include <QOpenGLContext>
#include <QOpenGLFunctions>
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

// Image position (y from the top) of the pixel under a tweet's disc centre.
QPoint centre_of(opengl* gl, int i) {
    float cx = 0, cy = 0, r = 0;
    gl->disc_px(i, cx, cy, r);
    return QPoint(int(std::floor(cx)), gl->height() - 1 - int(std::floor(cy)));
}

// Pixels in the rectangle that differ clearly from the sky (text, lines, discs).
int marked(const QImage& img, const QRect& box, int tol = 40) {
    int n = 0;
    const QRect r = box.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += distance(img.pixel(x, y), sky) > tol;
    return n;
}

// The widget's frame buffer as it stands, without painting again.
QImage read_frame(opengl* gl) {
    gl->makeCurrent();
    QImage img(gl->width(), gl->height(), QImage::Format_RGBA8888);
    glReadPixels(0, 0, gl->width(), gl->height(), GL_RGBA, GL_UNSIGNED_BYTE, img.bits());
    gl->doneCurrent();
    return img.mirrored();
}

// The tweets drawn one at a time, fill then outline, with GLU discs over the frame the canvas
// has just drawn: the plain reading of the drawing rules, against which the batched drawing
// is checked.
QImage reference_frame(opengl* gl) {
    gl->makeCurrent();
    QOpenGLFunctions* f = gl->context()->functions();
    const int W = gl->width(), H = gl->height();
    const int z = gl->zoom();
    const qreal dpr = gl->devicePixelRatioF();
    glViewport(0, 0, int(W * dpr), int(H * dpr));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.5, 0.5 + 9.0 / z, 0.5, 0.5 + 9.0 / z);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(gl->translation(0), gl->translation(1), 0);
    f->glBindBuffer(GL_ARRAY_BUFFER, 0);
    f->glUseProgram(0);
    glEnable(GL_BLEND);
    f->glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glShadeModel(GL_FLAT);
    glEnable(GL_LINE_SMOOTH);
    GLUquadric* q = gluNewQuadric();
    const float sx = W < H ? float(H) / W : 1.0f, sy = W < H ? 1.0f : float(W) / H;
    for (const tweet& t : std::as_const(gl->tweets())) {
        float r = 0;
        gl->pix_2_WC_w(gl->radius_px(t.fq()), r);
        const QColor c = fill_over_sky(t.m(VALENCE), t.m(AROUSAL), 1.0f);
        const float al = 1 - std::clamp((t.overall_sdev() - 1.5f) / 2, 0.0f, 1.0f);
        glPushMatrix();
        glTranslatef(t.m(VALENCE), t.m(AROUSAL), 0);
        glScalef(sx, sy, 1);
        glColor4f(c.redF(), c.greenF(), c.blueF(), al);
        gluQuadricDrawStyle(q, GLU_FILL);
        gluDisk(q, 0, r, 5 * z + 10, 1);
        glColor4f(c.redF(), c.greenF(), c.blueF(), 1);
        gluQuadricDrawStyle(q, GLU_SILHOUETTE);
        gluDisk(q, r, r, 5 * z + 10, 1);
        glPopMatrix();
    }
    gluDeleteQuadric(q);
    glDisable(GL_LINE_SMOOTH);
    glFinish();
    gl->doneCurrent();
    return read_frame(gl);
}

} // namespace

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

    // The pleasure axis runs from pixel 39 to 661, 225 pixels above the bottom; the arousal
    // axis down the middle; both 0.7 grey.
    void axesAtZoomOne() {
        const QImage img = testutils::grab(gl);
        const QColor grey(179, 179, 179);
        auto on_row = [&](int x) {
            return std::min(distance(img.pixel(x, 224), grey), distance(img.pixel(x, 225), grey)) <= 2;
        };
        for (int x : {45, 120, 250, 420, 600, 655})
            QVERIFY2(on_row(x), qPrintable(QString::number(x)));
        for (int x : {5, 30, 670, 695})
            QVERIFY2(!on_row(x) && distance(img.pixel(x, 225), sky) <= 2, qPrintable(QString::number(x)));
        auto on_column = [&](int y) {
            return std::min(distance(img.pixel(349, y), grey), distance(img.pixel(350, y), grey)) <= 2;
        };
        for (int y : {40, 150, 300, 410})
            QVERIFY2(on_column(y), qPrintable(QString::number(y)));
        QCOMPARE(distance(img.pixel(350, 10), sky), 0);
        for (QPoint p : {QPoint(3, 3), QPoint(690, 440), QPoint(120, 400)})
            QVERIFY2(distance(img.pixel(p), sky) <= 2, qPrintable(QString::number(img.pixel(p), 16)));
    }

    // Major ticks reach 5 pixels either side of the axis and minor ones 2.5, whatever the zoom.
    void tickLengthsKeepTheirPixelSize_data() {
        QTest::addColumn<int>("zoom");
        QTest::addRow("zoom 1") << 1;
        QTest::addRow("zoom 4") << 4;
    }
    void tickLengthsKeepTheirPixelSize() {
        QFETCH(int, zoom);
        mw->zoom_slider()->setValue(zoom);
        mw->set_sbar((1 - 1.0f / zoom) / 2, (1 - 1.0f / zoom) / 2); // centred on (5, 5)
        const QImage img = testutils::grab(gl);
        // Continuous positions: WC_2_pix rounds to multiples of the zoom level.
        auto to_px = [&](float p, int extent, int axis) {
            return double(extent) * zoom * (p + gl->translation(axis) - 0.5) / 9;
        };
        const int major = int(to_px(6.0f, 700, 0)), minor = int(to_px(5.25f, 700, 0));
        const double axis_y = to_px(5.0f, 450, 1);
        auto tick_at = [&](int x, double dy) {
            const QRect box(x - 1, int(std::floor(450 - axis_y - dy)), 3, 1);
            return marked(img, box, 20) > 0;
        };
        for (int side : {1, -1}) {
            QVERIFY(tick_at(major, 4 * side));
            QVERIFY(!tick_at(major, 7 * side));
            QVERIFY(tick_at(minor, 1.5 * side));
            QVERIFY(!tick_at(minor, 4 * side));
        }
    }

    // Numbers 1 to 9 but 5 label both axes: over the pleasure axis, right of the arousal axis.
    void axisNumbers_data() {
        QTest::addColumn<int>("i");
        for (int i = 1; i <= 9; ++i)
            QTest::addRow("%d", i) << i;
    }
    void axisNumbers() {
        QFETCH(int, i);
        const QImage img = testutils::grab(gl);
        const QFontMetrics fm{QFont()};
        int px = 0, py = 0;
        gl->WC_2_pix(float(i), 5, px, py);
        const QRect over_axis(px - 4, 450 - py - 10 - fm.ascent() + 2, 8, fm.ascent() - 2);
        gl->WC_2_pix(5, float(i), px, py);
        const QRect beside_axis(px + 10, 450 - py + fm.ascent() / 2 - fm.ascent() + 2, 8, fm.ascent() - 2);
        if (i == 5) {
            // Where a 5 would be, left and right of the arousal axis, above its first tick.
            const QRect left(over_axis.left(), over_axis.top(), 3, 225 - 12 - 2 - over_axis.top());
            QCOMPARE(marked(img, left) + marked(img, left.translated(5, 0)), 0);
            QCOMPARE(marked(img, beside_axis.adjusted(0, 0, 0, -6)) +
                         marked(img, beside_axis.adjusted(0, 5, 0, 0)),
                     0);
        } else {
            QVERIFY(marked(img, over_axis) > 3);
            QVERIFY(marked(img, beside_axis) > 3);
        }
    }

    // "subdued" is lowered by one and a half line heights below its table position, clear of
    // the end of the arousal axis.
    void subduedIsLowered() {
        const QImage img = testutils::grab(gl);
        const QFontMetrics fm{QFont()};
        const int w = fm.horizontalAdvance(QStringLiteral("subdued"));
        float lh = 0;
        gl->pix_2_WC_h(fm.ascent() + fm.descent(), lh);
        int px = 0, py = 0;
        gl->WC_2_pix(5, 1.0f - 1.5f * lh, px, py);
        const int base = 450 - py - fm.ascent() / 2;
        // Left half of the word, away from the axis column.
        const QRect lowered(px - w / 2, base - fm.ascent() + 2, w / 2 - 4, fm.ascent() - 2);
        QVERIFY(marked(img, lowered) > 5);
        gl->WC_2_pix(5, 1.0f, px, py);
        const QRect table_place(px - w / 2, 450 - py - fm.ascent() / 2 - fm.ascent() + 2, w / 2 - 4,
                                fm.ascent() - 2);
        QCOMPARE(marked(img, table_place.intersected(QRect(0, 0, 700, lowered.top()))), 0);
    }

    // Tweets lie over the words and numbers.
    void tweetsCoverWords() {
        const QFontMetrics fm{QFont()};
        int px = 0, py = 0;
        gl->WC_2_pix(9.0f, 5.0f, px, py); // "pleasant", over the number 9
        const int w = fm.horizontalAdvance(QStringLiteral("pleasant"));
        const QRect word(px - w / 2, 450 - py - fm.ascent() / 2 - fm.ascent(), w, fm.ascent());
        QVERIFY(marked(testutils::grab(gl), word) > 10);
        float lift = 0;
        gl->pix_2_WC_h(fm.ascent(), lift);
        gl->tweets().append(placed(9.0f, 5.0f + lift, 1.5f, 45.0f));
        const QImage img = testutils::grab(gl);
        const QColor fill = fill_over_sky(9.0f, 5.0f + lift, 1.5f);
        int showing = 0;
        for (int y = word.top(); y <= word.bottom(); ++y)
            for (int x = word.left(); x <= word.right(); ++x)
                if (distance(img.pixel(x, y), fill) > 2) ++showing;
        QCOMPARE(showing, 0);
    }

    // Fill colour and translucency: blue below pleasure 5, green from 5, brighter with arousal,
    // alpha falling from 1 at spread 1.5 to 0 at 3.5.
    void discFill_data() {
        QTest::addColumn<float>("v");
        QTest::addColumn<float>("a");
        QTest::addColumn<float>("sd");
        QTest::addRow("plane centre, opaque") << 5.0f << 5.0f << 1.5f;
        QTest::addRow("lightest green") << 8.0f << 9.0f << 0.2f;
        QTest::addRow("just below neutral is blue") << 4.99f << 6.0f << 1.5f;
        QTest::addRow("half transparent") << 3.0f << 7.0f << 2.5f;
        QTest::addRow("no spread is opaque") << 6.5f << 6.5f << std::numeric_limits<float>::quiet_NaN();
    }
    void discFill() {
        QFETCH(float, v);
        QFETCH(float, a);
        QFETCH(float, sd);
        gl->tweets().append(placed(v, a, sd, 9.0f));
        const QRgb p = testutils::grab(gl).pixel(centre_of(gl, 0));
        const QColor want = fill_over_sky(v, a, std::isnan(sd) ? 0.0f : sd);
        QVERIFY2(distance(p, want) <= 2, qPrintable(QString::number(p, 16)));
    }

    // The outline is opaque whatever the fill: a fully transparent disc still shows its circle.
    void transparentDiscKeepsOutline() {
        gl->tweets().append(placed(3.0f, 7.0f, 4.0f, 8.5f)); // radius 8 pixels
        const QImage img = testutils::grab(gl);
        const QPoint c = centre_of(gl, 0);
        QCOMPARE(distance(img.pixel(c), sky), 0);
        for (QPoint dir : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
            int ink = 0;
            for (int d = 1; d <= 5; ++d)
                ink = std::max(ink, distance(img.pixel(c + dir * d), sky));
            QCOMPARE(ink, 0);
            for (int d = 6; d <= 10; ++d)
                ink = std::max(ink, distance(img.pixel(c + dir * d), sky));
            QVERIFY2(ink >= 50, qPrintable(QString::number(ink)));
        }
    }

    // The tweet whose dialog is active is yellow, only that one. Tweets are drawn in turn, fill
    // then outline: a later disc hides all of an earlier one lying under it, outline included.
    void highlightAndOrder_data() {
        QTest::addColumn<int>("yellow");
        QTest::addRow("earlier highlighted") << 0;
        QTest::addRow("later highlighted") << 1;
    }
    void highlightAndOrder() {
        QFETCH(int, yellow);
        gl->tweets() << placed(6.2f, 6.2f, 1.5f, 3) << placed(6.1f, 6.05f, 1.5f, 20) << placed(7, 3, 1.5f, 6);
        gl->dlg_ID.append(yellow);
        const QImage img = testutils::grab(gl);
        const QColor top = yellow == 1 ? QColor(255, 255, 0) : fill_over_sky(6.1f, 6.05f, 1.5f);
        const QPoint c = centre_of(gl, 0);
        int off = 0;
        for (int y = -5; y <= 5; ++y)
            for (int x = -5; x <= 5; ++x)
                off += distance(img.pixel(c + QPoint(x, y)), top) > 2;
        QCOMPARE(off, 0);
        QVERIFY(distance(img.pixel(centre_of(gl, 2)), fill_over_sky(7, 3, 1.5f)) <= 2);
    }

    // Every kept tweet stays visible, however small or unknown its frequency measure.
    void smallDiscsStayVisible_data() {
        QTest::addColumn<float>("fq");
        QTest::addRow("minus infinity") << -std::numeric_limits<float>::infinity();
        QTest::addRow("nan") << std::numeric_limits<float>::quiet_NaN();
        QTest::addRow("below one pixel") << 0.3f;
        QTest::addRow("negative") << -4.0f;
    }
    void smallDiscsStayVisible() {
        QFETCH(float, fq);
        gl->tweets().append(placed(6.7f, 3.3f, 1.5f, fq));
        const QPoint c = centre_of(gl, 0);
        QVERIFY(marked(testutils::grab(gl), QRect(c - QPoint(1, 1), QSize(3, 3)), 60) > 0);
    }

    // Discs are round on screen whatever the canvas's shape: radius trunc(zoom x fq) pixels,
    // scaled by max(W, H) / W.
    void discsAreRound_data() {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<float>("radius");
        QTest::addRow("wide, zoom 1") << 700 << 450 << 1 << 3.0f;
        QTest::addRow("tall, zoom 2") << 450 << 700 << 2 << 7.0f * 700 / 450;
        QTest::addRow("square, zoom 4") << 600 << 600 << 4 << 14.0f;
    }
    void discsAreRound() {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(int, zoom);
        QFETCH(float, radius);
        gl->setFixedSize(w, h);
        QTRY_COMPARE(gl->size(), QSize(w, h));
        mw->zoom_slider()->setValue(zoom);
        mw->set_sbar(0, 0);
        gl->tweets().append(placed(1.6f, 1.6f, 1.5f, 3.7f));
        const QImage img = testutils::grab(gl);
        const QPoint c = centre_of(gl, 0);
        const QColor fill = fill_over_sky(1.6f, 1.6f, 1.5f);
        auto reach = [&](QPoint dir) {
            int d = 0;
            while (d < 60 && distance(img.pixel(c + dir * (d + 1)), fill) <= 8)
                ++d;
            return d;
        };
        const int across = reach(QPoint(1, 0)) + reach(QPoint(-1, 0)) + 1;
        const int down = reach(QPoint(0, 1)) + reach(QPoint(0, -1)) + 1;
        QVERIFY2(std::abs(across - 2 * radius) <= 2.5f, qPrintable(QString::number(across)));
        QVERIFY2(std::abs(down - 2 * radius) <= 2.5f, qPrintable(QString::number(down)));
    }

    // The caption "query (count)" shows only with a query text, in black over the tweets.
    void caption_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("tweets");
        QTest::addColumn<bool>("shown");
        QTest::addRow("no query yet") << QString() << 0 << false;
        QTest::addRow("query found nothing") << "coffee" << 0 << true;
        QTest::addRow("query under a disc") << "coffee" << 1 << true;
    }
    void caption() {
        QFETCH(QString, query);
        QFETCH(int, tweets);
        QFETCH(bool, shown);
        gl->set_query_text(query);
        if (tweets) gl->tweets().append(placed(1.0f, 9.0f, 1.5f, 80.0f)); // over the top-left corner
        const QImage img = testutils::grab(gl);
        const QFontMetrics fm{QFont()};
        const QRect box(10, 20 - fm.ascent(), fm.horizontalAdvance(QStringLiteral("coffee (0)")),
                        fm.ascent());
        int black = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                if (qGray(img.pixel(x, y)) < 60) ++black;
        QCOMPARE(black > 10, shown);
        if (!shown) QCOMPARE(marked(img, box), 0);
    }

    // A crowd of overlapping discs comes out as drawing each tweet in turn, fill then outline,
    // would leave it, at zoom 1 and zoomed in.
    void crowdMatchesTweetByTweetDrawing_data() {
        QTest::addColumn<int>("zoom");
        QTest::addRow("zoom 1") << 1;
        QTest::addRow("zoom 3") << 3;
    }
    void crowdMatchesTweetByTweetDrawing() {
        QFETCH(int, zoom);
        mw->zoom_slider()->setValue(zoom);
        const float f = (1 - 1.0f / zoom) / 2;
        mw->set_sbar(f, f);
        std::mt19937 rng(5);
        std::normal_distribution<float> v(5.5f, 0.9f), a(5.2f, 0.7f), sd(2.3f, 0.9f), fq(4.5f, 1.5f);
        QList<tweet> crowd;
        for (int i = 0; i < 400; ++i)
            crowd << placed(std::clamp(v(rng), 1.0f, 9.0f), std::clamp(a(rng), 1.0f, 9.0f), sd(rng), fq(rng));

        testutils::grab(gl); // the plane alone, then the discs on it one by one
        gl->tweets() = crowd;
        const QImage want = reference_frame(gl);
        const QImage got = testutils::grab(gl);
        int off = 0;
        for (int y = 0; y < got.height(); ++y)
            for (int x = 0; x < got.width(); ++x)
                if (distance(got.pixel(x, y), QColor::fromRgb(want.pixel(x, y))) > 24) ++off;
        // Drawing all fills before all outlines leaves tens to hundreds of pixels apart.
        QVERIFY2(off <= 12, qPrintable(QString::number(off)));
    }

    // Text is drawn both when updateGL() draws at once and when the toolkit repaints.
    void textInBothPaintPaths() {
        gl->set_query_text(QStringLiteral("coffee"));
        const QRect box(10, 5, 60, 16);
        gl->updateGL();
        QVERIFY(marked(read_frame(gl), box, 100) > 10);

        gl->set_query_text(QString());
        gl->updateGL();
        QCOMPARE(marked(read_frame(gl), box), 0);

        gl->set_query_text(QStringLiteral("coffee"));
        // The first toolkit repaint may only present the updateGL() frame.
        const int before = gl->paint_count();
        QTRY_VERIFY((gl->update(), gl->paint_count() > before));
        QVERIFY(marked(read_frame(gl), box, 100) > 10);
    }
};

QUORVEL_TEST_MAIN(tst_plane)
#include "tst_plane.moc"

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

// Image position (y from the top) of the pixel under a tweet's disc centre.
QPoint centre_of(opengl* gl, int i) {
    float cx = 0, cy = 0, r = 0;
    gl->disc_px(i, cx, cy, r);
    return QPoint(int(std::floor(cx)), gl->height() - 1 - int(std::floor(cy)));
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

    // The pleasure axis is 0.7 grey, 225 pixels above the bottom; the rest of the plane is sky.
    void axesAtZoomOne() {
        const QImage img = testutils::grab(gl);
        const QColor grey(179, 179, 179);
        QVERIFY(std::min(distance(img.pixel(250, 224), grey), distance(img.pixel(250, 225), grey)) <= 2);
        QCOMPARE(distance(img.pixel(3, 3), sky), 0);
    }

    // Ticks are 10 pixels long across the axis at whole numbers and 5 pixels between them, at any zoom.
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
        auto ink = [&](QPoint p) { return img.valid(p) && distance(img.pixel(p), sky) > 20; };
        // The longest run of marked pixels along d through a pixel next to the world point (x, y).
        auto tick = [&](float x, float y, QPoint d) {
            const QPoint c(int(700 * zoom * (x + gl->translation(0) - 0.5) / 9),
                           449 - int(450 * zoom * (y + gl->translation(1) - 0.5) / 9));
            int longest = 0;
            for (int i = -1; i <= 1; ++i)
                for (int j = -1; j <= 1; ++j) {
                    const QPoint p = c + QPoint(i, j);
                    int n = ink(p) ? 1 : 0;
                    for (int s : {1, -1})
                        for (QPoint q = p + s * d; n && ink(q); q += s * d)
                            ++n;
                    longest = std::max(longest, n);
                }
            return longest;
        };
        const QList<int> got{tick(6, 5, {0, 1}), tick(5.75f, 5, {0, 1}), tick(5, 6, {1, 0}),
                             tick(5, 5.75f, {1, 0})};
        for (int k = 0; k < 4; ++k)
            QVERIFY2(std::abs(got[k] - (k % 2 ? 5 : 10)) <= 1, qPrintable(QString::number(got[k])));
    }

    // The pleasure axis is numbered over the axis, but for 5, where the arousal axis crosses.
    void axisNumbersSkipFive() {
        const QImage img = testutils::grab(gl);
        const QFontMetrics fm{QFont()};
        for (int i : {4, 5}) {
            int px = 0, py = 0;
            gl->WC_2_pix(float(i), 5, px, py);
            const int top = 450 - py - 10 - fm.ascent() + 2;
            // Left and right of the arousal axis for the 5, above its first tick.
            const QRect left(px - 4, top, 3, 225 - 12 - 2 - top);
            const int ink = marked(img, left) + marked(img, left.translated(5, 0));
            QVERIFY2(i == 5 ? ink == 0 : ink > 3, qPrintable(QString::number(ink)));
        }
    }

    // "subdued" is lowered by one and a half line heights, clear of the end of the arousal axis.
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
        QVERIFY(marked(img, QRect(px - w / 2, base - fm.ascent() + 2, w / 2 - 4, fm.ascent() - 2)) > 5);
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
        QCOMPARE(marked(img, word, 2, fill_over_sky(9.0f, 5.0f + lift, 1.5f)), 0);
    }

    // Fill colour and translucency: blue below pleasure 5, green from 5, brighter with arousal,
    // alpha falling from 1 at spread 1.5 to 0 at 3.5.
    void discFill() {
        const float rows[][3] = {{5, 5, 1.5f}, {4.99f, 6, 1.5f}, {3, 7, 2.5f}}; // centre, blue, half clear
        for (auto [v, a, sd] : rows)
            gl->tweets().append(placed(v, a, sd, 9.0f));
        const QImage img = testutils::grab(gl);
        for (int i = 0; i < 3; ++i) {
            const QRgb p = img.pixel(centre_of(gl, i));
            QVERIFY2(distance(p, fill_over_sky(rows[i][0], rows[i][1], rows[i][2])) <= 2,
                     qPrintable(QString::number(p, 16)));
        }
    }

    // The outline is opaque whatever the fill: a fully transparent disc still shows its circle.
    void transparentDiscKeepsOutline() {
        gl->tweets().append(placed(3.0f, 7.0f, 4.0f, 8.5f)); // radius 8 pixels
        const QImage img = testutils::grab(gl);
        const QPoint c = centre_of(gl, 0);
        QCOMPARE(marked(img, QRect(c, QSize(6, 1)), 0), 0);
        QVERIFY(marked(img, QRect(c + QPoint(6, 0), QSize(5, 1)), 49) > 0);
    }

    // The tweet whose dialog is active is yellow, only that one. Tweets are drawn in turn, fill
    // then outline: a later disc hides all of an earlier one lying under it, outline included.
    void highlightAndOrder() {
        gl->tweets() << placed(6.2f, 6.2f, 1.5f, 3) << placed(6.1f, 6.05f, 1.5f, 20) << placed(7, 3, 1.5f, 6);
        for (int yellow : {0, 1}) {
            gl->dlg_ID = {yellow};
            const QImage img = testutils::grab(gl);
            const QColor top = yellow == 1 ? QColor(255, 255, 0) : fill_over_sky(6.1f, 6.05f, 1.5f);
            QCOMPARE(marked(img, QRect(centre_of(gl, 0) - QPoint(5, 5), QSize(11, 11)), 2, top), 0);
            QVERIFY(distance(img.pixel(centre_of(gl, 2)), fill_over_sky(7, 3, 1.5f)) <= 2);
        }
    }

    // Every kept tweet stays visible, however small its frequency measure.
    void unknownFrequencyStaysVisible() {
        gl->tweets().append(placed(6.7f, 3.3f, 1.5f, -std::numeric_limits<float>::infinity()));
        const QPoint c = centre_of(gl, 0);
        QVERIFY(marked(testutils::grab(gl), QRect(c - QPoint(1, 1), QSize(3, 3)), 60) > 0);
    }

    // Discs are round on screen whatever the canvas's shape: radius trunc(zoom x fq) pixels,
    // scaled by max(W, H) / W.
    void discsAreRoundOnATallCanvas() {
        gl->setFixedSize(450, 700);
        QTRY_COMPARE(gl->size(), QSize(450, 700));
        mw->zoom_slider()->setValue(2);
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
        const float diameter = 2 * 7.0f * 700 / 450;
        const int across = reach(QPoint(1, 0)) + reach(QPoint(-1, 0)) + 1;
        const int down = reach(QPoint(0, 1)) + reach(QPoint(0, -1)) + 1;
        QVERIFY2(std::abs(across - diameter) <= 2.5f, qPrintable(QString::number(across)));
        QVERIFY2(std::abs(down - diameter) <= 2.5f, qPrintable(QString::number(down)));
    }

    // The caption "query (count)" in black at (10, 20) over the tweets, only with a query text: the
    // frame is the one without it with that text drawn on top.
    void caption_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("n");
        QTest::addRow("no query") << "" << 2;
        QTest::addRow("nothing found") << "coffee" << 0;
        QTest::addRow("over a tweet") << "caf\u00e9+rain" << 3;
    }
    void caption() {
        QFETCH(QString, query);
        QFETCH(int, n);
        for (int i = 0; i < n; ++i) // the first over the top-left corner
            gl->tweets().append(i ? placed(8.0f, 2.0f, 1.5f, 5.0f) : placed(1.0f, 9.0f, 1.5f, 80.0f));
        QImage want = testutils::grab(gl).convertToFormat(QImage::Format_RGB32);
        gl->set_query_text(query);
        const QImage got = testutils::grab(gl).convertToFormat(QImage::Format_RGB32);
        QPainter p(&want);
        p.setPen(Qt::black);
        if (!query.isEmpty())
            p.drawText(QPoint(10, 20), QStringLiteral("%1 (%2)").arg(query, QString::number(n)));
        p.end();
        int off = 0;
        for (int y = 0; y < got.height(); ++y)
            for (int x = 0; x < got.width(); ++x)
                off += distance(got.pixel(x, y), QColor::fromRgb(want.pixel(x, y))) > 40;
        QVERIFY2(off <= 3, qPrintable(QString::number(off)));
    }

    // A crowd of overlapping discs, and a pile of them on one spot, come out as drawing each tweet
    // in turn, fill then outline, would leave them.
    void crowdMatchesTweetByTweetDrawing_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("n");
        QTest::addColumn<float>("spread");
        QTest::addRow("crowd") << 3 << 400 << 1.0f;
        QTest::addRow("pile") << 10 << 1500 << 0.01f;
    }
    void crowdMatchesTweetByTweetDrawing() {
        QFETCH(int, zoom);
        QFETCH(int, n);
        QFETCH(float, spread);
        mw->zoom_slider()->setValue(zoom);
        mw->set_sbar((1 - 1.0f / zoom) / 2, (1 - 1.0f / zoom) / 2); // centred on (5, 5)
        std::mt19937 rng(5);
        std::normal_distribution<float> v(5 + 0.5f * spread, 0.9f * spread),
            a(5 + 0.2f * spread, 0.7f * spread), sd(2.3f, 0.9f), fq(4.5f, 1.5f);
        QList<tweet> crowd;
        for (int i = 0; i < n; ++i)
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

    // The similarity view alone: layout (0.5, 0.5) at the plane's centre, (0, 1) at its top-left
    // corner, coloured where drawn, translucent by spread, yellow for the active dialog; a row
    // without a valid tweet, or no rows at all, draw nothing.
    void similarityView_data() {
        QTest::addColumn<QPointF>("row");
        QTest::addColumn<int>("tweet"); // its sim_n entry; -1: no layout rows
        QTest::addColumn<float>("sd");
        QTest::addColumn<QColor>("want"); // under the disc's centre
        QTest::addRow("centre") << QPointF(0.5, 0.5) << 0 << 1.5f << fill_over_sky(5, 5, 1.5f);
        QTest::addRow("corner") << QPointF(0, 1) << 0 << 1.5f << fill_over_sky(0.5f, 9.5f, 1.5f);
        QTest::addRow("translucent") << QPointF(0.25, 0.25) << 0 << 2.5f << fill_over_sky(2.75f, 2.75f, 2.5f);
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

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QImageReader>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLPaintDevice>
#include <QPainter>
#include <QSlider>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>
#include <QToolTip>

#include "analysis_fixture.h"
#include "colour.h"
#include "doc_sim.h"
#include "image.h"
#include "sim_map.h"
#include "testutils.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <random>

namespace {

using testutils::placed;

// The affect circumplex: word, pleasure, arousal.
const std::tuple<const char*, float, float> circumplex[] = {
    {"pleasant", 9.0f, 5.0f},  {"happy", 8.88f, 5.92f},     {"elated", 8.34f, 7.29f},
    {"excited", 7.29f, 8.34f}, {"alert", 5.92f, 8.88f},     {"active", 5.0f, 9.0f},
    {"tense", 4.08f, 8.88f},   {"nervous", 2.71f, 8.34f},   {"stressed", 1.66f, 7.29f},
    {"upset", 1.13f, 5.92f},   {"unpleasant", 1.0f, 5.0f},  {"sad", 1.13f, 4.08f},
    {"unhappy", 1.66f, 2.71f}, {"depressed", 2.71f, 1.66f}, {"bored", 4.08f, 1.13f},
    {"subdued", 5.0f, 1.0f},   {"calm", 5.92f, 1.13f},      {"relaxed", 7.29f, 1.66f},
    {"serene", 8.34f, 2.71f},  {"contented", 8.88f, 4.08f}};

// The scene drawn the plainest way into the frame buffer: GL lines, GLU discs and outlines, text.
QImage reference(opengl* gl, bool map, const QList<std::pair<int, QPointF>>& discs) {
    const int W = gl->width(), H = gl->height(), z = gl->zoom();
    const float tx = gl->translation(0), ty = gl->translation(1);
    // p pixels in world units, across (W) or up (H)
    auto wc = [z](int p, int extent) { return float(double(float(p) / float(extent)) * 9.0 / z); };
    gl->makeCurrent();
    QOpenGLPaintDevice dev(W, H);
    QPainter p(&dev);
    // Fixed-function GL in panned world units, colours blended over a frame whose alpha stays 1.
    auto world = [&] {
        p.beginNativePainting();
        QOpenGLFunctions* f = gl->context()->functions();
        f->glBindBuffer(GL_ARRAY_BUFFER, 0);
        f->glUseProgram(0);
        for (GLenum cap : {GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_DEPTH_TEST, GL_TEXTURE_2D})
            glDisable(cap);
        glLineWidth(1);
        glViewport(0, 0, W, H);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluOrtho2D(0.5, 0.5 + 9.0 / z, 0.5, 0.5 + 9.0 / z);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(tx, ty, 0);
        glEnable(GL_BLEND);
        f->glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    };
    world();
    glClearColor(0.74f, 0.87f, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    // Ticks reach 5 pixels either side of the axis at whole numbers, 2.5 between them.
    const float th = wc(5, H), tw = wc(5, W);
    glColor3f(0.7f, 0.7f, 0.7f);
    glBegin(GL_LINES);
    if (!map) glVertex2f(1, 5), glVertex2f(9, 5), glVertex2f(5, 1), glVertex2f(5, 9);
    for (int i = 0; i <= 32 && !map; ++i) {
        const float v = 1 + i / 4.0f, h = i % 4 ? th / 2 : th, w = i % 4 ? tw / 2 : tw;
        glVertex2f(v, 5 - h), glVertex2f(v, 5 + h), glVertex2f(5 - w, v), glVertex2f(5 + w, v);
    }
    glEnd();
    p.endNativePainting();

    // Numbers over and beside the axes but for 5; words half an ascent above their places,
    // "subdued" lowered by one and a half lines.
    const QFontMetrics fm{QFont()};
    auto at = [&](float x, float y) {
        return QPoint(int(W * (double(x + tx) - 0.5) / 9) * z, H - int(H * (double(y + ty) - 0.5) / 9) * z);
    };
    p.setPen(QColor::fromRgbF(0.7f, 0.7f, 0.7f));
    for (int i = 1; i <= 9 && !map; ++i) {
        if (i == 5) continue;
        const QString s = QString::number(i);
        p.drawText(at(i, 5) - QPoint(fm.horizontalAdvance(s) / 2, 10), s);
        p.drawText(at(5, i) + QPoint(10, fm.ascent() / 2), s);
    }
    for (auto [word, x, y] : circumplex) {
        if (map) break;
        if (QByteArray(word) == "subdued") y -= 1.5f * wc(fm.ascent() + fm.descent(), H);
        p.drawText(at(x, y) - QPoint(fm.horizontalAdvance(word) / 2, fm.ascent() / 2), word);
    }

    // Radius trunc(zoom x fq) pixels but at least one, round on screen; coloured by the tweet's
    // own feeling, yellow while its dialog is active.
    world();
    GLUquadric* q = gluNewQuadric();
    const float sx = W < H ? float(H) / W : 1.0f, sy = W < H ? 1.0f : float(W) / H;
    for (const auto& [i, pos] : discs) {
        const tweet& t = gl->tweets()[i];
        const float px = float(z) * t.fq(), r = wc(!(px >= 1) ? 1 : int(std::min(px, 1e5f)), W);
        float c[3] = {1, 1, 0};
        if (!gl->highlighted().contains(i))
            get_colour((t.m(AROUSAL) - 1) / 8 * 0.5f + 0.4f, t.m(VALENCE) < 5 ? 0.75f : 0.55f, c[0], c[1],
                       c[2]);
        glPushMatrix();
        glTranslatef(float(pos.x()), float(pos.y()), 0);
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
    p.endNativePainting();
    p.setPen(Qt::black);
    if (!gl->query_text().isEmpty())
        p.drawText(QPoint(10, 20),
                   QStringLiteral("%1 (%2)").arg(gl->query_text(), QString::number(gl->tweets().size())));
    p.end();
    gl->doneCurrent();
    return testutils::frame(gl);
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

// What f printed on standard error.
QString stderr_of(const std::function<void()>& f) {
    QTemporaryFile log;
    if (!log.open()) return QStringLiteral("(no log)");
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(log.handle(), 2);
    f();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    log.seek(0);
    return QString::fromLocal8Bit(log.readAll());
}

// The size and every word, row 0 (the bottom) first.
QString words(const image& im) {
    QString s = QStringLiteral("%1x%2").arg(QString::number(im.width()), QString::number(im.height()));
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x)
            s += QLatin1Char(' ') + QString::number(im.pixel(x, y), 16);
    return s;
}

QList<tweet> tweets(const QStringList& texts) {
    QList<tweet> tw(texts.size());
    for (int i = 0; i < texts.size(); ++i)
        tw[i].content(texts[i]);
    return tw;
}

// Two topics without a word in common, six tweets each, then one of stop words and a mention only.
QList<tweet> two_topics() {
    QStringList texts;
    for (int i = 0; i < 12; ++i)
        texts << (i < 6 ? QStringLiteral(
                              "@gate%1 the delay, delay and delay: gate gate hour http://hour.example/x")
                        : QStringLiteral("Goal! goal, GOAL; match match referee #%1"))
                     .arg(QString::number(i));
    QList<tweet> tw = tweets(texts << QStringLiteral("the and of it @delay"));
    for (int i = 0; i < tw.size(); ++i)
        tw[i].set_estimate(i < 6 ? 3 : 8, i < 6 ? 6 : 2, 1, 6);
    return tw;
}

} // namespace

Q_DECLARE_METATYPE(QList<tweet>)

// The paint pass read back, the similarity map's layout, groups and labels, and captures to files.
class tst_plane : public QObject {
    Q_OBJECT

    opengl_win* mw = nullptr;
    opengl* gl = nullptr;
    QTemporaryDir dir;

private slots:
    void init() {
        create_analysis_globals();
        mw = testutils::make_window(700, 450);
        gl = mw->gl_ptr();
    }
    void cleanup() {
        QToolTip::hideText();
        delete mw;
        win = nullptr;
        delete_analysis_globals();
    }

    // Whole frames of the plane and the map against the plainest drawing of the same scene; with
    // painting off a repaint leaves the frame as it is.
    void frameAsDrawn_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QList<tweet>>("tweets");
        QTest::addColumn<QList<int>>("yellow"); // tweets whose dialog is active
        QTest::addColumn<QString>("query");
        QTest::addColumn<QList<QPointF>>("layout"); // the map's, row i showing tweet n - i
        const QSize wide(700, 450);
        const QList<tweet> few{placed(5, 5, 1.5f, 9),
                               placed(4.99f, 6, 1.5f, 9),
                               placed(3, 7, 2.5f, 9),
                               placed(3, 3, 4.0f, 8.5f),
                               placed(6.2f, 6.2f, 1.5f, 3),
                               placed(6.1f, 6.05f, 1.5f, 20),
                               placed(6.7f, 3.3f, 1.5f, -INFINITY),
                               placed(9, 5.3f, 1.5f, 45),
                               placed(1, 9, 1.5f, 80)};
        const QList<QPointF> none, layout{{0.5, 0.5},   {qQNaN(), 0.5}, {0.5, 0.5}, {0, 1},      {0.25, 0.25},
                                          {0.26, 0.25}, {1, 0},         {0.7, 0.3}, {0.5, 0.52}, {0.53, 0.5}};
        QTest::addRow("nothing found") << wide << 1 << QList<tweet>() << QList<int>() << "coffee" << none;
        QTest::addRow("tweets, caption") << wide << 1 << few << QList<int>{4} << "caf\u00e9+rain" << none;
        QTest::addRow("zoom 4") << wide << 4 << few << QList<int>{5} << "" << none;
        QTest::addRow("tall canvas, zoom 2") << QSize(450, 700) << 2 << few << QList<int>() << "x" << none;
        // overlapping only in the top grid row of the lower disc (yellow), and only in the last grid
        // column of the left one
        QTest::addRow("cell edges") << wide << 1
                                    << QList<tweet>{placed(3, 1.75f, 1.5f, 12), placed(3, 1.3f, 1.5f, 12),
                                                    placed(4.9229f, 7, 1.5f, 12),
                                                    placed(5.2121f, 7, 1.5f, 12)}
                                    << QList<int>{1} << "" << none;
        QTest::addRow("crowd") << wide << 3 << crowd(400, 1) << QList<int>() << "" << none;
        QTest::addRow("pile") << wide << 10 << crowd(1500, 0.01f) << QList<int>() << "" << none;
        QTest::addRow("map") << wide << 1 << few << QList<int>{4} << "rain" << layout;
        QTest::addRow("map, tall, zoom 3") << QSize(450, 700) << 3 << few << QList<int>{1} << "" << layout;
    }
    void frameAsDrawn() {
        QFETCH(QSize, size);
        QFETCH(int, zoom);
        QFETCH(QList<tweet>, tweets);
        QFETCH(QList<int>, yellow);
        QFETCH(QString, query);
        QFETCH(QList<QPointF>, layout);
        gl->setFixedSize(size);
        QTRY_COMPARE(gl->size(), size);
        mw->zoom_slider()->setValue(zoom);
        mw->set_sbar((1 - 1.0f / zoom) / 2, (1 - 1.0f / zoom) / 2); // centred on (5, 5)
        gl->tweets() = tweets;
        gl->dlg_ID = yellow;
        gl->set_query_text(query);
        QList<std::pair<int, QPointF>> discs;
        for (int i = 0; i < tweets.size() && layout.isEmpty(); ++i)
            discs.append({i, QPointF(tweets[i].m(VALENCE), tweets[i].m(AROUSAL))});
        gl->sim_on = !layout.isEmpty();
        gl->P.resize(layout.size(), 2);
        for (int i = 0; i < layout.size(); ++i) {
            gl->P.row(i) << float(layout[i].x()), float(layout[i].y());
            gl->sim_n << int(tweets.size()) - i;
            if (gl->sim_n[i] < tweets.size() && qIsFinite(layout[i].x()))
                discs.append({gl->sim_n[i], layout[i] * 9 + QPointF(0.5, 0.5)});
        }
        const QImage now = testutils::grab(gl).convertToFormat(QImage::Format_RGB32);
        // the same frame when the toolkit repaints (its first repaint may only present the last)
        const int before = gl->paint_count();
        QTRY_VERIFY((gl->update(), gl->paint_count() > before));
        const QImage repainted = testutils::frame(gl), want = reference(gl, gl->sim_on, discs);
        for (const QImage& got : {now, repainted}) {
            int off = 0;
            for (int y = 0; y < got.height(); ++y)
                for (int x = 0; x < got.width(); ++x)
                    off += testutils::distance(got.pixel(x, y), QColor::fromRgb(want.pixel(x, y))) > 24;
            QVERIFY2(off <= 2, qPrintable(QString::number(off)));
        }
        const QImage kept = testutils::frame(gl);
        gl->paint_flag(false);
        gl->tweets().clear();
        gl->updateGL();
        QCOMPARE(testutils::frame(gl), kept);
    }

    // A group per topic labelled with its words, a termless tweet in the corner; under three by FastMap.
    void groupsAndFewTweets() {
        sim_map m;
        m.compute(two_topics());
        QStringList labels;
        for (const sim_cluster& c : m.clusters())
            labels << c.label();
        QCOMPARE(labels, QStringList({"delay · gate · hour — 6 tweets · v 3.0 · a 6.0",
                                      "goal · match · referee — 6 tweets · v 8.0 · a 2.0"}));
        QCOMPARE(m.corner().members, QList<int>{12});
        QVERIFY(m.layout().row(12).isZero());
        QCOMPARE(
            m.summary(),
            QStringLiteral("2 topics: delay · gate · hour (6, v 3.0); goal · match · referee (6, v 8.0)"));
        // Eight topics of three or four tweets without a shared word, interleaved: eight groups, drawn apart.
        QStringList eight;
        for (int i = 0; i < 28; ++i)
            eight << QString("k%1a k%1b k%1c k%1d k%2e").arg(QString::number(i % 8), QString::number(i % 3));
        m.compute(tweets(eight));
        QCOMPARE(m.clusters().size(), 8);
        for (const sim_cluster& c : m.clusters()) {
            const int m0 = c.members[0]; // the first four topics have four tweets
            QCOMPARE(c.members, QList<int>({m0, m0 + 8, m0 + 16, m0 + 24}).mid(0, m0 < 4 ? 4 : 3));
            for (const sim_cluster& d : m.clusters())
                QVERIFY(&c == &d || std::hypot(c.x - d.x, c.y - d.y) > c.spread + d.spread);
        }
        for (const QStringList& texts : {QStringList{"rain storm", "coffee cake"}, {"rain storm"}, {}}) {
            m.compute(tweets(texts));
            QStringList at;
            for (int i = 0; i < m.size(); ++i)
                at << QString::asprintf("%.2f %.2f", m.layout()(i, 0), m.layout()(i, 1));
            at.sort();
            QCOMPARE(at.join(", "), texts.size() == 2 ? "0.03 0.50, 0.97 0.50"
                                    : texts.isEmpty() ? ""
                                                      : "0.00 0.00");
            QVERIFY(m.clusters().isEmpty());
        }
    }

    // Nearer in the layout means more alike, on tweets that lie on an 8 x 8 grid of words: each
    // holds the words within three steps of its own place.
    void layoutFollowsSimilarity() {
        QStringList grid;
        for (int i = 0; i < 64; ++i) {
            grid << QString();
            for (int x = std::max(0, i % 8 - 3); x <= std::min(7, i % 8 + 3); ++x)
                for (int y = std::max(0, i / 8 - 3); y <= std::min(7, i / 8 + 3); ++y)
                    grid.last() += QStringLiteral("w%1%2 ").arg(QChar('a' + x), QChar('a' + y));
        }
        sim_map m;
        m.compute(tweets(grid));
        doc_sim s;
        s.comp_sim_matrix();
        // Pearson's correlation of layout distances with dissimilarities over all pairs
        double n = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
        for (int i = 0; i < grid.size(); ++i)
            for (int j = i + 1; j < grid.size(); ++j) {
                const double x = (m.layout().row(i) - m.layout().row(j)).norm(), y = 1 - s.sim(i, j);
                n += 1, sx += x, sy += y, sxx += x * x, syy += y * y, sxy += x * y;
            }
        QVERIFY(m.layout().minCoeff() >= 0 && m.layout().maxCoeff() <= 1);
        const double r = (n * sxy - sx * sy) / std::sqrt((n * sxx - sx * sx) * (n * syy - sy * sy));
        QVERIFY2(r >= 0.6, qPrintable(QString::number(r)));
    }

    // Map on and off from the View menu: topics in the status bar, discs answer the pointer, labels over
    // discs, the plane back exactly; with nothing shown yet the hint on how to begin stays.
    void mapInTheWindow() {
        QAction* act = mw->findChild<QAction*>(QStringLiteral("sim_map_act"));
        const QString hint = mw->summary_line();
        act->trigger();
        act->trigger();
        QCOMPARE(mw->summary_line(), hint);
        gl->tweets() = two_topics();
        const QImage plane = testutils::grab(gl);
        act->trigger();
        const QString all =
            QStringLiteral("13 tweets · valence 5.7 ± 2.5 · arousal 3.8 ± 2.0 · 54 % pleasant");
        QCOMPARE(mw->summary_line(),
                 all + " · 2 topics: delay · gate · hour (6, v 3.0); goal · match · referee (6, v 8.0)");
        const QImage map = testutils::grab(gl);

        // The tweet without terms lies in the corner, (0, 0) of the layout.
        QHelpEvent he(QEvent::ToolTip, QPoint(2, 447), gl->mapToGlobal(QPoint(2, 447)));
        QApplication::sendEvent(gl, &he);
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY2(QToolTip::text().contains("the and of it"), qPrintable(QToolTip::text()));

        const auto labels = gl->sim_labels();
        QCOMPARE(labels.size(), 2);
        QVERIFY(!labels[0].second.intersects(labels[1].second));
        // Labels lie over the map, clear of the discs of the group they name.
        for (const auto& [g, box] : labels) {
            QVERIFY(testutils::distance(map.pixel(box.right() - 3, box.center().y()), Qt::white) <= 12);
            for (int i : gl->similarity_map().clusters().at(g).members) {
                float cx = 0, cy = 0, r = 0;
                QVERIFY(gl->sim_disc_px(i, cx, cy, r));
                QVERIFY(!QRectF(box).intersects(QRectF(cx - r, gl->height() - cy - r, 2 * r, 2 * r)));
            }
        }

        act->trigger();
        QCOMPARE(mw->summary_line(), all);
        QCOMPARE(testutils::grab(gl), plane);
    }
    // JPEG for a name holding "jpg" anywhere, else TIFF: the whole frame, upright, opaque, exact if lossless.
    void captureFileType_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("format");
        QTest::addRow("jpg") << "a.jpg" << QByteArray("jpeg");
        QTest::addRow("png is TIFF") << "a.png" << QByteArray("tiff");
        QTest::addRow("JPG is TIFF") << "b.JPG" << QByteArray("tiff");
        QTest::addRow("jpg directory") << "my_jpgs/a.tif" << QByteArray("jpeg");
        QTest::addRow("non-ASCII") << QString::fromUtf8("Größe ünd 東京/€ bild.tif") << QByteArray("tiff");
    }
    void captureFileType() {
        QFETCH(QString, name);
        QFETCH(QByteArray, format);
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        gl->set_query_text(QStringLiteral("upright?"));
        const QImage frame = testutils::grab(gl).convertToFormat(QImage::Format_ARGB32);
        QVERIFY(gl->capture_screen(path));
        QImageReader r(path);
        r.setDecideFormatFromContent(true);
        QCOMPARE(r.format(), format);
        const QImage saved = r.read().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(saved.size(), QSize(700, 450));
        if (format == "tiff") QCOMPARE(saved, frame);
    }

    // Every raster operation in turn, the results rendered as one transcript.
    void rasterOps() {
        QTemporaryDir d;
        image im, back, empty;
        im.create(2, 2);
        for (int i = 0; i < 4; ++i)
            im.pixel(i % 2, i / 2, 0x11223344u + unsigned(i) * 0x01030500u);
        for (const QPoint p : {QPoint(2, 0), QPoint(0, -1), QPoint(-1, 1), QPoint(0, 2)})
            im.pixel(p.x(), p.y(), 1), im.a(p.x(), p.y(), 1);
        im.r(0, 0, 0xaa), im.b(0, 0, 0x1bb), im.a(0, 0, 0);
        QStringList got{
            QString::number(im.pixel(-1, 0) | im.pixel(2, 0) | im.pixel(0, 2) | unsigned(im.g(5, 5))),
            QString::number(im.r(1, 1) << 16 | im.g(1, 1) << 8 | im.b(1, 1), 16), words(im)};
        im.resize(3, 3, 7);
        got << words(im);
        im.resize(1, 2, 7);
        got << words(im);
        // A name longer than 255 bytes is cut between two characters.
        const QString path = d.filePath(QString(120, QChar(0xFC)) + QStringLiteral(".tif"));
        got << stderr_of([&] {
            im.quality(101), im.quality(-1), im.quality(0), im.quality(100), im.quality(40);
            gl->doneCurrent();
            if (image(im).capture(0, 0, 1, 1) != 0) std::fputs("captured without a context\n", stderr);
            empty.create(0, 0), empty.write_tiff(d.filePath(QStringLiteral("empty.tif")), 3);
            im.write_tiff(d.filePath(QStringLiteral("one.tif")), 1),
                im.write(d.filePath(QStringLiteral("two.jpg")), 2);
            im.write_tiff(path, 3), back.read_tiff(path);
        });
        image c(im), e;
        e = im;
        im.pixel(0, 0, 1);
        const QByteArray nm = e.get_name().toUtf8();
        e.resize(0, 1, 0);
        got << words(back) << words(c) << words(e) << QString::number(e.quality())
            << QString::number(path.toUtf8().startsWith(nm) && nm.size() >= 254 && nm.size() <= 255)
            << QString::number(QDir(d.path()).entryList(QDir::Files).size());
        QCOMPARE(got,
                 QStringList({"0", "142b42", "2x2 aa22bb00 12253844 13283d44 142b4244",
                              "3x3 aa22bb00 12253844 7 13283d44 142b4244 7 7 7 7", "1x2 aa22bb00 13283d44",
                              "image::quality(), invalid quality 101\nimage::quality(), invalid quality -1\n"
                              "image::capture(), no current OpenGL context\n"
                              "image::qt_write_img(), the image is empty\n"
                              "image::write(), unknown components 2 writing JPEG image\n",
                              // read back opaque: alpha is never written
                              "1x2 aa22bbff 13283dff", "1x2 aa22bb00 13283d44", "0x1", "40", "1", "1"}));
    }

    // The save dialog proposes tile.jpg and writes the chosen file; a failed write says so in the
    // status bar as well as on standard error.
    void captureDialogAndFailure() {
        const QString path = dir.filePath(QStringLiteral("menu.jpg"));
        QStringList offered;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            auto* d = mw->findChild<QFileDialog*>();
            if (!d || !d->isVisible()) return;
            offered = d->nameFilters() << QFileInfo(d->selectedFiles().value(0)).fileName();
            // The dialog keeps the name of a focused name field, as typed by the user.
            if (QWidget* typing = QApplication::focusWidget()) typing->clearFocus();
            d->selectFile(path);
            static_cast<QDialog*>(d)->accept();
        });
        answer.start(20);
        mw->findChild<QAction*>(QStringLiteral("capture_act"))->trigger();
        QCOMPARE(offered, QStringList({"JPEG file (*.jpg)", "TIFF file (*.tif)", "tile.jpg"}));
        QCOMPARE(mw->status_line(), QString());
        QCOMPARE(QImageReader(path).size(), QSize(700, 450));

        QTemporaryFile plain;
        QVERIFY(plain.open());
        const QString bad = plain.fileName() + QStringLiteral("/x.jpg");
        const QString log = stderr_of([&] { mw->capture_screen_cb(bad); });
        QCOMPARE(mw->status_line(), QStringLiteral("Could not save %1: Not a directory").arg(bad));
        QCOMPARE(log, QStringLiteral("image::qt_write_img(), Not a directory\n"));
        mw->capture_screen_cb(path);
        QCOMPARE(mw->status_line(), QString());
    }
};

QUORVEL_TEST_MAIN(tst_plane)
#include "tst_plane.moc"

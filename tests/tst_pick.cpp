#include <QHelpEvent>
#include <QScrollBar>
#include <QSlider>
#include <QToolTip>

#include "testutils.h"

// Hit testing of tweet discs, the tooltip over them and the pointer handlers of the canvas.
class tst_pick : public QObject {
    Q_OBJECT

    opengl_win* mw = nullptr;

    static void place(opengl& gl, float v, float a, float fq, float sd = 1.0f) {
        tweet t;
        t.set_estimate(v, a, sd, fq);
        gl.tweets().append(t);
    }

    // Pointer position (y from the top) of the centre of tweet i, offset by (dx, dy) pixels with
    // dy pointing up.
    static QPoint at(const opengl& gl, int i, double dx = 0, double dy = 0) {
        float cx = 0, cy = 0, r = 0;
        if (!gl.disc_px(i, cx, cy, r)) return QPoint(-1000, -1000);
        return QPoint(qRound(cx + dx), qRound(gl.height() - (cy + dy)));
    }

    static QList<int> pick(opengl& gl, QPoint p) {
        gl.pick_tweet(p.x(), p.y());
        return gl.picked();
    }

    // A canvas that is never shown: picking needs its size only, no GL context. At zoom 1 a
    // 900 x 900 canvas puts world x at 100 (x - 0.5) pixels; the axes cross at (450, 450).
    static void square_canvas(opengl& gl) { gl.resize(900, 900); }

    void tooltip_at(QPoint p) {
        opengl* gl = mw->gl_ptr();
        QHelpEvent he(QEvent::ToolTip, p, gl->mapToGlobal(p));
        QApplication::sendEvent(gl, &he);
    }

private slots:
    void cleanup() {
        QToolTip::hideText();
        delete mw;
        mw = nullptr;
        win = nullptr;
    }

    void overlappingDiscsInIndexOrder() {
        opengl gl;
        square_canvas(gl);
        place(gl, 3.0f, 3.0f, 10);           // 0: centre (250, 250)
        place(gl, 7.0f, 7.0f, 10);           // 1: far away
        place(gl, 3.12f, 3.0f, 10);          // 2: 12 px to the right
        place(gl, 2.9f, 3.1f, 10);           // 3: up and left
        place(gl, 3.0f, 3.0f, 10);           // 4: on top of 0
        place(gl, float(qQNaN()), 3.0f, 10); // 5: nowhere
        QCOMPARE(pick(gl, QPoint(250, 650)), QList<int>({0, 2, 3, 4}));
        QCOMPARE(pick(gl, QPoint(262, 650)), QList<int>({0, 2, 4}));
        QCOMPARE(pick(gl, QPoint(650, 250)), QList<int>({1}));
        QVERIFY(pick(gl, QPoint(100, 100)).isEmpty());
        gl.paint_flag(false);
        QVERIFY(pick(gl, QPoint(250, 650)).isEmpty());
    }

    void regionAroundThePointer_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<float>("fq");
        QTest::addColumn<float>("sd");
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("dy");
        QTest::addColumn<bool>("hit");
        // fq 10: a radius of 10 pixels; the region reaches 4 pixels from the pointer.
        const QSize sq(900, 900);
        QTest::addRow("centre") << sq << 10.f << 1.f << 0.0 << 0.0 << true;
        QTest::addRow("3 px right of the edge") << sq << 10.f << 1.f << 13.0 << 0.0 << true;
        QTest::addRow("3.5 px left of the edge") << sq << 10.f << 1.f << -13.5 << 0.0 << true;
        QTest::addRow("4.5 px right of the edge") << sq << 10.f << 1.f << 14.5 << 0.0 << false;
        QTest::addRow("6 px right of the edge") << sq << 10.f << 1.f << 16.0 << 0.0 << false;
        QTest::addRow("3 px above the edge") << sq << 10.f << 1.f << 0.0 << 13.0 << true;
        QTest::addRow("6 px below the edge") << sq << 10.f << 1.f << 0.0 << -16.0 << false;
        // The region's corner reaches diagonally further, but a disc is no square.
        QTest::addRow("corner within reach") << sq << 10.f << 1.f << 11.0 << 11.0 << true;
        QTest::addRow("corner beyond the disc") << sq << 10.f << 1.f << 13.0 << 13.0 << false;
        QTest::addRow("transparent fill") << sq << 10.f << 4.f << 13.0 << 0.0 << true;
        QTest::addRow("radius below a pixel") << sq << 0.2f << 1.f << 4.5 << 0.0 << true;
        QTest::addRow("radius not a number") << sq << float(qQNaN()) << 1.f << 6.0 << 0.0 << false;
        // fq 4 gives 4 pixels, scaled by max(W, H) / W: 7 pixels on a tall canvas.
        QTest::addRow("tall, 3 px outside sideways") << QSize(400, 700) << 4.f << 1.f << 10.0 << 0.0 << true;
        QTest::addRow("tall, 3 px outside upwards") << QSize(400, 700) << 4.f << 1.f << 0.0 << 10.0 << true;
        QTest::addRow("tall, 6 px outside") << QSize(400, 700) << 4.f << 1.f << 13.0 << 0.0 << false;
        QTest::addRow("wide, unscaled") << QSize(700, 400) << 4.f << 1.f << 10.0 << 0.0 << false;
    }
    void regionAroundThePointer() {
        QFETCH(QSize, size);
        QFETCH(float, fq);
        QFETCH(float, sd);
        QFETCH(double, dx);
        QFETCH(double, dy);
        QFETCH(bool, hit);
        opengl gl;
        gl.resize(size);
        place(gl, 3.0f, 3.0f, fq, sd);
        QCOMPARE(pick(gl, at(gl, 0, dx, dy)).size(), hit ? 1 : 0);
    }

    void selectionBufferLimit_data() {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("fq");
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("fits");
        // Large discs: only the fills make records (4 entries each).
        QTest::addRow("64 large discs") << 3.0f << 20.0f << 64 << true;
        QTest::addRow("65 large discs") << 3.0f << 20.0f << 65 << false;
        // Small discs: the outline lies in the region too and adds a nameless record (3 more).
        QTest::addRow("36 small discs") << 3.0f << 2.0f << 36 << true;
        QTest::addRow("37 small discs") << 3.0f << 2.0f << 37 << false;
        // On the axes a nameless record of the plane comes first.
        QTest::addRow("63 large discs on the axes") << 5.0f << 20.0f << 63 << true;
        QTest::addRow("64 large discs on the axes") << 5.0f << 20.0f << 64 << false;
    }
    void selectionBufferLimit() {
        QFETCH(float, x);
        QFETCH(float, fq);
        QFETCH(int, n);
        QFETCH(bool, fits);
        opengl gl;
        square_canvas(gl);
        for (int i = 0; i < n; ++i)
            place(gl, x, x, fq);
        const QList<int> got = pick(gl, at(gl, 0));
        QCOMPARE(got.size(), fits ? n : 0);
        if (fits) QCOMPARE(got.last(), n - 1);
    }

    void followsZoomAndPan() {
        opengl gl;
        square_canvas(gl);
        place(gl, 5.0f, 5.0f, 3.6f);
        place(gl, 3.0f, 3.0f, 3.6f);
        // Zoom 2 showing [2.75, 7.25] on both axes: 200 pixels per unit.
        gl.update_zoom(2);
        gl.update_x_trans(0.25f);
        gl.update_y_trans(0.25f);
        QCOMPARE(pick(gl, QPoint(450, 450)), QList<int>({0}));
        QCOMPARE(pick(gl, QPoint(50, 850)), QList<int>({1}));
        // The radius is trunc(2 x 3.6) = 7 pixels now.
        QCOMPARE(pick(gl, QPoint(460, 450)), QList<int>({0}));
        QVERIFY(pick(gl, QPoint(463, 450)).isEmpty());
    }

    void tooltipListsPickedTweets() {
        mw = testutils::make_window(700, 450);
        opengl* gl = mw->gl_ptr();
        const QStringList who = {"carol", "alice", "bob", "dave"};
        for (int i = 0; i < who.size(); ++i) {
            tweet t;
            t.content(QStringLiteral("line one\n\n  line\ttwo   of %1").arg(who[i]));
            t.name(who[i]);
            t.time("2011-09-15T18:04:05Z");
            // The last one lies elsewhere.
            t.set_estimate(i < 3 ? 3.0f + 0.02f * i : 8.0f, 3.0f, 1.0f, 6);
            gl->tweets().append(t);
        }
        tooltip_at(at(*gl, 0));
        QTRY_VERIFY(QToolTip::isVisible());
        const QString tip = QToolTip::text();
        QCOMPARE(tip.count("<p>"), 3);
        QCOMPARE(tip.count("</p>"), 3);
        QVERIFY2(!tip.contains('\n') && !tip.contains('\t') && !tip.contains("  "), qPrintable(tip));
        QVERIFY(tip.contains(gl->tweets()[0].time()));
        const qsizetype c = tip.indexOf("carol"), a = tip.indexOf("alice"), b = tip.indexOf("bob");
        QVERIFY(c >= 0 && c < a && a < b);
        QVERIFY(!tip.contains("dave"));

        // Over empty plane the tooltip goes away, and the event is not taken.
        QHelpEvent empty(QEvent::ToolTip, QPoint(650, 40), gl->mapToGlobal(QPoint(650, 40)));
        QApplication::sendEvent(gl, &empty);
        QVERIFY(!empty.isAccepted());
        QTRY_VERIFY(!QToolTip::isVisible());

        // Any pointer move hides it as well.
        tooltip_at(at(*gl, 3));
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY(QToolTip::text().contains("dave"));
        const QPoint to(20, 20);
        QMouseEvent move(QEvent::MouseMove, to, gl->mapToGlobal(to), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(gl, &move);
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    void onlyControlLeftPressOpensDialogs_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<Qt::KeyboardModifiers>("mods");
        QTest::addColumn<int>("dialogs");
        QTest::addRow("control left") << Qt::LeftButton << Qt::KeyboardModifiers(Qt::ControlModifier) << 2;
        QTest::addRow("shift control left")
            << Qt::LeftButton << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier) << 2;
        QTest::addRow("plain left") << Qt::LeftButton << Qt::KeyboardModifiers() << 0;
        QTest::addRow("shift left") << Qt::LeftButton << Qt::KeyboardModifiers(Qt::ShiftModifier) << 0;
        QTest::addRow("control right") << Qt::RightButton << Qt::KeyboardModifiers(Qt::ControlModifier) << 0;
        QTest::addRow("control middle")
            << Qt::MiddleButton << Qt::KeyboardModifiers(Qt::ControlModifier) << 0;
    }
    void onlyControlLeftPressOpensDialogs() {
        QFETCH(Qt::MouseButton, button);
        QFETCH(Qt::KeyboardModifiers, mods);
        QFETCH(int, dialogs);
        mw = testutils::make_window(700, 450);
        opengl* gl = mw->gl_ptr();
        place(*gl, 4.0f, 4.0f, 6);
        place(*gl, 4.02f, 4.0f, 6);
        place(*gl, 6.0f, 6.0f, 6);
        QTest::mousePress(gl, button, mods, at(*gl, 0));
        QTest::mouseRelease(gl, button, mods, at(*gl, 0));
        QCOMPARE(gl->dialogs().size(), dialogs);
        if (dialogs) {
            QCOMPARE(gl->dialogs().find(0), 0);
            QCOMPARE(gl->dialogs().find(1), 1);
            QCOMPARE(gl->dialogs().find(2), -1);
        }
        // Over empty plane even Control+click opens nothing.
        QTest::mouseClick(gl, Qt::LeftButton, Qt::ControlModifier, QPoint(600, 40));
        QCOMPARE(gl->dialogs().size(), dialogs);
    }

    void doubleClickZoomsAboutPointer_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QPointF>("pan");
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<int>("new_zoom");
        QTest::addColumn<QPointF>("new_pan");
        QTest::addRow("zoom 1, centre") << 1 << QPointF(0, 0) << QPoint(350, 225) << 2 << QPointF(0.25, 0.25);
        // The point (4.1, 6.5) under the pointer becomes the centre of [1.85, 6.35] x [4.25, 8.75].
        QTest::addRow("zoom 1, upper left")
            << 1 << QPointF(0, 0) << QPoint(280, 150) << 2 << QPointF(0.15, 3.75 / 9);
        QTest::addRow("zoom 1, near the corner clamps")
            << 1 << QPointF(0, 0) << QPoint(20, 440) << 2 << QPointF(0, 0);
        // At the highest zoom only the centring happens: the point 0.45 left of the view's centre.
        QTest::addRow("zoom 10, re-centres")
            << 10 << QPointF(0.45, 0.45) << QPoint(0, 225) << 10 << QPointF(0.40, 0.45);
        QTest::addRow("zoom 10, at the edge clamps")
            << 10 << QPointF(0, 0.45) << QPoint(0, 225) << 10 << QPointF(0, 0.45);
    }
    void doubleClickZoomsAboutPointer() {
        QFETCH(int, zoom);
        QFETCH(QPointF, pan);
        QFETCH(QPoint, pos);
        QFETCH(int, new_zoom);
        QFETCH(QPointF, new_pan);
        mw = testutils::make_window(700, 450);
        opengl* gl = mw->gl_ptr();
        mw->zoom_slider()->setValue(zoom);
        mw->set_sbar(float(pan.x()), float(pan.y()));
        QVERIFY(qAbs(gl->pan(0) - pan.x()) < 1e-3 && qAbs(gl->pan(1) - pan.y()) < 1e-3);
        const int painted = gl->paint_count();

        QTest::mouseDClick(gl, Qt::LeftButton, Qt::NoModifier, pos);
        QCOMPARE(gl->zoom(), new_zoom);
        QCOMPARE(mw->zoom_slider()->value(), new_zoom);
        // Scroll-bar values are whole steps of 1 / (zoom x canvas size) of the plane.
        QVERIFY2(qAbs(gl->pan(0) - new_pan.x()) <= 2.0 / (new_zoom * 700),
                 qPrintable(QString::number(gl->pan(0))));
        QVERIFY2(qAbs(gl->pan(1) - new_pan.y()) <= 2.0 / (new_zoom * 450),
                 qPrintable(QString::number(gl->pan(1))));
        QVERIFY(gl->painting());
        QVERIFY(gl->paint_count() > painted);
        QCOMPARE(gl->dialogs().size(), 0);
    }
};

QUORVEL_TEST_MAIN(tst_pick)
#include "tst_pick.moc"

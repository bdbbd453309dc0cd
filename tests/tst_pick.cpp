#include <QHelpEvent>
#include <QSlider>
#include <QToolTip>
#include <QWheelEvent>

#include <numeric>
#include <tuple>

#include "testutils.h"

using testutils::disc_at;
using testutils::placed;

Q_DECLARE_METATYPE(QList<tweet>)

// Hit testing of tweet discs, the tooltip over them, and zoom and pan by the pointer. Picking
// needs the canvas's size only: at zoom 1 a 900 x 900 canvas puts world x at 100 (x - 0.5) pixels.
class tst_pick : public QObject {
    Q_OBJECT

    opengl_win* mw = nullptr;

    static QList<int> pick(opengl& gl, QPoint p) {
        gl.pick_tweet(p.x(), p.y());
        return gl.picked();
    }

    static bool tooltip_at(opengl* gl, QPoint p) {
        QHelpEvent he(QEvent::ToolTip, p, gl->mapToGlobal(p));
        QApplication::sendEvent(gl, &he);
        return he.isAccepted();
    }

private slots:
    void cleanup() {
        QToolTip::hideText();
        delete mw;
        mw = nullptr;
        win = nullptr;
    }

    // The tweets whose discs meet the 8 x 8 pixel region about the pointer, in index order. The
    // selection buffer holds 256 words: 4 for each disc picked, 3 more when its outline crosses
    // the region, 3 once for the axes or a tick meeting it; one disc more than fits picks nothing.
    void picks_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("zoom"); // centred on (5, 5)
        QTest::addColumn<QList<tweet>>("tweets");
        QTest::addColumn<QPointF>("at"); // pointer in world units, plus...
        QTest::addColumn<int>("dx");     // ...pixels to the right
        QTest::addColumn<QList<int>>("want");
        const QSize sq(900, 900); // at zoom 1, world x lies at 100 (x - 0.5) pixels
        auto stack = [](int n, float x, float y, float fq) { return QList<tweet>(n, placed(x, y, 1, fq)); };
        auto upto = [](int n) {
            QList<int> l(n);
            std::iota(l.begin(), l.end(), 0);
            return l;
        };
        const QList<tweet> six{placed(3, 3, 1, 10),       placed(7, 7, 1, 10), placed(3.12f, 3, 1, 10),
                               placed(2.9f, 3.1f, 1, 10), placed(3, 3, 1, 10), placed(qQNaN(), 3, 1, 10)};
        QTest::addRow("overlapping") << sq << 1 << six << QPointF(3, 3) << 0 << QList<int>{0, 2, 3, 4};
        // zoom 2 shows [2.75, 7.25] on both axes: 200 pixels a unit
        QTest::addRow("zoom 2") << sq << 2 << six << QPointF(7, 7) << 0 << QList<int>{1};
        QTest::addRow("zoom 2, on the pleasure axis")
            << sq << 2 << stack(64, 5.5f, 5, 20) << QPointF(5.5, 5) << 0 << QList<int>();
        // fq 10: a radius of 10 pixels; the region reaches 4 pixels from the pointer
        QTest::addRow("3 px outside")
            << sq << 1 << stack(1, 3, 3, 10) << QPointF(3, 3) << 13 << QList<int>{0};
        QTest::addRow("6 px outside") << sq << 1 << stack(1, 3, 3, 10) << QPointF(3, 3) << 16 << QList<int>();
        QTest::addRow("transparent fill")
            << sq << 1 << QList<tweet>{placed(3, 3, 4, 10)} << QPointF(3, 3) << 13 << QList<int>{0};
        // fq 4 gives 4 pixels, scaled by max(W, H) / W: 7 pixels on a tall canvas
        QTest::addRow("tall canvas") << QSize(400, 700) << 1 << stack(1, 3, 3, 4) << QPointF(3, 3) << 10
                                     << QList<int>{0};
        for (auto [name, x, y, fit] : {std::tuple{"clear of the axes", 3.0f, 3.0f, 64},
                                       {"on the pleasure axis", 3, 5, 63},
                                       {"on the arousal axis", 5, 7.5f, 63},
                                       {"7 px above a major tick", 3, 5.07f, 63},
                                       {"7 px right of a major tick", 5.07f, 8, 63},
                                       {"6 px above a minor tick", 3.25f, 5.06f, 63},
                                       {"7 px above a minor tick", 3.25f, 5.07f, 64},
                                       {"beyond the axis end", 9.05f, 5, 64}}) {
            QTest::addRow("%s", name) << sq << 1 << stack(fit, x, y, 20) << QPointF(x, y) << 0 << upto(fit);
            QTest::addRow("%s, one more", name)
                << sq << 1 << stack(fit + 1, x, y, 20) << QPointF(x, y) << 0 << QList<int>();
        }
        QTest::addRow("outlines crossing") << sq << 1 << stack(36, 3, 3, 3) << QPointF(3, 3) << 0 << upto(36);
        QTest::addRow("outlines crossing, one more")
            << sq << 1 << stack(37, 3, 3, 3) << QPointF(3, 3) << 0 << QList<int>();
    }
    void picks() {
        QFETCH(QSize, size);
        QFETCH(int, zoom);
        QFETCH(QList<tweet>, tweets);
        QFETCH(QPointF, at);
        QFETCH(int, dx);
        QFETCH(QList<int>, want);
        opengl gl;
        gl.resize(size);
        gl.update_zoom(zoom);
        gl.update_x_trans((1 - 1.0f / zoom) / 2);
        gl.update_y_trans((1 - 1.0f / zoom) / 2);
        gl.tweets() = tweets;
        const double unit = zoom * size.width() / 9.0;
        const QPoint p(
            qRound(unit * (at.x() + gl.translation(0) - 0.5)) + dx,
            qRound(size.height() - zoom * size.height() / 9.0 * (at.y() + gl.translation(1) - 0.5)));
        QCOMPARE(pick(gl, p), want);
        gl.paint_flag(false); // nothing is drawn, so nothing is picked
        QVERIFY(pick(gl, p).isEmpty());
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
            t.set_estimate(i < 3 ? 3.0f + 0.02f * i : 8.0f, 3.0f, 1.0f, 6); // dave lies elsewhere
            gl->tweets().append(t);
        }
        tooltip_at(gl, disc_at(*gl, 0));
        QTRY_VERIFY(QToolTip::isVisible());
        const QString tip = QToolTip::text();
        QCOMPARE(tip.count("<p>"), 3);
        QVERIFY2(!tip.contains('\n') && !tip.contains('\t') && !tip.contains("  "), qPrintable(tip));
        const qsizetype c = tip.indexOf("carol"), a = tip.indexOf("alice"), b = tip.indexOf("bob");
        QVERIFY(c >= 0 && c < a && a < b);

        // Over empty plane the tooltip goes away and the event is not taken; a move hides it too.
        QVERIFY(!tooltip_at(gl, QPoint(650, 40)));
        QTRY_VERIFY(!QToolTip::isVisible());
        tooltip_at(gl, disc_at(*gl, 0));
        QTRY_VERIFY(QToolTip::isVisible());
        QMouseEvent move(QEvent::MouseMove, QPointF(20, 20), gl->mapToGlobal(QPointF(20, 20)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(gl, &move);
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    // A double-click zooms in and centres the point under the pointer; the wheel zooms keeping
    // that point where it is; a left drag moves the plane with the pointer and shows no tooltip.
    void pointerZoomsAndPans_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QPointF>("pan");
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<QPoint>("gesture"); // none: double-click; (0, angle): wheel; else a drag by it
        QTest::addColumn<int>("new_zoom");
        QTest::addColumn<QPointF>("new_pan");
        QTest::addRow("zoom 1, centre")
            << 1 << QPointF(0, 0) << QPoint(350, 225) << QPoint() << 2 << QPointF(0.25, 0.25);
        // The point (4.1, 6.5) under the pointer becomes the centre of [1.85, 6.35] x [4.25, 8.75].
        QTest::addRow("zoom 1, upper left")
            << 1 << QPointF(0, 0) << QPoint(280, 150) << QPoint() << 2 << QPointF(0.15, 3.75 / 9);
        // At the highest zoom only the centring happens: the point 0.45 left of the view's centre.
        QTest::addRow("zoom 10, re-centres")
            << 10 << QPointF(0.45, 0.45) << QPoint(0, 225) << QPoint() << 10 << QPointF(0.40, 0.45);
        // (4.1, 6.5) stays under the pointer: [2.3, 6.8] x [3.5, 8].
        QTest::addRow("wheel in") << 1 << QPointF(0, 0) << QPoint(280, 150) << QPoint(0, 120) << 2
                                  << QPointF(0.2, 3.0 / 9);
        QTest::addRow("wheel out") << 2 << QPointF(0.2, 3.0 / 9) << QPoint(280, 150) << QPoint(0, -120) << 1
                                   << QPointF(0, 0);
        QTest::addRow("half a notch")
            << 1 << QPointF(0, 0) << QPoint(280, 150) << QPoint(0, 60) << 1 << QPointF(0, 0);
        QTest::addRow("wheel in at zoom 10")
            << 10 << QPointF(0.45, 0.45) << QPoint(0, 225) << QPoint(0, 120) << 10 << QPointF(0.45, 0.45);
        QTest::addRow("drag left and down")
            << 2 << QPointF(0.25, 0.25) << QPoint(350, 225) << QPoint(-70, 45) << 2 << QPointF(0.3, 0.3);
    }
    void pointerZoomsAndPans() {
        QFETCH(int, zoom);
        QFETCH(QPointF, pan);
        QFETCH(QPoint, pos);
        QFETCH(QPoint, gesture);
        QFETCH(int, new_zoom);
        QFETCH(QPointF, new_pan);
        mw = testutils::make_window(700, 450);
        opengl* gl = mw->gl_ptr();
        gl->tweets() << placed(5, 5, 1, 10);
        mw->zoom_slider()->setValue(zoom);
        mw->set_sbar(float(pan.x()), float(pan.y()));
        if (gesture.isNull()) {
            QTest::mouseDClick(gl, Qt::LeftButton, Qt::NoModifier, pos);
        } else if (gesture.x() == 0) {
            QWheelEvent w(pos, gl->mapToGlobal(pos), QPoint(), gesture, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
            QApplication::sendEvent(gl, &w);
        } else {
            QTest::mousePress(gl, Qt::LeftButton, Qt::NoModifier, pos);
            QMouseEvent move(QEvent::MouseMove, pos + gesture, gl->mapToGlobal(pos + gesture), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(gl, &move);
            tooltip_at(gl, disc_at(*gl, 0));
            QVERIFY(QToolTip::text().isEmpty());
            QTest::mouseRelease(gl, Qt::LeftButton, Qt::NoModifier, pos + gesture);
            tooltip_at(gl, disc_at(*gl, 0));
            QVERIFY(!QToolTip::text().isEmpty());
        }
        QCOMPARE(mw->zoom_slider()->value(), new_zoom);
        // Scroll-bar values are whole steps of 1 / (zoom x canvas size) of the plane.
        QVERIFY2(qAbs(gl->pan(0) - new_pan.x()) <= 2.0 / (new_zoom * 700),
                 qPrintable(QString::number(gl->pan(0))));
        QVERIFY2(qAbs(gl->pan(1) - new_pan.y()) <= 2.0 / (new_zoom * 450),
                 qPrintable(QString::number(gl->pan(1))));
    }
};

QUORVEL_TEST_MAIN(tst_pick)
#include "tst_pick.moc"

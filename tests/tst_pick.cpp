#include <QHelpEvent>
#include <QSlider>
#include <QToolTip>

#include "testutils.h"

using testutils::disc_at;
using testutils::placed;

// Hit testing of tweet discs, the tooltip over them and double-click zoom. Picking needs the
// canvas's size only: at zoom 1 a 900 x 900 canvas puts world x at 100 (x - 0.5) pixels.
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

    void overlappingDiscsInIndexOrder() {
        opengl gl;
        gl.resize(900, 900);
        gl.tweets() << placed(3, 3, 1, 10)        // 0: centre (250, 250)
                    << placed(7, 7, 1, 10)        // 1: far away
                    << placed(3.12f, 3, 1, 10)    // 2: 12 px to the right
                    << placed(2.9f, 3.1f, 1, 10)  // 3: up and left
                    << placed(3, 3, 1, 10)        // 4: on top of 0
                    << placed(qQNaN(), 3, 1, 10); // 5: nowhere
        QCOMPARE(pick(gl, QPoint(250, 650)), QList<int>({0, 2, 3, 4}));
        // Zoom 2 showing [2.75, 7.25] on both axes: 200 pixels per unit.
        gl.update_zoom(2);
        gl.update_x_trans(0.25f);
        gl.update_y_trans(0.25f);
        QCOMPARE(pick(gl, QPoint(850, 50)), QList<int>({1}));
        gl.paint_flag(false);
        QVERIFY(pick(gl, QPoint(250, 650)).isEmpty());
    }

    void regionAroundThePointer_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<float>("fq");
        QTest::addColumn<float>("sd");
        QTest::addColumn<int>("dx");
        QTest::addColumn<bool>("hit");
        // fq 10: a radius of 10 pixels; the region reaches 4 pixels from the pointer.
        const QSize sq(900, 900), tall(400, 700);
        QTest::addRow("3 px outside") << sq << 10.f << 1.f << 13 << true;
        QTest::addRow("6 px outside") << sq << 10.f << 1.f << 16 << false;
        QTest::addRow("transparent fill") << sq << 10.f << 4.f << 13 << true;
        // fq 4 gives 4 pixels, scaled by max(W, H) / W: 7 pixels on a tall canvas.
        QTest::addRow("tall, 3 px outside") << tall << 4.f << 1.f << 10 << true;
    }
    void regionAroundThePointer() {
        QFETCH(QSize, size);
        QFETCH(float, fq);
        QFETCH(float, sd);
        QFETCH(int, dx);
        QFETCH(bool, hit);
        opengl gl;
        gl.resize(size);
        gl.tweets() << placed(3, 3, sd, fq);
        QCOMPARE(pick(gl, disc_at(gl, 0, dx)).size(), hit ? 1 : 0);
    }

    // The selection buffer holds 256 words: 4 for each disc under the pointer, 3 more when its
    // outline crosses the 8 x 8 pixel region, 3 once for the axes or a tick meeting it. One more
    // disc than fits picks nothing.
    void selectionBufferLimit_data() {
        QTest::addColumn<QPointF>("at"); // on a 900 x 900 canvas: 100 pixels a unit
        QTest::addColumn<float>("fq");
        QTest::addColumn<int>("fit");
        QTest::addRow("clear of the axes") << QPointF(3, 3) << 20.f << 64;
        QTest::addRow("on the pleasure axis") << QPointF(3, 5) << 20.f << 63;
        QTest::addRow("on the arousal axis") << QPointF(5, 7.5) << 20.f << 63;
        QTest::addRow("7 px above a major tick") << QPointF(3, 5.07) << 20.f << 63;
        QTest::addRow("7 px right of a major tick") << QPointF(5.07, 8) << 20.f << 63;
        QTest::addRow("6 px above a minor tick") << QPointF(3.25, 5.06) << 20.f << 63;
        QTest::addRow("7 px above a minor tick") << QPointF(3.25, 5.07) << 20.f << 64;
        QTest::addRow("beyond the axis end") << QPointF(9.05, 5) << 20.f << 64;
        QTest::addRow("outlines crossing") << QPointF(3, 3) << 3.f << 36;
    }
    void selectionBufferLimit() {
        QFETCH(QPointF, at);
        QFETCH(float, fq);
        QFETCH(int, fit);
        opengl gl;
        gl.resize(900, 900);
        for (int i = 0; i < fit; ++i)
            gl.tweets() << placed(float(at.x()), float(at.y()), 1, fq);
        const QPoint p(qRound(100 * (at.x() - 0.5)), qRound(900 - 100 * (at.y() - 0.5)));
        QCOMPARE(pick(gl, p).size(), fit);
        gl.tweets() << placed(float(at.x()), float(at.y()), 1, fq);
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
        // At the highest zoom only the centring happens: the point 0.45 left of the view's centre.
        QTest::addRow("zoom 10, re-centres")
            << 10 << QPointF(0.45, 0.45) << QPoint(0, 225) << 10 << QPointF(0.40, 0.45);
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
        QTest::mouseDClick(gl, Qt::LeftButton, Qt::NoModifier, pos);
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

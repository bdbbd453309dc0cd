#include <QSlider>

#include "testutils.h"

// World/pixel conversions of the canvas and its paint switch.
class tst_canvas : public QObject {
    Q_OBJECT

    opengl_win* mw = nullptr;

    void view(int zoom, float pan) {
        mw->zoom_slider()->setValue(zoom);
        mw->set_sbar(pan, pan);
    }

private slots:
    void init() { mw = testutils::make_window(700, 450); }
    void cleanup() {
        delete mw;
        win = nullptr;
    }

    void worldToPixel_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<float>("pan");
        QTest::addColumn<QPointF>("wc");
        QTest::addColumn<QPoint>("pix");
        QTest::addRow("lower-left corner") << 1 << 0.f << QPointF(0.5, 0.5) << QPoint(0, 0);
        QTest::addRow("upper-right corner") << 1 << 0.f << QPointF(9.5, 9.5) << QPoint(700, 450);
        QTest::addRow("centre") << 1 << 0.f << QPointF(5, 5) << QPoint(350, 225);
        QTest::addRow("left of the view") << 1 << 0.f << QPointF(0, 0) << QPoint(-38, -25);
        QTest::addRow("pleasure axis end") << 1 << 0.f << QPointF(9, 5) << QPoint(661, 225);
        // Zoomed in, the view starts at 0.5 + 9 x pan and pixels come in steps of the zoom.
        QTest::addRow("zoom 2, view start") << 2 << 0.25f << QPointF(2.75, 2.75) << QPoint(0, 0);
        QTest::addRow("zoom 2, view end") << 2 << 0.25f << QPointF(7.25, 7.25) << QPoint(700, 450);
        QTest::addRow("zoom 10, steps of ten") << 10 << 0.f << QPointF(1, 1) << QPoint(380, 250);
    }
    void worldToPixel() {
        QFETCH(int, zoom);
        QFETCH(float, pan);
        QFETCH(QPointF, wc);
        QFETCH(QPoint, pix);
        view(zoom, pan);
        QPoint got;
        mw->gl_ptr()->WC_2_pix(float(wc.x()), float(wc.y()), got.rx(), got.ry());
        QCOMPARE(got, pix);
    }

    void pixelLengthToWorld_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<bool>("across");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<float>("wc");
        QTest::addRow("nothing") << 1 << true << 0 << 0.0f;
        QTest::addRow("full width") << 1 << true << 700 << 9.0f;
        QTest::addRow("full height") << 1 << false << 450 << 9.0f;
        QTest::addRow("width at zoom 3") << 3 << true << 700 << 3.0f;
        QTest::addRow("half height at zoom 3") << 3 << false << 225 << 1.5f;
    }
    void pixelLengthToWorld() {
        QFETCH(int, zoom);
        QFETCH(bool, across);
        QFETCH(int, pixels);
        QFETCH(float, wc);
        view(zoom, 0);
        float got = -1;
        across ? mw->gl_ptr()->pix_2_WC_w(pixels, got) : mw->gl_ptr()->pix_2_WC_h(pixels, got);
        QCOMPARE(got, wc);
    }

    // With painting off a repaint neither clears nor draws: the frame stays as it was.
    void paintingOffLeavesFrameUntouched() {
        opengl* gl = mw->gl_ptr();
        const QImage before = testutils::grab(gl).convertToFormat(QImage::Format_RGB32);
        gl->tweets().append(testutils::placed(5, 5, 1.5f, 20));
        gl->paint_flag(false);
        gl->updateGL();
        QCOMPARE(testutils::frame(gl), before);
        gl->paint_flag(true);
        gl->updateGL();
        QVERIFY(testutils::frame(gl) != before);
    }
};

QUORVEL_TEST_MAIN(tst_canvas)
#include "tst_canvas.moc"

#include "testutils.h"

// World/pixel conversions of the canvas and its cleared frame.
class tst_canvas : public QObject {
    Q_OBJECT

    opengl_win* mw = nullptr;

private slots:
    void init() { mw = testutils::make_window(700, 450); }
    void cleanup() {
        delete mw;
        mw = nullptr;
        win = nullptr;
    }

    void sizeHints() {
        opengl gl(nullptr);
        QCOMPARE(gl.sizeHint(), QSize(700, 450));
        QCOMPARE(gl.minimumSizeHint(), QSize(700, 450));
    }

    void worldToPixelAtZoomOne_data() {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<int>("px");
        QTest::addColumn<int>("py");
        QTest::addRow("lower-left corner") << 0.5f << 0.5f << 0 << 0;
        QTest::addRow("upper-right corner") << 9.5f << 9.5f << 700 << 450;
        QTest::addRow("centre") << 5.0f << 5.0f << 350 << 225;
        QTest::addRow("left of the view") << 0.0f << 0.0f << -38 << -25;
        QTest::addRow("pleasure axis start") << 1.0f << 5.0f << 38 << 225;
        QTest::addRow("pleasure axis end") << 9.0f << 5.0f << 661 << 225;
    }
    void worldToPixelAtZoomOne() {
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(int, px);
        QFETCH(int, py);
        int gx = 0, gy = 0;
        mw->gl_ptr()->WC_2_pix(x, y, gx, gy);
        QCOMPARE(gx, px);
        QCOMPARE(gy, py);
    }

    void zoomTenGivesMultiplesOfTen() {
        mw->zoom_slider()->setValue(10);
        opengl* gl = mw->gl_ptr();
        float w = 0, h = 0;
        gl->get_screen_rng(w, h);
        QCOMPARE(w, 0.9f);
        QCOMPARE(h, 0.9f);
        for (float x = 0.5f; x < 9.5f; x += 0.37f) {
            int px = 1, py = 1;
            gl->WC_2_pix(x, 9.5f - x, px, py);
            QCOMPARE(px % 10, 0);
            QCOMPARE(py % 10, 0);
        }
    }

    void pixelLengthsToWorld() {
        opengl* gl = mw->gl_ptr();
        float wc = -1;
        gl->pix_2_WC_w(0, wc);
        QCOMPARE(wc, 0.0f);
        gl->pix_2_WC_w(700, wc);
        QCOMPARE(wc, 9.0f);
        gl->pix_2_WC_h(450, wc);
        QCOMPARE(wc, 9.0f);
        mw->zoom_slider()->setValue(3);
        gl->pix_2_WC_w(700, wc);
        QCOMPARE(wc, 3.0f);
        gl->pix_2_WC_h(225, wc);
        QCOMPARE(wc, 1.5f);
    }

    void panMovesViewByFraction() {
        mw->zoom_in();
        mw->set_sbar(0.25f, 0.25f);
        opengl* gl = mw->gl_ptr();
        QCOMPARE(gl->translation(0), -2.25f);
        int px = 0, py = 0;
        gl->WC_2_pix(2.75f, 2.75f, px, py); // the visible square starts here
        QCOMPARE(px, 0);
        QCOMPARE(py, 0);
        gl->WC_2_pix(7.25f, 7.25f, px, py);
        QCOMPARE(px, 700);
        QCOMPARE(py, 450);
    }

    void discRadiusNeverVanishes_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<float>("fq");
        QTest::addColumn<int>("radius");
        QTest::addRow("zoom 1") << 1 << 3.7f << 3;
        QTest::addRow("zoom 2 truncates") << 2 << 3.7f << 7;
        QTest::addRow("below one pixel") << 1 << 0.4f << 1;
        QTest::addRow("negative") << 1 << -2.0f << 1;
        QTest::addRow("minus infinity") << 4 << -std::numeric_limits<float>::infinity() << 1;
        QTest::addRow("nan") << 1 << std::numeric_limits<float>::quiet_NaN() << 1;
    }
    void discRadiusNeverVanishes() {
        QFETCH(int, zoom);
        QFETCH(float, fq);
        QFETCH(int, radius);
        mw->zoom_slider()->setValue(zoom);
        QCOMPARE(mw->gl_ptr()->radius_px(fq), radius);
    }

    void clearsToSkyBlue() {
        const QImage img = testutils::grab(mw->gl_ptr());
        QCOMPARE(img.size(), QSize(700, 450));
        for (QPoint p : {QPoint(3, 3), QPoint(690, 440), QPoint(120, 400)}) {
            const QRgb c = img.pixel(p);
            QVERIFY2(testutils::near_rgb(c, 189, 222, 255),
                     qPrintable(QString::number(c, 16)));
        }
    }

    void paintingOffLeavesFrameUntouched() {
        opengl* gl = mw->gl_ptr();
        const int before = gl->paint_count();
        gl->paint_flag(false);
        gl->updateGL();
        QCOMPARE(gl->paint_count(), before);
        gl->paint_flag(true);
        gl->updateGL();
        QCOMPARE(gl->paint_count(), before + 1);
    }
};

QUORVEL_TEST_MAIN(tst_canvas)
#include "tst_canvas.moc"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>

#include "testutils.h"

// Zoom slider, scroll bars and the pan fractions they hand to the canvas.
class tst_window : public QObject {
    Q_OBJECT

    opengl_win* mw = nullptr;
    opengl* gl = nullptr;

    void trigger(const char* name) { mw->findChild<QAction*>(QLatin1String(name))->trigger(); }
    QString label() const { return mw->zoom_label()->text(); }

private slots:
    void init() {
        mw = testutils::make_window(400, 400);
        gl = mw->gl_ptr();
    }
    void cleanup() {
        delete mw;
        win = nullptr;
    }

    void barsFollowZoom() {
        QCOMPARE(label(), QString("1") + QChar(0x00D7));
        QCOMPARE(mw->zoom_label()->font().pointSize(), QFont().pointSize() - 1);
        QCOMPARE(mw->x_bar()->maximum(), 0);
        QCOMPARE(mw->y_bar()->maximum(), 0);
        trigger("zoom_in_act");
        // Zoom 2 shows the top-left quarter.
        QCOMPARE(gl->zoom(), 2);
        QCOMPARE(label(), QString("2") + QChar(0x00D7));
        QCOMPARE(mw->x_bar()->maximum(), 400);
        QCOMPARE(mw->y_bar()->maximum(), 400);
        QCOMPARE(mw->x_bar()->pageStep(), 400);
        QCOMPARE(mw->x_bar()->value(), 0);
        QCOMPARE(mw->y_bar()->value(), 0);
        QCOMPARE(gl->pan(0), 0.0f);
        QCOMPARE(gl->pan(1), 0.5f);
        QCOMPARE(gl->translation(1), -4.5f);
        // The bars keep their relative position across zoom changes.
        mw->x_bar()->setValue(200);
        QCOMPARE(gl->pan(0), 0.25f);
        trigger("zoom_in_act");
        QCOMPARE(mw->x_bar()->maximum(), 800);
        QCOMPARE(mw->x_bar()->value(), 400);
        QCOMPARE(gl->pan(0), 400.0f / 1200.0f);
        trigger("zoom_out_act");
        QCOMPARE(gl->zoom(), 2);
        // Ctrl+= zooms in as well: "+" is a shifted "=" on most keyboards
        mw->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(mw));
        QTest::keyClick(mw, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(gl->zoom(), 3);
    }

    void setSbar_data() {
        QTest::addColumn<QPointF>("request");
        QTest::addColumn<QPoint>("bars");
        QTest::addColumn<QPointF>("pan");
        QTest::addRow("inside") << QPointF(0.25, 0.25) << QPoint(200, 200) << QPointF(0.25, 0.25);
        QTest::addRow("clamped") << QPointF(2, -1) << QPoint(400, 400) << QPointF(0.5, 0);
    }
    void setSbar() {
        QFETCH(QPointF, request);
        QFETCH(QPoint, bars);
        QFETCH(QPointF, pan);
        mw->zoom_in();
        mw->set_sbar(float(request.x()), float(request.y()));
        QCOMPARE(QPoint(mw->x_bar()->value(), mw->y_bar()->value()), bars);
        QCOMPARE(gl->pan(0), float(pan.x()));
        QCOMPARE(gl->pan(1), float(pan.y()));
    }

    void oneRepaintPerZoomChange() {
        int before = gl->paint_count();
        mw->zoom_in();
        QCOMPARE(gl->paint_count(), before + 1);
        QVERIFY(gl->painting());

        mw->zoom_slider()->setValue(10);
        QCOMPARE(label(), QString("10") + QChar(0x00D7));
        before = gl->paint_count();
        mw->zoom_in(); // at the top: nothing happens
        QCOMPARE(gl->zoom(), 10);
        QCOMPARE(gl->paint_count(), before);

        trigger("zoom_reset_act");
        QCOMPARE(gl->zoom(), 1);
        before = gl->paint_count();
        mw->zoom_out();
        mw->zoom_reset();
        QCOMPARE(gl->paint_count(), before);
        QCOMPARE(mw->x_bar()->maximum(), 0);
        QCOMPARE(gl->pan(0), 0.0f);
        QCOMPARE(gl->pan(1), 0.0f);
    }

    // Also while the capture dialog waits for a file name.
    void quitEndsEventLoopWithZero_data() {
        QTest::addColumn<bool>("capturing");
        QTest::addRow("idle") << false;
        QTest::addRow("capture dialog up") << true;
    }
    void quitEndsEventLoopWithZero() {
        QFETCH(bool, capturing);
        if (capturing) QTimer::singleShot(0, mw, &opengl_win::capture_screen);
        bool dialog_up = false;
        QTimer::singleShot(0, this, [&] {
            const QFileDialog* d = mw->findChild<QFileDialog*>();
            dialog_up = d && d->isVisible();
            trigger("quit_act");
        });
        QTimer watchdog; // ends the loop only if Quit does not
        connect(&watchdog, &QTimer::timeout, qApp, [] { qApp->exit(99); });
        watchdog.start(10000);
        QCOMPARE(qApp->exec(), 0);
        QVERIFY(!mw->isVisible());
        QCOMPARE(dialog_up, capturing);
    }
};

QUORVEL_TEST_MAIN(tst_window)
#include "tst_window.moc"

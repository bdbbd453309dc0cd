#include <QAction>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTimer>

#include "testutils.h"

// Zoom slider, scroll bars and the pan fractions they hand to the canvas.
class tst_window : public QObject {
    Q_OBJECT

    opengl_win* mw = nullptr;

private slots:
    void init() { mw = testutils::make_window(400, 400); }
    void cleanup() {
        delete mw;
        mw = nullptr;
        win = nullptr;
    }

    void startsAtZoomOneWithEmptyRanges() {
        QCOMPARE(mw->windowTitle(), QString("Quorvel"));
        QCOMPARE(mw->zoom_label()->text(), QString("1") + QChar(0x00D7));
        QCOMPARE(mw->x_bar()->maximum(), 0);
        QCOMPARE(mw->y_bar()->maximum(), 0);
        QCOMPARE(mw->gl_ptr()->pan(0), 0.0f);
        QCOMPARE(mw->gl_ptr()->pan(1), 0.0f);
        QCOMPARE(mw->gl_ptr()->zoom(), 1);
    }

    void zoomOneToTwoShowsTopLeft() {
        mw->zoom_in();
        QCOMPARE(mw->gl_ptr()->zoom(), 2);
        QCOMPARE(mw->x_bar()->maximum(), 400);
        QCOMPARE(mw->y_bar()->maximum(), 400);
        QCOMPARE(mw->x_bar()->pageStep(), 400);
        QCOMPARE(mw->x_bar()->value(), 0);
        QCOMPARE(mw->y_bar()->value(), 0);
        QCOMPARE(mw->gl_ptr()->pan(0), 0.0f);
        QCOMPARE(mw->gl_ptr()->pan(1), 0.5f);
        QCOMPARE(mw->gl_ptr()->translation(1), -4.5f);
        QCOMPARE(mw->zoom_label()->text(), QString("2") + QChar(0x00D7));
    }

    void barKeepsRelativePositionAcrossZoom() {
        mw->zoom_in();
        mw->x_bar()->setValue(200); // middle of 0..400
        QCOMPARE(mw->gl_ptr()->pan(0), 0.25f);
        mw->zoom_in();
        QCOMPARE(mw->x_bar()->maximum(), 800);
        QCOMPARE(mw->x_bar()->value(), 400);
        QCOMPARE(mw->gl_ptr()->pan(0), 400.0f / 1200.0f);
    }

    void setSbarIsInverseOfTranslations() {
        mw->zoom_in();
        mw->set_sbar(0.25f, 0.25f);
        QCOMPARE(mw->x_bar()->value(), 200);
        QCOMPARE(mw->y_bar()->value(), 200);
        QCOMPARE(mw->gl_ptr()->pan(0), 0.25f);
        QCOMPARE(mw->gl_ptr()->pan(1), 0.25f);
        // Out-of-range requests are clamped by the bars.
        mw->set_sbar(2.0f, -1.0f);
        QCOMPARE(mw->x_bar()->value(), 400);
        QCOMPARE(mw->y_bar()->value(), 400);
        QCOMPARE(mw->gl_ptr()->pan(1), 0.0f);
    }

    void oneRepaintPerZoomChange() {
        opengl* gl = mw->gl_ptr();
        int before = gl->paint_count();
        mw->zoom_in();
        QCOMPARE(gl->paint_count(), before + 1);
        QVERIFY(gl->painting());

        mw->zoom_slider()->setValue(10);
        QCOMPARE(mw->zoom_label()->text(), QString("10") + QChar(0x00D7));
        before = gl->paint_count();
        mw->zoom_in(); // at the top: nothing happens
        QCOMPARE(gl->zoom(), 10);
        QCOMPARE(gl->paint_count(), before);

        mw->zoom_reset();
        QCOMPARE(gl->zoom(), 1);
        before = gl->paint_count();
        mw->zoom_out();
        mw->zoom_reset();
        QCOMPARE(gl->paint_count(), before);
        QCOMPARE(mw->x_bar()->maximum(), 0);
        QCOMPARE(gl->pan(0), 0.0f);
        QCOMPARE(gl->pan(1), 0.0f);
    }

    void menuShortcutsDriveZoom() {
        const QList<QAction*> acts = mw->findChildren<QAction*>();
        auto find = [&](const char* nm) -> QAction* {
            for (QAction* a : acts)
                if (a->objectName() == QLatin1String(nm)) return a;
            return nullptr;
        };
        QVERIFY(find("query_act"));
        QCOMPARE(find("query_act")->shortcut(), QKeySequence("Ctrl+K"));
        QCOMPARE(find("zoom_reset_act")->shortcut(), QKeySequence("Ctrl+0"));
        QCOMPARE(find("quit_act")->shortcut(), QKeySequence(QKeySequence::Quit));
        find("zoom_in_act")->trigger();
        find("zoom_in_act")->trigger();
        QCOMPARE(mw->gl_ptr()->zoom(), 3);
        find("zoom_out_act")->trigger();
        QCOMPARE(mw->gl_ptr()->zoom(), 2);
        find("zoom_reset_act")->trigger();
        QCOMPARE(mw->gl_ptr()->zoom(), 1);
    }

    void quitEndsEventLoopWithZero() {
        QAction* quit = nullptr;
        for (QAction* a : mw->findChildren<QAction*>())
            if (a->objectName() == QLatin1String("quit_act")) quit = a;
        QVERIFY(quit);
        QTimer::singleShot(0, quit, &QAction::trigger);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, qApp, [] { qApp->exit(99); });
        watchdog.start(10000);
        QCOMPARE(qApp->exec(), 0);
        QVERIFY(!mw->isVisible());
    }
};

QUORVEL_TEST_MAIN(tst_window)
#include "tst_window.moc"

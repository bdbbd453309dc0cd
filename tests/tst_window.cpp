#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>

#include <functional>
#include <utility>

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

    // The window after each step, as one line: zoom label (its font a point smaller than the
    // default), bar maxima and page step, bar values, the pan fractions the canvas was given, and
    // the repaints the step cost (one per change of zoom or pan, none when nothing changes).
    void zoomAndPanSteps() {
        QCOMPARE(mw->zoom_label()->font().pointSize(), QFont().pointSize() - 1);
        const std::pair<std::function<void()>, QString> steps[] = {
            // zoom 2 shows the top-left quarter
            {[&] { trigger("zoom_in_act"); }, "2\u00d7 | 400 400 400 | 0 0 | 0 0.5 | 1"},
            {[&] { mw->x_bar()->setValue(200); }, "2\u00d7 | 400 400 400 | 200 0 | 0.25 0.5 | 1"},
            // the bars keep their relative position
            {[&] { trigger("zoom_in_act"); }, "3\u00d7 | 800 800 400 | 400 0 | 0.333333 0.666667 | 1"},
            {[&] { trigger("zoom_out_act"); }, "2\u00d7 | 400 400 400 | 200 0 | 0.25 0.5 | 1"},
            {[&] { mw->set_sbar(0.25f, 0.25f); }, "2\u00d7 | 400 400 400 | 200 200 | 0.25 0.25 | 1"},
            {[&] { mw->set_sbar(2, -1); }, "2\u00d7 | 400 400 400 | 400 400 | 0.5 0 | 2"}, // clamped
            {[&] { mw->zoom_slider()->setValue(10); }, "10\u00d7 | 3600 3600 400 | 3600 3600 | 0.9 0 | 1"},
            {[&] { mw->zoom_in(); }, "10\u00d7 | 3600 3600 400 | 3600 3600 | 0.9 0 | 0"}, // at the top
            {[&] { trigger("zoom_reset_act"); }, "1\u00d7 | 0 0 400 | 0 0 | 0 0 | 1"},
            {[&] { mw->zoom_out(), mw->zoom_reset(); }, "1\u00d7 | 0 0 400 | 0 0 | 0 0 | 0"}};
        for (const auto& [step, want] : steps) {
            const int before = gl->paint_count();
            step();
            const QScrollBar *x = mw->x_bar(), *y = mw->y_bar();
            QCOMPARE(QString::asprintf("%s | %d %d %d | %d %d | %g %g | %d", qPrintable(label()),
                                       x->maximum(), y->maximum(), x->pageStep(), x->value(), y->value(),
                                       gl->pan(0), gl->pan(1), gl->paint_count() - before),
                     want);
            QVERIFY(gl->painting());
        }
        // Ctrl+= zooms in as well: "+" is a shifted "=" on most keyboards
        mw->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(mw));
        QTest::keyClick(mw, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(gl->zoom(), 2);
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

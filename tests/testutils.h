#pragma once

// Shared fixtures of the QtTest suites.

#include <QApplication>
#include <QImage>
#include <QSurfaceFormat>
#include <QTest>

#include "globals.h"
#include "opengl.h"
#include "opengl_win.h"

#include <QLabel>
#include <QScrollBar>
#include <QSlider>

namespace testutils {

// The program's GL set-up: a compatibility context for fixed-function GL and GLU.
inline void set_gl_format() {
    QSurfaceFormat fmt = QSurfaceFormat::defaultFormat();
    fmt.setRenderableType(QSurfaceFormat::OpenGL);
    fmt.setProfile(QSurfaceFormat::CompatibilityProfile);
    QSurfaceFormat::setDefaultFormat(fmt);
}

// A shown main window registered as the process's win_ptr(), its canvas at w x h pixels and
// painted at least once. Deleted by the caller.
inline opengl_win* make_window(int w = 700, int h = 450) {
    opengl_win* mw = new opengl_win();
    mw->gl_ptr()->setFixedSize(w, h);
    win = mw;
    mw->show();
    if (QTest::qWaitForWindowExposed(mw))
        (void)QTest::qWaitFor([mw] { return mw->gl_ptr()->paint_count() > 0; }, 5000);
    return mw;
}

// The canvas's current frame as the user sees it; y counts from the top edge.
inline QImage grab(opengl* gl) {
    gl->updateGL();
    return gl->grabFramebuffer();
}

inline QRgb pixel(opengl* gl, int x, int y_top) { return grab(gl).pixel(x, y_top); }

inline bool near_rgb(QRgb c, int r, int g, int b, int tol = 2) {
    return qAbs(qRed(c) - r) <= tol && qAbs(qGreen(c) - g) <= tol && qAbs(qBlue(c) - b) <= tol;
}

} // namespace testutils

// QTEST_MAIN with the program's GL surface format set before the application object exists.
#define QUORVEL_TEST_MAIN(TestObject)                                                                 \
    int main(int argc, char* argv[]) {                                                                \
        testutils::set_gl_format();                                                                   \
        QApplication app(argc, argv);                                                                 \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                      \
        TestObject tc;                                                                                \
        QTEST_SET_MAIN_SOURCE_PATH                                                                    \
        return QTest::qExec(&tc, argc, argv);                                                         \
    }

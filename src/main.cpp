#include <QApplication>
#include <QSurfaceFormat>

#include "globals.h"
#include "main.h"
#include "opengl_win.h"

int main(int argc, char* argv[]) {
    // Fixed-function GL and GLU need a compatibility context; set it before any widget exists.
    QSurfaceFormat fmt = QSurfaceFormat::defaultFormat();
    fmt.setRenderableType(QSurfaceFormat::OpenGL);
    fmt.setProfile(QSurfaceFormat::CompatibilityProfile);
    QSurfaceFormat::setDefaultFormat(fmt);

    QApplication app(argc, argv);

    win = new opengl_win();
    win->show();
    const int rc = app.exec();

    delete win;
    return rc;
}

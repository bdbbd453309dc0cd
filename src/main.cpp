#include <QApplication>
#include <QSurfaceFormat>

#include "collection.h"
#include "doc_sim.h"
#include "globals.h"
#include "main.h"
#include "opengl.h"
#include "opengl_win.h"
#include "termvec.h"

namespace {
// The similarity matrix has no accessor: nothing but main() touches it.
doc_sim* sim = nullptr;
} // namespace

int main(int argc, char* argv[]) {
    // Fixed-function GL and GLU need a compatibility context; set it before any widget exists.
    opengl::set_surface_format();

    QApplication app(argc, argv);

    sim = new doc_sim();
    collect = new collection();
    tvec = new termvec();

    int rc = 1;
    if (sim && collect && tvec) {
        win = new opengl_win();
        win->show();
        rc = app.exec();
    }

    // Reverse order of creation, the window first.
    delete win;
    delete tvec;
    delete collect;
    delete sim;
    return rc;
}

#include "qt_msg_dlg.h"

#include <QEvent>

#include "main.h"
#include "opengl.h"
#include "opengl_win.h"

qt_msg_dlg::qt_msg_dlg(QWidget* parent) : QMessageBox(parent), t_ID(-1) {}

bool qt_msg_dlg::event(QEvent* e) {
    const QEvent::Type type = e->type();
    const bool focus_change = type == QEvent::WindowActivate || type == QEvent::WindowDeactivate;
    // Only a dialog that stands for a tweet touches the canvas: the registry detaches dialogs
    // before it hides and destroys them, possibly while the canvas itself is going.
    opengl* gl = nullptr;
    if (t_ID >= 0 && (focus_change || type == QEvent::Hide) && win_ptr()) gl = win_ptr()->gl_ptr();
    if (gl) {
        if (type == QEvent::WindowActivate) {
            gl->add_dlg_ID(t_ID);
            gl->updateGL();
        } else if (type == QEvent::WindowDeactivate) {
            gl->remove_dlg_ID(t_ID);
            gl->updateGL();
        } else if (gl->highlighted().contains(t_ID)) {
            // Hidden: the window system may report the deactivation late, or not at all once the
            // dialog is gone; do not leave its tweet highlighted meanwhile.
            gl->remove_dlg_ID(t_ID);
            gl->updateGL();
        }
    }
    return QMessageBox::event(e);
}

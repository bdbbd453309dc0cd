#include "msg_dlg_db.h"

#include <QGuiApplication>
#include <QPoint>
#include <QScreen>
#include <QUrl>

#include "config.h"
#include "main.h"
#include "opengl_win.h"
#include "qt_msg_dlg.h"

#include <algorithm>

namespace {

// The author as a bold link to the profile page. The name comes from the feed: it is escaped as
// text and percent-encoded in the address, so it can neither add markup nor leave the profile site.
QString author_link(const QString& name) {
    const QString href =
        QString::fromLatin1(QUORVEL_PROFILE_BASE) + QString::fromLatin1(QUrl::toPercentEncoding(name));
    return QStringLiteral("<b><a href=\"%1\">%2</a></b>").arg(href.toHtmlEscaped(), name.toHtmlEscaped());
}

// New dialogs cascade from near the main window's corner, each a step down and to the right of
// the one before; a place an open dialog holds is passed over, and a run that would leave the
// screen starts again at the top, a little to the right.
QPoint cascade_place(const QList<qt_msg_dlg*>& open, QSize size) {
    const opengl_win* mw = win_ptr();
    const QScreen* scr = mw && mw->screen() ? mw->screen() : QGuiApplication::primaryScreen();
    const QRect avail = scr ? scr->availableGeometry() : QRect(0, 0, 1024, 768);
    const QPoint base = (mw ? mw->geometry().topLeft() : avail.topLeft()) + QPoint(40, 40);
    constexpr int step = 28;
    const int room =
        std::min(avail.bottom() - base.y() - size.height(), avail.right() - base.x() - size.width());
    const int run = std::max(1, room / step + 1);
    for (int i = 0;; ++i) {
        const QPoint p = base + QPoint(step, step) * (i % run) + QPoint(step / 2 * (i / run), 0);
        bool taken = false;
        for (const qt_msg_dlg* d : open)
            taken = taken || (d->isVisible() && d->pos() == p);
        if (!taken || i > 10000) return p;
    }
}

} // namespace

msg_dlg_db::msg_dlg_db() = default;

msg_dlg_db::~msg_dlg_db() {
    cleanup();
}

void msg_dlg_db::add(tweet t, int ID, bool detailed) {
    const int pos = find(ID);
    if (pos >= 0) {
        qt_msg_dlg* dlg = dlg_db.at(pos);
        dlg->show();
        dlg->raise();
        dlg->activateWindow();
        return;
    }

    qt_msg_dlg* dlg = new qt_msg_dlg(nullptr);
    dlg->setIcon(QMessageBox::Information);
    dlg->setModal(false);
    dlg->setWindowModality(Qt::NonModal);
    dlg->setTextFormat(Qt::RichText);
    dlg->setTextInteractionFlags(Qt::TextBrowserInteraction);
    dlg->set_ID(ID);
    connect(dlg, &QDialog::finished, this, &msg_dlg_db::close_dlg);
    dlg->setText(author_link(t.name()));
    dlg->setInformativeText(
        QStringLiteral("<i>%1:</i> %2")
            .arg(t.time().toHtmlEscaped(), detailed ? t.content_w_term() : t.content_fmt()));
    dlg->move(cascade_place(dlg_db, dlg->sizeHint()));
    dlg->show();
    dlg_db.append(dlg);
}

int msg_dlg_db::find(int ID) const {
    for (int i = 0; i < dlg_db.size(); ++i)
        if (dlg_db.at(i)->get_ID() == ID) return i;
    return -1;
}

void msg_dlg_db::cleanup() {
    const QList<qt_msg_dlg*> gone = dlg_db;
    dlg_db.clear();
    for (qt_msg_dlg* dlg : gone) {
        disconnect(dlg, nullptr, this, nullptr);
        // Detached from its tweet first: the caller forgets the highlights of all dialogs at once.
        dlg->set_ID(-1);
        dlg->hide();
        delete dlg;
    }
}

void msg_dlg_db::close_dlg() {
    qt_msg_dlg* dlg = qobject_cast<qt_msg_dlg*>(sender());
    const int pos = dlg ? int(dlg_db.indexOf(dlg)) : -1;
    if (pos < 0) return;
    dlg_db.removeAt(pos);
    disconnect(dlg, nullptr, this, nullptr);
    dlg->set_ID(-1);
    // Still inside the dialog's own finished() emission: destroy it once that has returned.
    dlg->deleteLater();
}

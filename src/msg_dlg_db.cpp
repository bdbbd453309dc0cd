#include "msg_dlg_db.h"

#include <QUrl>

#include "config.h"
#include "qt_msg_dlg.h"

namespace {

// The author as a bold link to the profile page. The name comes from the feed: it is escaped as
// text and percent-encoded in the address, so it can neither add markup nor leave the profile site.
QString author_link(const QString& name) {
    const QString href =
        QString::fromLatin1(QUORVEL_PROFILE_BASE) + QString::fromLatin1(QUrl::toPercentEncoding(name));
    return QStringLiteral("<b><a href=\"%1\">%2</a></b>").arg(href.toHtmlEscaped(), name.toHtmlEscaped());
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

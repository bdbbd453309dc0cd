#pragma once

#include <QList>
#include <QObject>

#include "tweet.h"

class qt_msg_dlg;

// The canvas's open tweet dialogs, at most one per tweet index, in order of creation. The
// registry owns them: a dialog that leaves it is destroyed.
class msg_dlg_db : public QObject {
    Q_OBJECT

public:
    msg_dlg_db();
    ~msg_dlg_db() override;

    // Shows a dialog for tweet t, whose index in the canvas's list is ID; if one is already open
    // for ID, makes that one the active window instead.
    void add(tweet t, int ID, bool detailed);
    // Position in the registry of the dialog for tweet index ID, or -1.
    int find(int ID) const;
    // Hides and forgets every dialog.
    void cleanup();

    int size() const { return dlg_db.size(); }
    qt_msg_dlg* at(int pos) const { return dlg_db.at(pos); }

public slots:
    // Forgets the dialog that sent the signal (its finished(int)).
    void close_dlg();

private:
    QList<qt_msg_dlg*> dlg_db;
};

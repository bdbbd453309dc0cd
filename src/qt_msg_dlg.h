#pragma once

#include <QMessageBox>

// A stand-alone message box showing one tweet. While it is the active window the canvas draws
// its tweet highlighted.
class qt_msg_dlg : public QMessageBox {
    Q_OBJECT

public:
    explicit qt_msg_dlg(QWidget* parent = nullptr);

    // Index of the shown tweet in the canvas's list; -1 when the dialog stands for no tweet.
    int get_ID() const { return t_ID; }
    void set_ID(int ID) { t_ID = ID; }

protected:
    bool event(QEvent* e) override;

private:
    int t_ID;
};

#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QPixmap;
class QVBoxLayout;

// Help > About: the program's name, emblem, authors, affiliation and version. Fixed size; OK
// only hides it, so it is built once and shown again as it was.
class qt_about_dlg : public QDialog {
    Q_OBJECT

public:
    explicit qt_about_dlg(QWidget* parent = nullptr);
    ~qt_about_dlg() override;

private:
    QLabel* author;
    QDialogButtonBox* buttons;
    QPixmap* img;
    QLabel* img_frame;
    QLabel* inst;
    QVBoxLayout* layout;
    QLabel* title;
    QLabel* version;
};

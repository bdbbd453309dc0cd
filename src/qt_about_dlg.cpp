#include "qt_about_dlg.h"

#include <QApplication>
#include <QDebug>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

qt_about_dlg::qt_about_dlg(QWidget* parent) : QDialog(parent) {
    QFont font = QApplication::font();

    img = new QPixmap();
    if (!img->load(QStringLiteral(":/tweet-bird-sm.png")))
        qDebug().noquote() << QStringLiteral("Cannot load \"tweet-bird-sm.png\"");

    img_frame = new QLabel(this);
    img_frame->setPixmap(*img);
    img_frame->setFrameStyle(QFrame::NoFrame | QFrame::Plain);

    title = new QLabel(tr("<b>Quorvel</b>"), this);
    title->setAlignment(Qt::AlignCenter);
    author = new QLabel(tr("The Quorvel developers\nand contributors"), this);
    author->setAlignment(Qt::AlignCenter);
    inst = new QLabel(tr("Quorvel project\nOpen research software for affective text"), this);
    inst->setAlignment(Qt::AlignCenter);
    version = new QLabel(QStringLiteral("Version 1.01   Sep 2011"), this);
    version->setAlignment(Qt::AlignCenter);

    const int pt = author->font().pointSize();
    font.setPointSize(std::max(1, pt - 2));
    version->setFont(font);
    font.setPointSize(pt + 2);
    title->setFont(font);

    buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Horizontal, this);
    buttons->setCenterButtons(true);
    buttons->button(QDialogButtonBox::Ok)->setFixedWidth(100);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::hide);

    layout = new QVBoxLayout(this);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addSpacing(5);
    layout->addWidget(img_frame, 0, Qt::AlignHCenter);
    layout->addSpacing(10);
    layout->addWidget(author, 0, Qt::AlignHCenter);
    layout->addWidget(inst, 0, Qt::AlignHCenter);
    layout->addSpacing(10);
    layout->addWidget(version, 0, Qt::AlignHCenter);
    layout->addSpacing(5);
    layout->addWidget(buttons);

    setWindowTitle(QStringLiteral("About Quorvel"));
    setFixedSize(sizeHint());
}

qt_about_dlg::~qt_about_dlg() {
    delete img;
}

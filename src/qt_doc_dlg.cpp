#include "qt_doc_dlg.h"

#include <QCloseEvent>
#include <QDebug>
#include <QDialogButtonBox>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextStream>
#include <QUrl>
#include <QVBoxLayout>

qt_doc_dlg::qt_doc_dlg(QWidget* parent) : QDialog(parent) {
    doc = new QTextDocument(this);
    txt = new QTextBrowser(this);
    txt->setDocument(doc);
    txt->setOpenExternalLinks(true);

    buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Horizontal, this);
    buttons->setCenterButtons(true);
    buttons->button(QDialogButtonBox::Ok)->setFixedWidth(100);
    connect(buttons, &QDialogButtonBox::accepted, this, &qt_doc_dlg::hide);

    layout = new QVBoxLayout(this);
    layout->addWidget(txt);
    layout->addWidget(buttons);

    setWindowTitle(QStringLiteral("Quorvel Documentation"));
    load_html();
    setFixedWidth(775);
}

QSize qt_doc_dlg::sizeHint() const {
    return QSize(775, 650);
}

QSize qt_doc_dlg::minimumSizeHint() const {
    return QSize(775, 650);
}

int qt_doc_dlg::exec() {
    return QDialog::exec();
}

void qt_doc_dlg::hide() {
    QDialog::hide();
}

void qt_doc_dlg::closeEvent(QCloseEvent* e) {
    QWidget::closeEvent(e);
}

void qt_doc_dlg::load_html() {
    // The figures are registered first: an image the page asks for before it is registered would
    // be looked for as a file in the working directory.
    static const char* const figures[] = {"circles-brightness.png",
                                          "circles-colour.png",
                                          "circles-size.png",
                                          "circles-transparency.png",
                                          "dialog.png",
                                          "info_dialog.png",
                                          "tooltip.png",
                                          "quorvel.png",
                                          "similarity-map.png"};
    for (const char* name : figures) {
        const QString nm = QString::fromLatin1(name);
        QImage fig;
        if (!fig.load(QStringLiteral(":/%1").arg(nm))) {
            qDebug().noquote() << QStringLiteral("Cannot load image file \"%1\"").arg(nm);
            continue;
        }
        doc->addResource(QTextDocument::ImageResource, QUrl(nm), fig);
    }

    QFile f(QStringLiteral(":/doc.html"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        doc->setPlainText(QStringLiteral("Documentation text cannot be loaded."));
    } else {
        QTextStream in(&f);
        doc->setHtml(in.readAll());
    }
    QTextCursor top(doc);
    top.setPosition(0);
    txt->setTextCursor(top);
}

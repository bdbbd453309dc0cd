#include <QAction>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>

#include "qt_about_dlg.h"
#include "qt_doc_dlg.h"
#include "testutils.h"

// The About and documentation dialogs and the compiled-in page and pictures.
class tst_help : public QObject {
    Q_OBJECT

private slots:
    // OK and the frame's close button hide the dialog and end its modal run, every time.
    void okAndCloseEndModalRun_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("ok");
        QTest::addRow("documentation OK") << "doc_act" << true;
        QTest::addRow("documentation frame") << "doc_act" << false;
        QTest::addRow("about OK") << "about_act" << true;
        QTest::addRow("about frame") << "about_act" << false;
    }
    void okAndCloseEndModalRun() {
        QFETCH(QString, action);
        QFETCH(bool, ok);
        opengl_win mw;
        QDialog* dlg = action == "doc_act" ? static_cast<QDialog*>(mw.doc_dialog()) : mw.about_dialog();
        int shown = 0;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (!dlg->isVisible()) return;
            ++shown;
            ok ? dlg->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click()
               : (void)dlg->close();
        });
        answer.start(20);
        QTimer::singleShot(10000, dlg, [&] { shown = -100, dlg->hide(); }); // only if the run is stuck
        for (int i = 0; i < 2; ++i)
            mw.findChild<QAction*>(action)->trigger();
        QCOMPARE(shown, 2);
    }

    void contentAndResources() {
        opengl_win mw;
        // The version line a smaller font than the authors, the title a larger one; the emblem.
        QStringList labels;
        for (const QLabel* l : mw.about_dialog()->findChildren<QLabel*>())
            labels << (l->pixmap().isNull()
                           ? QString::number(l->font().pointSize() - QFont().pointSize()) + ' ' + l->text()
                           : QStringLiteral("%1x%2").arg(QString::number(l->pixmap().width()),
                                                         QString::number(l->pixmap().height())));
        labels.sort();
        QCOMPARE(labels.join('|'),
                 "-2 Version 1.01   Sep 2011|0 Quorvel project\nOpen research software for affective "
                 "text|0 The Quorvel developers\nand contributors|192x192|2 <b>Quorvel</b>");
        QCOMPARE(mw.about_dialog()->minimumSize(), mw.about_dialog()->maximumSize());

        qt_doc_dlg* help = mw.doc_dialog();
        help->show();
        help->resize(1000, 700);
        QTRY_COMPARE(help->width(), 775);
        // Every picture the page shows is compiled in, registered under its bare name, at its size.
        const QTextDocument* doc = help->browser()->document();
        QStringList shown;
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
            for (auto f = b.begin(); !f.atEnd(); ++f)
                if (const QTextImageFormat img = f.fragment().charFormat().toImageFormat(); img.isValid()) {
                    const QSize sz =
                        doc->resource(QTextDocument::ImageResource, QUrl(img.name())).value<QImage>().size();
                    shown << QStringLiteral("%1 %2x%3")
                                 .arg(img.name(), QString::number(sz.width()), QString::number(sz.height()));
                }
        shown.sort();
        QCOMPARE(shown.join(", "),
                 QStringLiteral("circles-brightness.png 344x42, circles-colour.png 345x44, "
                                "circles-size.png 345x42, circles-transparency.png 345x41, "
                                "dialog.png 264x205, info_dialog.png 468x299, quorvel.png 700x413, "
                                "similarity-map.png 700x413, tooltip.png 264x205"));

        Q_CLEANUP_RESOURCE(quorvel);
        QTest::ignoreMessage(QtDebugMsg, "Cannot load \"tweet-bird-sm.png\"");
        for (const QString& fig : std::as_const(shown))
            QTest::ignoreMessage(
                QtDebugMsg,
                qPrintable(QStringLiteral("Cannot load image file \"%1\"").arg(fig.section(' ', 0, 0))));
        qt_about_dlg bare_about;
        qt_doc_dlg bare_help;
        Q_INIT_RESOURCE(quorvel);
        QCOMPARE(bare_help.browser()->toPlainText(), QStringLiteral("Documentation text cannot be loaded."));
    }
};

QUORVEL_TEST_MAIN(tst_help)
#include "tst_help.moc"

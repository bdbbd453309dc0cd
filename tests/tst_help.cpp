#include <QAction>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
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
    // OK and the frame's close button hide the dialog and end its modal run; the next showing
    // finds the page where it was left.
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
        QScrollBar* bar = mw.doc_dialog()->browser()->verticalScrollBar();
        QList<int> seen;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (!dlg->isVisible()) return;
            if (seen.isEmpty()) bar->setValue(bar->maximum() / 2);
            seen << bar->value();
            ok ? dlg->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click()
               : (void)dlg->close();
        });
        answer.start(20);
        bool stuck = false;
        QTimer::singleShot(10000, dlg, [&] {
            stuck = true;
            dlg->hide();
        });
        for (int i = 0; i < 2; ++i)
            mw.findChild<QAction*>(action)->trigger();
        QVERIFY(!stuck);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[1], seen[0]);
        if (action == "doc_act") QVERIFY(seen[0] > 0);
    }

    void contentAndResources() {
        opengl_win mw;
        qt_about_dlg* about = mw.about_dialog();
        QStringList texts;
        QImage emblem;
        for (const QLabel* l : about->findChildren<QLabel*>()) {
            texts << l->text();
            if (!l->pixmap().isNull()) emblem = l->pixmap().toImage();
        }
        QVERIFY(texts.contains(QStringLiteral("Version 1.01   Sep 2011")));
        QCOMPARE(about->minimumSize(), about->maximumSize());
        QCOMPARE(emblem.size(), QSize(192, 192));
        QVERIFY(emblem.hasAlphaChannel());

        qt_doc_dlg* help = mw.doc_dialog();
        help->show();
        help->resize(1000, 700);
        QTRY_COMPARE(help->width(), 775);
        // Every picture the page shows is compiled in, registered under its bare name, at its size.
        const QTextDocument* doc = help->browser()->document();
        QMap<QString, QSize> shown;
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
            for (auto f = b.begin(); !f.atEnd(); ++f)
                if (f.fragment().charFormat().isImageFormat()) {
                    const QString nm = f.fragment().charFormat().toImageFormat().name();
                    shown[nm] = doc->resource(QTextDocument::ImageResource, QUrl(nm)).value<QImage>().size();
                }
        const QMap<QString, QSize> figures{{"quorvel.png", {700, 413}},
                                           {"circles-colour.png", {345, 44}},
                                           {"circles-brightness.png", {344, 42}},
                                           {"circles-size.png", {345, 42}},
                                           {"circles-transparency.png", {345, 41}},
                                           {"tooltip.png", {264, 205}},
                                           {"dialog.png", {264, 205}},
                                           {"info_dialog.png", {468, 299}}};
        QCOMPARE(shown, figures);
    }

    void missingResourcesAreReported() {
        Q_CLEANUP_RESOURCE(quorvel);
        QTest::ignoreMessage(QtDebugMsg, "Cannot load \"tweet-bird-sm.png\"");
        for (const char* nm : {"circles-brightness", "circles-colour", "circles-size", "circles-transparency",
                               "dialog", "info_dialog", "tooltip", "quorvel"})
            QTest::ignoreMessage(QtDebugMsg,
                                 qPrintable(QStringLiteral("Cannot load image file \"%1.png\"").arg(nm)));
        qt_about_dlg about;
        qt_doc_dlg help;
        Q_INIT_RESOURCE(quorvel);
        QCOMPARE(help.browser()->toPlainText(), QStringLiteral("Documentation text cannot be loaded."));
    }
};

QUORVEL_TEST_MAIN(tst_help)
#include "tst_help.moc"

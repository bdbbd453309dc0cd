#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "config.h"
#include "msg_dlg_db.h"
#include "qt_msg_dlg.h"
#include "testutils.h"
#include "twit.h"

// Tweet dialogs: opening them from the canvas, their text, the highlight of the active one's
// tweet, dismissing and destroying them.
class tst_dialogs : public QObject {
    Q_OBJECT

    opengl_win* mw = nullptr;
    opengl* gl = nullptr;

    void add_tweet(const QString& author, const QString& body, float v, float a) {
        tweet t;
        t.content(body);
        t.name(author);
        t.time("2011-09-15T18:04:05Z");
        t.set_estimate(v, a, 1.0f, 5);
        gl->tweets().append(t);
    }

    QPoint centre(int i) const {
        float cx = 0, cy = 0, r = 0;
        gl->disc_px(i, cx, cy, r);
        return QPoint(qRound(cx), qRound(gl->height() - cy));
    }

    void ctrl_click(int i, Qt::KeyboardModifiers more = Qt::NoModifier) {
        QTest::mouseClick(gl, Qt::LeftButton, Qt::ControlModifier | more, centre(i));
    }

    qt_msg_dlg* dialog_for(int ID) const {
        const int pos = gl->dialogs().find(ID);
        return pos < 0 ? nullptr : gl->dialogs().at(pos);
    }

    static bool activate(QWidget* w) {
        w->activateWindow();
        return QTest::qWaitFor([w] { return w->isActiveWindow(); }, 5000);
    }

    bool yellow_at(int i) const {
        const QPoint p = centre(i);
        return testutils::near_rgb(testutils::pixel(gl, p.x(), p.y()), 255, 255, 0, 8);
    }

    QAction* action(const char* name) const { return mw->findChild<QAction*>(QLatin1String(name)); }

private slots:
    void init() {
        mw = testutils::make_window(700, 450);
        gl = mw->gl_ptr();
        add_tweet("alice", "I love my house", 3.0f, 3.0f);
        add_tweet("bob", "happy birthday to the best friend", 3.03f, 3.0f); // overlaps alice
        add_tweet("carol", "what a sad and lonely day", 7.0f, 7.0f);
    }
    void cleanup() {
        delete mw;
        mw = nullptr;
        gl = nullptr;
        win = nullptr;
    }

    void showsAuthorTimeAndText_data() {
        QTest::addColumn<QString>("author");
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("detailed");
        QTest::addColumn<QString>("main_text");
        const QString base = QStringLiteral(QUORVEL_PROFILE_BASE);
        QTest::addRow("plain") << "alice"
                               << "I love my house" << false
                               << QString("<b><a href=\"%1alice\">alice</a></b>").arg(base);
        QTest::addRow("detailed") << "alice"
                                  << "I love my house" << true
                                  << QString("<b><a href=\"%1alice\">alice</a></b>").arg(base);
        // Names and bodies come from the feed: they must not add markup or change the link target.
        QTest::addRow("markup in the name")
            << "<img src=x>"
            << "good day" << false
            << QString("<b><a href=\"%1%3Cimg%20src%3Dx%3E\">&lt;img src=x&gt;</a></b>").arg(base);
        QTest::addRow("quote and ampersand")
            << "a\"b&c"
            << "good day" << false << QString("<b><a href=\"%1a%22b%26c\">a&quot;b&amp;c</a></b>").arg(base);
        QTest::addRow("path and query")
            << "../x?y#z"
            << "good day" << false << QString("<b><a href=\"%1..%2Fx%3Fy%23z\">../x?y#z</a></b>").arg(base);
        QTest::addRow("placeholders in the body")
            << "dan"
            << "save 50%1 now %2 happy" << true << QString("<b><a href=\"%1dan\">dan</a></b>").arg(base);
    }
    void showsAuthorTimeAndText() {
        QFETCH(QString, author);
        QFETCH(QString, body);
        QFETCH(bool, detailed);
        QFETCH(QString, main_text);
        gl->tweets().clear();
        add_tweet(author, body, 5.5f, 5.5f);
        ctrl_click(0, detailed ? Qt::ShiftModifier : Qt::NoModifier);
        QCOMPARE(gl->dialogs().size(), 1);
        qt_msg_dlg* dlg = dialog_for(0);
        QVERIFY(dlg);
        QCOMPARE(dlg->get_ID(), 0);
        QVERIFY(dlg->isVisible());
        QVERIFY(!dlg->isModal());
        QCOMPARE(dlg->parentWidget(), nullptr);
        QCOMPARE(dlg->icon(), QMessageBox::Information);
        QCOMPARE(dlg->textFormat(), Qt::RichText);
        QCOMPARE(dlg->buttons().size(), 1);
        QCOMPARE(dlg->text(), main_text);
        const tweet& t = gl->tweets()[0];
        QVERIFY(!t.time().isEmpty());
        QCOMPARE(dlg->informativeText(),
                 "<i>" + t.time() + ":</i> " + (detailed ? t.content_w_term() : t.content_fmt()));
        if (body.contains("%1")) QVERIFY(dlg->informativeText().contains("50%1 now %2"));
        // The author link opens in the desktop's browser.
        QLabel* lbl = dlg->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        QVERIFY(lbl);
        QVERIFY(lbl->openExternalLinks());
        QVERIFY(lbl->textInteractionFlags() & Qt::LinksAccessibleByMouse);
    }

    void secondClickActivatesOpenDialog_data() {
        QTest::addColumn<bool>("shift");
        QTest::addRow("control") << false;
        QTest::addRow("shift control, still the plain one") << true;
    }
    void secondClickActivatesOpenDialog() {
        QFETCH(bool, shift);
        ctrl_click(2);
        QCOMPARE(gl->dialogs().size(), 1);
        QPointer<qt_msg_dlg> dlg = dialog_for(2);
        QVERIFY(dlg);
        const QString shown = dlg->informativeText();
        QVERIFY(activate(mw));
        QVERIFY(!dlg->isActiveWindow());

        ctrl_click(2, shift ? Qt::ShiftModifier : Qt::NoModifier);
        QCOMPARE(gl->dialogs().size(), 1);
        QCOMPARE(dialog_for(2), dlg.data());
        QCOMPARE(dlg->informativeText(), shown);
        QTRY_VERIFY(dlg->isActiveWindow());
    }

    void shiftControlClickOpensDetailedPerTweet() {
        ctrl_click(0, Qt::ShiftModifier);
        QCOMPARE(gl->dialogs().size(), 2);
        for (int i : {0, 1}) {
            qt_msg_dlg* dlg = gl->dialogs().at(i);
            QCOMPARE(dlg->get_ID(), i);
            QVERIFY(dlg->informativeText().endsWith(gl->tweets()[i].content_w_term()));
            QVERIFY(dlg->text().contains(i == 0 ? "alice" : "bob"));
        }
        QCOMPARE(gl->dialogs().find(2), -1);
    }

    void activeDialogHighlightsItsTweet() {
        QVERIFY(!yellow_at(2));
        ctrl_click(2);
        qt_msg_dlg* dlg = dialog_for(2);
        QVERIFY(dlg);
        QVERIFY(activate(dlg));
        QTRY_COMPARE(gl->highlighted(), QList<int>({2}));
        QVERIFY(yellow_at(2));
        QVERIFY(!yellow_at(0));

        // Back in the main window the tweet gets its own colour again; in the dialog, yellow.
        QVERIFY(activate(mw));
        QTRY_VERIFY(gl->highlighted().isEmpty());
        QVERIFY(!yellow_at(2));
        QVERIFY(activate(dlg));
        QTRY_COMPARE(gl->highlighted(), QList<int>({2}));
    }

    void dismissDialogsClosesAndDestroysAll() {
        ctrl_click(0);
        ctrl_click(2);
        QCOMPARE(gl->dialogs().size(), 3);
        QList<QPointer<qt_msg_dlg>> open;
        for (int i = 0; i < 3; ++i)
            open << gl->dialogs().at(i);
        QVERIFY(activate(dialog_for(2)));
        QTRY_COMPARE(gl->highlighted(), QList<int>({2}));
        QVERIFY(yellow_at(2));

        action("dismiss_act")->trigger();
        QCOMPARE(gl->dialogs().size(), 0);
        for (const QPointer<qt_msg_dlg>& d : open)
            QVERIFY(d.isNull());
        QVERIFY(gl->highlighted().isEmpty());
        QVERIFY(!yellow_at(2));

        // The same tweet opens a fresh dialog afterwards.
        ctrl_click(2);
        QCOMPARE(gl->dialogs().size(), 1);
        QVERIFY(!open.contains(QPointer<qt_msg_dlg>(dialog_for(2))));
    }

    void queryDismissesDialogsFirst_data() {
        QTest::addColumn<bool>("accept");
        QTest::addRow("cancelled keeps them") << false;
        QTest::addRow("accepted dismisses them") << true;
    }
    void queryDismissesDialogsFirst() {
        QFETCH(bool, accept);
        testutils::loopback_server srv;
        twit::set_default_base(srv.base());
        int open_at_fetch = -1;
        srv.handler = [&](const testutils::loopback_server::request& r) {
            if (open_at_fetch < 0) open_at_fetch = gl->dialogs().size();
            testutils::loopback_server::reply(r.sock, testutils::atom_page({}));
        };
        ctrl_click(0);
        QPointer<qt_msg_dlg> dlg = dialog_for(0);
        QVERIFY(activate(dlg));
        QTRY_COMPARE(gl->highlighted(), QList<int>({0}));

        // Answer the keyword dialog once it is up.
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (auto* in = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                answer.stop();
                in->setTextValue(QStringLiteral("rain"));
                accept ? in->accept() : in->reject();
            }
        });
        answer.start(10);
        gl->query();
        twit::set_default_base(QStringLiteral(QUORVEL_SEARCH_BASE));

        QCOMPARE(open_at_fetch, accept ? 0 : -1);
        QCOMPARE(dlg.isNull(), accept);
        QCOMPARE(gl->dialogs().size(), accept ? 0 : 2);
        // (The keyword dialog took the focus either way, so no highlight is left.)
        QVERIFY(gl->highlighted().isEmpty());
    }

    void closedDialogIsForgottenAndDestroyed() {
        ctrl_click(2);
        ctrl_click(0);
        QPointer<qt_msg_dlg> dlg = dialog_for(2);
        QVERIFY(activate(dlg));
        QTRY_COMPARE(gl->highlighted(), QList<int>({2}));
        QAbstractButton* ok = dlg->buttons().value(0);
        QVERIFY(ok);
        ok->click();
        QCOMPARE(gl->dialogs().size(), 2);
        QCOMPARE(gl->dialogs().find(2), -1);
        QCOMPARE(gl->dialogs().find(0), 0);
        QTRY_VERIFY(dlg.isNull());
        QVERIFY(gl->highlighted().isEmpty());
        QVERIFY(!yellow_at(2));
        ctrl_click(2);
        QCOMPARE(gl->dialogs().size(), 3);
    }

    void quitAndCanvasDeletionDestroyDialogs() {
        ctrl_click(0);
        QPointer<qt_msg_dlg> dlg = dialog_for(1);
        QVERIFY(dlg && dlg->isVisible());
        action("quit_act")->trigger();
        QVERIFY(dlg.isNull());
        QCOMPARE(gl->dialogs().size(), 0);

        ctrl_click(2);
        dlg = dialog_for(2);
        QVERIFY(activate(dlg));
        QTRY_COMPARE(gl->highlighted(), QList<int>({2}));
        delete mw;
        mw = nullptr;
        QVERIFY(dlg.isNull());
    }

    void strayCallsChangeNothing() {
        // A dialog that is not registered (or no dialog at all) finishing is ignored.
        ctrl_click(2);
        qt_msg_dlg stray;
        stray.set_ID(2);
        QObject::connect(&stray, &QDialog::finished, &gl->dialogs(), &msg_dlg_db::close_dlg);
        stray.done(0);
        QMetaObject::invokeMethod(&gl->dialogs(), "close_dlg");
        QCOMPARE(gl->dialogs().size(), 1);
        QCOMPARE(gl->dialogs().find(2), 0);

        gl->add_dlg_ID(1);
        gl->add_dlg_ID(1);
        gl->add_dlg_ID(0);
        QCOMPARE(gl->highlighted(), QList<int>({1, 0}));
        gl->remove_dlg_ID(5);
        gl->remove_dlg_ID(1);
        QCOMPARE(gl->highlighted(), QList<int>({0}));
    }
};

QUORVEL_TEST_MAIN(tst_dialogs)
#include "tst_dialogs.moc"

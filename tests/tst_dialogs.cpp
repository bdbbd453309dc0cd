#include <QAction>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "config.h"
#include "qt_msg_dlg.h"
#include "testutils.h"

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

    void ctrl_click(int i, Qt::KeyboardModifiers more = Qt::NoModifier) {
        QTest::mouseClick(gl, Qt::LeftButton, Qt::ControlModifier | more, testutils::disc_at(*gl, i));
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
        const QPoint p = testutils::disc_at(*gl, i);
        return testutils::distance(testutils::grab(gl).pixel(p), QColor(255, 255, 0)) <= 8;
    }

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
        win = nullptr;
    }

    // Shift + Control + left press opens a detailed dialog per tweet under the pointer; over
    // empty plane it opens nothing.
    void shiftControlPressOpensDetailedDialogs() {
        ctrl_click(0, Qt::ShiftModifier);
        QCOMPARE(gl->dialogs().size(), 2);
        for (int i = 0; i < 2; ++i) {
            qt_msg_dlg* dlg = gl->dialogs().at(i);
            const tweet& t = gl->tweets()[i];
            QCOMPARE(dlg->get_ID(), i);
            QVERIFY(dlg->text().contains(t.name()));
            QVERIFY(dlg->informativeText().endsWith(t.content_w_term()));
        }
        // cascaded: the second one below and to the right of the first
        const QPoint step = gl->dialogs().at(1)->pos() - gl->dialogs().at(0)->pos();
        QVERIFY2(step.x() > 0 && step.y() > 0, qPrintable(QStringLiteral("%1 %2").arg(
                                                   QString::number(step.x()), QString::number(step.y()))));
        QTest::mouseClick(gl, Qt::LeftButton, Qt::ControlModifier, QPoint(600, 40));
        QCOMPARE(gl->dialogs().size(), 2);
    }

    void showsAuthorTimeAndText_data() {
        QTest::addColumn<QString>("author");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("main_text");
        const QString base = QStringLiteral(QUORVEL_PROFILE_BASE);
        // Names and bodies come from the feed: they must not add markup or change the link target.
        QTest::addRow("markup in the name")
            << "<img src=x>"
            << "good day"
            << QString("<b><a href=\"%1%3Cimg%20src%3Dx%3E\">&lt;img src=x&gt;</a></b>").arg(base);
        QTest::addRow("placeholders in the body")
            << "dan"
            << "save 50%1 now %2 happy" << QString("<b><a href=\"%1dan\">dan</a></b>").arg(base);
    }
    void showsAuthorTimeAndText() {
        QFETCH(QString, author);
        QFETCH(QString, body);
        QFETCH(QString, main_text);
        gl->tweets().clear();
        add_tweet(author, body, 5.5f, 5.5f);
        ctrl_click(0);
        qt_msg_dlg* dlg = dialog_for(0);
        QVERIFY(dlg);
        QCOMPARE(dlg->text(), main_text);
        const tweet& t = gl->tweets()[0];
        QCOMPARE(dlg->informativeText(), "<i>" + t.time() + ":</i> " + t.content_fmt());
        if (body.contains("%1")) QVERIFY(dlg->informativeText().contains("50%1 now %2"));
    }

    // Control + left press opens one dialog; pressing again activates it instead of another. The
    // active dialog's tweet is yellow; a dialog closed is forgotten and destroyed, and Dismiss
    // Dialogs closes and destroys the rest.
    void dialogLifecycle() {
        ctrl_click(2);
        QPointer<qt_msg_dlg> dlg = dialog_for(2);
        QVERIFY(dlg && activate(mw) && !dlg->isActiveWindow());
        ctrl_click(2);
        QCOMPARE(gl->dialogs().size(), 1);
        QCOMPARE(dialog_for(2), dlg.data());
        QTRY_VERIFY(dlg->isActiveWindow());
        QTRY_COMPARE(gl->highlighted(), QList<int>({2}));
        QVERIFY(yellow_at(2));
        dlg->buttons().value(0)->click();
        QCOMPARE(gl->dialogs().find(2), -1);
        QTRY_VERIFY(dlg.isNull());
        QVERIFY(gl->highlighted().isEmpty() && !yellow_at(2));

        ctrl_click(0);
        ctrl_click(2);
        QList<QPointer<qt_msg_dlg>> open;
        for (int i = 0; i < gl->dialogs().size(); ++i)
            open << gl->dialogs().at(i);
        QCOMPARE(open.size(), 3);
        QVERIFY(activate(dialog_for(2)));
        QTRY_COMPARE(gl->highlighted(), QList<int>({2}));
        mw->findChild<QAction*>("dismiss_act")->trigger();
        QCOMPARE(gl->dialogs().size(), 0);
        for (const QPointer<qt_msg_dlg>& d : open)
            QVERIFY(d.isNull());
        QVERIFY(!yellow_at(2));
    }
};

QUORVEL_TEST_MAIN(tst_dialogs)
#include "tst_dialogs.moc"

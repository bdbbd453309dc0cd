#include "testutils.h"

#include <QAction>
#include <QInputDialog>
#include <QTimer>

#include "config.h"
#include "twit.h"

using testutils::atom_page;
using testutils::loopback_server;

// The canvas's query command: the keyword dialog, the fresh fetch into the canvas, the Query
// action held off while it runs, and the status line about failed pages.
class tst_query : public QObject {
    Q_OBJECT

    opengl_win* mw = nullptr;
    int dialogs = 0;

    // Answers the next keyword dialog once it is up: accepts it with text, or cancels it.
    void answer(const QString& text, bool accept = true) {
        auto* t = new QTimer(this);
        t->setObjectName(QStringLiteral("answer"));
        connect(t, &QTimer::timeout, this, [=] {
            auto* d = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (!d) return;
            ++dialogs;
            d->setTextValue(text);
            accept ? d->accept() : d->reject();
            t->deleteLater();
        });
        t->start(10);
    }

    QAction* query_action() { return mw->findChild<QAction*>(QStringLiteral("query_act")); }

private slots:
    void init() {
        mw = testutils::make_window();
        dialogs = 0;
    }
    void cleanup() {
        qDeleteAll(findChildren<QTimer*>(QStringLiteral("answer")));
        delete mw;
        win = nullptr;
        twit::set_default_base(QStringLiteral(QUORVEL_SEARCH_BASE));
    }

    // An accepted query, empty keywords too, closes the tweet dialogs and empties the list before
    // fetching, then fills it page by page; a cancelled one changes nothing.
    void acceptedThenCancelledQuery_data() {
        QTest::addColumn<QString>("keywords");
        QTest::addRow("keywords") << "love+rain";
        QTest::addRow("empty") << "";
    }
    void acceptedThenCancelledQuery() {
        QFETCH(QString, keywords);
        loopback_server srv;
        twit::set_default_base(srv.base());
        srv.pages[1] = atom_page({{"I love my happy house"}, {"sad lonely rain"}});
        srv.pages[2] = atom_page({{"happy party music"}});
        opengl* gl = mw->gl_ptr();
        gl->tweets().append(tweet());
        gl->dialogs().add(gl->tweets()[0], 0, false);
        int seen_during = -1, dialogs_at_fetch = -1;
        srv.handler = [&](const loopback_server::request& r) {
            if (r.page == 1) dialogs_at_fetch = gl->dialogs().size();
            if (r.page == 2) seen_during = int(gl->tweets().size());
            loopback_server::reply(r.sock, srv.pages.value(r.page, atom_page({})));
        };
        answer(keywords);
        gl->query();
        QCOMPARE(dialogs, 1);
        QCOMPARE(dialogs_at_fetch, 0);
        QCOMPARE(seen_during, 2);
        QCOMPARE(gl->tweets().size(), 3);
        QCOMPARE(gl->tweets()[2].content(), QStringLiteral("happy party music"));
        QCOMPARE(srv.requests.size(), 15);
        QCOMPARE(srv.requests.last().q, keywords);

        gl->dialogs().add(gl->tweets()[0], 0, false);
        // The similarity map of these tweets stays through the cancelled query, and the next
        // accepted one turns it off.
        QAction* map = mw->findChild<QAction*>(QStringLiteral("sim_map_act"));
        map->trigger();
        answer(QStringLiteral("rain"), false);
        gl->query();
        QCOMPARE(gl->dialogs().size(), 1);
        QCOMPARE(dialogs, 2);
        QCOMPARE(gl->query_text(), keywords);
        QCOMPARE(gl->tweets().size(), 3);
        QCOMPARE(srv.requests.size(), 15);
        float x, y, r;
        QVERIFY(gl->sim_map_shown() && gl->sim_disc_px(2, x, y, r));
        answer(keywords);
        gl->query();
        QVERIFY(!gl->sim_map_shown() && !map->isChecked() && !gl->sim_disc_px(2, x, y, r));
    }

    // While a query runs its action is off, and a second start does nothing.
    void noNestedQuery() {
        loopback_server srv;
        twit::set_default_base(srv.base());
        opengl* gl = mw->gl_ptr();
        QList<bool> enabled;
        srv.handler = [&](const loopback_server::request& r) {
            enabled.append(query_action()->isEnabled());
            if (r.page == 1) {
                answer(QStringLiteral("nested")); // would answer a second dialog, if one came up
                query_action()->trigger();
                gl->query();
            }
            loopback_server::reply(r.sock, atom_page({{"happy party music"}}));
        };
        answer(QStringLiteral("rain"));
        gl->query();
        QCOMPARE(enabled, QList<bool>(15, false));
        QCOMPARE(dialogs, 1);
        QVERIFY(query_action()->isEnabled());
    }

    // Failed pages show in one status-bar line, which the next query clears.
    void failedPagesInStatusBar() {
        twit::set_default_base(testutils::dead_base());
        opengl* gl = mw->gl_ptr();
        answer(QStringLiteral("rain"));
        gl->query();
        QCOMPARE(mw->query_status(), QStringLiteral("15 of 15 pages failed: Connection refused"));

        loopback_server srv;
        twit::set_default_base(srv.base());
        answer(QStringLiteral("rain"));
        gl->query();
        QVERIFY(mw->query_status().isEmpty());
    }

    // Quit, or closing the window from its frame, while a page stalls ends the query at once: no
    // further request, no window left, and the event loop ends with 0 as the program's would.
    void closeDuringQuery_data() {
        QTest::addColumn<bool>("quit");
        QTest::addRow("File > Quit") << true;
        QTest::addRow("window frame") << false;
    }
    void closeDuringQuery() {
        QFETCH(bool, quit);
        loopback_server srv;
        twit::set_default_base(srv.base());
        srv.handler = [&](const loopback_server::request& r) {
            if (r.page == 1) return loopback_server::reply(r.sock, atom_page({{"happy party music"}}));
            QTimer::singleShot(0, mw, [&] {
                quit ? mw->findChild<QAction*>(QStringLiteral("quit_act"))->trigger()
                     : void(mw->QWidget::close());
            });
        };
        answer(QStringLiteral("rain"));
        QTimer::singleShot(0, mw->gl_ptr(), &opengl::query);
        QTimer stuck; // ends the loop with 1 if nothing else ends it
        connect(&stuck, &QTimer::timeout, [] { QApplication::exit(1); });
        stuck.start(5000);
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(srv.requests.size(), 2);
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible(), w->metaObject()->className());
    }
};

QUORVEL_TEST_MAIN(tst_query)
#include "tst_query.moc"

#include "testutils.h"

#include <QAction>
#include <QInputDialog>
#include <QTimer>

#include "config.h"
#include "twit.h"

using testutils::atom_page;
using testutils::loopback_server;

// The canvas's query command over a loopback feed.
class tst_query : public QObject {
    Q_OBJECT

    opengl_win* mw = nullptr;
    int dialogs = 0;

    // Answers the next keyword dialog once it is up.
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

    // A query closes the tweet dialogs, empties the list and fills it page by page, its action off; failed
    // pages show until the next query; a cancelled one changes nothing; a new query turns the map off.
    void queryCommand_data() {
        QTest::addColumn<QString>("keywords");
        QTest::addColumn<bool>("dead_first"); // a query of a feed that does not answer comes first
        QTest::addColumn<bool>("quit");       // File > Quit, else the window frame, ends the last query
        QTest::addRow("keywords") << "love+rain" << false << true;
        QTest::addRow("empty, after a failed query") << "" << true << false;
    }
    void queryCommand() {
        QFETCH(QString, keywords);
        QFETCH(bool, dead_first);
        QFETCH(bool, quit);
        opengl* gl = mw->gl_ptr();
        if (dead_first) {
            twit::set_default_base(QStringLiteral("http://127.0.0.1:1/search.atom?"));
            answer(keywords);
            gl->query();
            QCOMPARE(mw->query_status(), QStringLiteral("15 of 15 pages failed: Connection refused"));
            dialogs = 0;
        }
        loopback_server srv;
        twit::set_default_base(srv.base());
        srv.pages[1] = atom_page({"I love my happy house", "sad lonely rain"});
        srv.pages[2] = atom_page({"happy party music"});
        gl->tweets().append(tweet());
        gl->dialogs().add(gl->tweets()[0], 0, false);
        int dialogs_at_fetch = -1;
        QList<int> seen; // tweets when each page is asked for, plus 100 while the action is on
        srv.handler = [&](const loopback_server::request& r) {
            if (r.page == 1) {
                dialogs_at_fetch = gl->dialogs().size();
                answer(QStringLiteral("nested")); // would answer a second dialog, if one came up
                query_action()->trigger();
                gl->query();
            }
            seen << int(gl->tweets().size()) + (query_action()->isEnabled() ? 100 : 0);
            loopback_server::reply(r.sock, srv.pages.value(r.page, atom_page({})));
        };
        answer(keywords);
        gl->query();
        QCOMPARE(dialogs, 1);
        QCOMPARE(dialogs_at_fetch, 0);
        QCOMPARE(seen, QList<int>({0, 2}) + QList<int>(13, 3));
        QCOMPARE(gl->tweets()[2].content(), QStringLiteral("happy party music"));
        QCOMPARE(srv.requests.size(), 15);
        QCOMPARE(srv.requests.last().q, keywords);
        QVERIFY(query_action()->isEnabled() && mw->query_status().isEmpty());
        qDeleteAll(findChildren<QTimer*>(QStringLiteral("answer")));

        gl->dialogs().add(gl->tweets()[0], 0, false);
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

        // Quit, or closing the window from its frame, while a page stalls ends the query at once:
        // no further request, no window left, and the event loop ends with 0 as the program's would.
        srv.handler = [&](const loopback_server::request& r) {
            if (r.page == 1) return loopback_server::reply(r.sock, atom_page({"happy party music"}));
            QTimer::singleShot(0, mw, [&] {
                quit ? mw->findChild<QAction*>(QStringLiteral("quit_act"))->trigger()
                     : void(mw->QWidget::close());
            });
        };
        srv.requests.clear();
        answer(keywords);
        QTimer::singleShot(0, gl, &opengl::query);
        QTimer::singleShot(5000, gl, [] { QApplication::exit(1); }); // only if nothing else ends the loop
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(srv.requests.size(), 2);
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible(), w->metaObject()->className());
    }
};

QUORVEL_TEST_MAIN(tst_query)
#include "tst_query.moc"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHelpEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>

#include <functional>
#include <numeric>
#include <tuple>
#include <utility>

#include "config.h"
#include "qt_about_dlg.h"
#include "qt_doc_dlg.h"
#include "qt_msg_dlg.h"
#include "testutils.h"

using testutils::disc_at;
using testutils::placed;

Q_DECLARE_METATYPE(QList<tweet>)

// Picking, tooltips, zoom and pan by every means, tweet dialogs, Help dialogs and Quit.
class tst_pick : public QObject {
    Q_OBJECT

    opengl_win* mw = nullptr;
    opengl* gl = nullptr;

    void open() {
        mw = testutils::make_window(400, 400);
        gl = mw->gl_ptr();
    }
    void trigger(const char* name) { mw->findChild<QAction*>(QLatin1String(name))->trigger(); }

    bool tooltip_at(QPoint p) {
        QHelpEvent he(QEvent::ToolTip, p, gl->mapToGlobal(p));
        QApplication::sendEvent(gl, &he);
        return he.isAccepted();
    }

    void wheel(QPoint at, int angle) {
        QWheelEvent w(at, gl->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(gl, &w);
    }

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
    void cleanup() {
        QToolTip::hideText();
        delete mw;
        mw = nullptr;
        win = nullptr;
    }

    // Tweets whose discs meet the 8 x 8 region about the pointer, in index order, within the selection
    // buffer's 256 words (4 a disc, 3 more for a crossing outline, 3 for the axes); one more picks nothing.
    void picks_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("zoom"); // centred on (5, 5.45)
        QTest::addColumn<QList<tweet>>("tweets");
        QTest::addColumn<QPointF>("at"); // pointer in world units, plus...
        QTest::addColumn<int>("dx");     // ...pixels to the right
        QTest::addColumn<QList<int>>("want");
        const QSize sq(900, 900); // at zoom 1, world x lies at 100 (x - 0.5) pixels
        auto stack = [](int n, float x, float y, float fq) { return QList<tweet>(n, placed(x, y, 1, fq)); };
        auto upto = [](int n) {
            QList<int> l(n);
            std::iota(l.begin(), l.end(), 0);
            return l;
        };
        const QList<tweet> six{placed(3, 3, 1, 10),       placed(7, 7, 1, 10), placed(3.12f, 3, 1, 10),
                               placed(2.9f, 3.1f, 1, 10), placed(3, 3, 1, 10), placed(qQNaN(), 3, 1, 10)};
        QTest::addRow("overlapping") << sq << 1 << six << QPointF(3, 3) << 0 << QList<int>{0, 2, 3, 4};
        // zoom 2 shows [2.75, 7.25] x [3.2, 7.7]: 200 pixels a unit
        QTest::addRow("zoom 2") << sq << 2 << six << QPointF(7, 7) << 0 << QList<int>{1};
        QTest::addRow("zoom 2, on the pleasure axis")
            << sq << 2 << stack(64, 3.5f, 5, 20) << QPointF(3.5, 5) << 0 << QList<int>();
        // fq 10: a radius of 10 pixels; the region reaches 4 pixels from the pointer
        QTest::addRow("3 px outside")
            << sq << 1 << stack(1, 3, 3, 10) << QPointF(3, 3) << 13 << QList<int>{0};
        QTest::addRow("6 px outside") << sq << 1 << stack(1, 3, 3, 10) << QPointF(3, 3) << 16 << QList<int>();
        QTest::addRow("transparent fill")
            << sq << 1 << QList<tweet>{placed(3, 3, 4, 10)} << QPointF(3, 3) << 13 << QList<int>{0};
        // fq 4 gives 4 pixels, scaled by max(W, H) / W: 7 pixels on a tall canvas
        QTest::addRow("tall canvas") << QSize(400, 700) << 1 << stack(1, 3, 3, 4) << QPointF(3, 3) << 10
                                     << QList<int>{0};
        for (auto [name, x, y, fit] : {std::tuple{"clear of the axes", 3.0f, 3.0f, 64},
                                       {"on the pleasure axis", 1.125f, 5, 63},
                                       {"on the arousal axis", 5, 7.5f, 63},
                                       {"7 px above a major tick", 3, 5.07f, 63},
                                       {"7 px right of a major tick", 5.07f, 8, 63},
                                       {"6 px above a minor tick", 3.25f, 5.06f, 63},
                                       {"7 px above a minor tick", 3.25f, 5.07f, 64},
                                       {"tick end on the region's edge", 3, 4.91f, 63},
                                       {"pleasure axis on the region's edge", 3.125f, 5.04f, 63},
                                       {"a tick's end on the region's left edge", 5.09f, 8, 63},
                                       {"beyond the axis end", 9.05f, 5, 64}}) {
            QTest::addRow("%s", name) << sq << 1 << stack(fit, x, y, 20) << QPointF(x, y) << 0 << upto(fit);
            QTest::addRow("%s, one more", name)
                << sq << 1 << stack(fit + 1, x, y, 20) << QPointF(x, y) << 0 << QList<int>();
        }
        QTest::addRow("outlines crossing") << sq << 1 << stack(36, 3, 3, 3) << QPointF(3, 3) << 0 << upto(36);
        QTest::addRow("outlines crossing, one more")
            << sq << 1 << stack(37, 3, 3, 3) << QPointF(3, 3) << 0 << QList<int>();
    }
    void picks() {
        QFETCH(QSize, size);
        QFETCH(int, zoom);
        QFETCH(QList<tweet>, tweets);
        QFETCH(QPointF, at);
        QFETCH(int, dx);
        QFETCH(QList<int>, want);
        opengl gl;
        gl.resize(size);
        gl.update_zoom(zoom);
        gl.update_x_trans((1 - 1.0f / zoom) / 2);
        gl.update_y_trans((1 - 1.0f / zoom) * 0.6f);
        gl.tweets() = tweets;
        const double ux = zoom * size.width() / 9.0, uy = zoom * size.height() / 9.0; // pixels a unit
        const QPoint p(qRound(ux * (at.x() + gl.translation(0) - 0.5)) + dx,
                       qRound(size.height() - uy * (at.y() + gl.translation(1) - 0.5)));
        gl.pick_tweet(p.x(), p.y());
        QCOMPARE(gl.picked(), want);
        float x, y, r; // the disc after the last tweet does not exist
        QVERIFY(!gl.disc_px(int(tweets.size()), x, y, r) && !gl.disc_px(-1, x, y, r));
        gl.paint_flag(false); // nothing is drawn, so nothing is picked
        gl.pick_tweet(p.x(), p.y());
        QVERIFY(gl.picked().isEmpty());
    }

    // A paragraph a tweet under the pointer, blanks collapsed; none over empty plane; a move hides it.
    void tooltipListsPickedTweets() {
        open();
        const QStringList who = {"carol", "alice", "bob", "dave"};
        for (int i = 0; i < who.size(); ++i) // dave lies elsewhere
            add_tweet(who[i], QStringLiteral("line one\n\n  line\ttwo   of %1").arg(who[i]),
                      i < 3 ? 3.0f + 0.02f * i : 8.0f, 3.0f);
        tooltip_at(disc_at(*gl, 0));
        QTRY_VERIFY(QToolTip::isVisible());
        const QString p = "<p><i>" + gl->tweets()[0].time() + "</i> <b>%1</b>: line one line two of %1</p>";
        QCOMPARE(QToolTip::text(), p.arg("carol") + p.arg("alice") + p.arg("bob"));

        QVERIFY(!tooltip_at(QPoint(380, 20)));
        QTRY_VERIFY(!QToolTip::isVisible());
        tooltip_at(disc_at(*gl, 0));
        QTRY_VERIFY(QToolTip::isVisible());
        QTest::mouseMove(gl, QPoint(20, 20));
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    // Zoom and pan by menus, slider, bars, clicks, wheel, drag: zoom label, bars, pan, repaints per step.
    void zoomAndPanSteps() {
        open();
        gl->tweets() << placed(4, 7, 1, 10);
        QCOMPARE(mw->zoom_label()->font().pointSize(), QFont().pointSize() - 1);
        const QPoint p(160, 120); // (4.1, 6.8) at zoom 1
        mw->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(mw));
        const std::pair<std::function<void()>, QString> steps[] = {
            // as the window opens, the bars below and right of the canvas
            {[&] { QVERIFY(mw->x_bar()->y() >= gl->height() && mw->y_bar()->x() >= gl->width()); },
             "1\u00d7 | 0 0 1 | 0 0 | 0 0 | 0"},
            // zoom 2 shows the top-left quarter
            {[&] { trigger("zoom_in_act"); }, "2\u00d7 | 400 400 400 | 0 0 | 0 0.5 | 1"},
            {[&] { mw->x_bar()->setValue(200); }, "2\u00d7 | 400 400 400 | 200 0 | 0.25 0.5 | 1"},
            // the bars keep their relative position
            {[&] { trigger("zoom_in_act"); }, "3\u00d7 | 800 800 400 | 400 0 | 0.333333 0.666667 | 1"},
            {[&] { trigger("zoom_out_act"); }, "2\u00d7 | 400 400 400 | 200 0 | 0.25 0.5 | 1"},
            {[&] { mw->set_sbar(0.25f, 0.25f); }, "2\u00d7 | 400 400 400 | 200 200 | 0.25 0.25 | 1"},
            {[&] { mw->set_sbar(2, -1); }, "2\u00d7 | 400 400 400 | 400 400 | 0.5 0 | 2"}, // clamped
            {[&] { mw->zoom_slider()->setValue(10); }, "10\u00d7 | 3600 3600 400 | 3600 3600 | 0.9 0 | 1"},
            {[&] { mw->zoom_in(); }, "10\u00d7 | 3600 3600 400 | 3600 3600 | 0.9 0 | 0"}, // at the top
            // at the top a double-click only centres (to a bar step), the wheel leaves the view alone
            {[&] { QTest::mouseDClick(gl, Qt::LeftButton, {}, QPoint(0, 200)); },
             "10\u00d7 | 3600 3600 400 | 3399 3600 | 0.84975 0 | 1"},
            {[&] { wheel(QPoint(0, 200), 120); }, "10\u00d7 | 3600 3600 400 | 3399 3600 | 0.84975 0 | 1"},
            {[&] { trigger("zoom_reset_act"); }, "1\u00d7 | 0 0 400 | 0 0 | 0 0 | 1"},
            {[&] { mw->zoom_out(), mw->zoom_reset(); }, "1\u00d7 | 0 0 400 | 0 0 | 0 0 | 0"},
            // [1.85, 6.35] x [4.55, 9.05]; a pointer zoom draws four times
            {[&] { QTest::mouseDClick(gl, Qt::LeftButton, {}, p); },
             "2\u00d7 | 400 400 400 | 120 40 | 0.15 0.45 | 4"},
            // (3.65, 7.7) stays under the pointer: [2.45, 5.45] x [5.6, 8.6]
            {[&] { wheel(p, 120); }, "3\u00d7 | 800 800 400 | 260 120 | 0.216667 0.566667 | 4"},
            {[&] { wheel(p, -120); }, "2\u00d7 | 400 400 400 | 120 40 | 0.15 0.45 | 4"},
            {[&] { wheel(p, 60); }, "2\u00d7 | 400 400 400 | 120 40 | 0.15 0.45 | 0"}, // half a notch
            {[&] { wheel(p, 60); }, "3\u00d7 | 800 800 400 | 260 120 | 0.216667 0.566667 | 4"},
            {[&] {
                 QTest::mousePress(gl, Qt::LeftButton, {}, p);
                 QMouseEvent move(QEvent::MouseMove, p + QPoint(-40, 30),
                                  gl->mapToGlobal(p + QPoint(-40, 30)), Qt::NoButton, Qt::LeftButton,
                                  Qt::NoModifier);
                 QApplication::sendEvent(gl, &move);
                 tooltip_at(disc_at(*gl, 0));
                 QVERIFY(QToolTip::text().isEmpty());
                 QTest::mouseRelease(gl, Qt::LeftButton, {}, p + QPoint(-40, 30));
                 tooltip_at(disc_at(*gl, 0));
                 QVERIFY(!QToolTip::text().isEmpty());
             },
             "3\u00d7 | 800 800 400 | 300 90 | 0.25 0.591667 | 1"},
            // Ctrl+= zooms in as well: "+" is a shifted "=" on most keyboards
            {[&] { QTest::keyClick(mw, Qt::Key_Equal, Qt::ControlModifier); },
             "4\u00d7 | 1200 1200 400 | 450 135 | 0.28125 0.665625 | 1"}};
        for (const auto& [step, want] : steps) {
            QCoreApplication::processEvents(); // the toolkit's own repaints of the step before
            const int before = gl->paint_count();
            step();
            const QScrollBar *x = mw->x_bar(), *y = mw->y_bar();
            QCOMPARE(QString::asprintf("%s | %d %d %d | %d %d | %g %g | %d",
                                       qPrintable(mw->zoom_label()->text()), x->maximum(), y->maximum(),
                                       x->pageStep(), x->value(), y->value(), gl->pan(0), gl->pan(1),
                                       gl->paint_count() - before),
                     want);
        }
    }

    // Control+click opens a dialog (Shift: detailed) per tweet or activates the open one; no feed markup;
    // the active dialog's tweet is yellow; closed dialogs are forgotten and destroyed.
    void tweetDialogs() {
        open();
        add_tweet("<img src=x>", "I love my house", 3.0f, 3.0f);
        add_tweet("bob", "happy birthday to the best friend", 3.03f, 3.0f); // overlaps the first
        add_tweet("carol", "save 50%1 now %2 happy", 7.0f, 7.0f);
        ctrl_click(2);
        QPointer<qt_msg_dlg> dlg = dialog_for(2);
        QVERIFY(dlg && activate(mw) && !dlg->isActiveWindow());
        QCOMPARE(dlg->informativeText(),
                 "<i>" + gl->tweets()[2].time() + ":</i> " + gl->tweets()[2].content_fmt());
        ctrl_click(2);
        QCOMPARE(gl->dialogs().size(), 1);
        QCOMPARE(dialog_for(2), dlg.data());
        QTRY_VERIFY(dlg->isActiveWindow());
        QTRY_COMPARE(gl->highlighted(), QList<int>({2}));
        QVERIFY(yellow_at(2));
        dlg->buttons().value(0)->click();
        QTRY_VERIFY(dlg.isNull());
        QVERIFY(gl->highlighted().isEmpty() && !yellow_at(2));

        ctrl_click(0, Qt::ShiftModifier);
        QTest::mouseClick(gl, Qt::LeftButton, Qt::ControlModifier, QPoint(380, 20));
        QCOMPARE(gl->dialogs().size(), 2);
        const QStringList links{"<b><a href=\"" QUORVEL_PROFILE_BASE
                                "%3Cimg%20src%3Dx%3E\">&lt;img src=x&gt;</a></b>",
                                "<b><a href=\"" QUORVEL_PROFILE_BASE "bob\">bob</a></b>"};
        for (int i = 0; i < 2; ++i) {
            qt_msg_dlg* d = gl->dialogs().at(i);
            const tweet& t = gl->tweets()[i];
            QCOMPARE(d->get_ID(), i);
            QCOMPARE(d->text(), links[i]);
            QCOMPARE(d->informativeText(), "<i>" + t.time() + ":</i> " + t.content_w_term());
        }
        // cascading from 40 pixels inside the window's corner, 28 pixels a step
        QCOMPARE(gl->dialogs().at(0)->pos(), mw->geometry().topLeft() + QPoint(40, 40));
        QCOMPARE(gl->dialogs().at(1)->pos() - gl->dialogs().at(0)->pos(), QPoint(28, 28));
        ctrl_click(2);
        QList<QPointer<qt_msg_dlg>> all;
        for (int i = 0; i < gl->dialogs().size(); ++i)
            all << gl->dialogs().at(i);
        QCOMPARE(all.size(), 3);
        QVERIFY(activate(dialog_for(2)));
        QTRY_COMPARE(gl->highlighted(), QList<int>({2}));
        mw->findChild<QAction*>("dismiss_act")->trigger();
        QCOMPARE(gl->dialogs().size(), 0);
        for (const QPointer<qt_msg_dlg>& d : all)
            QVERIFY(d.isNull());
        QVERIFY(!yellow_at(2));
    }

    // OK and the frame's close button hide Help > Documentation and About and end their modal run.
    void okAndCloseEndModalRun() {
        open();
        for (const char* action : {"doc_act", "about_act"})
            for (const bool ok : {true, false}) {
                QDialog* dlg = action == QByteArray("doc_act") ? static_cast<QDialog*>(mw->doc_dialog())
                                                               : mw->about_dialog();
                int shown = 0;
                QTimer answer;
                connect(&answer, &QTimer::timeout, this, [&] {
                    if (!dlg->isVisible()) return;
                    ++shown;
                    ok ? dlg->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click()
                       : (void)dlg->close();
                });
                answer.start(20);
                QTimer::singleShot(10000, dlg,
                                   [&] { shown = -100, dlg->hide(); }); // only if the run is stuck
                for (int i = 0; i < 2; ++i)
                    mw->findChild<QAction*>(action)->trigger();
                QVERIFY2(shown == 2, action);
            }
    }

    void helpContentAndResources() {
        open();
        // The version line a smaller font than the authors, the title a larger one; the emblem.
        QStringList labels;
        for (const QLabel* l : mw->about_dialog()->findChildren<QLabel*>())
            labels << (l->pixmap().isNull()
                           ? QString::number(l->font().pointSize() - QFont().pointSize()) + ' ' + l->text()
                           : QStringLiteral("%1x%2").arg(QString::number(l->pixmap().width()),
                                                         QString::number(l->pixmap().height())));
        labels.sort();
        QCOMPARE(labels.join('|'),
                 "-2 Version 1.01   Sep 2011|0 Quorvel project\nOpen research software for affective "
                 "text|0 The Quorvel developers\nand contributors|192x192|2 <b>Quorvel</b>");
        QCOMPARE(mw->about_dialog()->minimumSize(), mw->about_dialog()->maximumSize());

        qt_doc_dlg* help = mw->doc_dialog();
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
    // Quit ends the event loop with 0, also while the capture dialog waits for a file name.
    void quitEndsEventLoopWithZero() {
        open();
        QTimer::singleShot(0, mw, &opengl_win::capture_screen);
        bool dialog_up = false;
        QTimer::singleShot(0, this, [&] {
            const QFileDialog* d = mw->findChild<QFileDialog*>();
            dialog_up = d && d->isVisible();
            trigger("quit_act");
        });
        QTimer watchdog; // ends the loop only if Quit does not
        connect(&watchdog, &QTimer::timeout, qApp, [] { qApp->exit(99); });
        watchdog.start(10000);
        QCOMPARE(qApp->exec(), 0);
        QVERIFY(!mw->isVisible());
        QVERIFY(dialog_up);
    }
};

QUORVEL_TEST_MAIN(tst_pick)
#include "tst_pick.moc"

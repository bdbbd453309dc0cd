#include <QAction>
#include <QTemporaryDir>
#include <QToolTip>

#include <numeric>

#include "analysis_fixture.h"
#include "doc_sim.h"
#include "sim_map.h"
#include "testutils.h"

namespace {

// Two topics without a word in common, six tweets each, then one of stop words and a mention only.
QList<tweet> two_topics() {
    QList<tweet> tw;
    for (int i = 0; i < 13; ++i) {
        tweet t;
        t.content(
            i == 12 ? QStringLiteral("the and of it @delay")
            : i < 6
                ? QStringLiteral("@gate%1 the delay, delay and delay: gate gate hour http://hour.example/x")
                      .arg(QString::number(i))
                : QStringLiteral("Goal! goal, GOAL; match match referee #%1").arg(QString::number(i)));
        t.set_estimate(i < 6 ? 3 : 8, i < 6 ? 6 : 2, 1, 6);
        tw.append(t);
    }
    return tw;
}

// Ranks, ties sharing their mean rank.
std::vector<double> ranks(const std::vector<double>& v) {
    std::vector<size_t> o(v.size());
    std::iota(o.begin(), o.end(), 0);
    std::sort(o.begin(), o.end(), [&](size_t a, size_t b) { return v[a] < v[b]; });
    std::vector<double> r(v.size());
    for (size_t i = 0, j; i < o.size(); i = j) {
        for (j = i; j < o.size() && v[o[j]] == v[o[i]]; ++j) {
        }
        for (size_t k = i; k < j; ++k)
            r[o[k]] = (double(i) + double(j) - 1) / 2;
    }
    return r;
}

double spearman(const std::vector<double>& a, const std::vector<double>& b) {
    const std::vector<double> x = ranks(a), y = ranks(b);
    const double mx = std::accumulate(x.begin(), x.end(), 0.0) / x.size();
    const double my = std::accumulate(y.begin(), y.end(), 0.0) / y.size();
    double sxy = 0, sxx = 0, syy = 0;
    for (size_t i = 0; i < x.size(); ++i)
        sxy += (x[i] - mx) * (y[i] - my), sxx += (x[i] - mx) * (x[i] - mx), syy += (y[i] - my) * (y[i] - my);
    return sxy / std::sqrt(sxx * syy);
}

} // namespace

// The similarity map: its layout, groups and labels, and the map on the canvas.
class tst_sim_map : public QObject {
    Q_OBJECT

private slots:
    void init() { create_analysis_globals(); }
    void cleanup() {
        delete_analysis_globals();
        QToolTip::hideText();
    }

    // Each topic is one group labelled with its own words, most frequent first, stop words,
    // mentions and addresses left out; the tweet without terms lies apart in the corner.
    void disjointTopicsMakeTwoGroups() {
        sim_map m;
        m.compute(two_topics());
        QStringList labels;
        for (const sim_cluster& c : m.clusters())
            labels << c.label();
        QCOMPARE(labels, QStringList({"delay · gate · hour — 6 tweets · v 3.0 · a 6.0",
                                      "goal · match · referee — 6 tweets · v 8.0 · a 2.0"}));
        QCOMPARE(m.corner().members, QList<int>{12});
        QVERIFY(m.layout().row(12).isZero());
        QVERIFY(m.layout().minCoeff() >= 0 && m.layout().maxCoeff() <= 1);
        QCOMPARE(
            m.summary(),
            QStringLiteral("2 topics: delay · gate · hour (6, v 3.0); goal · match · referee (6, v 8.0)"));
    }

    // Fewer than three tweets with words are placed by FastMap: two unlike ones at the ends of
    // the middle line, with the margin. A tweet alone has only words every tweet has, and lies
    // in the corner.
    void fewTweets_data() {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<QPointF>>("at"); // sorted
        QTest::addRow("two") << QStringList{"rain storm", "coffee cake"}
                             << QList<QPointF>{{0.03, 0.5}, {0.97, 0.5}};
        QTest::addRow("one") << QStringList{"rain storm"} << QList<QPointF>{{0, 0}};
        QTest::addRow("none") << QStringList{} << QList<QPointF>{};
    }
    void fewTweets() {
        QFETCH(QStringList, texts);
        QFETCH(QList<QPointF>, at);
        QList<tweet> tw(texts.size());
        for (int i = 0; i < texts.size(); ++i)
            tw[i].content(texts[i]);
        sim_map m;
        m.compute(tw);
        QList<QPointF> got;
        for (int i = 0; i < m.size(); ++i)
            got.append(
                QPointF(qRound(m.layout()(i, 0) * 100) / 100.0, qRound(m.layout()(i, 1) * 100) / 100.0));
        std::sort(got.begin(), got.end(), [](QPointF a, QPointF b) { return a.x() < b.x(); });
        QCOMPARE(got, at);
        QVERIFY(m.clusters().isEmpty());
    }

    // Nearer in the layout means more alike, on tweets that lie on an 8 x 8 grid of words: each
    // holds the words within three steps of its own place.
    void layoutFollowsSimilarity() {
        QList<tweet> tw(64);
        for (int i = 0; i < tw.size(); ++i) {
            QString text;
            for (int x = i % 8 - 3; x <= i % 8 + 3; ++x)
                for (int y = i / 8 - 3; y <= i / 8 + 3; ++y)
                    if (x >= 0 && y >= 0 && x < 8 && y < 8)
                        text += QStringLiteral("w%1%2 ").arg(QChar('a' + x), QChar('a' + y));
            tw[i].content(text);
        }
        sim_map m;
        m.compute(tw);
        doc_sim s;
        s.comp_sim_matrix();
        std::vector<double> near, alike;
        for (int i = 0; i < tw.size(); ++i)
            for (int j = i + 1; j < tw.size(); ++j) {
                near.push_back((m.layout().row(i) - m.layout().row(j)).norm());
                alike.push_back(1 - s.sim(i, j));
            }
        QVERIFY(m.layout().minCoeff() >= 0 && m.layout().maxCoeff() <= 1);
        const double rho = spearman(near, alike);
        QVERIFY2(rho >= 0.7, qPrintable(QString::number(rho)));
    }

    // On and off from the View menu: the map's discs answer the pointer, its labels lie over
    // the discs, a capture saves it, and the plane comes back exactly as it was.
    void mapInTheWindow() {
        std::unique_ptr<opengl_win> mw(testutils::make_window(700, 450));
        opengl* gl = mw->gl_ptr();
        QAction* act = mw->findChild<QAction*>(QStringLiteral("sim_map_act"));
        // With nothing shown yet, the status bar keeps its hint on how to begin.
        const QString hint = mw->summary_line();
        act->trigger();
        act->trigger();
        QCOMPARE(mw->summary_line(), hint);
        gl->tweets() = two_topics();
        const QImage plane = testutils::grab(gl);
        act->trigger();
        QVERIFY(gl->sim_map_shown());
        QCOMPARE(mw->summary_line(), tweet_summary(gl->tweets()) + " · " + gl->sim_map_summary());
        const QImage map = testutils::grab(gl);
        QVERIFY(map != plane);

        float cx, cy, r;
        QVERIFY(gl->sim_disc_px(12, cx, cy, r));
        const QPoint at(qRound(cx), gl->height() - qRound(cy));
        QHelpEvent he(QEvent::ToolTip, at, gl->mapToGlobal(at));
        QApplication::sendEvent(gl, &he);
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY2(QToolTip::text().contains("the and of it"), qPrintable(QToolTip::text()));

        const auto labels = gl->sim_labels();
        QCOMPARE(labels.size(), 2);
        QVERIFY(!labels[0].second.intersects(labels[1].second));
        for (const auto& [g, box] : labels)
            QVERIFY(testutils::distance(map.pixel(box.right() - 3, box.center().y()), Qt::white) <= 12);
        QTemporaryDir dir;
        QVERIFY(gl->capture_screen(dir.filePath("map.tif")));
        QCOMPARE(QImage(dir.filePath("map.tif")).convertToFormat(QImage::Format_RGB32),
                 map.convertToFormat(QImage::Format_RGB32));

        act->trigger();
        QVERIFY(!gl->sim_map_shown() && gl->sim_map_summary().isEmpty());
        QCOMPARE(mw->summary_line(), tweet_summary(gl->tweets()));
        QCOMPARE(testutils::grab(gl), plane);
        win = nullptr;
    }
};

QUORVEL_TEST_MAIN(tst_sim_map)
#include "tst_sim_map.moc"

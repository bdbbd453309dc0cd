// Draws a synthetic query result on the emotion plane and saves the canvas as an image:
//
//   plane_shot OUT.png [ZOOM [TWEETS [SEED]]]
//
// The tweets are placed directly (no feed, no lexicon) with spreads like those of real queries:
// pleasure mostly mildly positive, arousal near the middle, frequency measures around 3 to 6.
// The view is centred on the middle of the plane. Run it under Xvfb without a display.

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QSlider>
#include <QSurfaceFormat>
#include <QTest>

#include "globals.h"
#include "opengl.h"
#include "opengl_win.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <random>

int main(int argc, char* argv[]) {
    opengl::set_surface_format();
    QApplication app(argc, argv);

    if (argc < 2) {
        std::fprintf(stderr, "usage: plane_shot OUT.png [ZOOM [TWEETS [SEED]]]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const int zoom = std::clamp(argc > 2 ? std::atoi(argv[2]) : 1, 1, 10);
    const int n = std::clamp(argc > 3 ? std::atoi(argv[3]) : 300, 0, 1500);
    const unsigned seed = argc > 4 ? unsigned(std::strtoul(argv[4], nullptr, 10)) : 7u;

    opengl_win mw;
    win = &mw;
    opengl* gl = mw.gl_ptr();
    gl->setFixedSize(700, 450);
    mw.show();
    if (!QTest::qWaitForWindowExposed(&mw)) {
        std::fprintf(stderr, "plane_shot: the window was never shown\n");
        return 1;
    }

    std::mt19937 rng(seed);
    std::normal_distribution<float> valence(5.7f, 1.1f), arousal(5.1f, 0.8f), sd(2.1f, 0.55f),
        ln_freq(3.6f, 1.1f);
    std::uniform_real_distribution<float> unit(0, 1);
    QList<tweet>& tw = gl->tweets();
    for (int i = 0; i < n; ++i) {
        tweet t;
        // A few tweets match only words of frequency 0.
        const float fq = unit(rng) < 0.02f ? -std::numeric_limits<float>::infinity() : 1 + ln_freq(rng);
        t.set_estimate(std::clamp(valence(rng), 1.0f, 9.0f), std::clamp(arousal(rng), 1.0f, 9.0f),
                       std::max(0.3f, sd(rng)), fq);
        tw.append(t);
    }
    gl->set_query_text(QStringLiteral("coffee"));

    mw.zoom_slider()->setValue(zoom);
    const float f = (1.0f - 1.0f / float(zoom)) / 2;
    mw.set_sbar(f, f);
    gl->updateGL();
    const QImage img = gl->grabFramebuffer();
    if (!img.save(out)) {
        std::fprintf(stderr, "plane_shot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

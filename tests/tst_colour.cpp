#include <QTest>

#include "colour.h"

#include <cmath>
#include <limits>

namespace {

struct rgb {
    float r, g, b;
};

// Table entry a, or the point f of the way from a to b.
rgb mix(const int a[3], const int b[3] = nullptr, float f = 0) {
    if (!b) b = a;
    return {(a[0] + (b[0] - a[0]) * f) / 255.0f, (a[1] + (b[1] - a[1]) * f) / 255.0f,
            (a[2] + (b[2] - a[2]) * f) / 255.0f};
}

void check(rgb c, rgb want, float tol) {
    QVERIFY2(
        std::fabs(c.r - want.r) <= tol && std::fabs(c.g - want.g) <= tol && std::fabs(c.b - want.b) <= tol,
        qPrintable(QString::asprintf("%g %g %g, expected %g %g %g", c.r, c.g, c.b, want.r, want.g, want.b)));
}

const float nan_f = std::numeric_limits<float>::quiet_NaN();

} // namespace

Q_DECLARE_METATYPE(rgb)

// The colour scales: interpolation, dead zone and clamping over the stored tables.
class tst_colour : public QObject {
    Q_OBJECT

private slots:
    void twoDimensional_data() {
        QTest::addColumn<float>("lum");
        QTest::addColumn<float>("hue");
        QTest::addColumn<rgb>("expected");
        QTest::addColumn<float>("tol");
        const rgb black{0, 0, 0};
        QTest::addRow("darkest blue of a tweet") << 0.4f << 0.75f << rgb{0.011f, 0.140f, 0.251f} << 0.001f;
        QTest::addRow("lightest green of a tweet") << 0.9f << 0.55f << rgb{0.661f, 0.827f, 0.785f} << 0.001f;
        QTest::addRow("between levels 6 and 7") << 0.65f << 0.75f << rgb{0.066f, 0.429f, 0.700f} << 0.001f;
        // fractions below 0.01 of a step count as 0
        QTest::addRow("hue below dead zone") << 0.6f << (29.009f / 39) << mix(colour_path[6][29]) << 0.0f;
        QTest::addRow("lum below dead zone")
            << 0.6009f << 0.75f << rgb{8.75f / 255, 91 / 255.0f, 154 / 255.0f} << 0.0005f;
        QTest::addRow("lum below 0 clamps") << -3.0f << 0.5f << black << 0.0f;
        QTest::addRow("hue above 1 clamps, not wraps")
            << 0.9f << 5.0f << mix(colour_path[9][HUE_N - 1]) << 0.0f;
        QTest::addRow("NaN hue counts as 0") << 0.9f << nan_f << mix(colour_path[9][0]) << 0.0f;
    }
    void twoDimensional() {
        QFETCH(float, lum);
        QFETCH(float, hue);
        QFETCH(rgb, expected);
        QFETCH(float, tol);
        rgb c{-1, -1, -1};
        get_colour(lum, hue, c.r, c.g, c.b);
        check(c, expected, tol);
    }

    void oneDimensional_data() {
        QTest::addColumn<bool>("grey");
        QTest::addColumn<float>("v");
        QTest::addColumn<rgb>("expected");
        const float mid = 53.5f / 255;
        const rgb first{5 / 255.0f, 1 / 255.0f, 5 / 255.0f}, last{223 / 255.0f, 188 / 255.0f, 230 / 255.0f};
        QTest::addRow("grey 0.5 between 52 and 55") << true << 0.5f << rgb{mid, mid, mid};
        QTest::addRow("colour start") << false << 0.0f << first;
        QTest::addRow("colour end") << false << 1.0f << last;
        QTest::addRow("colour no dead zone")
            << false << (79.009f / 99) << mix(rgb_path[79], rgb_path[80], 0.009f);
    }
    void oneDimensional() {
        QFETCH(bool, grey);
        QFETCH(float, v);
        QFETCH(rgb, expected);
        rgb c{-1, -1, -1};
        if (grey)
            get_grey(v, c.r, c.g, c.b);
        else
            get_colour(v, c.r, c.g, c.b);
        check(c, expected, 0.00002f);
    }
};

QTEST_APPLESS_MAIN(tst_colour)
#include "tst_colour.moc"

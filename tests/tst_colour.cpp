#include <QTest>

#include "colour.h"

#include <cmath>
#include <limits>

namespace {

struct rgb {
    float r, g, b;
};

rgb entry(const int e[3]) {
    return {e[0] / 255.0f, e[1] / 255.0f, e[2] / 255.0f};
}

rgb blend(const int a[3], const int b[3], float f) {
    return {(a[0] + (b[0] - a[0]) * f) / 255.0f, (a[1] + (b[1] - a[1]) * f) / 255.0f,
            (a[2] + (b[2] - a[2]) * f) / 255.0f};
}

bool near(rgb a, rgb b, float tol) {
    return std::fabs(a.r - b.r) <= tol && std::fabs(a.g - b.g) <= tol && std::fabs(a.b - b.b) <= tol;
}

QByteArray show(rgb c) {
    return QByteArray::number(c.r) + ", " + QByteArray::number(c.g) + ", " + QByteArray::number(c.b);
}

// Relative luminance; rises with perceived lightness.
double luminance(const int e[3]) {
    auto lin = [](int c) {
        const double v = c / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(e[0]) + 0.7152 * lin(e[1]) + 0.0722 * lin(e[2]);
}

const float nan_f = std::numeric_limits<float>::quiet_NaN();
const float inf_f = std::numeric_limits<float>::infinity();

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
        const rgb black{0, 0, 0}, white{1, 1, 1};
        QTest::addRow("lum 0 is black, any hue") << 0.0f << 0.37f << black << 0.0f;
        QTest::addRow("lum 1 is white, last hue") << 1.0f << 1.0f << white << 0.0f;
        QTest::addRow("lum 1 is white, hue between steps") << 1.0f << 0.51f << white << 0.0f;
        QTest::addRow("darkest blue of a tweet") << 0.4f << 0.75f << rgb{0.011f, 0.140f, 0.251f} << 0.001f;
        QTest::addRow("lightest green of a tweet") << 0.9f << 0.55f << rgb{0.661f, 0.827f, 0.785f} << 0.001f;
        QTest::addRow("halfway between levels 6 and 7")
            << 0.65f << 0.75f << rgb{0.066f, 0.429f, 0.700f} << 0.001f;
        QTest::addRow("hue fraction below dead zone")
            << 0.6f << (29.009f / 39.0f) << entry(colour_path[6][29]) << 0.0f;
        QTest::addRow("hue fraction above dead zone")
            << 0.6f << (29.2f / 39.0f) << blend(colour_path[6][29], colour_path[6][30], 0.2f) << 0.0005f;
        QTest::addRow("lum fraction below dead zone")
            << 0.6009f << 0.75f << rgb{8.75f / 255, 91 / 255.0f, 154 / 255.0f} << 0.0005f;
        QTest::addRow("lum fraction above dead zone")
            << 0.62f << (29.0f / 39.0f) << blend(colour_path[6][29], colour_path[7][29], 0.2f) << 0.0005f;
        QTest::addRow("negative lum clamps to black") << -3.0f << 0.5f << black << 0.0f;
        QTest::addRow("lum above 1 clamps to white") << 7.0f << 0.2f << white << 0.0f;
        QTest::addRow("negative hue clamps to the first step")
            << 0.6f << -0.4f << entry(colour_path[6][0]) << 0.0f;
        QTest::addRow("hue above 1 clamps to the last step, not wrapped")
            << 0.9f << 5.0f << entry(colour_path[9][HUE_N - 1]) << 0.0f;
        QTest::addRow("infinite lum is white") << inf_f << 0.3f << white << 0.0f;
        QTest::addRow("NaN lum counts as 0") << nan_f << 0.3f << black << 0.0f;
        QTest::addRow("NaN hue counts as 0") << 0.9f << nan_f << entry(colour_path[9][0]) << 0.0f;
    }
    void twoDimensional() {
        QFETCH(float, lum);
        QFETCH(float, hue);
        QFETCH(rgb, expected);
        QFETCH(float, tol);
        rgb c{-1, -1, -1};
        get_colour(lum, hue, c.r, c.g, c.b);
        QVERIFY2(near(c, expected, tol), show(c) + " expected " + show(expected));
    }

    void oneDimensional_data() {
        QTest::addColumn<bool>("grey");
        QTest::addColumn<float>("v");
        QTest::addColumn<rgb>("expected");
        QTest::addRow("grey 0 is black") << true << 0.0f << rgb{0, 0, 0};
        QTest::addRow("grey 1 is white") << true << 1.0f << rgb{1, 1, 1};
        const float mid = 53.5f / 255;
        QTest::addRow("grey 0.5 halfway between 52 and 55") << true << 0.5f << rgb{mid, mid, mid};
        QTest::addRow("grey below 0 clamps") << true << -0.5f << rgb{0, 0, 0};
        QTest::addRow("grey NaN counts as 0") << true << nan_f << rgb{0, 0, 0};
        QTest::addRow("grey no dead zone")
            << true << (60.009f / 99) << blend(grey_path[60], grey_path[61], 0.009f);
        QTest::addRow("colour start") << false << 0.0f << rgb{5 / 255.0f, 1 / 255.0f, 5 / 255.0f};
        QTest::addRow("colour end") << false << 1.0f << rgb{223 / 255.0f, 188 / 255.0f, 230 / 255.0f};
        QTest::addRow("colour above 1 clamps")
            << false << 3.0f << rgb{223 / 255.0f, 188 / 255.0f, 230 / 255.0f};
        QTest::addRow("colour between entries")
            << false << (69.3f / 99) << blend(rgb_path[69], rgb_path[70], 0.3f);
        QTest::addRow("colour no dead zone")
            << false << (79.009f / 99) << blend(rgb_path[79], rgb_path[80], 0.009f);
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
        QVERIFY2(near(c, expected, 0.00002f), show(c) + " expected " + show(expected));
    }

    // Each level must be lighter than the one below it everywhere round the hue circle, or a
    // brighter tweet could be drawn darker than a duller one of another hue.
    void levelsRiseInLightness() {
        for (int l = 0; l + 1 < L_NUM; ++l) {
            double top = 0, bottom = 1;
            for (int s = 0; s < HUE_N; ++s) {
                top = std::max(top, luminance(colour_path[l][s]));
                bottom = std::min(bottom, luminance(colour_path[l + 1][s]));
            }
            QVERIFY2(top < bottom, qPrintable(QString("level %1").arg(l + 1)));
        }
    }

    void pathsBrighten() {
        for (int i = 1; i < PATH_LEN; ++i) {
            QVERIFY2(luminance(rgb_path[i]) >= luminance(rgb_path[i - 1]) * 0.97,
                     qPrintable(QString::number(i)));
            QVERIFY(grey_path[i][0] >= grey_path[i - 1][0]);
            QCOMPARE(grey_path[i][1], grey_path[i][0]);
            QCOMPARE(grey_path[i][2], grey_path[i][0]);
        }
    }
};

QTEST_APPLESS_MAIN(tst_colour)
#include "tst_colour.moc"

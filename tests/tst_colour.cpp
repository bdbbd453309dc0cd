#include <QTest>

#include "colour.h"

#include <cmath>
#include <limits>

namespace {

struct rgb {
    float r, g, b;
};

float clamp01(float v) {
    return v > 1 ? 1.0f : v > 0 ? v : 0.0f; // NaN counts as 0
}

// The two-dimensional scale as defined: bilinear between the four surrounding entries, except
// that a fraction of 0.01 or less on an axis counts as none.
rgb two_dim(float lum, float hue) {
    const float l = clamp01(lum) * 10.0f, h = clamp01(hue) * 39.0f;
    const int li = int(l), hi = int(h);
    const float lf = l - float(li), hf = h - float(hi);
    float c[3];
    for (int k = 0; k < 3; ++k) {
        c[k] = float(colour_path[li][hi][k]);
        if (hf > 0.01f) c[k] += (float(colour_path[li][hi + 1][k]) - c[k]) * hf;
        if (lf > 0.01f) {
            float u = float(colour_path[li + 1][hi][k]);
            if (hf > 0.01f) u += (float(colour_path[li + 1][hi + 1][k]) - u) * hf;
            c[k] += (u - c[k]) * lf;
        }
    }
    return {c[0] / 255, c[1] / 255, c[2] / 255};
}

// The one-dimensional scales: linear between neighbouring entries, no dead zone.
rgb one_dim(const int path[PATH_LEN][3], float v) {
    const float p = clamp01(v) * 99.0f;
    const int i = int(p);
    float c[3];
    for (int k = 0; k < 3; ++k)
        c[k] = float(path[i][k]) + (i < 99 ? float(path[i + 1][k] - path[i][k]) * (p - float(i)) : 0.0f);
    return {c[0] / 255, c[1] / 255, c[2] / 255};
}

// CIE lightness L* of an sRGB entry.
double lightness(const int c[3]) {
    double y = 0;
    for (int k = 0; k < 3; ++k) {
        const double x = c[k] / 255.0;
        y += (const double[]){0.2126729, 0.7151522, 0.0721750}[k] *
             (x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4));
    }
    return y > 216.0 / 24389 ? 116 * std::cbrt(y) - 16 : y * 24389.0 / 27;
}

// A value whose product with scale is exactly 0.01 in single precision: a fraction on the edge
// of the dead zone.
float on_dead_zone_edge(float scale) {
    float v = 0.01f / scale;
    for (int k = 0; k < 16 && v * scale != 0.01f; ++k)
        v = std::nextafter(v, v * scale < 0.01f ? 1.0f : 0.0f);
    return v;
}

} // namespace

// The colour scales: their stored tables and the interpolation over them.
class tst_colour : public QObject {
    Q_OBJECT

private slots:
    // The published entries: levels 6 and 9 at every hue stop; the green and blue columns of the
    // tweet colours (steps 21, 22, 29, 30) at every level; the marks of the colour path; the greys.
    void documentedEntries() {
        QString got;
        auto put = [&](const int c[3]) { got += QString::asprintf(" %d,%d,%d", c[0], c[1], c[2]); };
        for (int l : {6, 9})
            for (int s = 0; s < HUE_N; s += STEP_P_HUE)
                put(colour_path[l][s]);
        for (int l = 0; l < L_NUM; ++l)
            for (int s : {21, 22, 29, 30})
                put(colour_path[l][s]);
        for (int i : {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 99})
            put(rgb_path[i]);
        for (const auto& g : grey_path)
            got += QString::asprintf(g[0] == g[1] && g[1] == g[2] ? " %d" : " (not grey)", g[0]);
        QCOMPARE(
            got.trimmed(),
            "138,50,108 161,47,62 160,52,27 123,68,6 78,85,3 25,99,42 8,100,82 3,95,138 34,80,170 "
            "90,61,158 226,187,226 232,187,213 242,186,191 233,193,160 212,201,156 174,211,189 "
            "165,211,215 171,206,239 193,197,245 211,191,242 "
            "0,0,0 0,0,0 0,0,0 0,0,0 1,3,2 1,3,3 1,3,5 1,3,6 2,10,6 2,10,7 0,9,17 1,9,18 6,20,13 5,20,14 "
            "3,19,32 4,18,34 6,40,22 4,40,25 2,36,63 5,35,67 17,63,38 15,64,43 12,59,93 16,56,98 "
            "18,100,54 14,100,63 7,92,152 14,88,160 36,140,81 31,140,92 23,129,200 30,125,212 "
            "102,169,135 99,170,143 98,162,208 104,159,213 170,211,197 167,211,204 176,204,242 "
            "182,201,244 255,255,255 255,255,255 255,255,255 255,255,255 "
            "5,1,5 15,3,7 27,8,5 36,18,2 36,38,2 23,63,28 9,94,74 12,121,160 80,133,221 171,153,222 "
            "223,188,230 "
            "0 0 0 0 1 1 1 1 2 2 2 3 3 4 4 5 6 6 7 7 8 9 10 11 12 13 14 15 15 16 18 19 21 22 24 25 27 "
            "29 30 32 33 36 38 40 42 44 46 48 50 52 55 58 61 64 66 69 72 75 78 81 85 88 92 95 99 102 "
            "106 109 113 117 120 124 128 132 135 139 143 147 150 154 159 164 168 173 178 183 188 192 "
            "197 202 207 213 218 223 228 234 239 244 249 255");
    }

    // Level 0 is black and level 10 white; every level is lighter than the one below it, and the
    // colour path brightens from start to end.
    void lightnessRises() {
        double below = -1;
        for (int l = 0; l < L_NUM; ++l) {
            double top = 0, bottom = 100;
            for (const int* c : colour_path[l])
                top = std::max(top, lightness(c)), bottom = std::min(bottom, lightness(c));
            QVERIFY2(bottom > below && (l > 0 || top == 0) && (l < 10 || bottom > 99.99),
                     qPrintable(QString::number(l)));
            below = top;
        }
        for (int i = 1; i < PATH_LEN; ++i)
            QVERIFY(lightness(rgb_path[i]) >= lightness(rgb_path[i - 1]) - 0.5);
    }

    // Every scale against its definition, over a grid of inputs that meets every entry, falls
    // between entries, reaches the dead zone's edge and leaves [0, 1] on both sides.
    void scalesAsDefined() {
        const float nan = std::numeric_limits<float>::quiet_NaN(),
                    inf = std::numeric_limits<float>::infinity();
        QList<float> in{-2, -inf, nan, inf, 1.5f, on_dead_zone_edge(10), on_dead_zone_edge(39)};
        QVERIFY(in[5] * 10 == 0.01f && in[6] * 39 == 0.01f);
        for (int k = 0; k <= 390; ++k)
            in << k / 390.0f;
        auto near = [](rgb a, rgb b) {
            return std::fabs(a.r - b.r) <= 1e-6f && std::fabs(a.g - b.g) <= 1e-6f &&
                   std::fabs(a.b - b.b) <= 1e-6f;
        };
        rgb c{-1, -1, -1};
        for (float lum : in)
            for (float hue : in) {
                get_colour(lum, hue, c.r, c.g, c.b);
                if (!near(c, two_dim(lum, hue)))
                    QFAIL(qPrintable(QString::asprintf("%g, %g: %g %g %g", lum, hue, c.r, c.g, c.b)));
            }
        for (float v : in) {
            get_colour(v, c.r, c.g, c.b);
            QVERIFY2(near(c, one_dim(rgb_path, v)), qPrintable(QString::number(v)));
            get_grey(v, c.r, c.g, c.b);
            QVERIFY2(near(c, one_dim(grey_path, v)), qPrintable(QString::number(v)));
        }
    }
};

QTEST_APPLESS_MAIN(tst_colour)
#include "tst_colour.moc"

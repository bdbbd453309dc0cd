#include "colour.h"

namespace {

// Clamps to [0, 1]; NaN counts as 0, so no non-finite value ever becomes a table index.
float clamp01(float v) {
    if (!(v > 0.0f)) return 0.0f;
    if (v > 1.0f) return 1.0f;
    return v;
}

void lerp_to(float c[3], const int next[3], float f) {
    for (int k = 0; k < 3; ++k)
        c[k] += (float(next[k]) - c[k]) * f;
}

void path_colour(const int path[PATH_LEN][3], float v, float& r, float& g, float& b) {
    const float p = clamp01(v) * float(PATH_LEN - 1);
    const int i = int(p);
    const float f = p - float(i);
    float c[3] = {float(path[i][0]), float(path[i][1]), float(path[i][2])};
    if (i < PATH_LEN - 1)
        for (int k = 0; k < 3; ++k)
            c[k] += float(path[i + 1][k] - path[i][k]) * f;
    r = c[0] / 255.0f;
    g = c[1] / 255.0f;
    b = c[2] / 255.0f;
}

} // namespace

void get_colour(float lum, float hue, float& r, float& g, float& b) {
    // Fractions this small are rounding noise; treating them as 0 also keeps lum = 1 and
    // hue = 1 from reading past the last level or step.
    constexpr float dead_zone = 0.01f;

    const float l = clamp01(lum) * float(L_NUM - 1);
    const int li = int(l);
    const float lf = l - float(li);
    const float h = clamp01(hue) * float(HUE_N - 1);
    const int hi = int(h);
    const float hf = h - float(hi);

    const int* e = colour_path[li][hi];
    float c[3] = {float(e[0]), float(e[1]), float(e[2])};
    if (hf > dead_zone) lerp_to(c, colour_path[li][hi + 1], hf);
    if (lf > dead_zone) {
        const int* n = colour_path[li + 1][hi];
        float u[3] = {float(n[0]), float(n[1]), float(n[2])};
        if (hf > dead_zone) lerp_to(u, colour_path[li + 1][hi + 1], hf);
        for (int k = 0; k < 3; ++k)
            c[k] += (u[k] - c[k]) * lf;
    }
    r = c[0] / 255.0f;
    g = c[1] / 255.0f;
    b = c[2] / 255.0f;
}

void get_colour(float v, float& r, float& g, float& b) {
    path_colour(rgb_path, v, r, g, b);
}

void get_grey(float v, float& r, float& g, float& b) {
    path_colour(grey_path, v, r, g, b);
}

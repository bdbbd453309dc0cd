#pragma once

// Colour scales: numbers in [0, 1] to red, green and blue in [0, 1], interpolated between the
// entries of stored tables (src/colour_tables.cpp, written by data/gen_colour.py).

// Luminance levels of the two-dimensional scale, 0 black .. 10 white.
constexpr int L_NUM = 11;
// Table steps between two neighbouring hue stops; a level has ten stops around the hue circle.
constexpr int STEP_P_HUE = 4;
constexpr int HUE_N = 10 * STEP_P_HUE;
// Entries of the one-dimensional scales.
constexpr int PATH_LEN = 100;

// Luminance level x hue step (magenta, red, orange, olive, green, blue-green, blue, violet) x RGB.
extern const int colour_path[L_NUM][HUE_N][3];
// Steadily brightening colours, near-black purple to pale lavender.
extern const int rgb_path[PATH_LEN][3];
// Greys from black to white, the dark end compressed.
extern const int grey_path[PATH_LEN][3];

// Two-dimensional scale: lum picks the luminance level, hue the step around the hue circle
// (not wrapped: hue 1 is the last step). Bilinear, except that a fraction of 0.01 or less on
// either axis counts as 0. Inputs are clamped to [0, 1].
void get_colour(float lum, float hue, float& r, float& g, float& b);
// One-dimensional scales over rgb_path and grey_path; v is clamped to [0, 1].
void get_colour(float v, float& r, float& g, float& b);
void get_grey(float v, float& r, float& g, float& b);

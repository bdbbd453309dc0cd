#pragma once

class collection;
class opengl_win;
class termvec;

// Process-wide objects, set by main() before the event loop starts and valid until it ends.
collection* collect_ptr();
termvec* tvec_ptr();
opengl_win* win_ptr();

#pragma once

class collection;
class opengl_win;
class termvec;

// Storage behind collect_ptr(), tvec_ptr() and win_ptr(); written by main() and by tests that
// build their own main window.
extern collection* collect;
extern termvec* tvec;
extern opengl_win* win;

#include "globals.h"

#include "main.h"

// The process-wide pointers live in the core library so that tools and tests that link it can
// reach them; main() is their only writer.
collection* collect = nullptr;
termvec* tvec = nullptr;
opengl_win* win = nullptr;

collection* collect_ptr() { return collect; }
termvec* tvec_ptr() { return tvec; }
opengl_win* win_ptr() { return win; }

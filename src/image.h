#pragma once

#include <QString>

#include <cstdint>

// An RGBA raster in memory, rows bottom-up as OpenGL numbers frame-buffer rows: pixel (x, y) is
// word xsize * y + x, and a word holds red in bits 31-24, green 23-16, blue 15-8 and alpha 7-0
// (0xRRGGBBAA as a number, whatever the byte order). Failures return 0 and print one line,
// starting with the operation's name, on standard error.
class image {
public:
    image();
    image(const image& img);
    image& operator=(const image& img);
    ~image();

    // w x h pixels of undefined content; the old pixels are freed.
    int create(int w, int h);
    // The w x h frame-buffer block whose lower-left pixel is (x, y), read from the current
    // context's read buffer (a bound framebuffer object's colour attachment).
    int capture(int x, int y, int w, int h);
    // A further frame-buffer block into the existing raster, starting at linear pixel index
    // xsize * ysize - pos - w * h with the raster's row stride.
    int insert(int x, int y, int w, int h, int pos);
    // The raster at raster position (0, 0) of the current context, bottom row first.
    void draw() const;

    // JPEG (comp 1 or 3) and TIFF (comp 3) files, upright and opaque. A file is replaced only
    // when the whole image was written.
    int write(const QString& file, int comp);
    int write_tiff(const QString& file, int comp);
    // The writer behind both; fmt is "jpg" or "tiff".
    int qt_write_img(const QString& fname, const char* fmt);
    // The exact inverse of the writer: the file's top row becomes row ysize - 1, alpha 255.
    int read(const QString& file);
    int read_tiff(const QString& file);
    int qt_read_img(const QString& fname, const char* fmt);
    // Why the last write or read failed, in words for the user ("Permission denied").
    QString error() const { return err; }

    int width() const { return xsize; }
    int height() const { return ysize; }
    // The image's name: the file last written or read, cut to at most 255 bytes of UTF-8.
    QString get_name() const;

    // 0 outside the raster.
    unsigned int pixel(int x, int y) const;
    // Nothing happens outside the raster.
    void pixel(int x, int y, unsigned int val);
    short r(int x, int y) const;
    short g(int x, int y) const;
    short b(int x, int y) const;
    short a(int x, int y) const;
    // Replace one channel, keeping the others; val is taken modulo 256.
    void r(int x, int y, short val);
    void g(int x, int y, short val);
    void b(int x, int y, short val);
    void a(int x, int y, short val);

    // JPEG quality of write(), 0 to 100.
    int quality() const { return qual; }
    void quality(int q);

    // A deep copy of img, name and quality included.
    int copy(const image& img);

    // New size x by y: pixels keep their (column, row), new cells get fill, cells beyond the
    // new size are dropped. 0 only when memory runs out; the old raster is then kept.
    int resize(int x, int y, unsigned int fill);
    int resize_x(int x, unsigned int fill);
    int resize_y(int y, unsigned int fill);

private:
    void set_name(const QString& file);
    int channel(int x, int y, int shift) const;
    void channel(int x, int y, int shift, short val);
    // Reads h rows of w pixels from (x, y) into the words from `at` on, xsize apart.
    void read_rows(int x, int y, int w, int h, std::uint32_t* at);

    int depth = 0;
    QString err;
    char name[256];
    int qual;
    int xsize;
    int ysize;
    std::uint32_t* pix;
};

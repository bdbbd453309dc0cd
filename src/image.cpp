#include "image.h"

#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QOpenGLContext>
#include <QSaveFile>

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

void diag(const char* line) {
    std::fputs(line, stderr);
    std::fputc('\n', stderr);
}

// The pixel words of n cells, or null when memory runs out (also for absurd sizes).
std::uint32_t* alloc_words(std::size_t n) {
    return n == 0 ? nullptr : new (std::nothrow) std::uint32_t[n];
}

std::size_t cells(int w, int h) {
    return std::size_t(w) * std::size_t(h);
}

} // namespace

image::image() : qual(75), xsize(0), ysize(0), pix(nullptr) {
    name[0] = '\0';
}

image::image(const image& img) : image() {
    copy(img);
}

image& image::operator=(const image& img) {
    copy(img);
    return *this;
}

image::~image() {
    delete[] pix;
}

int image::create(int w, int h) {
    delete[] pix;
    pix = nullptr;
    xsize = ysize = 0;
    if (w < 0 || h < 0) {
        std::fprintf(stderr, "image::create(), invalid size %d x %d\n", w, h);
        return 0;
    }
    const std::size_t n = cells(w, h);
    pix = alloc_words(n);
    if (n != 0 && !pix) {
        diag("image::create(), out of memory creating JPEG object");
        return 0;
    }
    xsize = w;
    ysize = h;
    return 1;
}

void image::read_rows(int x, int y, int w, int h, std::uint32_t* at) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int i = 0; i < h; ++i) {
        std::uint32_t* row = at + cells(xsize, i);
        glReadPixels(x, y + i, w, 1, GL_RGBA, GL_UNSIGNED_BYTE, row);
        // OpenGL delivers the bytes R, G, B, A in memory order.
        for (int k = 0; k < w; ++k) {
            unsigned char c[4];
            std::memcpy(c, row + k, 4);
            row[k] = std::uint32_t(c[0]) << 24 | std::uint32_t(c[1]) << 16 | std::uint32_t(c[2]) << 8 | c[3];
        }
    }
}

namespace {

// Reading without a current context, or from an incomplete framebuffer, leaves the words
// undefined: report it rather than save garbage.
bool gl_ready(const char* op) {
    if (!QOpenGLContext::currentContext()) {
        std::fprintf(stderr, "image::%s(), no current OpenGL context\n", op);
        return false;
    }
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
    }
    return true;
}

bool gl_read_ok(const char* op) {
    const GLenum e = glGetError();
    if (e == GL_NO_ERROR) return true;
    std::fprintf(stderr, "image::%s(), OpenGL error 0x%x reading framebuffer\n", op, unsigned(e));
    return false;
}

} // namespace

int image::capture(int x, int y, int w, int h) {
    if (!create(w, h)) {
        diag("image::capture(), out of memory capturing framebuffer");
        err = QStringLiteral("out of memory");
        return 0;
    }
    if (!gl_ready("capture")) {
        err = QStringLiteral("the canvas could not be read");
        return 0;
    }
    read_rows(x, y, w, h, pix);
    if (!gl_read_ok("capture")) {
        err = QStringLiteral("the canvas could not be read");
        return 0;
    }
    return 1;
}

int image::insert(int x, int y, int w, int h, int pos) {
    const long long total = (long long)xsize * ysize;
    const long long start = total - pos - (long long)w * h;
    if (w < 0 || h < 0 || start < 0 || (w > 0 && h > 0 && start + (long long)(h - 1) * xsize + w > total)) {
        diag("image::insert(), insert position outside bitmap boundaries");
        return 0;
    }
    if (w == 0 || h == 0) return 1;
    if (!gl_ready("insert")) return 0;
    read_rows(x, y, w, h, pix + start);
    return gl_read_ok("insert") ? 1 : 0;
}

void image::draw() const {
    if (!pix) return;
    glRasterPos2i(0, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    // This packed type reads each word as 0xRRGGBBAA whatever the byte order.
    glDrawPixels(xsize, ysize, GL_RGBA, GL_UNSIGNED_INT_8_8_8_8, pix);
}

int image::write(const QString& file, int comp) {
    if (comp != 1 && comp != 3) {
        std::fprintf(stderr, "image::write(), unknown components %d writing JPEG image\n", comp);
        err = QStringLiteral("unsupported number of colour components");
        return 0;
    }
    return qt_write_img(file, "jpg");
}

int image::write_tiff(const QString& file, int comp) {
    if (comp == 1) {
        err = QStringLiteral("grey TIFF files are not supported");
        return 0;
    }
    if (comp != 3) {
        std::fprintf(stderr, "image::write_tiff(), unknown components %d writing TIFF image\n", comp);
        err = QStringLiteral("unsupported number of colour components");
        return 0;
    }
    return qt_write_img(file, "tiff");
}

int image::qt_write_img(const QString& fname, const char* fmt) {
    err.clear();
    const std::size_t n = cells(xsize, ysize);
    std::unique_ptr<std::uint32_t[]> buf(alloc_words(n));
    if (n != 0 && !buf) {
        diag("image::qt_write_img(), out of memory allocating pixel buffer");
        err = QStringLiteral("out of memory");
        return 0;
    }
    // Top row first, as opaque ARGB words; the raster's alpha is not written.
    std::uint32_t* out = buf.get();
    for (int y = ysize - 1; y >= 0; --y) {
        const std::uint32_t* row = pix + cells(xsize, y);
        for (int x = 0; x < xsize; ++x)
            *out++ = 0xFF000000u | (row[x] >> 8);
    }
    const QImage img(reinterpret_cast<const uchar*>(buf.get()), xsize, ysize, qsizetype(xsize) * 4,
                     QImage::Format_ARGB32);

    // Written aside and renamed over the target once complete, so that a failed write (a full
    // disk) neither leaves a broken file nor destroys the one that was there.
    QSaveFile file(fname);
    file.setDirectWriteFallback(true);
    const bool tiff = std::strcmp(fmt, "tiff") == 0;
    bool ok = false;
    if (img.isNull()) {
        err = QStringLiteral("the image is empty");
    } else if (!file.open(QIODevice::WriteOnly)) {
        err = file.errorString();
    } else {
        QImageWriter writer(&file, tiff ? "tif" : "jpg");
        if (tiff)
            writer.setCompression(1); // LZW
        else
            writer.setQuality(qual);
        ok = writer.write(img) && file.commit();
        if (!ok) err = file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
    }
    if (!ok) {
        std::fprintf(stderr, "image::qt_write_img(), %s\n", err.toLocal8Bit().constData());
        return 0;
    }
    set_name(fname);
    return 1;
}

int image::read(const QString& file) {
    return qt_read_img(file, "jpg");
}

int image::read_tiff(const QString& file) {
    return qt_read_img(file, "tiff");
}

int image::qt_read_img(const QString& fname, const char* fmt) {
    err.clear();
    QImageReader reader(fname, std::strcmp(fmt, "tiff") == 0 ? "tif" : "jpg");
    QImage img = reader.read();
    if (img.isNull()) {
        err = reader.errorString();
        return 0;
    }
    img.convertTo(QImage::Format_RGB32);
    if (img.isNull() || !create(img.width(), img.height())) {
        diag("image::qt_read_img(), unable to create image data structure");
        err = QStringLiteral("out of memory");
        return 0;
    }
    for (int y = 0; y < ysize; ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(img.constScanLine(ysize - 1 - y));
        std::uint32_t* row = pix + cells(xsize, y);
        for (int x = 0; x < xsize; ++x)
            row[x] = std::uint32_t(src[x]) << 8 | 0xFFu;
    }
    set_name(fname);
    return 1;
}

void image::set_name(const QString& file) {
    const QByteArray u = file.toUtf8();
    qsizetype n = std::min<qsizetype>(u.size(), qsizetype(sizeof(name)) - 1);
    // Never cut a character in two.
    while (n > 0 && n < u.size() && (uchar(u[n]) & 0xC0) == 0x80)
        --n;
    std::memcpy(name, u.constData(), size_t(n));
    name[n] = '\0';
}

QString image::get_name() const {
    return QString::fromUtf8(name);
}

unsigned int image::pixel(int x, int y) const {
    if (x < 0 || x >= xsize || y < 0 || y >= ysize) return 0;
    return pix[cells(xsize, y) + std::size_t(x)];
}

void image::pixel(int x, int y, unsigned int val) {
    if (x < 0 || x >= xsize || y < 0 || y >= ysize) return;
    pix[cells(xsize, y) + std::size_t(x)] = val;
}

int image::channel(int x, int y, int shift) const {
    return int(pixel(x, y) >> shift & 0xFFu);
}

void image::channel(int x, int y, int shift, short val) {
    const unsigned int mask = 0xFFu << shift;
    pixel(x, y, (pixel(x, y) & ~mask) | (unsigned(val) & 0xFFu) << shift);
}

short image::r(int x, int y) const {
    return short(channel(x, y, 24));
}
short image::g(int x, int y) const {
    return short(channel(x, y, 16));
}
short image::b(int x, int y) const {
    return short(channel(x, y, 8));
}
short image::a(int x, int y) const {
    return short(channel(x, y, 0));
}
void image::r(int x, int y, short val) {
    channel(x, y, 24, val);
}
void image::g(int x, int y, short val) {
    channel(x, y, 16, val);
}
void image::b(int x, int y, short val) {
    channel(x, y, 8, val);
}
void image::a(int x, int y, short val) {
    channel(x, y, 0, val);
}

void image::quality(int q) {
    if (q < 0 || q > 100) {
        std::fprintf(stderr, "image::quality(), invalid quality %d\n", q);
        return;
    }
    qual = q;
}

int image::copy(const image& img) {
    if (&img == this) return 1;
    if (!create(img.xsize, img.ysize)) {
        diag("image::copy(), out of memory copying JPEG object");
        return 0;
    }
    depth = img.depth;
    std::memcpy(name, img.name, sizeof(name));
    qual = img.qual;
    if (pix) std::copy(img.pix, img.pix + cells(xsize, ysize), pix);
    return 1;
}

int image::resize(int x, int y, unsigned int fill) {
    return resize_x(x, fill) && resize_y(y, fill) ? 1 : 0;
}

int image::resize_x(int x, unsigned int fill) {
    x = std::max(0, x);
    if (x == xsize) return 1;
    const std::size_t n = cells(x, ysize);
    std::uint32_t* to = alloc_words(n);
    if (n != 0 && !to) {
        diag("image::resize_x(), out of memory resizing image width");
        return 0;
    }
    const int keep = std::min(x, xsize);
    for (int y = 0; y < ysize; ++y) {
        const std::uint32_t* from = pix + cells(xsize, y);
        std::uint32_t* row = to + cells(x, y);
        std::copy(from, from + keep, row);
        std::fill(row + keep, row + x, fill);
    }
    delete[] pix;
    pix = to;
    xsize = x;
    return 1;
}

int image::resize_y(int y, unsigned int fill) {
    y = std::max(0, y);
    if (y == ysize) return 1;
    const std::size_t n = cells(xsize, y);
    std::uint32_t* to = alloc_words(n);
    if (n != 0 && !to) {
        diag("image::resize_y(), out of memory resizing image height");
        return 0;
    }
    const std::size_t keep = cells(xsize, std::min(y, ysize));
    if (keep) std::copy(pix, pix + keep, to);
    if (n > keep) std::fill(to + keep, to + n, fill);
    delete[] pix;
    pix = to;
    ysize = y;
    return 1;
}

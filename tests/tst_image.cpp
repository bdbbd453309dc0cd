#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>

#include "image.h"
#include "testutils.h"

#include <unistd.h>

#include <functional>

using raster_case = std::function<QString(const QString& dir)>;
Q_DECLARE_METATYPE(raster_case)

namespace {

// What f printed on standard error.
QString stderr_of(const std::function<void()>& f) {
    QTemporaryFile log;
    if (!log.open()) return QStringLiteral("(no log)");
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(log.handle(), 2);
    f();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    log.seek(0);
    return QString::fromLocal8Bit(log.readAll());
}

// Every word, row 0 (the bottom) first.
QString words(const image& im) {
    QStringList w;
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x)
            w << QString::number(im.pixel(x, y), 16);
    return QStringLiteral("%1x%2 %3")
        .arg(QString::number(im.width()), QString::number(im.height()), w.join(' '));
}

image raster(int w, int h, unsigned base) {
    image im;
    im.create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            im.pixel(x, y, base + unsigned(y * w + x) * 0x01030500u);
    return im;
}

} // namespace

// The raster image and the canvas capture: file types, whole frames, failures shown to the user.
class tst_image : public QObject {
    Q_OBJECT

    opengl_win* mw = nullptr;
    QTemporaryDir dir;

private slots:
    void init() {
        mw = testutils::make_window(800, 600);
        mw->gl_ptr()->set_query_text(QStringLiteral("upright?"));
    }
    void cleanup() {
        delete mw;
        win = nullptr;
    }

    void captureFileType_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("format");
        QTest::addRow("jpg") << "a.jpg" << QByteArray("jpeg");
        QTest::addRow("tif") << "a.tif" << QByteArray("tiff");
        QTest::addRow("png is TIFF") << "a.png" << QByteArray("tiff");
        QTest::addRow("JPG is TIFF") << "b.JPG" << QByteArray("tiff");
        QTest::addRow("jpg directory") << "my_jpgs/a.tif" << QByteArray("jpeg");
        QTest::addRow("non-ASCII") << QString::fromUtf8("Größe ünd 東京/€ bild.tif") << QByteArray("tiff");
    }
    void captureFileType() {
        QFETCH(QString, name);
        QFETCH(QByteArray, format);
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        const QImage frame = testutils::grab(mw->gl_ptr()).convertToFormat(QImage::Format_RGB32);
        QVERIFY(mw->gl_ptr()->capture_screen(path));
        QImageReader r(path);
        r.setDecideFormatFromContent(true);
        QCOMPARE(r.format(), format);
        const QImage saved = r.read();
        QCOMPARE(saved.size(), QSize(800, 600));
        const QImage argb = saved.convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(argb, saved.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_ARGB32));
        // Lossless files hold exactly the frame on screen, upright.
        if (format == "tiff") QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), frame);
    }

    void rasterOps_data() {
        QTest::addColumn<raster_case>("op");
        QTest::addColumn<QString>("expected");
        QTest::addRow("pixel bounds") << raster_case([](const QString&) {
            image im = raster(2, 2, 0x11223344u);
            im.pixel(2, 0, 1);
            im.pixel(0, -1, 1);
            return QStringLiteral("%1 %2 %3 %4 %5 %6")
                .arg(QString::number(im.pixel(-1, 0)), QString::number(im.pixel(2, 0)),
                     QString::number(im.pixel(0, 2)), QString::number(im.r(1, 1), 16),
                     QString::number(im.a(5, 5)), words(im));
        }) << "0 0 0 14 0 2x2 11223344 12253844 13283d44 142b4244";
        QTest::addRow("channels") << raster_case([](const QString&) {
            image im = raster(1, 1, 0x11223344u);
            im.r(0, 0, 0xaa);
            im.b(0, 0, 0x1bb);
            im.a(0, 0, 0);
            im.g(3, 0, 1);
            return words(im);
        }) << "1x1 aa22bb00";
        QTest::addRow("quality") << raster_case([](const QString&) {
            image im;
            QString log = stderr_of([&] {
                im.quality(101);
                im.quality(-1);
            });
            log += QString::number(im.quality());
            im.quality(100);
            return log + QString::number(im.quality());
        }) << "image::quality(), invalid quality 101\nimage::quality(), invalid quality -1\n75100";
        QTest::addRow("resize keeps column and row") << raster_case([](const QString&) {
            image im = raster(2, 2, 0x10000000u);
            im.resize(3, 3, 7);
            QString s = words(im);
            im.resize(1, 2, 7);
            return s + " | " + words(im);
        }) << "3x3 10000000 11030500 7 12060a00 13090f00 7 7 7 7 | 1x2 10000000 12060a00";
        QTest::addRow("copy is deep") << raster_case([](const QString& d) {
            image im = raster(2, 1, 0x55000000u);
            im.quality(40);
            im.write_tiff(d + "/named.tif", 3);
            image c(im);
            image e;
            e = im;
            im.pixel(0, 0, 1);
            return QStringLiteral("%1 %2 %3 %4")
                .arg(words(c), words(e), QString::number(c.quality()), QFileInfo(c.get_name()).fileName());
        }) << "2x1 55000000 56030500 2x1 55000000 56030500 40 named.tif";
        QTest::addRow("long name cut at a character") << raster_case([](const QString& d) {
            image im = raster(1, 1, 0);
            const QString path = d + QLatin1Char('/') + QString(120, QChar(0xFC)) + QStringLiteral(".tif");
            im.write_tiff(path, 3);
            const QByteArray nm = im.get_name().toUtf8();
            // 255 bytes, or 254 where a two-byte character would straddle the bound
            const bool full = nm.size() == 255 || nm.size() == 254;
            return QStringLiteral("%1 %2").arg(path.toUtf8().startsWith(nm) ? "prefix" : "other",
                                               full ? "full" : QString::number(nm.size()));
        }) << "prefix full";
        QTest::addRow("empty raster") << raster_case([](const QString& d) {
            image im;
            const int made = im.create(0, 3);
            return QString::number(made) + stderr_of([&] { im.write_tiff(d + "/empty.tif", 3); }) +
                   QString::number(QFileInfo::exists(d + "/empty.tif"));
        }) << "1image::qt_write_img(), the image is empty\n0";
        QTest::addRow("read inverts TIFF writer") << raster_case([](const QString& d) {
            image im = raster(5, 3, 0x00ff80ffu);
            im.a(1, 1, 0); // alpha is never written: the file is opaque
            im.write_tiff(d + "/rt.tif", 3);
            image back;
            back.read_tiff(d + "/rt.tif");
            im.a(1, 1, 0xff);
            return words(back) == words(im) ? QStringLiteral("same") : words(back);
        }) << "same";
        QTest::addRow("component counts") << raster_case([](const QString& d) {
            image im = raster(2, 2, 0);
            const QString log = stderr_of([&] {
                im.write_tiff(d + "/one.tif", 1);
                im.write(d + "/two.jpg", 2);
            });
            return log + QString::number(QDir(d).entryList({"one.tif", "two.jpg"}).size());
        }) << "image::write(), unknown components 2 writing JPEG image\n0";
    }
    void rasterOps() {
        QFETCH(raster_case, op);
        QFETCH(QString, expected);
        QCOMPARE(op(dir.path()), expected);
    }

    // The save dialog proposes tile.jpg, keeps the program live while up, and writes the chosen
    // file; a failed write says so in the status bar as well as on standard error.
    void captureDialogAndFailure() {
        const QString path = dir.filePath(QStringLiteral("menu.jpg"));
        QStringList offered;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            auto* d = mw->findChild<QFileDialog*>();
            if (!d || !d->isVisible()) return;
            offered = d->nameFilters();
            offered << QFileInfo(d->selectedFiles().value(0)).fileName();
            d->selectFile(path);
            static_cast<QDialog*>(d)->accept();
        });
        answer.start(20);
        mw->findChild<QAction*>(QStringLiteral("capture_act"))->trigger();
        QCOMPARE(offered, QStringList({"JPEG file (*.jpg)", "TIFF file (*.tif)", "tile.jpg"}));
        QCOMPARE(QImageReader(path).size(), QSize(800, 600));
        QVERIFY(!mw->findChild<QFileDialog*>());

        QTemporaryFile plain;
        QVERIFY(plain.open());
        const QString bad = plain.fileName() + QStringLiteral("/x.jpg");
        const QString log = stderr_of([&] { mw->capture_screen_cb(bad); });
        QCOMPARE(mw->status_line(), QStringLiteral("Could not save %1: Not a directory").arg(bad));
        QCOMPARE(log, QStringLiteral("image::qt_write_img(), Not a directory\n"));
        mw->capture_screen_cb(path);
        QCOMPARE(mw->status_line(), QString());
    }

    void quitWithCaptureDialogUp() {
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            if (auto* d = mw->findChild<QFileDialog*>(); d && d->isVisible()) mw->close();
        });
        closer.start(20);
        QTimer::singleShot(0, mw, &opengl_win::capture_screen);
        QTimer watchdog; // ends the loop only if closing does not
        connect(&watchdog, &QTimer::timeout, qApp, [] { qApp->exit(99); });
        watchdog.start(10000);
        QCOMPARE(qApp->exec(), 0);
        QVERIFY(!mw->isVisible());
    }
};

QUORVEL_TEST_MAIN(tst_image)
#include "tst_image.moc"

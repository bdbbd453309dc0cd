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

// The size and every word, row 0 (the bottom) first.
QString words(const image& im) {
    QString s = QStringLiteral("%1x%2").arg(QString::number(im.width()), QString::number(im.height()));
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x)
            s += QLatin1Char(' ') + QString::number(im.pixel(x, y), 16);
    return s;
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
        const QImage frame = testutils::grab(mw->gl_ptr()).convertToFormat(QImage::Format_ARGB32);
        QVERIFY(mw->gl_ptr()->capture_screen(path));
        QImageReader r(path);
        r.setDecideFormatFromContent(true);
        QCOMPARE(r.format(), format);
        const QImage saved = r.read().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(saved.size(), QSize(800, 600));
        // Lossless files hold exactly the frame on screen, upright and opaque.
        if (format == "tiff") QCOMPARE(saved, frame);
    }

    // Every raster operation in turn, the results rendered as one transcript.
    void rasterOps() {
        QTemporaryDir d;
        image im, back, empty;
        im.create(2, 2);
        for (int i = 0; i < 4; ++i)
            im.pixel(i % 2, i / 2, 0x11223344u + unsigned(i) * 0x01030500u);
        for (const QPoint p : {QPoint(2, 0), QPoint(0, -1), QPoint(-1, 1), QPoint(0, 2)})
            im.pixel(p.x(), p.y(), 1), im.a(p.x(), p.y(), 1);
        im.r(0, 0, 0xaa), im.b(0, 0, 0x1bb), im.a(0, 0, 0);
        QStringList got{
            QString::number(im.pixel(-1, 0) | im.pixel(2, 0) | im.pixel(0, 2) | unsigned(im.g(5, 5))),
            QString::number(im.r(1, 1), 16), words(im)};
        im.resize(3, 3, 7);
        got << words(im);
        im.resize(1, 2, 7);
        got << words(im);
        // A name longer than 255 bytes is cut between two characters.
        const QString path = d.filePath(QString(120, QChar(0xFC)) + QStringLiteral(".tif"));
        got << stderr_of([&] {
            im.quality(101), im.quality(-1), im.quality(0), im.quality(100), im.quality(40);
            mw->gl_ptr()->doneCurrent();
            if (image(im).capture(0, 0, 1, 1) != 0) std::fputs("captured without a context\n", stderr);
            empty.create(0, 0), empty.write_tiff(d.filePath(QStringLiteral("empty.tif")), 3);
            im.write_tiff(d.filePath(QStringLiteral("one.tif")), 1),
                im.write(d.filePath(QStringLiteral("two.jpg")), 2);
            im.write_tiff(path, 3), back.read_tiff(path);
        });
        image c(im), e;
        e = im;
        im.pixel(0, 0, 1);
        const QByteArray nm = e.get_name().toUtf8();
        e.resize(0, 1, 0);
        got << words(back) << words(c) << words(e) << QString::number(e.quality())
            << QString::number(path.toUtf8().startsWith(nm) && nm.size() >= 254 && nm.size() <= 255)
            << QString::number(QDir(d.path()).entryList(QDir::Files).size());
        QCOMPARE(got,
                 QStringList({"0", "14", "2x2 aa22bb00 12253844 13283d44 142b4244",
                              "3x3 aa22bb00 12253844 7 13283d44 142b4244 7 7 7 7", "1x2 aa22bb00 13283d44",
                              "image::quality(), invalid quality 101\nimage::quality(), invalid quality -1\n"
                              "image::capture(), no current OpenGL context\n"
                              "image::qt_write_img(), the image is empty\n"
                              "image::write(), unknown components 2 writing JPEG image\n",
                              // read back opaque: alpha is never written
                              "1x2 aa22bbff 13283dff", "1x2 aa22bb00 13283d44", "0x1", "40", "1", "1"}));
    }

    // The save dialog proposes tile.jpg and writes the chosen file; a failed write says so in the
    // status bar as well as on standard error.
    void captureDialogAndFailure() {
        const QString path = dir.filePath(QStringLiteral("menu.jpg"));
        QStringList offered;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            auto* d = mw->findChild<QFileDialog*>();
            if (!d || !d->isVisible()) return;
            offered = d->nameFilters() << QFileInfo(d->selectedFiles().value(0)).fileName();
            // The dialog keeps the name of a focused name field, as typed by the user.
            if (QWidget* typing = QApplication::focusWidget()) typing->clearFocus();
            d->selectFile(path);
            static_cast<QDialog*>(d)->accept();
        });
        answer.start(20);
        mw->findChild<QAction*>(QStringLiteral("capture_act"))->trigger();
        QCOMPARE(offered, QStringList({"JPEG file (*.jpg)", "TIFF file (*.tif)", "tile.jpg"}));
        QCOMPARE(mw->status_line(), QString());
        QCOMPARE(QImageReader(path).size(), QSize(800, 600));

        QTemporaryFile plain;
        QVERIFY(plain.open());
        const QString bad = plain.fileName() + QStringLiteral("/x.jpg");
        const QString log = stderr_of([&] { mw->capture_screen_cb(bad); });
        QCOMPARE(mw->status_line(), QStringLiteral("Could not save %1: Not a directory").arg(bad));
        QCOMPARE(log, QStringLiteral("image::qt_write_img(), Not a directory\n"));
        mw->capture_screen_cb(path);
        QCOMPARE(mw->status_line(), QString());
    }
};

QUORVEL_TEST_MAIN(tst_image)
#include "tst_image.moc"

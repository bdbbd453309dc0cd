#include "opengl_win.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QVBoxLayout>

#include <cmath>

#include "export.h"
#include "opengl.h"
#include "qt_about_dlg.h"
#include "qt_doc_dlg.h"
#include "tweet.h"

#include <algorithm>

namespace {

const QChar times_sign(0x00D7);

// Ends a local event loop when the watched widget hides, however it was hidden.
class hide_watch : public QObject {
public:
    explicit hide_watch(QEventLoop& l) : loop(l) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Hide) loop.quit();
        return false;
    }

private:
    QEventLoop& loop;
};

} // namespace

opengl_win::opengl_win() : QMainWindow(nullptr) {
    QFont lbl_font = QApplication::font();

    about_dlg = new qt_about_dlg(nullptr);
    doc_dlg = new qt_doc_dlg(nullptr);

    QWidget* central = new QWidget(this);
    setCentralWidget(central);

    gl = new opengl(central);

    zoom = new QSlider(central);
    zoom->setRange(1, 10);
    zoom->setPageStep(1);
    zoom->setSingleStep(1);
    zoom->setTickInterval(1);
    zoom->setTickPosition(QSlider::TicksRight);
    zoom->setValue(1);
    connect(zoom, &QSlider::valueChanged, this, &opengl_win::update_zoom);

    zoom_lbl = new QLabel(QStringLiteral("1") + times_sign, central);
    lbl_font.setPointSize(std::max(1, zoom_lbl->font().pointSize() - 1));
    zoom_lbl->setFont(lbl_font);

    zoom_layout = new QVBoxLayout();
    zoom_layout->addWidget(zoom);
    zoom_layout->addWidget(zoom_lbl, 0, Qt::AlignHCenter);

    x_sbar = new QScrollBar(Qt::Horizontal, central);
    y_sbar = new QScrollBar(Qt::Vertical, central);
    for (QScrollBar* bar : {x_sbar, y_sbar}) {
        bar->setPageStep(1);
        bar->setRange(0, 0);
        bar->setSingleStep(1);
    }
    connect(x_sbar, &QScrollBar::valueChanged, this, &opengl_win::update_x_trans);
    connect(y_sbar, &QScrollBar::valueChanged, this, &opengl_win::update_y_trans);

    gl_layout = new QGridLayout();
    gl_layout->setSpacing(0);
    gl_layout->addWidget(gl, 0, 0);
    gl_layout->addWidget(y_sbar, 0, 1);
    gl_layout->addWidget(x_sbar, 1, 0);
    gl_layout->setColumnStretch(0, 1);

    layout = new QHBoxLayout(central);
    layout->addLayout(zoom_layout);
    layout->addLayout(gl_layout);

    setWindowTitle(tr("Quorvel"));
    statusBar()->setSizeGripEnabled(true);
    // Both labels are widgets rather than status messages, which hovering the menus clears. They
    // show file names and server replies as they are, never as markup; a long line is cut off
    // rather than widening the window.
    summary_lbl = new QLabel(tr("Query keywords with Ctrl+K, or open a file of messages with Ctrl+O"));
    status_lbl = new QLabel();
    for (QLabel* lbl : {summary_lbl, status_lbl})
        lbl->setTextFormat(Qt::PlainText);
    summary_lbl->setObjectName(QStringLiteral("summary_line"));
    status_lbl->setObjectName(QStringLiteral("status_line"));
    status_lbl->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    status_lbl->setContentsMargins(12, 0, 0, 0);
    statusBar()->addWidget(summary_lbl);
    statusBar()->addWidget(status_lbl, 1);

    build_menus();
}

opengl_win::~opengl_win() {
    delete doc_dlg;
    delete about_dlg;
}

void opengl_win::build_menus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* a = file->addAction(tr("Query &Keywords..."));
    a->setObjectName(QStringLiteral("query_act"));
    a->setShortcut(QKeySequence(tr("Ctrl+K")));
    connect(a, &QAction::triggered, gl, &opengl::query);
    a = file->addAction(tr("&Open Messages..."));
    a->setObjectName(QStringLiteral("open_act"));
    a->setShortcut(QKeySequence(tr("Ctrl+O")));
    connect(a, &QAction::triggered, this, &opengl_win::open_messages);
    file->addSeparator();
    a = file->addAction(tr("&Capture Screen..."));
    a->setObjectName(QStringLiteral("capture_act"));
    a->setShortcut(QKeySequence::Save);
    connect(a, &QAction::triggered, this, &opengl_win::capture_screen);
    a = file->addAction(tr("&Export Tweets..."));
    a->setObjectName(QStringLiteral("export_act"));
    a->setShortcut(QKeySequence(tr("Ctrl+E")));
    connect(a, &QAction::triggered, this, &opengl_win::export_tweets);
    file->addSeparator();
    a = file->addAction(tr("Q&uit"));
    a->setObjectName(QStringLiteral("quit_act"));
    a->setShortcut(QKeySequence::Quit);
    connect(a, &QAction::triggered, this, &opengl_win::close);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    a = view->addAction(tr("&Dismiss Dialogs"));
    a->setObjectName(QStringLiteral("dismiss_act"));
    connect(a, &QAction::triggered, gl, &opengl::cleanup);
    view->addSeparator();
    a = view->addAction(tr("Zoom &In"));
    a->setObjectName(QStringLiteral("zoom_in_act"));
    // Ctrl+= as well: on most keyboards "+" is a shifted "=".
    QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::ZoomIn);
    if (!keys.contains(QKeySequence(tr("Ctrl+=")))) keys.append(QKeySequence(tr("Ctrl+=")));
    a->setShortcuts(keys);
    connect(a, &QAction::triggered, this, &opengl_win::zoom_in);
    a = view->addAction(tr("Zoom &Out"));
    a->setObjectName(QStringLiteral("zoom_out_act"));
    a->setShortcut(QKeySequence::ZoomOut);
    connect(a, &QAction::triggered, this, &opengl_win::zoom_out);
    a = view->addAction(tr("Reset &Zoom"));
    a->setObjectName(QStringLiteral("zoom_reset_act"));
    a->setShortcut(QKeySequence(tr("Ctrl+0")));
    connect(a, &QAction::triggered, this, &opengl_win::zoom_reset);
    view->addSeparator();
    a = view->addAction(tr("Similarity &Map"));
    a->setObjectName(QStringLiteral("sim_map_act"));
    a->setShortcut(QKeySequence(tr("Ctrl+M")));
    a->setCheckable(true);
    connect(a, &QAction::toggled, gl, &opengl::show_sim_map);
    // A new query turns the map off from the canvas's side.
    connect(gl, &opengl::sim_map_toggled, a, &QAction::setChecked);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    a = help->addAction(tr("&Documentation"));
    a->setObjectName(QStringLiteral("doc_act"));
    connect(a, &QAction::triggered, this, &opengl_win::show_doc);
    help->addSeparator();
    a = help->addAction(tr("&About"));
    a->setObjectName(QStringLiteral("about_act"));
    connect(a, &QAction::triggered, this, &opengl_win::show_about);
    a = help->addAction(tr("About &Qt"));
    a->setObjectName(QStringLiteral("about_qt_act"));
    connect(a, &QAction::triggered, qApp, &QApplication::aboutQt);
}

void opengl_win::update_zoom(int v) {
    gl->paint_flag(false);
    update_sbars();
    update_x_trans(x_sbar->value());
    update_y_trans(y_sbar->value());
    zoom_lbl->setText(QStringLiteral("%1").arg(v, 0, 10, QLatin1Char(' ')) + times_sign);
    gl->update_zoom(v);
    gl->paint_flag(true);
    gl->updateGL();
}

void opengl_win::update_sbars() {
    const int w = gl->width();
    const int h = gl->height();
    const int z = zoom->value();

    auto fraction = [](const QScrollBar* bar) {
        const int rng = bar->maximum() - bar->minimum();
        return rng == 0 ? 0.0f : float(bar->value()) / float(rng);
    };
    const float fx = fraction(x_sbar);
    const float fy = fraction(y_sbar);

    x_sbar->setRange(0, (z - 1) * w);
    y_sbar->setRange(0, (z - 1) * h);
    x_sbar->setPageStep(w);
    y_sbar->setPageStep(h);

    x_sbar->setValue(int(float(x_sbar->maximum() - x_sbar->minimum()) * fx));
    y_sbar->setValue(int(float(y_sbar->maximum() - y_sbar->minimum()) * fy));
}

void opengl_win::update_x_trans(int v) {
    const int whole = (x_sbar->maximum() - x_sbar->minimum()) + x_sbar->pageStep();
    gl->update_x_trans(whole > 0 ? float(v) / float(whole) : 0.0f);
    gl->updateGL();
}

void opengl_win::update_y_trans(int v) {
    const int whole = (y_sbar->maximum() - y_sbar->minimum()) + y_sbar->pageStep();
    gl->update_y_trans(whole > 0 ? float(y_sbar->maximum() - v) / float(whole) : 0.0f);
    gl->updateGL();
}

void opengl_win::set_sbar(float x, float y) {
    const int x_whole = (x_sbar->maximum() - x_sbar->minimum()) + x_sbar->pageStep();
    const int y_whole = (y_sbar->maximum() - y_sbar->minimum()) + y_sbar->pageStep();
    const int xv = int(float(x_whole) * x + float(x_sbar->minimum()));
    const int yv = int(float(y_whole) * (1 - y) + float(y_sbar->minimum())) - y_sbar->pageStep();
    x_sbar->setValue(xv);
    y_sbar->setValue(yv);
}

void opengl_win::zoom_in() {
    zoom->setValue(zoom->value() + 1);
}

void opengl_win::zoom_out() {
    zoom->setValue(zoom->value() - 1);
}

void opengl_win::zoom_reset() {
    zoom->setValue(zoom->minimum());
}

namespace {

// Repaints, timers and the rest of the program run on while a window-modal dialog is up. The
// loop also ends when the application quits, so closing the window then still ends the program.
void wait_hidden(const QPointer<QFileDialog>& dlg) {
    if (!dlg || !dlg->isVisible()) return;
    QEventLoop loop;
    hide_watch watch(loop);
    dlg->installEventFilter(&watch);
    QObject::connect(dlg, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec();
    if (dlg) dlg->removeEventFilter(&watch);
}

} // namespace

void opengl_win::capture_screen() {
    QPointer<QFileDialog> dlg = new QFileDialog(this, QString(), QString(), QString());
    dlg->setAcceptMode(QFileDialog::AcceptSave);
    dlg->setFileMode(QFileDialog::AnyFile);
    dlg->selectFile(QStringLiteral("tile.jpg"));
    dlg->setNameFilter(QStringLiteral("JPEG file (*.jpg);;TIFF file (*.tif)"));
    connect(dlg, &QFileDialog::fileSelected, this, &opengl_win::capture_screen_cb);
    dlg->open(); // window-modal
    wait_hidden(dlg);
    delete dlg;
}

QString opengl_win::ask_file(bool save, const QString& title, const QStringList& filters,
                             const QString& name) {
    QPointer<QFileDialog> dlg = new QFileDialog(this, title, file_dir, QString());
    dlg->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg->setNameFilters(filters);
    if (save) {
        // A name typed without an ending gets the one of the chosen type.
        auto suffix = [dlg](const QString& filter) {
            dlg->setDefaultSuffix(filter.section(QLatin1String("(*."), 1).section(QLatin1Char(')'), 0, 0));
        };
        suffix(filters.value(0));
        connect(dlg, &QFileDialog::filterSelected, dlg, suffix);
        dlg->selectFile(name);
    }
    dlg->open(); // window-modal
    wait_hidden(dlg);
    QString file;
    if (dlg && dlg->result() == QDialog::Accepted) file = dlg->selectedFiles().value(0);
    delete dlg;
    if (!file.isEmpty()) file_dir = QFileInfo(file).absolutePath();
    return file;
}

void opengl_win::open_messages() {
    if (gl->busy()) return;
    const QString file = ask_file(false, tr("Open Messages"),
                                  {tr("Messages (*.jsonl *.csv *.txt)"), tr("All files (*)")}, QString());
    if (!file.isEmpty()) gl->open_file(file);
}

void opengl_win::export_tweets() {
    if (gl->busy()) return;
    const QString file =
        ask_file(true, tr("Export Tweets"), {tr("JSON lines (*.jsonl)"), tr("CSV file (*.csv)")},
                 QStringLiteral("tweets.jsonl"));
    if (!file.isEmpty()) export_to(file);
}

void opengl_win::export_to(const QString& file) {
    QString why;
    if (write_tweets(file, gl->tweets(), why))
        show_status(tr("Exported %1 tweets to %2")
                        .arg(QLocale(QLocale::English).toString(gl->tweets().size()),
                             QDir::toNativeSeparators(file)));
    else
        show_status(tr("Could not export to %1: %2").arg(QDir::toNativeSeparators(file), why));
}

void opengl_win::pan_by(int dx, int dy) {
    x_sbar->setValue(x_sbar->value() + dx);
    y_sbar->setValue(y_sbar->value() + dy);
}

void opengl_win::capture_screen_cb(const QString& file_nm) {
    if (file_nm.isEmpty()) return;
    QString why;
    if (gl->capture_screen(file_nm, &why))
        show_status(QString());
    else
        show_status(tr("Could not save %1: %2").arg(QDir::toNativeSeparators(file_nm), why));
}

bool opengl_win::close() {
    gl->cleanup();
    return QMainWindow::close();
}

void opengl_win::closeEvent(QCloseEvent* e) {
    gl->stop_query();
    QMainWindow::closeEvent(e);
}

void opengl_win::set_query_enabled(bool on) {
    // The map is laid out from a finished query's tweets.
    for (const char* name : {"query_act", "open_act", "export_act", "sim_map_act"})
        if (QAction* a = findChild<QAction*>(QLatin1String(name))) a->setEnabled(on);
}

void opengl_win::show_summary(const QString& text) {
    summary_lbl->setText(text);
}

QString opengl_win::summary_line() const {
    return summary_lbl->text();
}

void opengl_win::show_status(const QString& line) {
    status_lbl->setText(line);
}

QString opengl_win::status_line() const {
    return status_lbl->text();
}

QString tweet_summary(const QList<tweet>& tw) {
    const qsizetype n = tw.size();
    if (n == 0) return opengl_win::tr("No tweets with two or more dictionary words");
    double v = 0, a = 0;
    qsizetype pleasant = 0;
    for (const tweet& t : tw) {
        v += t.m(VALENCE);
        a += t.m(AROUSAL);
        if (t.m(VALENCE) > 5) ++pleasant;
    }
    v /= double(n);
    a /= double(n);
    double vv = 0, av = 0;
    for (const tweet& t : tw) {
        vv += (t.m(VALENCE) - v) * (t.m(VALENCE) - v);
        av += (t.m(AROUSAL) - a) * (t.m(AROUSAL) - a);
    }
    auto one = [](double x) { return QString::number(x, 'f', 1); };
    const QString count = QLocale(QLocale::English).toString(n);
    return (n == 1 ? opengl_win::tr("%1 tweet · valence %2 ± %3 · arousal %4 ± %5 · %6 % pleasant")
                   : opengl_win::tr("%1 tweets · valence %2 ± %3 · arousal %4 ± %5 · %6 % pleasant"))
        .arg(count, one(v), one(std::sqrt(vv / double(n))), one(a), one(std::sqrt(av / double(n))),
             QString::number(qRound(100.0 * double(pleasant) / double(n))));
}

void opengl_win::show_about() {
    about_dlg->exec();
}

void opengl_win::show_doc() {
    doc_dlg->exec();
}

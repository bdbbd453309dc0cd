#pragma once

#include <QMainWindow>

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QScrollBar;
class QSlider;
class QVBoxLayout;
class opengl;
class qt_about_dlg;
class qt_doc_dlg;

// The main window: the canvas framed by the zoom slider and two scroll bars, and the menus.
// Turns slider and scroll-bar positions into the canvas's zoom level and pan fractions.
class opengl_win : public QMainWindow {
    Q_OBJECT

public:
    opengl_win();
    ~opengl_win() override;

    opengl* gl_ptr() { return gl; }
    // For tests and tools: the widgets that hold the zoom and pan state.
    QSlider* zoom_slider() { return zoom; }
    QScrollBar* x_bar() { return x_sbar; }
    QScrollBar* y_bar() { return y_sbar; }
    QLabel* zoom_label() { return zoom_lbl; }

    // The Query and Similarity Map actions are off while a query runs, so that no second query
    // nests inside it and no map is laid out from part of its tweets.
    void set_query_enabled(bool on);
    // The status-bar line: what went wrong in the last query or capture; an empty text clears it.
    void show_status(const QString& line);
    QString status_line() const;
    void show_query_status(const QString& line) { show_status(line); }
    QString query_status() const { return status_line(); }
    // The Help dialogs, built once and reused.
    qt_about_dlg* about_dialog() { return about_dlg; }
    qt_doc_dlg* doc_dialog() { return doc_dlg; }

public slots:
    void capture_screen();
    void capture_screen_cb(const QString& file_nm);
    bool close();
    void set_sbar(float x, float y);
    void show_about();
    void show_doc();
    void update_sbars();
    void update_x_trans(int v);
    void update_y_trans(int v);
    void update_zoom(int v);
    void zoom_in();
    void zoom_reset();
    void zoom_out();

protected:
    // Quit and the window frame both end here: a query under way stops with the window.
    void closeEvent(QCloseEvent* e) override;

private:
    void build_menus();

    qt_about_dlg* about_dlg;
    qt_doc_dlg* doc_dlg;
    opengl* gl;
    QGridLayout* gl_layout;
    QHBoxLayout* layout;
    QScrollBar* x_sbar;
    QScrollBar* y_sbar;
    QSlider* zoom;
    QLabel* zoom_lbl;
    QVBoxLayout* zoom_layout;
};

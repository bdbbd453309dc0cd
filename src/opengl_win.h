#pragma once

#include <QList>
#include <QMainWindow>
#include <QString>

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QScrollBar;
class QSlider;
class QVBoxLayout;
class opengl;
class qt_about_dlg;
class qt_doc_dlg;
class tweet;

// The status bar's summary of a set of tweets: "1,234 tweets · valence 5.8 ± 1.2 · arousal 4.9 ±
// 0.9 · 62 % pleasant" (means and population standard deviations; pleasant: valence above 5).
QString tweet_summary(const QList<tweet>& tw);

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

    // The Query, Open, Export and Similarity Map actions are off while a query or a file load
    // runs, so that no second one nests inside it, no half-read set is exported and no map is
    // laid out from part of the tweets.
    void set_query_enabled(bool on);
    // The status bar: the summary of the tweets shown (at start-up, how to begin), and after it a
    // line on what the last query, file, capture or export met; an empty text clears either.
    void show_summary(const QString& text);
    QString summary_line() const;
    void show_status(const QString& line);
    QString status_line() const;
    // Writes the current tweets to file (the end of File > Export Tweets) and says how it went.
    void export_to(const QString& file);
    // Moves the view by (dx, dy) canvas pixels through the scroll bars (dy down).
    void pan_by(int dx, int dy);
    void show_query_status(const QString& line) { show_status(line); }
    QString query_status() const { return status_line(); }
    // The Help dialogs, built once and reused.
    qt_about_dlg* about_dialog() { return about_dlg; }
    qt_doc_dlg* doc_dialog() { return doc_dlg; }

public slots:
    void capture_screen();
    void capture_screen_cb(const QString& file_nm);
    bool close();
    void export_tweets();
    void open_messages();
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
    // The chosen file of a file dialog (window-modal, the program live meanwhile), or empty.
    QString ask_file(bool save, const QString& title, const QStringList& filters, const QString& name);

    qt_about_dlg* about_dlg;
    qt_doc_dlg* doc_dlg;
    QString file_dir; // where the last opened or exported file lies
    opengl* gl;
    QGridLayout* gl_layout;
    QHBoxLayout* layout;
    QLabel* status_lbl;
    QLabel* summary_lbl;
    QScrollBar* x_sbar;
    QScrollBar* y_sbar;
    QSlider* zoom;
    QLabel* zoom_lbl;
    QVBoxLayout* zoom_layout;
};

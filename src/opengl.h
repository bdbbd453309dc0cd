#pragma once

#include <QColor>
#include <QList>
#include <QOpenGLWidget>
#include <QPoint>
#include <QRect>
#include <QString>

#include <Eigen/Dense>

#include "msg_dlg_db.h"
#include "sim_map.h"
#include "tweet.h"

#include <utility>
#include <vector>

class QPainter;
class twit;

// The canvas: owns the tweets of the current query and draws them on the emotion plane
// (x = pleasure, y = arousal, both 1..9; the whole plane is [0.5, 9.5] on both axes).
class opengl : public QOpenGLWidget {
    Q_OBJECT
    // The drawing tests set the dialog highlight without dialogs.
    friend class tst_plane;

public:
    explicit opengl(QWidget* parent = nullptr);

    // Fixed-function GL and GLU need a compatibility context: call before any widget exists.
    static void set_surface_format();
    ~opengl() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    void update_zoom(int z);
    void update_x_trans(float f);
    void update_y_trans(float f);
    void paint_flag(bool b);
    // Repaints at once (synchronously), unlike update().
    void updateGL();

    // Visible extent in world units on each axis: 9 / zoom.
    void get_screen_rng(float& w_rng, float& h_rng) const;
    // World point to pixels from the left and bottom edges; multiples of the zoom level.
    void WC_2_pix(float x, float y, int& px, int& py) const;
    void pix_2_WC_w(int p, float& wc) const;
    void pix_2_WC_h(int p, float& wc) const;

    // Radius in pixels of a tweet disc with frequency measure fq at the current zoom:
    // trunc(zoom x fq), never below 1 (also for a non-finite fq).
    int radius_px(float fq) const;
    // Screen disc of tweet i: centre in pixels from the left and bottom edges (pan and zoom
    // applied, not truncated) and its on-screen radius. False for an index outside tw_db.
    bool disc_px(int i, float& cx, float& cy, float& r) const;

    // Dialog highlight: tweets whose dialog is the active window are drawn yellow.
    void add_dlg_ID(int ID);
    void remove_dlg_ID(int ID);
    // Indices into tw_db of every tweet whose disc overlaps the 8 x 8 pixel region centred on
    // (x, y), y from the top edge; the result is kept in pick_list.
    void pick_tweet(int x, int y);
    const QList<int>& picked() const { return pick_list; }
    // Rich-text tooltip for the tweets of the last pick: one paragraph each, in pick order.
    QString pick_tip() const;
    const QList<int>& highlighted() const { return dlg_ID; }
    msg_dlg_db& dialogs() { return dlg_db; }

    // Accessors for the window, the tools and the tests.
    QList<tweet>& tweets() { return tw_db; }
    const QString& query_text() const { return q_str; }
    // Sets the caption's query text directly, for tools and tests that fill tw_db themselves.
    void set_query_text(const QString& q) { q_str = q; }
    int zoom() const { return zoom_f; }
    float pan(int axis) const { return tr_pos[axis]; }
    float translation(int axis) const { return trans[axis]; }
    bool painting() const { return paint; }
    // Number of paint passes that drew (painting on) since construction.
    int paint_count() const { return paint_n; }

    // Screen disc of similarity-view layout row i, as draw_tweet_sim() draws it (see disc_px).
    // False when the row has no valid tweet in sim_n or no finite position.
    bool sim_disc_px(int i, float& cx, float& cy, float& r) const;

    // The similarity map in place of the emotion plane: the tweets laid out by the words they
    // share, with labelled groups. Laid out from the current tweets when first shown, then kept
    // until reset_sim_map(). Zoom, pan, picking and dialogs work on it as on the plane.
    void show_sim_map(bool on);
    bool sim_map_shown() const { return sim_on; }
    const sim_map& similarity_map() const { return smap; }
    // Turns the map off and forgets it; every new set of tweets calls it.
    void reset_sim_map();
    // The map's part of the status-bar summary; empty while the map is off.
    QString sim_map_summary() const;
    // Where the map's group labels go in the current view: group index and the label's box in
    // widget pixels (y from the top). Larger groups first; a label that would cover another, the
    // caption or the canvas edge is moved up or down, or left out.
    QList<std::pair<int, QRect>> sim_labels() const;

    // Saves the frame the canvas shows: JPEG when the name holds "jpg" anywhere (case-sensitive),
    // otherwise TIFF, whatever the extension. False when no file was written; why then says why.
    bool capture_screen(const QString& file, QString* why = nullptr);

    // Opens a file of messages for keywords q without asking: what File > Open Messages does once
    // the file and the keywords are chosen. The caption shows the file's name and the keywords.
    void load_file(const QString& path, const QString& q);
    // Whether a query or a file load runs.
    bool busy() const { return running; }

signals:
    // The map was turned on or off.
    void sim_map_toggled(bool on);

public slots:
    void cleanup();
    void query();
    // Asks for keywords, then load_file().
    void open_file(const QString& path);
    // Ends a running query or file load at once, keeping what it took; the window calls it when
    // closing.
    void stop_query();

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;

private:
    // Zooms one level in or out about the pointer at p through the window's slider and scroll
    // bars: the point under it moves to the middle of the view (centre) or stays under it.
    void zoom_about(QPointF p, bool in, bool centre);
    // The keyword dialog of a query; empty when cancelled (ok false).
    static QString ask_keywords(bool& ok);
    void show_result(const QString& status);
    // The status bar's summary of the tweets shown, with the map's groups while the map is on.
    void show_summary();
    void draw_axes();
    void draw_sentiment();
    void draw_tweets();
    // The discs of the plane (tweet i at its pleasure and arousal) or of the map (layout row i
    // showing tweet sim_n[i]), drawn as drawing each in turn, fill then outline, would draw them.
    void draw_discs(bool map);
    // Tweet and world position of the plane's or the map's disc k; false when it has none.
    bool disc_item(bool map, int k, int& n, float& x, float& y) const;
    void set_projection();
    // GL state of one native-painting section of the paint pass; QPainter changes it in between.
    void set_pass_state();
    // Queues text at widget pixels (x from the left, baseline y from the top) in text_c; the
    // paint pass draws the queue with QPainter over the GL lines of the same layer.
    void render_text(int x, int y, const QString& s);
    void flush_text(QPainter& p);
    // The tweets at the positions of the layout P ([0, 1] on both axes fills the plane), row i
    // showing tweet sim_n[i].
    void draw_tweet_sim();
    void draw_sim_map(QPainter& p);
    void draw_sim_labels(QPainter& p);
    void draw_caption(QPainter& p);
    // A point of the map's layout in widget pixels, y from the top.
    QPointF sim_point_px(float lx, float ly) const;
    // Tweet index and plane position of layout row i; false for a row that cannot be drawn.
    bool sim_row(int i, int& n, float& x, float& y) const;

    struct text_item {
        QPoint at;
        QString s;
        QColor c;
    };

    // Scratch of draw_tweets, kept to reuse its storage from pass to pass.
    std::vector<int> disc_cell_head;
    std::vector<std::pair<int, int>> disc_cell_entry;
    std::vector<int> disc_layer;
    std::vector<int> disc_order;
    std::vector<float> disc_vtx;
    msg_dlg_db dlg_db;
    QList<int> dlg_ID;
    bool dragging = false; // the left button is held down for panning
    QPointF drag_at;
    Eigen::MatrixXf P;
    bool frame_ready = false;
    bool paint;
    int paint_n = 0;
    QList<int> pick_list;
    QString q_str;
    twit* running = nullptr; // the query under way, if any
    QList<int> sim_n;
    sim_map smap;
    bool smap_ready = false;
    bool map_busy = false; // the map is being laid out
    bool sim_on = false;
    QColor text_c;
    QList<text_item> text_q;
    float tr_pos[2];
    float trans[2];
    QList<tweet> tw_db;
    int wheel_turn = 0; // of the wheel, in eighths of a degree not yet turned into zoom levels
    int zoom_f;
};

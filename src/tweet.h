#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// Index of a rating dimension of the affective word norms.
enum e_dim { AROUSAL = 0, DOMINANCE = 1, VALENCE = 2, E_DIM_N = 3 };

// One retrieved message: body, author, post time, the matched dictionary terms with their norms,
// the combined sentiment estimate and the rich-text renderings. A plain value.
class tweet {
public:
    tweet();

    // Setters, called in this order for every feed entry.
    void content(QString body);
    void name(QString pub);
    void time(QString pub_t);
    // The body and the estimate as content(body) sets them, without the rich-text renderings
    // (which keep those of an earlier body): for scoring messages in bulk.
    void estimate(QString body);

    QString content() const { return raw; }
    QString name() const { return nm; }
    QString time() const { return tm; }
    // The post time as an instant in UTC, set by time(QString); invalid when the text was no time.
    QDateTime published() const { return posted; }
    int term_n() const { return anew.size(); }
    QList<QString> anew_term() const { return anew; }
    float m(e_dim dim) const;
    float sd(e_dim dim) const;
    float overall_mean() const { return mean_tot; }
    float overall_sdev() const { return sdev_tot; }
    float fq() const { return freq_avg; }

    // Rich-text renderings.
    void fmt_content();
    QString content_fmt() const { return fmt; }
    QString content_tip() const { return tip; }
    // Time, author and emphasised body on one line (the canvas tooltip).
    QString formatted_content() const;
    // The linked body, the message's valence and arousal, and the norms of every matched term.
    QString content_w_term() const;
    // Terms and their per-dimension norms to the debug output.
    void dump() const;

    // Places a record on the plane directly, without a body: for tests, tools and benchmarks
    // that need tweets at exact positions.
    void set_estimate(float valence, float arousal, float overall_sd, float freq_measure);

private:
    friend class tst_sentiment;

    void anew_term_append(QString term, float* m, float* sd, int fq);
    static void comp_avg(QList<float>& m, QList<float>& sd, float& m_avg, float& sd_avg);
    static void comp_avg(float* m, float* sd, int n, float& m_avg, float& sd_avg);
    void comp_overall_avg();
    void fmt_content(const bool* known, qsizetype known_n);
    void fmt_spans(const int* span, qsizetype span_n);
    void fmt_links(const QString& plain, const int* at);
    void set_body(QString body, bool render);

    QString fmt;
    QList<int> freq;
    float freq_avg;
    QList<float> mean[E_DIM_N];
    float mean_avg[E_DIM_N];
    float mean_tot;
    QString nm;
    QDateTime posted;
    QList<float> sdev[E_DIM_N];
    float sdev_avg[E_DIM_N];
    float sdev_tot;
    QList<QString> anew;
    QString prep;
    QString raw;
    QString tip;
    QString tm;
};

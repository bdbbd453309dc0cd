#include "tweet.h"

#include <QDateTime>
#include <QTimeZone>

tweet::tweet() : freq_avg(0), mean_tot(0), sdev_tot(0) {
    for (int d = 0; d < E_DIM_N; ++d) {
        mean_avg[d] = 0;
        sdev_avg[d] = 0;
    }
}

void tweet::content(QString body) { raw = body; }

void tweet::name(QString pub) {
    const int cut = pub.indexOf(QLatin1String(" ("));
    nm = cut < 0 ? pub : pub.left(cut);
}

void tweet::time(QString pub_t) {
    QDateTime t = QDateTime::fromString(pub_t, QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
    if (!t.isValid()) {
        // A malformed time shows as nothing rather than as a garbled date.
        tm.clear();
        return;
    }
    t.setTimeZone(QTimeZone::utc());
    tm = t.toLocalTime().toString(QStringLiteral("MMM d h:mm:ssap"));
}

float tweet::m(e_dim dim) const { return dim < 0 || dim >= E_DIM_N ? 0.0f : mean_avg[dim]; }

float tweet::sd(e_dim dim) const { return dim < 0 || dim >= E_DIM_N ? 0.0f : sdev_avg[dim]; }

void tweet::set_estimate(float valence, float arousal, float overall_sd, float freq_measure) {
    mean_avg[VALENCE] = valence;
    mean_avg[AROUSAL] = arousal;
    sdev_tot = overall_sd;
    freq_avg = freq_measure;
}

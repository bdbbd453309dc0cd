#pragma once

// The demo corpus (data/demo_corpus.jsonl) as plain message texts, for the benchmarks, and a way
// to time a fresh process: the benchmark runs its own program again with an argument and reads
// the figures the child prints.

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

inline QStringList demo_texts(qsizetype n = -1) {
    QStringList out;
    QFile f(QStringLiteral(QUORVEL_SOURCE_DIR "/data/demo_corpus.jsonl"));
    if (!f.open(QIODevice::ReadOnly)) return out;
    while (!f.atEnd() && (n < 0 || out.size() < n)) {
        const QJsonObject o = QJsonDocument::fromJson(f.readLine()).object();
        if (o.value(QLatin1String("text")).isString()) out.append(o.value(QLatin1String("text")).toString());
    }
    return out;
}

// Runs this program again with the given argument and returns the numbers it prints on its
// standard output (empty when it could not be run).
inline std::vector<double> run_child(const char* arg) {
    std::vector<double> out;
    char self[4096];
    const ssize_t len = readlink("/proc/self/exe", self, sizeof self - 1);
    if (len <= 0) return out;
    self[len] = '\0';
    const std::string cmd = "'" + std::string(self) + "' " + arg;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    double x = 0;
    while (std::fscanf(p, "%lf", &x) == 1)
        out.push_back(x);
    if (pclose(p) != 0) out.clear();
    return out;
}

} // namespace bench

// quorvel-score as a whole process: start, read 14,417 demo-corpus lines from a file, score them
// and write the results to /dev/null. Reported per input line. The argument chooses the mode:
// 0 --jsonl, 1 plain text lines, 2 --jsonl --csv.
//
//   build-bench/bench/bench_score

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryFile>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "corpus.h"

extern char** environ;

namespace {

constexpr int line_n = 14417;

std::string tool_path() {
    char self[4096];
    const ssize_t len = readlink("/proc/self/exe", self, sizeof self - 1);
    if (len <= 0) return std::string();
    self[len] = '\0';
    std::string dir(self);
    return dir.substr(0, dir.rfind('/')) + "/../tools/quorvel-score";
}

// The demo corpus's lines (whole JSON objects, or their texts alone) repeated up to line_n lines.
QByteArray input(bool jsonl) {
    QFile f(QStringLiteral(QUORVEL_SOURCE_DIR "/data/demo_corpus.jsonl"));
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    QList<QByteArray> lines = f.readAll().trimmed().split('\n');
    if (!jsonl) {
        lines.clear();
        for (const QString& t : bench::demo_texts())
            lines.append(QString(t).replace(QLatin1Char('\n'), QLatin1Char(' ')).toUtf8());
    }
    QByteArray out;
    for (int i = 0; i < line_n; ++i)
        out += lines.at(i % lines.size()) + '\n';
    return out;
}

// Runs the tool with its output to /dev/null; false if it did not exit with 0.
bool run(const std::string& tool, const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(tool.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int err = posix_spawn(&pid, tool.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    int status = 0;
    return err == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_score_whole_process(benchmark::State& state) {
    const int mode = int(state.range(0));
    QTemporaryFile file;
    if (!file.open() || file.write(input(mode != 1)) < 0 || !file.flush()) {
        state.SkipWithError("cannot write the input file");
        return;
    }
    std::vector<std::string> args;
    if (mode != 1) args.push_back("--jsonl");
    if (mode == 2) args.push_back("--csv");
    args.push_back(file.fileName().toStdString());
    const std::string tool = tool_path();
    double total = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        if (!run(tool, args)) {
            state.SkipWithError("quorvel-score failed");
            return;
        }
        const double s = double(t.nsecsElapsed()) / 1e9;
        total += s;
        state.SetIterationTime(s);
    }
    state.counters["us_per_line"] = total * 1e6 / double(state.iterations()) / line_n;
}
BENCHMARK(BM_score_whole_process)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

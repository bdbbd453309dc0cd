// Feed bytes in, tweets out: the search client's reading of one reply (the cut at a zero byte,
// the entry walk, UTF-8 decoding of the fields, the duplicate test with its text cleaning, the
// tweet records) and the cleaning of the raw input as one message. Inputs slower than 5 ms are reported.

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdint>
#include <cstdio>

#include "twit.h"

namespace {
QCoreApplication* app = nullptr;
twit* client = nullptr;
qint64 slowest_ns = 0;
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    app = new QCoreApplication(*argc, *argv);
    client = new twit();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QElapsedTimer clock;
    clock.start();

    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    // A fresh client per input, so that the duplicate test starts empty as in a new query.
    twit tw;
    QList<tweet> db;
    tw.parse_page(bytes, &db);
    const qsizetype z = bytes.indexOf('\0');
    if (z >= 0) bytes.truncate(z);
    const QString text = QString::fromUtf8(bytes);
    for (const tweet& t : db)
        if (t.term_n() < 2) __builtin_trap();

    QString out;
    client->strip_body(text, out);
    if (out.size() > text.size()) __builtin_trap();

    const qint64 ns = clock.nsecsElapsed();
    if (ns > slowest_ns) {
        slowest_ns = ns;
        if (ns > 5000000) std::fprintf(stderr, "fuzz_feed: slow input, %zu bytes, %.2f ms\n", size, ns / 1e6);
    }
    return 0;
}

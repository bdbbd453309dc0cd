// Cost of setting a tweet body (tokenising, lexicon lookups, stemming, emphasis, links and the
// combined estimate), against a bare tokenise + hash-probe loop over the same messages. The
// argument chooses the messages: 0 the demo corpus (4,800 messages, about 50 characters each),
// 1 generated messages of about 120 characters, 2 the demo corpus's messages two by two (about
// 100 characters).
#include <benchmark/benchmark.h>

#include <QStringList>

#include "anew.h"
#include "corpus.h"
#include "stemmer.h"
#include "tweet.h"

namespace {

const char* const fragments[] = {
    "Just got home after the longest day at work and honestly I could sleep for a week",
    "Can't believe the game last night, what a comeback in the final minutes!!",
    "My cat knocked the coffee off the table again. Every single morning.",
    "Anyone else stuck in traffic on the bridge? Nothing has moved for 40 minutes",
    "So proud of my little sister, she graduated today with honors",
    "The new album is beautiful, every song feels like a warm summer evening",
    "Worst customer service ever, waited two hours and they hung up on me",
    "Rain again... I miss the sun so much",
    "Happy birthday to the best friend anyone could ask for, love you!",
    "Reading about the earthquake, thoughts with everyone affected",
    "Why does my phone always die right when I need it most",
    "Finally finished the marathon, my legs hurt but I feel amazing",
    "Dinner with family tonight, mom made her famous lasagna",
    "I hate Mondays. I hate alarms. I hate everything before coffee.",
    "Watching old movies on a lazy Sunday, pure bliss",
    "The concert was cancelled because of the storm, so disappointed",
    "New job starts tomorrow, nervous and excited at the same time",
    "Lost my wallet on the train, if anyone finds it please let me know",
    "Sunset at the beach tonight was unreal, the sky was on fire",
    "That moment when you realize you left the oven on",
    "Our dog had puppies last night! Seven tiny little miracles",
    "Exam in two hours and I still don't understand chapter five",
    "Grateful for good friends, good food and a roof over my head",
    "The hospital says dad is stable now, thank you all for the kind words",
    "Free pizza in the office kitchen, best Friday ever",
    "My flight got delayed for the third time, stuck at the airport all night",
    "Spring is here, flowers everywhere and the birds won't stop singing",
    "Somebody stole my bike from right outside the library",
    "Made pancakes for the kids and they actually ate them, victory",
    "The news today is just depressing, war, fire and disease everywhere",
    "First snow of the year, everything looks so quiet and peaceful",
    "Can we talk about how good this coffee is? Life changing.",
    "Broke my glasses, now I can't see a thing",
    "Wedding photos came back and they are gorgeous",
    "Power outage in the whole neighborhood, candles and board games it is",
    "I think I'm getting sick, my throat is killing me",
    "Just adopted a kitten from the shelter, meet Pepper",
    "The movie was boring, I fell asleep halfway through",
    "Holiday plans: beach, books, and absolutely no email",
    "Traffic accident on the highway, please drive safe out there",
    "My grandmother turns 90 today and she still beats me at cards",
    "Fresh bread from the bakery downstairs, the smell is heaven",
    "Why is everyone so angry on the internet today",
    "Won tickets to the show tonight! Can't stop smiling",
    "Painted the kitchen yellow, it feels like sunshine indoors",
    "Long night in the lab, the experiment failed again",
    "Kids are finally asleep, the house is quiet, time for wine",
    "That horror movie gave me nightmares, never again",
    "Volunteered at the food bank today, so many people need help",
    "Thunder so loud it shook the windows, the dog is terrified",
    "Got a promotion!!! Hard work pays off",
    "Missed the bus by ten seconds, the driver saw me and drove away",
    "Picnic in the park with friends, perfect weather",
    "My heart goes out to the families of the victims",
    "Late night talks with my best friend are the best therapy",
    "Ugh, the printer jammed right before the meeting",
    "Learning to play guitar, my fingers hurt but it's fun",
    "The ocean was so calm this morning, like glass",
    "Landlord raised the rent again, this city is impossible",
    "Baby laughed for the first time today, pure joy",
};

const char* const extras[] = {
    "#love",
    "#fail",
    "#blessed",
    "#news",
    "@mike_r",
    "@sarahj",
    "http://bit.ly/a8Kx2Q",
    "http://t.co/XyZ12ab",
    "www.example.com/page.html",
    ":)",
    ":(",
    "lol",
    "#happy @anna",
    "&amp; more",
};

QStringList make_messages() {
    QStringList out;
    const int nf = int(sizeof fragments / sizeof *fragments);
    const int ne = int(sizeof extras / sizeof *extras);
    unsigned seed = 12345;
    auto next = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % unsigned(n));
    };
    while (out.size() < 400) {
        QString m = QString::fromUtf8(fragments[next(nf)]);
        const int parts = next(3);
        for (int k = 0; k < parts; ++k) {
            const QString more = QString::fromUtf8(next(3) == 0 ? extras[next(ne)] : fragments[next(nf)]);
            if (m.size() + 1 + more.size() > 280) break;
            m += (next(2) ? QStringLiteral(". ") : QStringLiteral(" ")) + more;
        }
        if (next(2) && m.size() + 25 <= 280) m += QLatin1Char(' ') + QString::fromUtf8(extras[next(ne)]);
        if (m.size() >= 60) out.append(m);
    }
    return out;
}

// The demo corpus's messages two by two, about 100 characters each: the length of real short
// messages.
QStringList demo_pairs(const QStringList& demo) {
    QStringList out;
    for (qsizetype i = 0; i + 1 < demo.size(); i += 2)
        out.append(demo[i] + QLatin1Char(' ') + demo[i + 1]);
    return out;
}

const QStringList& messages(int set) {
    static const QStringList demo = bench::demo_texts();
    static const QStringList made = make_messages();
    static const QStringList pairs = demo_pairs(demo);
    return set == 0 ? demo : set == 1 ? made : pairs;
}

void report(benchmark::State& state, const QStringList& msgs) {
    const qsizetype n = msgs.size();
    qsizetype chars = 0;
    for (const QString& m : msgs)
        chars += m.size();
    state.SetLabel(QStringLiteral("%1 messages, mean %2 characters")
                       .arg(QString::number(n), QString::number(chars / n))
                       .toStdString());
    state.SetItemsProcessed(int64_t(state.iterations()) * n);
    state.counters["per_msg"] = benchmark::Counter(double(n), benchmark::Counter::kIsIterationInvariantRate |
                                                                  benchmark::Counter::kInvert);
}

void BM_tweet_content(benchmark::State& state) {
    const QStringList& msgs = messages(int(state.range(0)));
    tweet t; // reused, as the search client does
    for (auto _ : state) {
        for (const QString& m : msgs) {
            t.content(m);
            benchmark::DoNotOptimize(t.term_n());
        }
    }
    report(state, msgs);
}
BENCHMARK(BM_tweet_content)->Arg(0)->Arg(1)->Arg(2);

// Lower-case ASCII text with the punctuation blanked, then one call per space-separated token.
template <typename Probe> int tokenise(const QString& m, QString& buf, Probe probe) {
    buf = m;
    for (QChar& c : buf) {
        const char16_t u = c.unicode();
        if (u >= 'A' && u <= 'Z')
            c = QChar(u + 32);
        else if (u < 128 && QStringView(u"!\"#$%&'()*+,.:;?@|").contains(c))
            c = QLatin1Char(' ');
    }
    int hits = 0;
    const QChar* p = buf.constData();
    const qsizetype n = buf.size();
    for (qsizetype i = 0; i < n;) {
        if (p[i] == QLatin1Char(' ')) {
            ++i;
            continue;
        }
        qsizetype e = i;
        while (e < n && p[e] != QLatin1Char(' '))
            ++e;
        hits += probe(QString::fromRawData(p + i, e - i));
        i = e;
    }
    return hits;
}

void build_indexes() {
    float x = 0;
    int fq = 0;
    anew_word(QStringLiteral("house"), x, x, x, x, x, x, fq);
}

// The floor: the least any estimate must do, a bare tokenise and one word-index probe per token.
void BM_floor_tokenise_probe(benchmark::State& state) {
    const QStringList& msgs = messages(int(state.range(0)));
    build_indexes();
    QString buf;
    for (auto _ : state)
        for (const QString& m : msgs)
            benchmark::DoNotOptimize(tokenise(m, buf, [](const QString& t) { return anew_db.contains(t); }));
    report(state, msgs);
}
BENCHMARK(BM_floor_tokenise_probe)->Arg(0)->Arg(1)->Arg(2);

// The same with a stem-index probe for every token that is not a word of the lexicon.
void BM_floor_tokenise_probe_stem(benchmark::State& state) {
    const QStringList& msgs = messages(int(state.range(0)));
    build_indexes();
    QString buf;
    for (auto _ : state)
        for (const QString& m : msgs)
            benchmark::DoNotOptimize(tokenise(m, buf, [](const QString& t) {
                return anew_db.contains(t) || anew_stem_db.contains(stem_word(t));
            }));
    report(state, msgs);
}
BENCHMARK(BM_floor_tokenise_probe_stem)->Arg(0)->Arg(1)->Arg(2);

// Feed text is untrusted: 20,000 characters without a space must stay cheap to set and format.
void BM_long_run_without_spaces(benchmark::State& state) {
    QString body;
    switch (state.range(0)) {
    case 0: // letters with one address-like dot and slash
        body = QString(20000, QChar('a'));
        body[10] = '.';
        body[19990] = '/';
        break;
    case 1: // dots and slashes everywhere, ending where no address can end
        for (int i = 0; body.size() < 20000; ++i)
            body += QLatin1String(i % 2 ? "a." : "b/");
        body += QLatin1Char('_');
        break;
    case 2: // words of the lexicon joined by punctuation
        while (body.size() < 20000)
            body += QLatin1String("love.house/");
        body.truncate(20000);
        break;
    default: // many short distinct words to stem, joined by full stops
        for (int i = 0; body.size() < 20000; ++i)
            body += QString(QChar('a' + i % 26)) + QChar('a' + i / 26 % 26) + QLatin1String("ing.");
        body.truncate(20000);
        break;
    }
    tweet t;
    for (auto _ : state) {
        t.content(body);
        benchmark::DoNotOptimize(t.content_fmt().size());
    }
    state.SetLabel(QStringLiteral("%1 chars").arg(QString::number(body.size())).toStdString());
}
BENCHMARK(BM_long_run_without_spaces)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

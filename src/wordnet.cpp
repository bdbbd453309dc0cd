#include "wordnet.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <wn.h>

namespace {

bool init = false;
QHash<QString, int> stop_sm;
QHash<QString, QString> stem_w;

// "rt", "http" and "co" are the pieces of retweet markers and short links; "z" ends the table.
const char* const stop_words[] = {
    "rt",          "http",      "co",         "a",          "about",      "above",      "across",
    "after",       "again",     "against",    "all",        "almost",     "alone",      "along",
    "already",     "also",      "although",   "always",     "among",      "an",         "and",
    "another",     "any",       "anybody",    "anyone",     "anything",   "anywhere",   "are",
    "area",        "areas",     "around",     "as",         "ask",        "asked",      "asking",
    "asks",        "at",        "away",       "b",          "back",       "backed",     "backing",
    "backs",       "be",        "became",     "because",    "become",     "becomes",    "been",
    "before",      "began",     "behind",     "being",      "beings",     "best",       "better",
    "between",     "big",       "both",       "but",        "by",         "c",          "came",
    "can",         "cannot",    "case",       "cases",      "certain",    "certainly",  "clear",
    "clearly",     "come",      "could",      "d",          "did",        "differ",     "different",
    "differently", "do",        "does",       "done",       "down",       "downed",     "downing",
    "downs",       "during",    "e",          "each",       "early",      "either",     "end",
    "ended",       "ending",    "ends",       "enough",     "even",       "evenly",     "ever",
    "every",       "everybody", "everyone",   "everything", "everywhere", "f",          "face",
    "faces",       "fact",      "facts",      "far",        "felt",       "few",        "find",
    "finds",       "first",     "for",        "four",       "from",       "full",       "fully",
    "further",     "furthered", "furthering", "furthers",   "g",          "gave",       "general",
    "generally",   "get",       "gets",       "give",       "given",      "gives",      "go",
    "going",       "good",      "goods",      "got",        "great",      "greater",    "greatest",
    "group",       "grouped",   "grouping",   "groups",     "h",          "had",        "has",
    "have",        "having",    "he",         "her",        "here",       "herself",    "high",
    "higher",      "highest",   "him",        "himself",    "his",        "how",        "however",
    "i",           "if",        "important",  "in",         "interest",   "interested", "interesting",
    "interests",   "into",      "is",         "it",         "its",        "itself",     "j",
    "just",        "k",         "keep",       "keeps",      "kind",       "knew",       "know",
    "known",       "knows",     "l",          "large",      "largely",    "last",       "later",
    "latest",      "least",     "less",       "let",        "lets",       "like",       "likely",
    "long",        "longer",    "longest",    "m",          "made",       "make",       "making",
    "man",         "many",      "may",        "me",         "member",     "members",    "men",
    "might",       "more",      "most",       "mostly",     "mr",         "mrs",        "much",
    "must",        "my",        "myself",     "n",          "necessary",  "need",       "needed",
    "needing",     "needs",     "never",      "new",        "newer",      "newest",     "next",
    "no",          "nobody",    "non",        "noone",      "not",        "nothing",    "now",
    "nowhere",     "number",    "numbers",    "o",          "of",         "off",        "often",
    "old",         "older",     "oldest",     "on",         "once",       "one",        "only",
    "open",        "opened",    "opening",    "opens",      "or",         "order",      "ordered",
    "ordering",    "orders",    "other",      "others",     "our",        "out",        "over",
    "p",           "part",      "parted",     "parting",    "parts",      "per",        "perhaps",
    "place",       "places",    "point",      "pointed",    "pointing",   "points",     "possible",
    "present",     "presented", "presenting", "presents",   "problem",    "problems",   "put",
    "puts",        "q",         "quite",      "r",          "rather",     "really",     "right",
    "room",        "rooms",     "s",          "said",       "same",       "saw",        "say",
    "says",        "second",    "seconds",    "see",        "seem",       "seemed",     "seeming",
    "seems",       "sees",      "several",    "shall",      "she",        "should",     "show",
    "showed",      "showing",   "shows",      "side",       "sides",      "since",      "small",
    "smaller",     "smallest",  "so",         "some",       "somebody",   "someone",    "something",
    "somewhere",   "state",     "states",     "still",      "such",       "sure",       "t",
    "take",        "taken",     "than",       "that",       "the",        "their",      "them",
    "then",        "there",     "therefore",  "these",      "they",       "thing",      "things",
    "think",       "thinks",    "this",       "those",      "though",     "thought",    "thoughts",
    "three",       "through",   "thus",       "to",         "today",      "together",   "too",
    "took",        "toward",    "turn",       "turned",     "turning",    "turns",      "two",
    "u",           "under",     "until",      "up",         "upon",       "us",         "use",
    "used",        "uses",      "v",          "very",       "w",          "want",       "wanted",
    "wanting",     "wants",     "was",        "way",        "ways",       "we",         "well",
    "wells",       "went",      "were",       "what",       "when",       "where",      "whether",
    "which",       "while",     "who",        "whole",      "whose",      "why",        "will",
    "with",        "within",    "without",    "work",       "worked",     "working",    "works",
    "would",       "x",         "y",          "year",       "years",      "yet",        "you",
    "young",       "younger",   "youngest",   "your",       "yours",      "z",
};

// morphstr() works in fixed buffers of WORDBUF (256) bytes and no dictionary entry is longer than
// 71 characters, so longer tokens are never handed to it.
constexpr int longest_lookup = 100;

// The keys of one WordNet file (the text before the first space of each line) in an
// open-addressing table of line offsets. The file stays in memory as read; lines without a key
// (the licence at the top of the index files) are left out.
class key_table {
public:
    bool build(QByteArray contents) {
        text = std::move(contents);
        if (text.size() >= std::numeric_limits<quint32>::max()) return false;
        std::vector<quint32> lines;
        const char* p = text.constData();
        const qsizetype n = text.size();
        for (qsizetype at = 0; at < n;) {
            const char* eol = static_cast<const char*>(std::memchr(p + at, '\n', size_t(n - at)));
            const qsizetype next = eol ? eol - p + 1 : n;
            if (key_length(quint32(at)) > 0) lines.push_back(quint32(at));
            at = next;
        }
        size_t slot_n = 16;
        while (slot_n < lines.size() * 2)
            slot_n *= 2;
        table.assign(slot_n, 0);
        for (quint32 line : lines) {
            const std::string_view key(p + line, size_t(key_length(line)));
            size_t i = hash(key) & (table.size() - 1);
            while (table[i] != 0 && this->key(table[i] - 1) != key)
                i = (i + 1) & (table.size() - 1);
            // A key listed twice keeps its first line; see exc_table for which one the library reads.
            if (table[i] == 0)
                table[i] = line + 1;
            else
                duplicates.push_back(line);
        }
        return true;
    }

    // Offset of the line whose key is s, or -1.
    qsizetype find(std::string_view s) const {
        if (s.empty() || table.empty()) return -1;
        for (size_t i = hash(s) & (table.size() - 1); table[i] != 0; i = (i + 1) & (table.size() - 1))
            if (key(table[i] - 1) == s) return table[i] - 1;
        return -1;
    }
    bool contains(std::string_view s) const { return find(s) >= 0; }

    std::string_view key(quint32 line) const { return {text.constData() + line, size_t(key_length(line))}; }
    // Makes the line at offset `line` the one found for its key.
    void prefer(quint32 line) {
        const std::string_view k = key(line);
        for (size_t i = hash(k) & (table.size() - 1); table[i] != 0; i = (i + 1) & (table.size() - 1))
            if (key(table[i] - 1) == k) table[i] = line + 1;
    }

    QByteArray text;
    std::vector<quint32> duplicates; // lines whose key an earlier line already has

private:
    static size_t hash(std::string_view s) {
        quint32 h = 2166136261u;
        for (char c : s)
            h = (h ^ quint8(c)) * 16777619u;
        return h ^ (h >> 15);
    }
    // Length of the key of the line at `at`: up to its first space; 0 for a line without one.
    qsizetype key_length(quint32 at) const {
        const char* p = text.constData() + at;
        const char* end = text.constData() + text.size();
        for (const char* q = p; q != end && *q != '\n'; ++q)
            if (*q == ' ') return q - p;
        return 0;
    }

    std::vector<quint32> table; // line offset + 1; 0 is an empty slot
};

// An exception list: inflected form -> its first listed base form.
class exc_table {
public:
    bool build(QByteArray contents, int pos) {
        if (!keys.build(std::move(contents))) return false;
        // The library finds a key listed twice by bisection and reads whichever line it lands
        // on; ask it which, so that the answer here is the same.
        for (quint32 line : keys.duplicates) {
            QByteArray word(keys.key(line).data(), qsizetype(keys.key(line).size()));
            const char* b = morphword(word.data(), pos);
            if (!b || first_base(line) != std::string_view(b)) continue;
            keys.prefer(line);
        }
        for (quint32 line : keys.duplicates) {
            QByteArray word(keys.key(line).data(), qsizetype(keys.key(line).size()));
            const char* b = morphword(word.data(), pos);
            const std::optional<std::string_view> mine = find(keys.key(line));
            if (!b || !mine || *mine != std::string_view(b)) return false;
        }
        return true;
    }

    // The first base form listed for s, if s is listed with one.
    std::optional<std::string_view> find(std::string_view s) const {
        const qsizetype line = keys.find(s);
        if (line < 0) return std::nullopt;
        const std::string_view b = first_base(quint32(line));
        if (b.empty()) return std::nullopt;
        return b;
    }

private:
    // The word after the key's space, up to the next space or line end; empty when the key is
    // followed by two spaces or nothing.
    std::string_view first_base(quint32 line) const {
        const char* p = keys.text.constData() + line + keys.key(line).size() + 1;
        const char* end = keys.text.constData() + keys.text.size();
        if (p >= end || *p == ' ') return {};
        const char* q = p;
        while (q != end && *q != ' ' && *q != '\n')
            ++q;
        return {p, size_t(q - p)};
    }

    key_table keys;
};

struct suffix_rule {
    std::string_view suffix;
    std::string_view ending;
};
// The library's detachment rules, tried in this order.
constexpr suffix_rule noun_rules[] = {{"s", ""},      {"ses", "s"},   {"xes", "x"},   {"zes", "z"},
                                      {"ches", "ch"}, {"shes", "sh"}, {"men", "man"}, {"ies", "y"}};
constexpr suffix_rule verb_rules[] = {{"s", ""},   {"ies", "y"}, {"es", "e"},  {"es", ""},
                                      {"ed", "e"}, {"ed", ""},   {"ing", "e"}, {"ing", ""}};
// Words after which a verb phrase's verb is the part to reduce ("looked_up" -> "look_up").
constexpr std::string_view prepositions[] = {"to",   "at",   "of",   "on",   "off", "in",    "out",    "up",
                                             "down", "from", "with", "into", "for", "about", "between"};

// Ends with the suffix and is longer than it.
bool ends_in(std::string_view w, std::string_view suffix) {
    return w.size() > suffix.size() && w.substr(w.size() - suffix.size()) == suffix;
}

using maybe = std::optional<std::string>;

// The noun-then-verb base form as WordNet's morphstr() gives it, answered from the index and
// exception files held in memory. The library's steps are followed one for one, down to the
// order of its rules; the equivalence test in tst_wordnet holds it to the library.
class morphology {
public:
    bool load() {
        for (int pos : {NOUN, VERB}) {
            QByteArray index, exc;
            if (!read_whole(indexfps[pos], index)) return false;
            QFile f(QString::fromLocal8Bit(SetSearchdir()) + (pos == NOUN ? "/noun.exc" : "/verb.exc"));
            if (!f.open(QIODevice::ReadOnly)) return false;
            exc = f.readAll();
            if (f.error() != QFileDevice::NoError) return false;
            if (!idx[pos].build(std::move(index)) || !exc_of[pos].build(std::move(exc), pos)) return false;
        }
        return true;
    }

    // The base form of a word made of ASCII letters and digits, single underscores joining its
    // parts: true with the answer (nullopt for none); false for any other word, which the caller
    // hands to the library.
    bool base_form(const QByteArray& word, maybe& out) const {
        std::string s;
        s.reserve(size_t(word.size()));
        for (char c : word) {
            if (c >= 'A' && c <= 'Z') c = char(c + ('a' - 'A'));
            if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
            s += c;
        }
        if (s.empty() || s.front() == '_' || s.back() == '_' || s.find("__") != std::string::npos)
            return false;
        out = noun(s);
        if (!out) out = verb(s);
        return true;
    }

private:
    static bool read_whole(FILE* fp, QByteArray& out) {
        struct stat st;
        if (!fp || fstat(fileno(fp), &st) != 0 || st.st_size <= 0) return false;
        out.resize(qsizetype(st.st_size));
        qsizetype got = 0;
        while (got < out.size()) {
            const ssize_t r = pread(fileno(fp), out.data() + got, size_t(out.size() - got), off_t(got));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return false;
            got += r;
        }
        return true;
    }

    // Any of the spellings the library tries for a lemma: as given, underscores as hyphens,
    // underscores dropped.
    bool is_defined(const std::string& s, int pos) const {
        if (idx[pos].contains(s)) return true;
        if (s.find('_') == std::string::npos) return false;
        std::string hyphens = s, joined;
        std::replace(hyphens.begin(), hyphens.end(), '_', '-');
        for (char c : s)
            if (c != '_') joined += c;
        return idx[pos].contains(hyphens) || idx[pos].contains(joined);
    }

    maybe exc(const std::string& s, int pos) const {
        const auto b = exc_of[pos].find(s);
        return b ? maybe(std::string(*b)) : std::nullopt;
    }

    // One word (or the whole phrase) through the exception list, then the detachment rules.
    maybe morph_word(const std::string& w, int pos) const {
        if (maybe e = exc(w, pos)) return e;
        std::string_view base = w, end;
        if (pos == NOUN) {
            if (ends_in(w, "ful")) {
                base = std::string_view(w).substr(0, w.rfind('f'));
                end = "ful";
            } else if (ends_in(w, "ss") || w.size() <= 2) {
                return std::nullopt;
            }
        }
        for (const suffix_rule& r : pos == NOUN ? noun_rules : verb_rules) {
            if (!ends_in(base, r.suffix)) continue;
            std::string cand(base.substr(0, base.size() - r.suffix.size()));
            cand += r.ending;
            if (cand != base && is_defined(cand, pos)) return cand + std::string(end);
        }
        return std::nullopt;
    }

    // Every part reduced on its own, the phrase kept if the result is a lemma.
    maybe parts(const std::string& s, int pos) const {
        std::string search;
        size_t at = 0;
        for (;;) {
            const size_t cut = s.find('_', at);
            const std::string part = s.substr(at, cut == std::string::npos ? std::string::npos : cut - at);
            const maybe m = morph_word(part, pos);
            search += m ? *m : part;
            if (cut == std::string::npos) break;
            search += '_';
            at = cut + 1;
        }
        if (search != s && is_defined(search, pos)) return search;
        return std::nullopt;
    }

    maybe noun(const std::string& s) const {
        if (maybe e = exc(s, NOUN); e && *e != s) return e;
        if (maybe m = morph_word(s, NOUN); m && *m != s) return m;
        return parts(s, NOUN);
    }

    maybe verb(const std::string& s) const {
        if (maybe e = exc(s, VERB); e && *e != s) return e;
        for (size_t at = s.find('_'); at != std::string::npos;) {
            const size_t next = s.find('_', at + 1);
            const std::string_view w =
                std::string_view(s).substr(at + 1, next == std::string::npos ? next : next - at - 1);
            if (std::find(std::begin(prepositions), std::end(prepositions), w) != std::end(prepositions))
                return verb_phrase(s);
            at = next;
        }
        return parts(s, VERB);
    }

    // A verb followed by a preposition: the first word is the verb; a last word after the
    // preposition may be a noun in the plural.
    maybe verb_phrase(const std::string& s) const {
        const size_t first = s.find('_'), last = s.rfind('_');
        maybe end;
        if (first != last) {
            if (const maybe lw = morph_word(s.substr(last + 1), NOUN))
                end = s.substr(first, last - first + 1) + *lw;
        }
        const std::string word = s.substr(0, first), rest = s.substr(first);
        auto try_verb = [&](const std::string& v) -> maybe {
            if (is_defined(v + rest, VERB)) return v + rest;
            if (end && is_defined(v + *end, VERB)) return v + *end;
            return std::nullopt;
        };
        if (maybe e = exc(word, VERB); e && *e != word) {
            if (maybe r = try_verb(*e)) return r;
        }
        for (const suffix_rule& r : verb_rules) {
            if (!ends_in(word, r.suffix)) continue;
            std::string cand = word.substr(0, word.size() - r.suffix.size());
            cand += r.ending;
            if (cand == word) continue;
            if (maybe v = try_verb(cand)) return v;
        }
        // Unlike every other answer, this one need not be a lemma: the library gives it as is.
        if (end && word + *end != s) return word + *end;
        return std::nullopt;
    }

    key_table idx[VERB + 1];
    exc_table exc_of[VERB + 1];
};

// Loaded with the library; null while it is not, or if the files could not be read as expected,
// in which case every word goes to the library.
std::unique_ptr<morphology> morph;

} // namespace

int wordnet_init() {
    if (wninit() != 0) return 0;
    for (const char* w : stop_words) {
        stop_sm.insert(QString::fromLatin1(w), 1);
        if (qstrcmp(w, "z") == 0) break;
    }
    auto m = std::make_unique<morphology>();
    if (m->load()) morph = std::move(m);
    init = true;
    return 1;
}

bool stop_word(const QString& term) {
    if (!init && !wordnet_init()) return false;
    return stop_sm.contains(term);
}

QString stem(const QString& term) {
    if (!init && !wordnet_init()) return QString();
    const auto hit = stem_w.constFind(term);
    if (hit != stem_w.constEnd()) return hit.value();

    // The database is plain ASCII: a converted non-ASCII word would be looked up as some other
    // word, so it has no base form.
    bool ascii = !term.isEmpty() && term.size() <= longest_lookup;
    for (int i = 0; ascii && i < term.size(); ++i)
        ascii = term.at(i).unicode() > 0 && term.at(i).unicode() < 128;
    if (ascii) {
        QByteArray word = term.toLatin1();
        maybe base;
        if (!morph || !morph->base_form(word, base)) {
            for (int pos : {NOUN, VERB}) {
                if (const char* b = morphstr(word.data(), pos)) {
                    base = b;
                    break;
                }
            }
        }
        if (base) {
            const QString b = QString::fromLatin1(base->data(), qsizetype(base->size()));
            stem_w.insert(term, b);
            return b;
        }
    }
    stem_w.insert(term, term);
    return QString();
}

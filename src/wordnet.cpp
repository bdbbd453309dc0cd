#include "wordnet.h"

#include "page_buffer.h"

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

#include <fcntl.h>
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
// open-addressing hash table of line offsets, over the whole file as read. Lines without a key
// (the licence at the top of the index files) are left out.
class key_table {
public:
    // Reads the file open as fd. With `dups`, a key listed again is noted in `duplicates`;
    // without, a second line for a key is ignored (an index file lists each lemma once).
    bool load(int fd, bool dups) {
        struct stat st;
        if (fstat(fd, &st) != 0 || st.st_size <= 0 || st.st_size >= std::numeric_limits<quint32>::max())
            return false;
        text = page_buffer(size_t(st.st_size));
        if (!text.data()) return false;
        while (text_n < text.size()) {
            const ssize_t got = pread(fd, text.data() + text_n, text.size() - text_n, off_t(text_n));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return false;
            if (got == 0) break;
            text_n += size_t(got);
        }

        size_t line_n = 1;
        for (const char* p = text.data(); (p = static_cast<const char*>(std::memchr(p, '\n', end() - p)));
             ++p)
            ++line_n;
        slot_n = 1024;
        while (slot_n < line_n * 2)
            slot_n *= 2;
        table_mem = page_buffer(slot_n * sizeof(quint32));
        if (!table_mem.data()) return false;
        table = reinterpret_cast<quint32*>(table_mem.data());

        // A slot is fetched from memory a few lines before its line is inserted there: inserting
        // in file order, nearly every slot would be a cache miss waited for.
        constexpr int ahead = 16;
        struct pending {
            quint32 line;
            size_t slot;
        } ring[ahead];
        size_t seen = 0;
        auto insert = [&](const pending& e) {
            const std::string_view k = key(e.line);
            size_t i = e.slot;
            while (table[i] != 0 && !(dups && key(table[i] - 1) == k))
                i = (i + 1) & (slot_n - 1);
            // A key listed twice keeps its first line; see exc_table for which one the library reads.
            if (table[i] == 0)
                table[i] = e.line + 1;
            else
                duplicates.push_back(e.line);
        };
        for (const char* p = text.data(); p != end();) {
            const char* eol = static_cast<const char*>(std::memchr(p, '\n', size_t(end() - p)));
            const quint32 line = quint32(p - text.data());
            p = eol ? eol + 1 : end();
            const std::string_view k = key(line);
            if (k.empty()) continue;
            const size_t slot = hash(k) & (slot_n - 1);
            __builtin_prefetch(table + slot, 1);
            pending& oldest = ring[seen++ % ahead];
            if (seen > ahead) insert(oldest);
            oldest = {line, slot};
        }
        for (size_t k = seen > ahead ? seen - ahead : 0; k < seen; ++k)
            insert(ring[k % ahead]);
        return true;
    }

    // Offset of the line whose key is s, or -1.
    qint64 find(std::string_view s) const {
        if (s.empty() || !table) return -1;
        for (size_t i = hash(s) & (slot_n - 1); table[i] != 0; i = (i + 1) & (slot_n - 1))
            if (key(table[i] - 1) == s) return table[i] - 1;
        return -1;
    }
    bool contains(std::string_view s) const { return find(s) >= 0; }

    // The key of the line at offset `line`: up to its first space; empty without one.
    std::string_view key(quint32 line) const {
        const char* p = text.data() + line;
        for (const char* q = p; q != end() && *q != '\n'; ++q)
            if (*q == ' ') return {p, size_t(q - p)};
        return {};
    }
    // The word after the key: up to the next space or the line's end, empty when the key is
    // followed by a second space or by nothing.
    std::string_view next_word(quint32 line) const {
        const char* p = text.data() + line + key(line).size() + 1;
        if (p >= end() || *p == ' ') return {};
        const char* q = p;
        while (q != end() && *q != ' ' && *q != '\n')
            ++q;
        return {p, size_t(q - p)};
    }

    // Makes the line at `line` the one found for its key.
    void prefer(quint32 line) {
        const std::string_view k = key(line);
        for (size_t i = hash(k) & (slot_n - 1); table[i] != 0; i = (i + 1) & (slot_n - 1))
            if (key(table[i] - 1) == k) table[i] = line + 1;
    }

    std::vector<quint32> duplicates; // lines whose key an earlier line has

private:
    static size_t hash(std::string_view s) {
        quint32 h = 2166136261u;
        for (char c : s)
            h = (h ^ quint8(c)) * 16777619u;
        return h ^ (h >> 15);
    }
    const char* end() const { return text.data() + text_n; }

    page_buffer text;
    size_t text_n = 0;
    page_buffer table_mem;
    quint32* table = nullptr; // line offset + 1; 0 is an empty slot
    size_t slot_n = 0;
};

// An exception list: inflected form -> its first listed base form.
class exc_table {
public:
    bool load(int fd, int pos) {
        if (!keys.load(fd, true)) return false;
        // The library finds a key listed twice by bisection and reads whichever line it lands
        // on; ask it which, so that the answer here is the same.
        for (quint32 at : keys.duplicates) {
            QByteArray word(keys.key(at).data(), qsizetype(keys.key(at).size()));
            const char* b = morphword(word.data(), pos);
            if (b && keys.next_word(at) == std::string_view(b)) keys.prefer(at);
        }
        for (quint32 at : keys.duplicates) {
            QByteArray word(keys.key(at).data(), qsizetype(keys.key(at).size()));
            const char* b = morphword(word.data(), pos);
            const std::optional<std::string_view> mine = find(keys.key(at));
            if (!b || !mine || *mine != std::string_view(b)) return false;
        }
        return true;
    }

    // The first base form listed for s, if s is listed with one.
    std::optional<std::string_view> find(std::string_view s) const {
        const qint64 at = keys.find(s);
        if (at < 0 || keys.next_word(quint32(at)).empty()) return std::nullopt;
        return keys.next_word(quint32(at));
    }

private:
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
// order of its rules; the equivalence test in tst_analysis holds it to the library.
class morphology {
public:
    bool load() {
        for (int pos : {NOUN, VERB}) {
            if (!indexfps[pos] || !idx[pos].load(fileno(indexfps[pos]), false)) return false;
            const QByteArray path = QByteArray(SetSearchdir()) + (pos == NOUN ? "/noun.exc" : "/verb.exc");
            const int fd = open(path.constData(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) return false;
            const bool ok = exc_of[pos].load(fd, pos);
            close(fd);
            if (!ok) return false;
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

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QProgressDialog>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <cstdlib>
#include <limits>
#include <random>
#include <tuple>

#include "analysis_fixture.h"
#include "co_occur.h"
#include "doc_sim.h"
#include "mds.h"
#include "mst.h"
#include "sim_map.h"
#include "wordnet.h"

#include <wn.h>

using Eigen::MatrixXf;
using groups = QList<QList<int>>;
Q_DECLARE_METATYPE(MatrixXf)

using int_list = QList<int>;

namespace {

// Euclidean distances between the rows of X.
MatrixXf dists(const MatrixXf& X) {
    MatrixXf d(X.rows(), X.rows());
    for (int i = 0; i < X.rows(); ++i)
        for (int j = 0; j < X.rows(); ++j)
            d(i, j) = (X.row(i) - X.row(j)).norm();
    return d;
}

// n random points of the unit square, or of a line through it.
MatrixXf points(int n, bool line = false) {
    std::mt19937 rng(n);
    std::uniform_real_distribution<float> u(0, 1);
    MatrixXf X(n, 2);
    for (int i = 0; i < n; ++i)
        X(i, 0) = u(rng), X(i, 1) = line ? 0.5f * X(i, 0) : u(rng);
    return X;
}

// An n x n matrix: rest off the diagonal, 0 on it, then the given entries (mirrored when sym).
MatrixXf with(int n, std::initializer_list<std::tuple<int, int, float>> set, float rest = 0,
              bool sym = true) {
    MatrixXf d = MatrixXf::Constant(n, n, rest);
    d.diagonal().setZero();
    for (auto [i, j, v] : set)
        d(i, j) = v, d(j, i) = sym ? v : d(j, i);
    return d;
}

// Average linkage the plain way: merge the closest two groups while they are closer than join.
groups merged_plainly(const MatrixXf& D, float join) {
    groups g;
    for (int i = 0; i < D.rows(); ++i)
        g.append(QList<int>{i});
    for (;;) {
        int ba = -1, bb = -1;
        double best = join;
        for (int a = 0; a < g.size(); ++a)
            for (int b = a + 1; b < g.size(); ++b) {
                double s = 0;
                for (int i : g[a])
                    for (int j : g[b])
                        s += D(i, j);
                if ((s /= double(g[a].size() * g[b].size())) < best) best = s, ba = a, bb = b;
            }
        if (ba < 0) break;
        g[ba] += g.takeAt(bb);
    }
    for (QList<int>& m : g)
        std::sort(m.begin(), m.end());
    std::sort(g.begin(), g.end());
    return g;
}

bool dialog_left() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QProgressDialog*>(w)) return true;
    return false;
}

} // namespace

// Stop words, base forms, the term index, documents and cosines, the similarity matrix, projections, groups.
class tst_analysis : public QObject {
    Q_OBJECT

    const QStringList lists{"index.noun", "index.verb", "noun.exc", "verb.exc"};
    static float dot(int i, int j) { return *collect->document(i) * *collect->document(j); }
    static QString str(const QList<int>* l) { return l ? QDebug::toString(*l) : QString("-"); }
    static QString copied(bool ok, const QList<int>& l) { return QString::number(ok) + str(&l); }

private slots:
    void init() { create_analysis_globals(); }
    void cleanup() { delete_analysis_globals(); }

    // "high" is listed three times; matches are exact. First, before any test fills the base-form cache.
    void stopWords() {
        QStringList stops;
        for (const char* w : {"the", "rt", "http", "co", "z", "yours", "high", "The", "RT", "thee", ""})
            if (stop_word(w)) stops << w;
        QCOMPARE(stops, QStringList({"the", "rt", "http", "co", "z", "yours", "high"}));
    }

    // Nouns before verbs, no two-letter noun reduced; the second answer comes from the cache; a word without
    // a base form comes back unchanged; an ordinary word after each odd one is still answered.
    void baseForms_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("base");
        QStringList odd{"qzxvwk", "dog", "caf\u00e9s", "\u043a\u043e\u0448\u043a\u0438"};
        odd << QString(5000, 'x') + "es" << QString("a_").repeated(200) + "s";
        int k = 0;
        for (const QString row :
             {"cats cat", "leaves leaf", "feet foot", "went go", "running run", "is be", "Geese goose",
              "mice mouse", "oxen ox", "wolves wolf", "teeth tooth", "knives knife", "women woman"}) {
            if (k >= 7) QTest::addRow("odd %d", k - 7) << odd[k - 7] << QString();
            QTest::addRow("%s", qPrintable(row)) << row.section(' ', 0, 0) << row.section(' ', 1);
            ++k;
        }
    }
    void baseForms() {
        QFETCH(QString, word);
        QFETCH(QString, base);
        QCOMPARE(stem(word), base);
        QCOMPARE(stem(word), base.isEmpty() ? word : base);
    }

    // Answers from memory equal the library's noun-then-verb morphology on a sample of every list.
    void sameAsTheLibrary() {
        QSet<QString> words;
        for (const QString& name : lists) {
            QFile f(QString::fromLocal8Bit(SetSearchdir()) + '/' + name);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QList<QByteArray> lines = f.readAll().split('\n');
            for (qsizetype i = 0; i < lines.size(); i += lines.size() / 250 + 1) {
                if (lines[i].isEmpty() || lines[i].startsWith(' ')) continue; // the licence
                const QList<QByteArray> fields = lines[i].split(' ');
                const QString w = QString::fromLatin1(name.endsWith("exc") && i % 2 ? fields.last()
                                                                                    : fields[0]),
                              cut = w.chopped(1);
                const QString forms[] = {w,           w.toUpper(), w + "_to_cats", "x_" + w + "s",
                                         cut + "ies", cut + "ing", cut + "ied",    w + w.back() + "ed",
                                         w + "s",     w + "es",    w + "ed",       w + "d",
                                         w + "ing",   w + "er",    w + "est",      w + w.back() + "ing"};
                words.insert(forms[words.size() % std::size(forms)]);
            }
        }
        words.unite(QSet<QString>{"ads", "ids", "t_shirts", "well_beings"}); // short plurals; hyphens
        QStringList wrong;
        int found = 0;
        for (const QString& word : std::as_const(words)) {
            QString want;
            for (int pos : {NOUN, VERB}) {
                QByteArray latin = word.toLatin1();
                if (const char* b = want.isEmpty() ? morphstr(latin.data(), pos) : nullptr) want = b;
            }
            found += !want.isEmpty();
            if (stem(word) != want) wrong.append(word + " -> " + stem(word) + ", not " + want);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.mid(0, 20).join("; ")));
        QVERIFY(words.size() > 900 && found > words.size() / 10);
    }

    // In a process of its own: an empty database directory loads and caches nothing; once the files are
    // there the next call loads them, and answers come from memory after the files go.
    void databaseLater() {
        const QString real = qEnvironmentVariable("QUORVEL_WN_REAL"),
                      dir = qEnvironmentVariable("WNSEARCHDIR");
        if (!real.isEmpty()) {
            QCOMPARE(wordnet_init(), 0);
            QVERIFY(!stop_word("the"));
            QCOMPARE(stem("cats") + stem("cats"), QString());
            for (const QFileInfo& f : QDir(real).entryInfoList(QDir::Files))
                QVERIFY(QFile::link(f.filePath(), dir + '/' + f.fileName()));
            QVERIFY(stop_word("the") && QDir(dir).removeRecursively());
            QStringList got;
            for (const char* w : {"cats", "geese", "running", "cupsful", "looked_up", "qzx"})
                got << stem(w);
            QCOMPARE(got, QStringList({"cat", "goose", "run", "cupful", "look_up", ""}));
            return;
        }
        QTemporaryDir empty;
        const QByteArray was = qgetenv("WNSEARCHDIR");
        qputenv("QUORVEL_WN_REAL", SetSearchdir());
        qputenv("WNSEARCHDIR", empty.path().toLocal8Bit());
        const int code = QProcess::execute(QCoreApplication::applicationFilePath(), {"databaseLater"});
        was.isNull() ? qunsetenv("WNSEARCHDIR") : qputenv("WNSEARCHDIR", was);
        QCOMPARE(code, 0);
    }

    // Terms numbered by first appearance (exact, case-sensitive), with their documents and sentences.
    void termIndex() {
        termvec tv;
        QList<int> pos, docs{9}, sens{9};
        const std::tuple<const char*, int, int> occurrences[] = {{"cat", 0, 0}, {"dog", 0, 0}, {"cat", 1, 0},
                                                                 {"cat", 1, 3}, {"Cat", 1, 0}, {"cat", 5, 2},
                                                                 {"cat", 0, 3}, {"cat", 0, 1}, {"cat", 0, 3}};
        for (auto [term, d, sen] : occurrences)
            pos << tv.term_pos(term, d, sen, true); // document 0 again after 5
        QCOMPARE(pos, QList<int>({0, 1, 0, 0, 2, 0, 0, 0, 0}));
        QCOMPARE(QList<int>({tv.size(), tv.term_DF("cat"), tv.term_DF("dog"), tv.term_DF("bird")}),
                 QList<int>({3, 3, 1, 0}));
        QCOMPARE(tv.term_str(1) + '|' + tv.term_str(-1) + '|' + tv.term_str(3), "dog||");
        QString out;
        QDebug(&out).nospace() << tv;
        QCOMPARE(out, "3 terms:\n  cat: 0/0, 0/3, 0/1, 1/0, 1/3, 5/2\n  dog: 0/0\n  Cat: 1/0\n");
        QCOMPARE(debug_lines([&] { tv.dump(1); }), QStringList({"cat: QList(0, 3)", "Cat: QList(0)"}));
        // the views, then the copying forms, which leave the output alone when they fail
        QStringList got;
        for (auto [t, d] : {std::pair{0, 0}, {0, 5}, {2, 7}, {1, 1}, {3, 0}, {-1, 0}})
            got << str(tv.term_sen_list(t, d)) + copied(tv.term_sen_list_old(t, d, sens), sens);
        for (int t : {2, 3, -1, 0})
            got << QString::number(tv.term_doc_list(t) ? tv.term_doc_list(t)->size() : -1) +
                       copied(tv.term_doc_list_old(t, docs), docs);
        QCOMPARE(got.join(' '),
                 "QList(0, 3, 1)1QList(0, 3, 1) QList(2)1QList(2) -0QList(2) -0QList(2) -0QList(2) "
                 "-0QList(2) 11QList(1) -10QList(1) -10QList(1) 31QList(0, 1, 5)");
    }

    void intersect_data() {
        QTest::addColumn<int_list>("s_0");
        QTest::addColumn<int_list>("s_1");
        QTest::addColumn<int_list>("before");
        QTest::addColumn<int_list>("after");
        QTest::addRow("one shared") << int_list{1, 3, 5} << int_list{2, 3} << int_list{} << int_list{3};
        QTest::addRow("disjoint") << int_list{1, 2} << int_list{3, 4} << int_list{} << int_list{};
        QTest::addRow("appends to what is there")
            << int_list{0, 4} << int_list{4, 9} << int_list{7, 8} << int_list{7, 8, 4};
        QTest::addRow("several, first list longer")
            << int_list{0, 2, 4, 6, 8} << int_list{1, 2, 3, 8} << int_list{} << int_list{2, 8};
        QTest::addRow("last values") << int_list{5} << int_list{1, 2, 5} << int_list{} << int_list{5};
        QTest::addRow("empty") << int_list{} << int_list{0} << int_list{} << int_list{};
    }
    void intersect() {
        QFETCH(int_list, s_0);
        QFETCH(int_list, s_1);
        QFETCH(int_list, before);
        QFETCH(int_list, after);
        const bool shared = after.size() > before.size();
        QCOMPARE(co_occur::sen_ID_isect(&s_0, &s_1), shared);
        QCOMPARE(co_occur::sen_ID_isect(&s_1, &s_0), shared);
        int_list isect = before;
        QCOMPARE(co_occur::sen_ID_isect(&s_0, &s_1, isect), int(after.size()));
        QCOMPARE(isect, after);
        QVERIFY(!co_occur::sen_ID_isect(&s_0, nullptr));
        QCOMPARE(co_occur::sen_ID_isect(nullptr, &s_1, isect), int(after.size()));
    }

    // Co-occurrence weights are 0; gathering term pairs reads only documents that exist.
    void weightsReadOnlyDocumentsThatExist() {
        fill_collection({"cats dogs owls", "dog owl cat fish", "owl cat"});
        co_occur co;
        for (const auto& [d_0, a, b] :
             {std::tuple{0, 1, 2}, {1, 2, 0}, {2, 2, 2}, {3, 0, 2}, {0, -1, 7}, {1, INT_MIN, INT_MAX}}) {
            QCOMPARE(co.wt(d_0, a), 0.0f);
            QCOMPARE(co.new_wt_rng(d_0, a, b), 0.0f);
        }
    }

    // Whole documents after each fill: terms, numbers, frequencies, weights, every pair's cosine. A second
    // fill keeps the documents that remain and adds the new terms to theirs.
    void weights_data() {
        QTest::addColumn<QStringList>("fills"); // texts of one fill joined by '|'
        QTest::addColumn<QString>("out");
        // stop words, case, plural, verb forms, hashtags, digits, combining marks, letters beyond the BMP and
        // a broken surrogate; the first and last documents share their term
        QTest::addRow("tokenising")
            << QStringList{"The cats, the CATS!|the, rt; a... OF? http://co||Dogs ran... dog RUNS|"
                           "#tag_1 @me_2 42|cafe\u0301s-bar|\U00010400b!xx\U0001F600yy\U00010400|" +
                           QString(QChar(0xD800)) + "cat"}
            << "#0, 1 terms:\n0: cat/2 (1)\n0.1=0 0.2=0 0.3=0 0.4=0 0.5=0 0.6=0 0.7=1 #1, 0 terms:\n"
               "1.2=0 1.3=0 1.4=0 1.5=0 1.6=0 1.7=0 #2, 0 terms:\n"
               "2.3=0 2.4=0 2.5=0 2.6=0 2.7=0 #3, 2 terms:\n1: dog/2 (0.707107)\n2: run/2 (0.707107)\n"
               "3.4=0 3.5=0 3.6=0 3.7=0 #4, 3 terms:\n3: tag_1/1 (0.57735)\n4: me_2/1 (0.57735)\n"
               "5: 42/1 (0.57735)\n4.5=0 4.6=0 4.7=0 #5, 2 terms:\n6: cafe\u0301s/1 (0.707107)\n"
               "7: bar/1 (0.707107)\n5.6=0 5.7=0 #6, 3 terms:\n8: \U00010428b/1 (0.57735)\n"
               "9: xx/1 (0.57735)\n10: yy\U00010428/1 (0.57735)\n6.7=0 #7, 1 terms:\n0: cat/1 (1)\n";
        QTest::addRow("a term of every document weighs 0")
            << QStringList{"cat bird|cat fish|cat dog"}
            << "#0, 2 terms:\n0: cat/1 (0)\n1: bird/1 (1)\n0.1=0 0.2=0 #1, 2 terms:\n0: cat/1 (0)\n"
               "2: fish/1 (1)\n1.2=0 #2, 2 terms:\n0: cat/1 (0)\n3: dog/1 (1)\n";
        QTest::addRow("unit length from below 1") << QStringList{"owl|owls|cat"}
            << "#0, 1 terms:\n0: owl/1 (1)\n0.1=1 0.2=0 #1, 1 terms:\n0: owl/1 (1)\n1.2=0 #2, 1 terms:\n"
               "1: cat/1 (1)\n";
        QTest::addRow("two weights") << QStringList{"bird dog dog|cat|cat bird"}
            << "#0, 2 terms:\n0: bird/1 (0.181471)\n1: dog/2 (0.983396)\n0.1=0 0.2=0.128319 #1, 1 terms:\n"
               "2: cat/1 (1)\n1.2=0.707107 #2, 2 terms:\n0: bird/1 (0.707107)\n2: cat/1 (0.707107)\n";
        QTest::addRow("nothing weighted") << QStringList{"cat owl|cats owl owl"}
            << "#0, 2 terms:\n0: cat/1 (0)\n1: owl/1 (0)\n0.1=0 #1, 2 terms:\n0: cat/1 (0)\n1: owl/2 (0)\n";
        QTest::addRow("second fill") << QStringList{"cat|dog", "owl"}
                                     << "#0, 2 terms:\n0: cat/1 (0.707107)\n2: owl/1 (0.707107)\n";
    }
    void weights() {
        QFETCH(QStringList, fills);
        QFETCH(QString, out);
        for (const QString& f : fills)
            fill_collection(f.split('|'));
        QString got;
        QDebug dbg = QDebug(&got).nospace();
        for (int i = 0; i < collect->size(); ++i) {
            dbg << '#' << collect->document(i)->ID() << ", " << *collect->document(i);
            for (int j = i + 1; j < collect->size(); ++j)
                dbg << i << '.' << j << '=' << dot(i, j) << ' ';
        }
        QVERIFY(!collect->document(collect->size()) && !collect->document(-1));
        QCOMPARE(got, out);
    }

    // Every pair of fifty messages and pairs outside: 1 on the diagonal, else the documents' cosine;
    // dissimilarities as a whole matrix; the matrix as printed to two significant digits.
    void similarities() {
        doc_sim s;
        QVERIFY(s.comp_sim_matrix()); // no documents yet
        QCOMPARE(s.sim(0, 1), 0.0f);
        const QStringList words =
            QString("cats cat Dogs dog running ran run leaves leaf happy sad the a RT love loved "
                    "loves hate music game games went geese goose coffee mornings rain rainy")
                .split(' ');
        const QStringList seps{" ", ", ", "! ", "... ", " #", " @", "://"};
        QStringList texts{"the a rt!"};
        for (int i = 1; i < 50; ++i)
            texts << words.mid(i * 7 % 28, 2 + i % 4).join(seps[i % 7]) + seps[i % 5] + words[i * 11 % 28];
        texts[1] = texts[2];
        fill_collection(texts);
        QVERIFY(s.comp_sim_matrix());
        const int N = 50;
        QList<int> some; // every third document
        for (int i = 0; i < N; i += 3)
            some.append(i);
        Eigen::MatrixXf want(some.size(), some.size());
        int related = 0;
        for (int i = -1; i <= N; ++i)
            for (int j = -1; j <= N; ++j) {
                const bool inside = i >= 0 && j >= 0 && i < N && j < N;
                const float ref = i == j ? 1 : !inside ? 0 : dot(i, j);
                related += ref > 0.01f && i < j;
                QVERIFY2(std::abs(s.sim(i, j) - ref) <= 1e-6f, qPrintable(QString::asprintf("%d,%d", i, j)));
                if (inside && i % 3 == 0 && j % 3 == 0) want(i / 3, j / 3) = std::max(0.0f, 1 - ref);
            }
        QVERIFY((s.dissim(some) - want).cwiseAbs().maxCoeff() <= 1e-6f && related > 300);

        // The collection shrinks: documents that are gone have no similarities.
        fill_collection({"apple", "banana", "cherry"});
        QCOMPARE(QList<float>({s.sim(0, 2), s.sim(2, 3), s.sim(3, 1), s.sim(1, 49)}), QList<float>(4, 0.0f));
        delete_analysis_globals();
        create_analysis_globals();
        fill_collection(
            {"apple banana cherry cherry", "apple banana date", "apple elder fig", "banana fig grape grape"});
        QVERIFY(s.comp_sim_matrix());
        QString out;
        QDebug(&out) << s;
        QCOMPARE(out, "4 documents\n 0: 1,0.041 2,0.019 3,0.01 \n 1: 2,0.036 3,0.02 \n 2: 3,0.11 \n ");
    }

    // Each rejected input fails with one diagnostic line and leaves no progress dialog.
    void rejects_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<MatrixXf>("D");
        QTest::addColumn<QString>("msg");
        auto row = [](const char* name, const char* op, const MatrixXf& D, const QString& msg) {
            QTest::newRow(name) << QString(op) << D << msg;
        };
        const QString c = QStringLiteral("mds::check_dissim(), %1 @ %2");
        const float nan = std::numeric_limits<float>::quiet_NaN();
        row("valid", "check", dists(points(70)), "");
        row("3 x 2", "fastmap", MatrixXf(3, 2), "mds::check_dissim(), matrix is not square");
        row("diagonal", "check", with(3, {{1, 1, 1}}), c.arg("non-zero diagonal", "1,1"));
        row("NaN diagonal", "LMDS 2", with(3, {{2, 2, nan}}), c.arg("non-zero diagonal", "2,2"));
        row("asymmetric", "MDS", with(3, {{0, 2, 1}}, 0, false), c.arg("non-symmetric", "0,2"));
        row("NaN pair", "check", with(3, {{1, 2, nan}}), c.arg("non-symmetric", "1,2"));
        row("infinite", "check", with(3, {{0, 1, 1 / 0.0f}}), c.arg("non-finite value", "0,1"));
        row("first in row order", "check", with(70, {{3, 4, 1}, {1, 66, 1}, {1, 68, 1}}, 0, false),
            c.arg("non-symmetric", "1,66"));
        row("diagonal first", "check", with(70, {{0, 1, 1}, {69, 69, 1}}, 0, false),
            c.arg("non-zero diagonal", "69,69"));
        row("squares overflow", "fastmap", with(3, {}, 1e20f), "mds::fastmap(), coordinates are not finite");
        row("m = n + 1", "landmarks 4", with(3, {}), "select_landmark(), too many landmarks requested");
        row("m < 0", "landmarks -1", with(3, {}), "select_landmark(), negative landmark count");
        row("3 x 2 landmarks", "landmarks 2", MatrixXf(3, 2), "select_landmark(), matrix is not square");
        row("landmark squares overflow", "LMDS 3", with(3, {}, 1e20f), c.arg("non-finite value", "0,1"));
        row("one landmark", "LMDS 1", with(3, {}), "LMDS(), at least two landmarks are needed");
        row("3 and 4 long", "distance", with(3, {}), "distance(), vectors are not the same length");
        row("distance", "distance", dists(points(3)), "");
    }
    void rejects() {
        QFETCH(QString, op);
        QFETCH(MatrixXf, D);
        QFETCH(QString, msg);
        mds s;
        MatrixXf P = MatrixXf::Zero(D.rows(), 2), pivot(2, 2), L, vec;
        Eigen::VectorXf val;
        const int num = op.section(' ', 1).toInt();
        QList<int> marks;
        const Eigen::VectorXf a = D.col(0),
                              b = msg.isEmpty() ? Eigen::VectorXf(D.col(1)) : Eigen::VectorXf(D.rows() + 1);
        int col = -1, ok = -1;
        float d = 1;
        const QStringList logged = debug_lines([&] {
            if (op == "check") ok = s.check_dissim(&D);
            if (op == "fastmap") ok = s.fastmap(2, col, pivot, P, &D);
            if (op == "MDS") ok = s.MDS(val, vec, P, &D);
            if (op.startsWith("landmarks")) ok = s.select_landmark(num, marks, L, &D);
            if (op.startsWith("LMDS")) ok = s.LMDS(num, P, &D);
            if (op == "distance") ok = s.distance(&a, &b, d);
        });
        QCOMPARE(d, op == "distance" ? (ok ? (a - b).norm() : 0.0f) : 1.0f);
        QCOMPARE(ok, int(msg.isEmpty()));
        QCOMPARE(logged, msg.isEmpty() ? QStringList() : QStringList{msg});
        QVERIFY(!dialog_left());
    }

    // Layouts keep a plane's distances. m: 0 FastMap (k = 2), 1 classical MDS, else landmark MDS with m.
    void layout_data() {
        QTest::addColumn<MatrixXf>("X");
        QTest::addColumn<int>("m");
        MatrixXf three(3, 2);
        three << 0, 0, 1, 0, 2, 0;
        QTest::addRow("FastMap") << points(40) << 0;
        QTest::addRow("FastMap, three on a line") << three << 0;
        QTest::addRow("FastMap, all in one place") << MatrixXf(MatrixXf::Ones(4, 2)) << 0;
        QTest::addRow("MDS") << points(9) << 1;
        QTest::addRow("MDS, on a line") << points(5, true) << 1;
        QTest::addRow("MDS, two items") << points(2) << 1;
        QTest::addRow("LMDS, m = n") << points(8) << 8;
        QTest::addRow("LMDS, m < n") << points(60) << 5;
        QTest::addRow("LMDS, on a line") << points(12, true) << 3;
    }
    void layout() {
        QFETCH(MatrixXf, X);
        QFETCH(int, m);
        const MatrixXf D = dists(X), D2 = D.array().square();
        mds s;
        Eigen::VectorXf val;
        MatrixXf P = MatrixXf::Constant(X.rows(), 3, 7), pivot(2, 3), vec, M;
        int col = -1;
        srandom(5);
        const int first_draw = int(X.rows() * (random() / 2147483648.0));
        srandom(5);
        if (m == 0) {
            QCOMPARE(s.fastmap(2, col, pivot, P, &D), 1);
            // With every item in one place the pivots are the lowest index and the random item.
            if (D.isZero()) QVERIFY(pivot.col(0) == Eigen::Vector2f(0, float(first_draw)));
            QVERIFY(!dialog_left());
            // Each axis starts at its first pivot (three on a line: 0, 1, 2 or 2, 1, 0); a
            // run that finds nothing left to project stops, leaving later columns alone.
            for (int c = 0; c < 3; ++c)
                QCOMPARE(c <= col ? P(int(pivot(0, c)), c) : P.col(c).minCoeff(), c <= col ? 0.0f : 7.0f);
            P.conservativeResize(X.rows(), col + 1);
        } else if (m == 1) {
            QCOMPARE(s.MDS(val, vec, P, &D2), 1);
            // a line's (and two items') second axis has no extent at all
            QVERIFY((P - vec * val.asDiagonal()).cwiseAbs().maxCoeff() <= 1e-6f && val(0) >= val(1) &&
                    (val(1) == 0) == (X.rows() < 9));
        } else {
            QCOMPARE(s.LMDS(m, P, &D), 1);
            // With every item a landmark it is classical MDS, up to each axis's sign.
            if (m == X.rows() && s.MDS(val, vec, M, &D2))
                for (int k = 0; k < 2; ++k)
                    QVERIFY(std::min((P.col(k) - M.col(k)).norm(), (P.col(k) + M.col(k)).norm()) <= 1e-5f);
        }
        QVERIFY((dists(P) - D).cwiseAbs().maxCoeff() <= 1e-4f);
    }

    // Average linkage at 0.7, as the plain way finds it (single linkage would chain steps of 0.3).
    void averageGroups_data() {
        QTest::addColumn<MatrixXf>("D");
        MatrixXf line(9, 9);
        for (int i = 0; i < 9; ++i)
            for (int j = 0; j < 9; ++j)
                line(i, j) = 0.3f * float(std::abs(i - j));
        QTest::addRow("line") << line;
        QTest::addRow("points") << MatrixXf(dists(points(60)) * 2.5f);
        QTest::addRow("all far") << with(5, {}, 0.9f);
        QTest::addRow("one item") << MatrixXf(MatrixXf::Zero(1, 1));
    }
    void averageGroups() {
        QFETCH(MatrixXf, D);
        MatrixXf work = D;
        const QList<int> head = sim_map::average_groups(work, sim_map::join);
        QMap<int, QList<int>> by_head;
        for (int i = 0; i < head.size(); ++i)
            by_head[head[i]].append(i);
        groups got = by_head.values();
        std::sort(got.begin(), got.end());
        QCOMPARE(got, merged_plainly(D, sim_map::join));
    }

    // Groups by first member, each of two or more laid out from its own dissimilarities; the lookup agrees.
    void segment_data() {
        QTest::addColumn<MatrixXf>("D");
        QTest::addColumn<groups>("want");
        QTest::addRow("chain through 1")
            << with(3, {{0, 1, 0.5f}, {1, 2, 0.6f}, {0, 2, 0.9f}}) << groups{{0, 1, 2}};
        QTest::addRow("exactly 0.7") << with(2, {{0, 1, 0.7f}}) << groups{{0}, {1}};
        QTest::addRow("all 0.8") << with(3, {}, 0.8f) << groups{{0}, {1}, {2}};
        // {2, 3}, {0, 1}, {4, 5}; 1-2 empties the first group into the second, 3-4 the last.
        QTest::addRow("merges")
            << with(7, {{2, 3, 0.1f}, {0, 1, 0.2f}, {4, 5, 0.25f}, {1, 2, 0.3f}, {3, 4, 0.35f}}, 0.9f)
            << groups{{0, 1, 2, 3, 4, 5}, {6}};
        QTest::addRow("1 x 1 keeps the groups") << MatrixXf(MatrixXf::Zero(1, 1)) << groups{{0, 1}};
    }
    void segment() {
        QFETCH(MatrixXf, D);
        QFETCH(groups, want);
        QList<tweet> tw(7);
        for (int i = 0; i < 7; ++i)
            tw[i].content(QStringLiteral("t%1\n\"").arg(QString::number(i)));
        mst t;
        QCOMPARE(t.doc_cluster(0), -1);
        t.build(with(2, {{0, 1, 0.1f}}));
        t.segment();
        t.build(D);
        t.segment();
        groups got;
        QStringList lines;
        for (int g = 0; g < t.groups().size(); ++g) {
            got.append(t.members(g));
            const qsizetype n = got.last().size();
            const MatrixXf& P = t.layouts().at(g);
            QCOMPARE(P.rows(), n > 1 ? n : 0);
            if (D.rows() == 3 && P.rows() == 3) QVERIFY((dists(P) - D).cwiseAbs().maxCoeff() <= 1e-4f);
            if (n > 1) lines << QString::number(n);
            for (int d : got.last()) {
                QCOMPARE(t.doc_cluster(d), g);
                if (n > 1) lines << QStringLiteral("%1 : \"t%1\\n\\\"\"").arg(QString::number(d));
            }
        }
        std::sort(got.begin(), got.end());
        QCOMPARE(got, want);
        QCOMPARE(t.doc_cluster(int(D.rows()) + 1), -1);
        QStringList logged = debug_lines([&] { t.report(tw); });
        logged.sort();
        lines.sort();
        QCOMPARE(logged, lines);
    }
};

QTEST_MAIN(tst_analysis)
#include "tst_analysis.moc"

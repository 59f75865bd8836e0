// Texts as people read them: the search and the filter match them with letter case folded,
// equivalent spellings equal and a character being what a reader sees as one; the lists order
// them by the language's rules, numbers inside texts by their value.
#include "TextMatch.h"
#include "TextOrder.h"

#include <sqlite3.h>
#include <QTest>
#include <memory>

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Negative, zero or positive as -1, 0 or 1.
int signOf(int order) {
    return (order > 0) - (order < 0);
}

// The key SortKeys makes of text.
std::vector<unsigned char> keyOf(const QString& text) {
    textorder::SortKeys maker;
    const QByteArray bytes = text.toUtf8();
    std::vector<unsigned char> key;
    maker.append(bytes.constData(), static_cast<int>(bytes.size()), &key);
    return key;
}

// The rows that statement gives on db, NULL as "NULL".
QStringList rowsOf(sqlite3* db, const QByteArray& statement) {
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(db, statement.constData(), -1, &query, nullptr) != SQLITE_OK)
        return {QString::fromUtf8(sqlite3_errmsg(db))};
    QStringList rows;
    while (sqlite3_step(query) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(query, 0));
        rows.append(text ? QString::fromUtf8(text) : QStringLiteral("NULL"));
    }
    sqlite3_finalize(query);
    return rows;
}

}  // namespace

class TestTextRules : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void codePointsOfUtf8_data();
    void codePointsOfUtf8();
    void needleFoundInText_data();
    void needleFoundInText();
    void patternMatchesWholeText_data();
    void patternMatchesWholeText();
    void orderAsPeopleRead_data();
    void orderAsPeopleRead();
    void storeSortsByTheKeys();
};

void TestTextRules::cleanup() {
    textorder::setLanguage(QStringLiteral("en"));
}

void TestTextRules::codePointsOfUtf8_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<uint>>("codePoints");
    QTest::newRow("ASCII") << QByteArray("a%") << QList<uint>{'a', '%'};
    QTest::newRow("two bytes") << QByteArray("\xC3\xA9") << QList<uint>{0xE9};
    QTest::newRow("three bytes") << QByteArray("\xE2\x82\xAC") << QList<uint>{0x20AC};
    QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80") << QList<uint>{0x1F600};
    // A byte that starts no valid sequence reads as itself, and the next byte goes on.
    QTest::newRow("an overlong percent sign is no wildcard")
        << QByteArray("\xC0\xA5") << QList<uint>{0xC0, 0xA5};
    QTest::newRow("a surrogate") << QByteArray("\xED\xA0\x80") << QList<uint>{0xED, 0xA0, 0x80};
    QTest::newRow("beyond Unicode")
        << QByteArray("\xF4\x90\x80\x80") << QList<uint>{0xF4, 0x90, 0x80, 0x80};
    QTest::newRow("cut off at the end") << QByteArray("a\xE2\x82") << QList<uint>{'a', 0xE2, 0x82};
    QTest::newRow("a lead byte without its followers") << QByteArray(
                                                              "\xC3"
                                                              "A")
                                                       << QList<uint>{0xC3, 'A'};
    QTest::newRow("a follower alone") << QByteArray("\x80") << QList<uint>{0x80};
}

void TestTextRules::codePointsOfUtf8() {
    QFETCH(QByteArray, bytes);
    QFETCH(QList<uint>, codePoints);
    const auto* text = reinterpret_cast<const unsigned char*>(bytes.constData());
    QList<uint> read;
    for (int i = 0; i < bytes.size();)
        read.append(textmatch::nextCodePoint(text, static_cast<int>(bytes.size()), &i));
    QCOMPARE(read, codePoints);
}

void TestTextRules::needleFoundInText_data() {
    QTest::addColumn<QString>("needle");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("found");
    QTest::newRow("letter case") << "LEEDS"
                                 << "Leeds" << true;
    QTest::newRow("inside a word") << "ee"
                                   << "Leeds" << true;
    QTest::newRow("not there") << "x"
                               << "Leeds" << false;
    QTest::newRow("the empty needle is everywhere") << ""
                                                    << "" << true;
    QTest::newRow("percent sign is a letter") << "50%"
                                              << "50% off" << true;
    QTest::newRow("percent sign is no wildcard") << "5%"
                                                 << "50 off" << false;
    QTest::newRow("underscore is no wildcard") << "a_b"
                                               << "axb" << false;
    QTest::newRow("an accented letter, either case") << u("örebro") << u("ÖREBRO") << true;
    QTest::newRow("ASCII beside accented letters") << "cole" << u("école") << true;
    QTest::newRow("composed finds decomposed") << u("\u00E9") << u("e\u0301cole") << true;
    QTest::newRow("decomposed finds composed") << u("E\u0301") << u("\u00E9cole") << true;
    QTest::newRow("a letter is not found under its accent") << "e" << u("caf\u00E9") << false;
    QTest::newRow("nor under a combining accent") << "e" << u("cafe\u0301") << false;
    QTest::newRow("an accented letter is not in ASCII") << u("\u00E9") << "cafe" << false;
    QTest::newRow("full case folding") << "strasse" << u("Stra\u00DFe") << true;
    QTest::newRow("full case folding, the other way") << u("\u00DF") << "STRASSE" << true;
    QTest::newRow("half a sharp s is not found") << "as" << u("a\u00DF") << false;
    QTest::newRow("the ligature is f and i") << "fi" << u("\uFB01le") << true;
    QTest::newRow("Greek folds every sigma alike") << u("\u03C2") << u("\u03A3") << true;
    QTest::newRow("syllable and its jamo are one")
        << u("\uD55C") << u("\u1112\u1161\u11AB") << true;
}

// The filter's search inside values: case folded fully, equivalent spellings equal, found only
// from the end of a character to the end of another, every character standing for itself.
void TestTextRules::needleFoundInText() {
    QFETCH(QString, needle);
    QFETCH(QString, text);
    QFETCH(bool, found);
    const QByteArray bytes = text.toUtf8();
    QCOMPARE(textmatch::Needle(needle).foundIn(bytes.constData(), static_cast<int>(bytes.size())),
             found);
}

void TestTextRules::patternMatchesWholeText_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("escape");  // a code point, -1 for none
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");
    QTest::newRow("the whole text") << "abc" << -1 << "xabc" << false;
    QTest::newRow("letter case") << "ABC" << -1 << "abc" << true;
    QTest::newRow("percent sign, a run") << "a%c" << -1 << "abbbc" << true;
    QTest::newRow("percent sign, an empty run") << "a%c" << -1 << "ac" << true;
    QTest::newRow("percent sign, up to the end") << "a%c" << -1 << "abcd" << false;
    QTest::newRow("percent signs in a row are one") << "a%%%b" << -1 << "axb" << true;
    QTest::newRow("percent sign alone, the empty text") << "%" << -1 << "" << true;
    QTest::newRow("the empty pattern, a text") << "" << -1 << "a" << false;
    QTest::newRow("contained") << "%EED%" << -1 << "Leeds" << true;
    QTest::newRow("not contained") << "%eed%" << -1 << "Lees" << false;
    QTest::newRow("a later place found") << "%ab%ab" << -1 << "xxabyabab" << true;
    QTest::newRow("a later place for one character") << "%a_c" << -1 << "xabcyadc" << true;
    QTest::newRow("underscore, one character") << "a_c" << -1 << "abc" << true;
    QTest::newRow("underscore, not none") << "a_c" << -1 << "ac" << false;
    QTest::newRow("underscore, not two") << "a_c" << -1 << "abbc" << false;
    QTest::newRow("underscore, one character however stored")
        << "_cole" << -1 << u("e\u0301cole") << true;
    QTest::newRow("sharp s is one character") << "stra_e" << -1 << u("stra\u00DFe") << true;
    QTest::newRow("half a sharp s is not matched") << "stras%" << -1 << u("stra\u00DFe") << false;
    QTest::newRow("accents, either case") << u("\u00D6%") << -1 << u("\u00F6rebro") << true;
    QTest::newRow("escaped percent sign") << "50!%" << int('!') << "50%" << true;
    QTest::newRow("escaped percent sign is no wildcard") << "50!%" << int('!') << "500" << false;
    QTest::newRow("escaped underscore") << "a!_b" << int('!') << "axb" << false;
    QTest::newRow("escaped escape") << "a!!b" << int('!') << "a!b" << true;
    QTest::newRow("an escape that ends the pattern") << "ab!" << int('!') << "ab!" << true;
    QTest::newRow("no escape: a letter") << "a!%" << -1 << "a!xyz" << true;
    QTest::newRow("another escape: a letter") << "a\\%" << int('!') << "a\\xyz" << true;
    QTest::newRow("an escape beyond ASCII") << u("50\u00E9%") << 0xE9 << "50%" << true;
}

// A LIKE pattern of the search against a whole value: "%" any run of characters, "_" one, the
// escape making the character after it stand for itself; case and spellings as the filter's.
void TestTextRules::patternMatchesWholeText() {
    QFETCH(QString, pattern);
    QFETCH(int, escape);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    const QByteArray patternBytes = pattern.toUtf8();
    const QByteArray bytes = text.toUtf8();
    const textmatch::Pattern compiled(
        reinterpret_cast<const unsigned char*>(patternBytes.constData()),
        static_cast<int>(patternBytes.size()), escape);
    QCOMPARE(compiled.matches(bytes.constData(), static_cast<int>(bytes.size())), matches);
}

void TestTextRules::orderAsPeopleRead_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<int>("order");  // of first against second: -1, 0 or 1
    QTest::newRow("numbers inside texts by their value") << "en"
                                                         << "item 2"
                                                         << "item 10" << -1;
    QTest::newRow("leading zeros do not count") << "en"
                                                << "item 02"
                                                << "item 2" << 0;
    QTest::newRow("letter case does not split the order") << "en"
                                                          << "apple"
                                                          << "Banana" << -1;
    QTest::newRow("small letter before capital") << "en"
                                                 << "a"
                                                 << "A" << -1;
    QTest::newRow("an accent after the plain letter") << "en"
                                                      << "resume" << u("r\u00E9sum\u00E9") << -1;
    QTest::newRow("an accent before the next letter")
        << "en" << u("r\u00E9sum\u00E9") << "resumes" << -1;
    QTest::newRow("equivalent spellings are equal") << "en" << u("\u00E9") << u("e\u0301") << 0;
    QTest::newRow("a text before the longer texts it begins") << "en"
                                                              << "ab"
                                                              << "abc" << -1;
    QTest::newRow("the empty text first") << "en"
                                          << ""
                                          << "a" << -1;
    QTest::newRow("English: O with diaeresis as O") << "en" << u("\u00D6berg") << "Zeta" << -1;
    QTest::newRow("Swedish: O with diaeresis after Z") << "sv" << u("\u00D6berg") << "Zeta" << 1;
    QTest::newRow("German: A with diaeresis as A") << "de" << u("\u00C4pfel") << "Banane" << -1;
}

// Texts compare by the rules of the language set, and their keys, compared as bytes, give the
// same order.
void TestTextRules::orderAsPeopleRead() {
    QFETCH(QString, language);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(int, order);
    textorder::setLanguage(language);
    QCOMPARE(textorder::language(), language);
    QCOMPARE(signOf(textorder::compare(first, second)), order);
    QCOMPARE(signOf(textorder::compare(second, first)), -order);
    const std::vector<unsigned char> a = keyOf(first);
    const std::vector<unsigned char> b = keyOf(second);
    QCOMPARE((a > b) - (a < b), order);  // bytes unsigned, as the store compares them
}

// The store sorts a column by the keys: equal keys in store order, NULL as the empty text;
// what names no column is left as it is.
void TestTextRules::storeSortsByTheKeys() {
    sqlite3* opened = nullptr;
    QCOMPARE(sqlite3_open(":memory:", &opened), SQLITE_OK);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(opened, sqlite3_close);
    QVERIFY(textorder::registerWith(db.get()));
    QCOMPARE(sqlite3_exec(db.get(),
                          "CREATE TABLE t (Column1 TEXT); CREATE INDEX byValue ON t (Column1);"
                          "INSERT INTO t VALUES ('item 10'), ('b'), (''), ('B'), ('item 2'),"
                          " ('a'), (NULL), ('item 02'), ('Zeta'), ('\xC3\x96"
                          "berg');",
                          nullptr, nullptr, nullptr),
             SQLITE_OK);
    // Read through the index, the engine meets the values in its own order, which entries of
    // one key must not keep.
    const QString order = textorder::orderBy(QStringLiteral("Column1"));
    QCOMPARE(
        rowsOf(db.get(), "SELECT Column1 FROM t INDEXED BY byValue ORDER BY " + order.toUtf8()),
        QStringList(
            {"", "NULL", "a", "b", "B", "item 2", "item 02", "item 10", u("Öberg"), "Zeta"}));
    QCOMPARE(textorder::orderBy(QStringLiteral("rowid")), QStringLiteral("rowid"));
}

QTEST_GUILESS_MAIN(TestTextRules)
#include "test_text_rules.moc"

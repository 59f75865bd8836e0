#include "HighBytes.h"
#include "History.h"
#include "ImmutableFile.h"
#include "SQLite3PowerClass.h"
#include "Schema.h"
#include "SqlText.h"
#include "StoreContents.h"
#include "StorePath.h"
#include "StoreSession.h"
#include "TestEnvironment.h"
#include "TextMatch.h"

#include <sqlite3.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using Outcome = StoreResult::Outcome;

namespace {

const QString kClearAll = QStringLiteral("Column1!='Hpadfjwern'");

// A working store made from the installed template, with nothing in it.
class StoreFixture {
public:
    StoreFixture() : m_path(env.copyStoreTemplate()) {}
    const QString& path() const { return m_path; }
    QString templatePath() const { return env.storeTemplate(); }

    // Inserts one entry, values from Column1 on, quoted as the pages quote them.
    bool insert(const QStringList& values) { return storecontents::insert(m_path, values); }
    QStringList rows(int columnCount = 2) const { return env.storeRows(m_path, columnCount); }
    // Column1 of the rows that condition selects.
    QStringList firstColumnWhere(const QString& condition) const {
        SQLite3PowerClass store;
        if (store.Query(m_path, schema::table(), condition, QString()).failed())
            return {QStringLiteral("<failed>")};
        QStringList values;
        for (int r = 0; r < store.rowCount(); ++r)
            values.append(store.m_resultValues.value(r, 0));
        return values;
    }

    TestEnvironment env;

private:
    QString m_path;
};

// Runs SQL on a file directly with the engine, for setting up files the program would never
// make itself.
void runSql(const QString& path, const QByteArray& sql) {
    sqlite3* db = nullptr;
    char* error = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK ||
        sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK)
        qFatal("%s", error ? error : sqlite3_errmsg(db));
    sqlite3_close(db);
}

// How many rows the engine hands out before the query ends, and whether it ended in an error.
std::pair<int, bool> stepThrough(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    int rows = 0;
    const QByteArray everything = QByteArray("SELECT * FROM ") + schema::kTableName + ";";
    int result = sqlite3_prepare_v2(db, everything.constData(), -1, &statement, nullptr);
    if (result == SQLITE_OK) {
        while ((result = sqlite3_step(statement)) == SQLITE_ROW)
            ++rows;
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return {rows, result != SQLITE_DONE};
}

// The values that the LIKE cases search, in store order.
QStringList likeValues() {
    return {QString::fromUtf8("Müller"), QString::fromUtf8("Éclair"),
            QString::fromUtf8("éclair"), QString::fromUtf8("ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞ"),
            QString::fromUtf8("×"),      QString::fromUtf8("÷"),
            QString::fromUtf8("ßtraße"), QStringLiteral("STRASSE"),
            QStringLiteral("abc"),       QStringLiteral("a_c"),
            QStringLiteral("ac"),        QString::fromUtf8("aÄc"),
            QStringLiteral("100%"),      QStringLiteral("1000"),
            QStringLiteral("O'Brien"),   QString()};
}

}  // namespace

class TestStore : public QObject {
    Q_OBJECT
private slots:
    void emptyTableGivesEmptyGrid();
    void insertNamingOnlyColumn1();
    void valuesStoredAndMatchedExactly_data();
    void valuesStoredAndMatchedExactly();
    void rejectedStatementChangesNothing_data();
    void rejectedStatementChangesNothing();
    void missingStoreFailsWithoutCreatingFile();
    void clearAllKeepsOnlySentinelRow();
    void clearEntriesRecordsTheSessionWithThem();
    void columnMovesComeBackExactly_data();
    void columnMovesComeBackExactly();
    void historyKeepsItsBudgetAndItsSavedPlace();
    void likeIgnoresCaseOfEveryLatin1Letter_data();
    void likeIgnoresCaseOfEveryLatin1Letter();
    void likeMatchesAsPeopleRead_data();
    void likeMatchesAsPeopleRead();
    void unusableStoreFailsAndIsReplacedAtStart_data();
    void unusableStoreFailsAndIsReplacedAtStart();
    void damagedStoreNeverGivesPartialResult();

    void firstStartCopiesTemplateAndWritesPath();
    void laterStartKeepsTheEntries();
    void storePathFallsBackToTemplate_data();
    void storePathFallsBackToTemplate();
    void deletedWorkingCopyIsMadeAgain();
    void dataFolderOutsideLatin1();
};

void TestStore::emptyTableGivesEmptyGrid() {
    StoreFixture store;
    SQLite3PowerClass sql;
    QCOMPARE(sql.Query(store.path(), schema::table(), QString(), QString()).outcome, Outcome::Done);
    QCOMPARE(sql.rowCount(), 0);
    QCOMPARE(sql.columnCount(), 0);
    QVERIFY(sql.m_resultValues.m_resultColumns.isEmpty());
    QVERIFY(sql.m_resultValues.isEmpty());
}

void TestStore::insertNamingOnlyColumn1() {
    StoreFixture store;
    SQLite3PowerClass sql;
    const StoreResult inserted =
        sql.Insert(store.path(), schema::table(), QStringLiteral("(Column1) VALUES ('a')"),
                   QStringLiteral("Column1 ASC"));
    QCOMPARE(inserted.outcome, Outcome::Done);
    QCOMPARE(inserted.changedRows, 1);

    QVERIFY(sql.Query(store.path(), schema::table(), QString(), QString()).done());
    QCOMPARE(sql.rowCount(), 1);
    QCOMPARE(sql.columnCount(), 26);
    QStringList names;
    for (int k = 1; k <= 26; ++k)
        names.append(schema::column(k));
    QCOMPARE(sql.m_resultValues.m_resultColumns, names);
    QCOMPARE(sql.m_resultValues.value(0, 0), QStringLiteral("a"));
    for (int c = 1; c < 26; ++c)
        QCOMPARE(sql.m_resultValues.value(0, c), QString());

    // A query of fewer columns reads only those.
    QVERIFY(sql.Query(store.path(), schema::table(), QString(), QString(), 3).done());
    QCOMPARE(sql.columnCount(), 3);
    QCOMPARE(sql.m_resultValues.m_resultColumns, names.mid(0, 3));
}

void TestStore::valuesStoredAndMatchedExactly_data() {
    QTest::addColumn<QString>("value");

    QTest::newRow("single quote") << "O'Brien";
    QTest::newRow("two quotes only") << "''";
    QTest::newRow("statement in a value") << "'; DROP TABLE Table1; --";
    QTest::newRow("comment start") << "a -- b /* c";
    QTest::newRow("LIKE wildcards") << "100% a_b";
    QTest::newRow("backslash") << "C:\\x\\";
    QTest::newRow("double quotes") << "\"quoted\"";
    QTest::newRow("bytes 0x80 to 0xFF") << highBytes();
    QTest::newRow("NUL character") << QStringLiteral("a") + QChar(0) + QStringLiteral("'b");
    QTest::newRow("blanks kept") << "  a  ";
}

void TestStore::valuesStoredAndMatchedExactly() {
    QFETCH(QString, value);
    StoreFixture store;
    QVERIFY(store.insert({QStringLiteral("decoy"), QStringLiteral("other")}));
    QVERIFY(store.insert({value, value}));
    QCOMPARE(store.rows(), (QStringList{"decoy|other", value + QLatin1Char('|') + value}));

    const QString isValue = QStringLiteral("Column1=") + sqltext::literal(value);
    QCOMPARE(store.firstColumnWhere(isValue), QStringList{value});

    SQLite3PowerClass sql;
    const QString changed = value + QStringLiteral("'!");
    const StoreResult updated = sql.Update(
        store.path(), schema::table(), QStringLiteral("Column2=") + sqltext::literal(changed),
        isValue + QStringLiteral(" AND Column2=") + sqltext::literal(value), QString());
    QVERIFY(updated.done());
    QCOMPARE(updated.changedRows, 1);
    QCOMPARE(store.rows(), (QStringList{"decoy|other", value + QLatin1Char('|') + changed}));

    const StoreResult deleted = sql.Delete(store.path(), schema::table(), isValue, QString());
    QVERIFY(deleted.done());
    QCOMPARE(deleted.changedRows, 1);
    QCOMPARE(store.rows(), QStringList{"decoy|other"});
}

void TestStore::rejectedStatementChangesNothing_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("text");

    QTest::newRow("insert into column 27") << "insert"
                                           << "(Column27) VALUES ('a')";
    QTest::newRow("insert with broken syntax") << "insert"
                                               << "(Column1) VALUES ('a'";
    QTest::newRow("more values than columns")
        << "insert"
        << "(Column1) VALUES ('1','2','3','4','5','6','7','8','9','10','11','12','13',"
           "'14','15','16','17','18','19','20','21','22','23','24','25','26','27')";
    QTest::newRow("update of column 27") << "update"
                                         << "Column27='a'";
    QTest::newRow("delete with unknown column") << "delete"
                                                << "Column27='a'";
    QTest::newRow("query with unknown column") << "query"
                                               << "Column27='a'";
}

void TestStore::rejectedStatementChangesNothing() {
    QFETCH(QString, operation);
    QFETCH(QString, text);
    StoreFixture store;
    QVERIFY(store.insert({QStringLiteral("kept"), QStringLiteral("x")}));

    SQLite3PowerClass sql;
    StoreResult result;
    if (operation == QLatin1String("insert"))
        result = sql.Insert(store.path(), schema::table(), text, QString());
    else if (operation == QLatin1String("update"))
        result = sql.Update(store.path(), schema::table(), text, QStringLiteral("1=1"), QString());
    else if (operation == QLatin1String("delete"))
        result = sql.Delete(store.path(), schema::table(), text, QString());
    else
        result = sql.Query(store.path(), schema::table(), text, QString());
    QCOMPARE(result.outcome, Outcome::Rejected);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(result.changedRows, 0);
    QCOMPARE(sql.rowCount(), 0);
    QCOMPARE(store.rows(), QStringList{"kept|x"});
}

void TestStore::missingStoreFailsWithoutCreatingFile() {
    StoreFixture store;
    QVERIFY(QFile::remove(store.path()));

    SQLite3PowerClass sql;
    QCOMPARE(sql.Query(store.path(), schema::table(), QString(), QString()).outcome,
             Outcome::Failed);
    QCOMPARE(sql.Insert(store.path(), schema::table(), QStringLiteral("(Column1) VALUES ('a')"),
                        QString())
                 .outcome,
             Outcome::Failed);
    QCOMPARE(sql.Update(store.path(), schema::table(), QStringLiteral("Column1='b'"), kClearAll,
                        QString())
                 .outcome,
             Outcome::Failed);
    QCOMPARE(sql.Delete(store.path(), schema::table(), kClearAll, QString()).outcome,
             Outcome::Failed);
    QVERIFY(!QFileInfo::exists(store.path()));
}

void TestStore::columnMovesComeBackExactly_data() {
    QTest::addColumn<QStringList>("column2");  // SQL values, "" for the empty text
    QTest::addColumn<bool>("gaps");            // every third row removed before the move
    QTest::addColumn<bool>("nearlyNothing");   // the step holds next to nothing
    const QStringList empty(2000, QStringLiteral("''"));
    const QStringList nulls(2000, QStringLiteral("NULL"));
    QStringList mixed;
    for (int i = 0; i < 2000; ++i)
        mixed.append(i % 7 == 0   ? QStringLiteral("'v%1'").arg(i)
                     : i % 3 == 0 ? QStringLiteral("NULL")
                                  : QStringLiteral("''"));
    QTest::newRow("every value empty") << empty << false << true;
    QTest::newRow("every value NULL") << nulls << false << true;
    QTest::newRow("empty and NULL in runs, values between") << mixed << false << false;
    QTest::newRow("empty values, ids with gaps") << empty << true << false;
    QTest::newRow("mixed values, ids with gaps") << mixed << true << false;
}

// A column removed and taken back, and made again, leaves every row as it was, NULL apart from
// the empty text; an empty column costs the step next to nothing to keep.
void TestStore::columnMovesComeBackExactly() {
    QFETCH(QStringList, column2);
    QFETCH(bool, gaps);
    QFETCH(bool, nearlyNothing);
    StoreFixture store;
    QByteArray sql = "BEGIN;";
    for (const QString& value : column2)
        sql +=
            QStringLiteral("INSERT INTO Table1 (Column1, Column2, Column3) VALUES ('a', %1, 'c');")
                .arg(value)
                .toUtf8();
    if (gaps)
        sql += "DELETE FROM Table1 WHERE rowid % 3 = 0;";
    runSql(store.path(), sql + "COMMIT;");
    const QString everything =
        QStringLiteral("SELECT rowid, quote(Column1), quote(Column2), quote(Column3) FROM Table1;");
    const QStringList before = storecontents::query(store.path(), everything);

    SQLite3PowerClass move;
    QVERIFY(move.RemoveColumn(store.path(), 2, 3, "A;B;C", "A;C").done());
    QVERIFY(move.m_step);
    const QStringList after = storecontents::query(store.path(), everything);
    QVERIFY(after != before);
    if (nearlyNothing)
        QVERIFY2(move.m_step->memoryUse() < 1024,
                 qPrintable(QString::number(move.m_step->memoryUse())));
    for (const bool forward : {false, true, false}) {
        const StoreResult applied =
            forward ? move.m_step->redo(store.path(), true) : move.m_step->undo(store.path(), true);
        QVERIFY2(applied.done(), qPrintable(applied.error));
        QCOMPARE(storecontents::query(store.path(), everything), forward ? after : before);
    }
}

// The history drops its oldest steps beyond its budget, never the newest, and knows where the
// saved state is as long as a step leads there.
void TestStore::historyKeepsItsBudgetAndItsSavedPlace() {
    StoreFixture store;
    QByteArray sql = "BEGIN;";
    for (int i = 0; i < 1000; ++i)
        sql += QByteArray("INSERT INTO Table1 (Column1, Column2) VALUES ('name ") +
               QByteArray::number(i) + "', 'a value kept for undo');";
    runSql(store.path(), sql + "COMMIT;");
    // Each removal of column 2 keeps its values; each addition of an empty one, nearly nothing.
    const auto removal = [&] {
        SQLite3PowerClass move;
        return move.RemoveColumn(store.path(), 2, 2, "A;B", "A").done() ? move.m_step : nullptr;
    };
    const auto addition = [&] {
        SQLite3PowerClass move;
        return move.InsertColumn(store.path(), 2, 1, "A", "A;B").done() ? move.m_step : nullptr;
    };
    const std::shared_ptr<StoreStep> first = removal();
    QVERIFY(first);
    const qint64 budget = 3 * first->memoryUse();

    History history;
    history.setMemoryBudget(budget);
    history.push(first);
    history.markSaved();
    QVERIFY(history.isSaved());
    for (int round = 0; round < 4; ++round) {
        history.push(addition());
        runSql(store.path(), "UPDATE Table1 SET Column2 = 'a value kept for undo';");
        history.push(removal());
        QVERIFY(!history.isSaved());
        QVERIFY(history.memoryUse() <= budget);
    }
    // The steps after the save are many; the save itself lies before the oldest kept.
    QVERIFY(history.count() < 8);
    QVERIFY(history.count() >= 2);
    while (history.canUndo())
        history.movedBack();
    QVERIFY(!history.isSaved());

    // The newest step stays, whatever it holds.
    history.setMemoryBudget(1);
    history.push(removal());
    QCOMPARE(history.count(), 1);
}

void TestStore::clearAllKeepsOnlySentinelRow() {
    StoreFixture store;
    for (const char* first : {"a", "Hpadfjwern", "b"})
        QVERIFY(store.insert({QString::fromLatin1(first), QStringLiteral("x")}));
    SQLite3PowerClass sql;
    QCOMPARE(sql.Delete(store.path(), schema::table(), kClearAll, QString()).changedRows, 2);
    QCOMPARE(store.rows(), QStringList{"Hpadfjwern|x"});
}

// Every entry goes, the sentinel too, together with the record of the empty database; a store
// that refuses keeps both as they were.
void TestStore::clearEntriesRecordsTheSessionWithThem() {
    StoreFixture store;
    for (const char* first : {"a", "Hpadfjwern"})
        QVERIFY(store.insert({QString::fromLatin1(first), QStringLiteral("x")}));
    storesession::Update session;
    session.path = QString();
    session.columnNames = QStringLiteral("Title;Author");
    session.unsaved = false;
    SQLite3PowerClass sql;
    {
        ImmutableFile readOnly(store.path());
        if (readOnly.isSet()) {
            const StoreResult refused = sql.ClearEntries(store.path(), session);
            QCOMPARE(refused.outcome, Outcome::Failed);
            QVERIFY(!refused.error.isEmpty());
            QCOMPARE(store.rows(), (QStringList{"a|x", "Hpadfjwern|x"}));
            QVERIFY(storesession::read(store.path()).columnNames != session.columnNames);
        }
    }
    const StoreResult cleared = sql.ClearEntries(store.path(), session);
    QVERIFY2(cleared.done(), qPrintable(cleared.error));
    QCOMPARE(cleared.changedRows, 2);
    QVERIFY(store.rows().isEmpty());
    const storesession::Record record = storesession::read(store.path());
    QCOMPARE(record.columnNames, *session.columnNames);
    QVERIFY(!record.unsaved);  // as the session says, though entries changed
}

void TestStore::likeIgnoresCaseOfEveryLatin1Letter_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("escape");
    QTest::addColumn<QStringList>("expected");

    const auto u = [](const char* text) { return QString::fromUtf8(text); };
    QTest::newRow("umlaut, small pattern") << u("müller%") << "" << QStringList{u("Müller")};
    QTest::newRow("umlaut, capital pattern") << u("MÜLLER") << "" << QStringList{u("Müller")};
    QTest::newRow("accent") << u("é%") << "" << QStringList{u("Éclair"), u("éclair")};
    QTest::newRow("all accented capitals and small letters")
        << u("àáâãäåæçèéêëìíîïðñòóôõöøùúûüýþ") << ""
        << QStringList{u("ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞ")};
    QTest::newRow("multiplication sign has no case") << u("÷") << "" << QStringList{u("÷")};
    QTest::newRow("sharp s has no capital") << u("ß%") << "" << QStringList{u("ßtraße")};
    QTest::newRow("ASCII case") << "ABC"
                                << "" << QStringList{"abc"};
    QTest::newRow("_ is one character") << "a_c"
                                        << "" << QStringList{"abc", "a_c", u("aÄc")};
    QTest::newRow("% is any run") << "a%c"
                                  << "" << QStringList{"abc", "a_c", "ac", u("aÄc")};
    QTest::newRow("% matches the empty text too") << "%"
                                                  << "" << likeValues();
    QTest::newRow("% in the value") << "100%"
                                    << "" << QStringList{"100%", "1000"};
    QTest::newRow("escaped %") << "100\\%"
                               << "\\" << QStringList{"100%"};
    QTest::newRow("escaped _") << "a\\_c"
                               << "\\" << QStringList{"a_c"};
    QTest::newRow("escape character of choice") << "a!_%"
                                                << "!" << QStringList{"a_c"};
    QTest::newRow("no other wildcard: *") << "a*c"
                                          << "" << QStringList{};
    QTest::newRow("no other wildcard: ?") << "a?c"
                                          << "" << QStringList{};
    QTest::newRow("no other wildcard: []") << "[a]bc"
                                           << "" << QStringList{};
    QTest::newRow("quote in the pattern") << "o'b%"
                                          << "" << QStringList{"O'Brien"};
}

void TestStore::likeIgnoresCaseOfEveryLatin1Letter() {
    QFETCH(QString, pattern);
    QFETCH(QString, escape);
    QFETCH(QStringList, expected);
    StoreFixture store;
    for (const QString& value : likeValues())
        QVERIFY(store.insert({value}));

    QString condition = QStringLiteral("Column1 LIKE ") + sqltext::literal(pattern);
    if (!escape.isEmpty())
        condition += QStringLiteral(" ESCAPE ") + sqltext::literal(escape);
    QCOMPARE(store.firstColumnWhere(condition), expected);
}

namespace {

// Texts that look alike to a reader but are stored differently, in store order.
QStringList readValues() {
    const auto u = [](const char* text) { return QString::fromUtf8(text); };
    return {u("e\u0301cole"),                 // 0 école as files from some systems hold it
            u("\u00C9COLE"),                  // 1 capital, composed
            u("ecole"),                       // 2 another word to a reader
            u("Stra\u00DFe"),                 // 3
            u("STRASSE"),                     // 4
            u("q\u0301"),                     // 5 an accent no letter is composed with
            u("\u212Bngstr\u00F6m"),          // 6 with the Angstrom sign for Å
            u("\u1112\u1161\u11AB"),          // 7 한 as three jamo
            u("\uD55C"),                      // 8 한 as one syllable
            u("\U0001F469\u200D\U0001F467"),  // 9 woman, joiner, girl: one picture
            u("\uFB01le"),                    // 10 with the ligature fi
            u("\u03A3\u0391\u03A3"),          // 11 Greek capitals, final sigma to come
            u("wei\u017Fe")};                 // 12 with a long s, which folds to s
}

}  // namespace

void TestStore::likeMatchesAsPeopleRead_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QList<int>>("found");  // places in readValues()
    const auto u = [](const char* text) { return QString::fromUtf8(text); };
    QTest::newRow("composed finds decomposed") << u("\u00E9cole") << QList<int>{0, 1};
    QTest::newRow("decomposed finds composed") << u("E\u0301COLE") << QList<int>{0, 1};
    QTest::newRow("plain e finds no accented e") << u("e%") << QList<int>{2};
    QTest::newRow("inside a word, as a contained text") << u("%cole%") << QList<int>{0, 1, 2};
    QTest::newRow("_ is one character however stored") << u("_cole") << QList<int>{0, 1, 2};
    QTest::newRow("full case folding") << u("strasse") << QList<int>{3, 4};
    QTest::newRow("full case folding, the other way") << u("STRA\u00DFE") << QList<int>{3, 4};
    QTest::newRow("sharp s is one character") << u("stra_e") << QList<int>{3};
    QTest::newRow("half a sharp s is not found") << u("stras%") << QList<int>{4};
    QTest::newRow("sharp s found as ss inside") << u("%ss%") << QList<int>{3, 4};
    QTest::newRow("a letter is not found under its accent") << u("q%") << QList<int>{};
    QTest::newRow("the accent with its letter") << u("Q\u0301") << QList<int>{5};
    QTest::newRow("Angstrom sign is A with ring") << u("\u00E5%") << QList<int>{6};
    QTest::newRow("syllable and jamo are one") << u("\uD55C") << QList<int>{7, 8};
    QTest::newRow("syllable is one character") << u("_") << QList<int>{5, 7, 8, 9};
    QTest::newRow("a picture of several code points") << u("\U0001F469%") << QList<int>{};
    QTest::newRow("the ligature is f and i") << u("%FI%") << QList<int>{10};
    QTest::newRow("a long s is an s") << u("%IS%") << QList<int>{12};
    QTest::newRow("Greek folds every sigma alike") << u("\u03C3\u03B1\u03C2") << QList<int>{11};
}

// Search and filter compare texts as a reader sees them: equivalent spellings are equal,
// case is folded fully, and a character is what the reader sees as one.
void TestStore::likeMatchesAsPeopleRead() {
    QFETCH(QString, pattern);
    QFETCH(QList<int>, found);
    StoreFixture store;
    const QStringList values = readValues();
    for (const QString& value : values)
        QVERIFY(store.insert({value}));
    QStringList expected;
    for (int place : found)
        expected.append(values[place]);

    QCOMPARE(store.firstColumnWhere(QStringLiteral("Column1 LIKE ") + sqltext::literal(pattern)),
             expected);
    // The filter above a list looks for the same texts inside values.
    if (pattern.startsWith('%') && pattern.endsWith('%')) {
        const textmatch::Needle needle(pattern.mid(1, pattern.size() - 2));
        QStringList held;
        for (const QString& value : values) {
            const QByteArray bytes = value.toUtf8();
            if (needle.foundIn(bytes.constData(), static_cast<int>(bytes.size())))
                held.append(value);
        }
        QCOMPARE(held, expected);
    }
}

void TestStore::unusableStoreFailsAndIsReplacedAtStart_data() {
    QTest::addColumn<QString>("kind");

    QTest::newRow("text file") << "text";
    QTest::newRow("empty file") << "empty";
    QTest::newRow("database without Table1") << "no table";
    QTest::newRow("Table1 with too few columns") << "few columns";
}

void TestStore::unusableStoreFailsAndIsReplacedAtStart() {
    QFETCH(QString, kind);
    StoreFixture store;
    const QString path = store.env.root() + QStringLiteral("/broken.sqlite");
    if (kind == QLatin1String("text"))
        store.env.writeFile(QStringLiteral("broken.sqlite"), "Name;Town\r\nSmith;York\r\n");
    else if (kind == QLatin1String("empty"))
        store.env.writeFile(QStringLiteral("broken.sqlite"), QByteArray());
    else if (kind == QLatin1String("no table"))
        runSql(path, "CREATE TABLE Other (a TEXT);");
    else
        runSql(path,
               QByteArray("CREATE TABLE ") + schema::kTableName + " (Column1 TEXT, Column2 TEXT);");
    const QByteArray before = TestEnvironment::readFile(path);

    SQLite3PowerClass sql;
    QCOMPARE(sql.Query(path, schema::table(), QString(), QString()).outcome, Outcome::Failed);
    QCOMPARE(sql.Insert(path, schema::table(), QStringLiteral("(Column1) VALUES ('a')"), QString())
                 .outcome,
             Outcome::Failed);
    QCOMPARE(TestEnvironment::readFile(path), before);

    const storepath::Choice choice =
        storepath::ResolveStorePath(path, store.env.dataRoot(), store.templatePath());
    QCOMPARE(choice.storePath, path);
    QCOMPARE(choice.remembered, QString());
    QCOMPARE(TestEnvironment::readFile(path), TestEnvironment::readFile(store.templatePath()));
    QVERIFY(sql.Query(path, schema::table(), QString(), QString()).done());
    QCOMPARE(sql.rowCount(), 0);
}

void TestStore::damagedStoreNeverGivesPartialResult() {
    StoreFixture store;
    SQLite3PowerClass sql;
    QCOMPARE(sql.Execute(store.path(),
                         QStringLiteral("INSERT INTO %1 (Column1, Column2) "
                                        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                                        "FROM n WHERE i < 2000) "
                                        "SELECT 'row' || i, hex(randomblob(300)) FROM n;")
                             .arg(schema::table()))
                 .changedRows,
             2000);

    // Garbage over one page in the middle of the file: the engine reads the rows before it,
    // then reports the damage.
    constexpr qint64 kPageSize = 4096;
    QFile file(store.path());
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 pages = file.size() / kPageSize;
    QVERIFY(pages > 100);
    QVERIFY(file.seek(pages / 2 * kPageSize));
    QCOMPARE(file.write(QByteArray(kPageSize, '\xff')), kPageSize);
    file.close();
    const auto [rowsBeforeError, ended] = stepThrough(store.path());
    QVERIFY(rowsBeforeError > 0);
    QVERIFY(ended);

    const StoreResult read = sql.Query(store.path(), schema::table(), QString(), QString());
    QCOMPARE(read.outcome, Outcome::Failed);
    QCOMPARE(sql.rowCount(), 0);
    QCOMPARE(sql.columnCount(), 0);
    QVERIFY(sql.m_resultValues.isEmpty());
    QVERIFY(sql.m_resultValues.m_resultColumns.isEmpty());
    QVERIFY(!read.error.isEmpty());

    QCOMPARE(sql.Delete(store.path(), schema::table(), kClearAll, QString()).outcome,
             Outcome::Failed);
}

// ---- choosing the store at start-up ----

namespace {

// The choice at a start whose "Path" setting holds configured; the per-user folder is there,
// as the program's start makes it before.
storepath::Choice choose(const TestEnvironment& env, const QString& configured) {
    QDir().mkpath(env.dataRoot());
    return storepath::ResolveStorePath(configured, env.dataRoot(), env.storeTemplate());
}

}  // namespace

void TestStore::firstStartCopiesTemplateAndWritesPath() {
    TestEnvironment env;
    QCOMPARE(env.config(QStringLiteral("Path")), QStringLiteral("---"));

    const storepath::Choice first = choose(env, QStringLiteral("---"));
    QCOMPARE(first.storePath, env.userStore());
    QCOMPARE(TestEnvironment::readFile(env.userStore()),
             TestEnvironment::readFile(env.storeTemplate()));
    QCOMPARE(first.remembered, env.userStore());  // the program writes it as "Path"
}

void TestStore::laterStartKeepsTheEntries() {
    TestEnvironment env;
    const QString path = choose(env, QStringLiteral("---")).storePath;
    SQLite3PowerClass sql;
    QVERIFY(
        sql.Insert(path, schema::table(), QStringLiteral("(Column1) VALUES ('kept')"), QString())
            .done());

    const storepath::Choice later = choose(env, path);
    QCOMPARE(later.storePath, path);
    QCOMPARE(later.remembered, QString());
    QCOMPARE(env.storeRows(1), QStringList{"kept"});
}

void TestStore::storePathFallsBackToTemplate_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("createdAsFolder");

    QTest::newRow("the template itself") << "...\\" << false;
    // A folder below a regular file can never be made, not even by root.
    QTest::newRow("folder that cannot be written")
        << "<root>/afile/sub/orvane_database.sqlite" << false;
    QTest::newRow("a folder of that name") << "<root>/folder/orvane_database.sqlite" << true;
}

void TestStore::storePathFallsBackToTemplate() {
    QFETCH(QString, path);
    QFETCH(bool, createdAsFolder);
    TestEnvironment env;
    env.writeFile(QStringLiteral("afile"), "x");
    path.replace(QStringLiteral("<root>"), env.root());
    if (createdAsFolder)
        QVERIFY(QDir().mkpath(path));

    const QString templatePath = env.storeTemplate();
    const storepath::Choice choice = choose(env, path);
    QCOMPARE(choice.storePath, templatePath);
    QCOMPARE(choice.remembered, QString());  // "Path" keeps the user's choice
    QCOMPARE(QFileInfo(path).isDir(), createdAsFolder);
    SQLite3PowerClass sql;
    QVERIFY(sql.Query(templatePath, schema::table(), QString(), QString()).done());
}

void TestStore::deletedWorkingCopyIsMadeAgain() {
    TestEnvironment env;
    const QString path = choose(env, QStringLiteral("---")).storePath;
    QVERIFY(QFile::remove(path));

    QCOMPARE(choose(env, path).storePath, path);
    SQLite3PowerClass sql;
    QVERIFY(sql.Query(path, schema::table(), QString(), QString()).done());
    QCOMPARE(sql.rowCount(), 0);
}

void TestStore::dataFolderOutsideLatin1() {
    // The per-user copy in a folder that ISO 8859-1 cannot spell, and never a file named
    // after the "not chosen" marker.
    TestEnvironment env;
    const QString dataRoot = env.root() + QString::fromUtf8("/Łódź/Orvane");
    QVERIFY(QDir().mkpath(dataRoot));
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(env.root());
    const storepath::Choice choice =
        storepath::ResolveStorePath(QStringLiteral("---"), dataRoot, env.storeTemplate());
    QDir::setCurrent(oldCurrent);

    QCOMPARE(choice.storePath, dataRoot + QStringLiteral("/orvane_database.sqlite"));
    QCOMPARE(choice.remembered, choice.storePath);
    QVERIFY(!QFileInfo::exists(env.root() + QStringLiteral("/---")));
    SQLite3PowerClass sql;
    QVERIFY(sql.Insert(choice.storePath, schema::table(), QStringLiteral("(Column1) VALUES ('a')"),
                       QString())
                .done());
    QCOMPARE(env.storeRows(choice.storePath, 1), QStringList{"a"});
}

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"

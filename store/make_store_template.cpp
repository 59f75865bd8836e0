// Makes the empty working store template: table Table1 with the text columns Column1 to
// Column26 and no rows.
#include <sqlite3.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
        return 2;
    }
    std::remove(argv[1]);
    std::string sql = "CREATE TABLE Table1 (";
    for (int k = 1; k <= 26; ++k)
        sql += "Column" + std::to_string(k) + (k < 26 ? " TEXT, " : " TEXT);");
    sqlite3* db = nullptr;
    char* error = nullptr;
    if (sqlite3_open(argv[1], &db) != SQLITE_OK ||
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error ? error : sqlite3_errmsg(db));
        sqlite3_free(error);
        sqlite3_close(db);
        return 1;
    }
    return sqlite3_close(db) == SQLITE_OK ? 0 : 1;
}

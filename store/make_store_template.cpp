// Makes the empty working store template: the entries table with its text columns and the
// session record's table, without rows.
#include "Schema.h"

#include <sqlite3.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
        return 2;
    }
    std::remove(argv[1]);
    std::string sql = std::string("CREATE TABLE ") + schema::kTableName + " (";
    for (int k = 1; k <= schema::kColumnCount; ++k)
        sql += schema::kColumnPrefix + std::to_string(k) +
               (k < schema::kColumnCount ? " TEXT, " : " TEXT);");
    sql += std::string(" CREATE TABLE ") + schema::kSessionTableName + " " +
           schema::kSessionTableColumns + ";";
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

#pragma once

#include <QString>
#include <QStringList>

// Reading and filling a working store directly, as the pages do, for setting up and checking
// what a test expects in it.
namespace storecontents {

// The rows of the entries table in the store at storePath, each cell joined with "|", columns
// 1 to columnCount; one row naming the failure when the store cannot be read.
QStringList rows(const QString& storePath, int columnCount);

// What statement gives on the store at storePath, run by the engine directly (as another
// program would open the file after a crash): each row's cells joined with "|", NULL as
// "NULL"; one row naming the failure when it fails.
QStringList query(const QString& storePath, const QString& statement);

// Inserts one entry, values from Column1 on, quoted as the pages quote them; true when the
// store took it.
bool insert(const QString& storePath, const QStringList& values);

}  // namespace storecontents

#pragma once

#include <QString>
#include <QStringList>

// Reading and filling a working store directly, as the pages do, for setting up and checking
// what a test expects in it.
namespace storecontents {

// The rows of Table1 in the store at storePath, each cell joined with "|", columns 1 to
// columnCount; one row naming the failure when the store cannot be read.
QStringList rows(const QString& storePath, int columnCount);

// Inserts one entry, values from Column1 on, quoted as the pages quote them; true when the
// store took it.
bool insert(const QString& storePath, const QStringList& values);

}  // namespace storecontents

#pragma once

#include <QtGlobal>

// How often the working store has changed while the program runs, so that a list can tell
// whether it still shows the store as it is. Counted where every change passes: each commit
// of a store connection, and each store file replaced by a fresh template.
namespace storechanges {

quint64 count();
void note();

}  // namespace storechanges

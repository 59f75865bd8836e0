#include "StoreChanges.h"

#include <atomic>

namespace storechanges {

namespace {
std::atomic<quint64> changes{0};
}

quint64 count() {
    return changes.load();
}

void note() {
    ++changes;
}

}  // namespace storechanges

#include "bridge/function_table.h"

#include <algorithm>

namespace tessera {

static_assert(std::is_sorted(kBridgeFunctions.begin(), kBridgeFunctions.end(),
                             [](const TBridgeFunction& a, const TBridgeFunction& b) {
                               return a.Id < b.Id;
                             }),
              "the function table is kept in ID order for the binary search");

const TBridgeFunction* FindBridgeFunction(int id) {
  const auto it = std::lower_bound(
      kBridgeFunctions.begin(), kBridgeFunctions.end(), id,
      [](const TBridgeFunction& function, int value) { return function.Id < value; });
  return it != kBridgeFunctions.end() && it->Id == id ? &*it : nullptr;
}

} // namespace tessera

#include "search/nearest_search.h"

void InsertNearest(NearestList& list, int32_t sourceIndex, float squaredDistance) {
  std::size_t place = list.size();
  while (place > 0 && !(list[place - 1].squaredDistance < squaredDistance)) --place;
  if (list.size() >= kNearestCount && place == list.size()) return;
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(place),
              NearestEntry{sourceIndex, squaredDistance});
  if (list.size() > kNearestCount) list.pop_back();
}

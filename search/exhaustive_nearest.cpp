#include "search/nearest_search.h"

void FindNearestExhaustive(const SourcePoints& source, const Vector3& query, NearestList& list) {
  list.clear();
  for (std::size_t k = 0; k < source.size(); ++k) {
    InsertNearest(list, source.indices[k], SquaredDistance(query, source.positions[k]));
  }
}

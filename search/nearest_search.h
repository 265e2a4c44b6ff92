// The nearest-point search: for points given as plain arrays of 32-bit floats, the three nearest
// Source points of every query, ranked by one rule. This is the search's one public header; it
// knows nothing of the host, so nothing here can call the host from a worker thread.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "geometry/vector3.h"

// One Source point a query takes motion from.
struct NearestEntry {
  int32_t sourceIndex = 0;
  float squaredDistance = 0.0f;
};

// At most three entries, nearest first; between equal distances the higher Source index first.
using NearestList = std::vector<NearestEntry>;

constexpr std::size_t kNearestCount = 3;

// Offers Source point `sourceIndex` at `squaredDistance` to the list. The new entry goes directly
// after the last entry that is strictly nearer, so it stands before entries of equal distance; a
// full list whose three entries are all strictly nearer stays as it is, and a list that grows to
// four drops its last entry. Offered in increasing index order, equal distances thus rank the
// higher index first and the higher index wins the third place. Every search ranks its candidates
// through this one routine, so that all searches agree to the bit.
void InsertNearest(NearestList& list, int32_t sourceIndex, float squaredDistance);

// The Source points a search may pick: each point's index and its position, in increasing index.
struct SourcePoints {
  std::vector<int32_t> indices;
  std::vector<Vector3> positions;

  std::size_t size() const { return indices.size(); }
  void Add(int32_t index, const Vector3& position) {
    indices.push_back(index);
    positions.push_back(position);
  }
};

// A NearestList held in place: `count` entries, nearest first.
struct NearestFound {
  std::array<NearestEntry, kNearestCount> entries{};
  int32_t count = 0;

  NearestList ToList() const { return NearestList(entries.begin(), entries.begin() + count); }
  // The list's first (at most three) entries.
  static NearestFound FromList(const NearestList& list) {
    NearestFound found;
    found.count = static_cast<int32_t>(std::min(list.size(), kNearestCount));
    std::copy(list.begin(), list.begin() + found.count, found.entries.begin());
    return found;
  }
};

// The reference search: fills `list` (emptied first) by offering every Source point to it, in
// increasing index. Works for any coordinates, finite or not.
void FindNearestExhaustive(const SourcePoints& source, const Vector3& query, NearestList& list);

// For every query, the list that FindNearestExhaustive gives, bit for bit. The points' indices
// must increase. Finite data go through a k-d tree; when a Source coordinate is not finite every
// query, and when a query coordinate is not finite that query, is answered by the exhaustive
// search. The queries are spread over up to `threadCount` threads (0: as many as the machine
// runs); only computation happens there, and the answers do not depend on the number of threads.
std::vector<NearestFound> FindNearestAll(const SourcePoints& source,
                                         const std::vector<Vector3>& queries,
                                         unsigned threadCount = 0);

class NearestTree;

// The search of FindNearestAll with its tree built once, for a Source that answers many sets of
// queries (the Destinations of many files, say): FindAll gives FindNearestAll's lists, bit for
// bit.
class PreparedNearestSearch {
 public:
  // Keeps a copy of the Source; the tree is built on up to `threadCount` threads (0: as many as
  // the machine runs).
  explicit PreparedNearestSearch(SourcePoints source, unsigned threadCount = 0);
  ~PreparedNearestSearch();
  PreparedNearestSearch(const PreparedNearestSearch&) = delete;
  PreparedNearestSearch& operator=(const PreparedNearestSearch&) = delete;

  const SourcePoints& source() const { return source_; }
  std::vector<NearestFound> FindAll(const std::vector<Vector3>& queries,
                                    unsigned threadCount = 0) const;

 private:
  SourcePoints source_;
  // Null when a Source coordinate is not finite: every query is then answered exhaustively.
  std::unique_ptr<NearestTree> tree_;
};

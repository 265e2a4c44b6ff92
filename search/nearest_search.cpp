#include "search/nearest_search.h"

#include <algorithm>
#include <memory>

#include "parallel/parallel_chunks.h"
#include "search/finite_points.h"
#include "search/kd_tree.h"
#include "search/morton_order.h"

namespace {

// Below this many queries a thread costs more than it saves.
constexpr std::size_t kQueriesPerThread = 4096;

}  // namespace

std::vector<NearestFound> FindNearestAll(const SourcePoints& source,
                                         const std::vector<SearchPoint>& queries,
                                         unsigned threadCount) {
  std::vector<NearestFound> found(queries.size());
  if (queries.empty()) return found;

  if (threadCount == 0) threadCount = MachineThreadCount();
  // The tree, and an order in which queries that follow one another lie close together. Neither
  // needs the other: for a tree large enough to be built on several threads they are made side by
  // side.
  std::unique_ptr<NearestTree> tree;
  std::vector<int32_t> order;
  const bool large = source.size() >= static_cast<std::size_t>(NearestTree::kSplitBuildMinimum);
  RunInChunks(2, large ? threadCount : 1, 1, [&](std::size_t begin, std::size_t end) {
    for (std::size_t task = begin; task < end; ++task) {
      if (task == 1) {
        order = MortonOrder(queries);
      } else if (AllFinite(source.positions)) {
        tree = std::make_unique<NearestTree>(source, threadCount);
      }
    }
  });
  RunInChunks(order.size(), threadCount, kQueriesPerThread,
              [&](std::size_t begin, std::size_t end) {
                NearestTree::Scratch scratch;
                NearestList list;
                for (std::size_t k = begin; k < end; ++k) {
                  const auto query = static_cast<std::size_t>(order[k]);
                  if (tree && IsFinitePoint(queries[query])) {
                    tree->FindNearest(queries[query], scratch, found[query]);
                  } else {
                    FindNearestExhaustive(source, queries[query], list);
                    found[query] = NearestFound::FromList(list);
                  }
                }
              });
  return found;
}

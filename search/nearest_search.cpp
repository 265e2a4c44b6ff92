#include "search/nearest_search.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "parallel/parallel_chunks.h"
#include "search/finite_points.h"
#include "search/kd_tree.h"
#include "search/morton_order.h"

namespace {

// Below this many queries a thread costs more than it saves.
constexpr std::size_t kQueriesPerThread = 4096;

// Answers the queries in `order` (an order in which neighbours follow one another) by the tree,
// or exhaustively where there is none or a query is not finite.
void AnswerQueries(const SourcePoints& source, const NearestTree* tree,
                   const std::vector<Vector3>& queries, const std::vector<int32_t>& order,
                   unsigned threadCount, std::vector<NearestFound>& found) {
  RunInChunks(order.size(), threadCount, kQueriesPerThread,
              [&](std::size_t begin, std::size_t end) {
                NearestTree::Scratch scratch;
                NearestList list;
                for (std::size_t k = begin; k < end; ++k) {
                  const auto query = static_cast<std::size_t>(order[k]);
                  if (tree != nullptr && IsFinite(queries[query])) {
                    tree->FindNearest(queries[query], scratch, found[query]);
                  } else {
                    FindNearestExhaustive(source, queries[query], list);
                    found[query] = NearestFound::FromList(list);
                  }
                }
              });
}

}  // namespace

PreparedNearestSearch::PreparedNearestSearch(SourcePoints source, unsigned threadCount)
    : source_(std::move(source)) {
  threadCount = ThreadsFor(threadCount);
  if (source_.size() == 0 || !AllFinite(source_.positions)) return;
  // Built as a chunk of work, in which floating-point exceptions are masked as for the queries.
  RunInChunks(1, 1, 1, [&](std::size_t, std::size_t) {
    tree_ = std::make_unique<NearestTree>(source_, threadCount);
  });
}

PreparedNearestSearch::~PreparedNearestSearch() = default;

std::vector<NearestFound> PreparedNearestSearch::FindAll(const std::vector<Vector3>& queries,
                                                         unsigned threadCount) const {
  std::vector<NearestFound> found(queries.size());
  if (queries.empty()) return found;
  threadCount = ThreadsFor(threadCount);
  std::vector<int32_t> order;
  RunInChunks(1, 1, 1, [&](std::size_t, std::size_t) { order = MortonOrder(queries); });
  AnswerQueries(source_, tree_.get(), queries, order, threadCount, found);
  return found;
}

std::vector<NearestFound> FindNearestAll(const SourcePoints& source,
                                         const std::vector<Vector3>& queries,
                                         unsigned threadCount) {
  std::vector<NearestFound> found(queries.size());
  if (queries.empty()) return found;

  threadCount = ThreadsFor(threadCount);
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
  AnswerQueries(source, tree.get(), queries, order, threadCount, found);
  return found;
}

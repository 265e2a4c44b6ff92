// The Source made ready for placing vertices, kept for the next run: a run over many files with
// one Source makes it ready once. A different Source (other positions or faces) is made ready
// afresh.
#pragma once

#include <memory>

namespace palisor_run {

struct ObjectState;
class PreparedSourceShape;

class PreparedSourceCache {
 public:
  PreparedSourceCache();
  ~PreparedSourceCache();
  PreparedSourceCache(const PreparedSourceCache&) = delete;
  PreparedSourceCache& operator=(const PreparedSourceCache&) = delete;

  // The Source as it was before the run, made ready, or taken from what is kept.
  PreparedSourceShape& For(const ObjectState& source);

 private:
  std::unique_ptr<PreparedSourceShape> kept_;
};

}  // namespace palisor_run

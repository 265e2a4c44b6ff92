#include "scene_run/prepared_source_cache.h"

#include "scene_run/prepared_source_shape.h"

namespace palisor_run {

PreparedSourceCache::PreparedSourceCache() = default;
PreparedSourceCache::~PreparedSourceCache() = default;

PreparedSourceShape& PreparedSourceCache::For(const ObjectState& source) {
  if (kept_ && kept_->IsOf(source)) return *kept_;
  kept_.reset();
  kept_ = std::make_unique<PreparedSourceShape>(source);
  return *kept_;
}

}  // namespace palisor_run

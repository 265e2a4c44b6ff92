// A picture that cannot be drawn or encoded (no font with Japanese glyphs, a sheet too large, no
// memory for the encoding): the run stops before anything is written.
#pragma once

#include <stdexcept>
#include <string>

namespace palisor_preview {

class PreviewError : public std::runtime_error {
 public:
  explicit PreviewError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace palisor_preview

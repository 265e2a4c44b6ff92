// The morph targets a run added to each Destination of a scene format that has morph targets.
#pragma once

#include <string>
#include <vector>

namespace palisor_cli {

struct TargetsMade {
  std::string destination;
  std::vector<std::string> targets;
};

}  // namespace palisor_cli

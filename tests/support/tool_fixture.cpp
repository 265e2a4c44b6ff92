#include "support/tool_fixture.h"

namespace {

void ClearRunState(Palisor& tool) {
  tool.listingMode = 0;
  tool.document = nullptr;
  tool.source = cmq::CMQObject();
  tool.destinations.clear();
  tool.chosenTargets.clear();
  tool.createdMorphs.clear();
  tool.runMorphs.clear();
  tool.CorrespondenceMap.clear();
  runSettings = RunSettings();
}

}  // namespace

void ToolFixture::SetUp() {
  HostFixture::SetUp();
  ClearRunState(tool);
  tool.document = documentHandle();
}

void ToolFixture::TearDown() {
  ClearRunState(tool);
  HostFixture::TearDown();
}

std::vector<std::string> ToolFixture::CandidateNames() {
  std::vector<std::string> names;
  for (const MorphCandidate& candidate : runSettings.candidates) {
    names.push_back(candidate.object.GetName());
  }
  return names;
}

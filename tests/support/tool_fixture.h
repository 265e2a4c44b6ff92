// A fixture for the tool's steps: a fresh host and the plug-in's single Palisor instance with its
// run state emptied, working on the fixture's document.
#pragma once

#include <string>
#include <vector>

#include "support/host_fixture.h"
#include "tool/palisor.h"
#include "tool/run_settings.h"

class ToolFixture : public HostFixture {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A handle of `object` in the fixture's document.
  cmq::CMQObject Handle(host_imitation::HostObject& object) {
    return cmq::CMQObject(object.handle(), documentHandle());
  }
  // Marks an object selected, as the user does in the host.
  static void Select(host_imitation::HostObject& object) {
    object.intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
  }
  // The names of the listed candidates, in order.
  static std::vector<std::string> CandidateNames();

  Palisor& tool = *dynamic_cast<Palisor*>(GetPluginInstance());
};

// A fresh imitated host with the plug-in's widget layer reaching it, and the host's main window
// wrapped as a run wraps it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host_imitation/host_imitation.h"
#include "host_imitation/modal_dialog.h"
#include "host_imitation/widget_service.h"
#include "support/host_fixture.h"
#include "widgets/widget_registry.h"
#include "widgets/widget_value.h"
#include "widgets/window.h"

class WidgetTest : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    mainWindow = std::make_unique<MQWindow>(QueryMainWindowId());
  }
  void TearDown() override {
    mainWindow.reset();
    EXPECT_EQ(WidgetRegistry::Size(), 0u) << "a wrapper outlived its test";
    HostFixture::TearDown();
  }

  host_imitation::WidgetService& service() { return host.widgets(); }
  // The widget requests logged so far.
  std::vector<host_imitation::HostCall> WidgetCalls() const {
    return host.log.Of("MQWidget_Value");
  }
  // The calls logged since `start` (an index into the log).
  std::vector<host_imitation::HostCall> WidgetCallsSince(std::size_t start) const {
    std::vector<host_imitation::HostCall> calls;
    for (std::size_t i = start; i < host.log.calls.size(); ++i) {
      if (host.log.calls[i].function == "MQWidget_Value") calls.push_back(host.log.calls[i]);
    }
    return calls;
  }
  std::size_t LogMark() const { return host.log.calls.size(); }
  // Tests that provoke misuse on purpose read it and then leave a clean host.
  void ForgetMisuse() {
    mainWindow.reset();
    host.Reset();
  }

  std::unique_ptr<MQWindow> mainWindow;
};

// The operation and the widget id of a logged request.
inline std::string Operation(const host_imitation::HostCall& call) {
  return call.arguments.at(1);
}
inline int32_t Widget(const host_imitation::HostCall& call) {
  return std::stoi(call.arguments.at(0));
}

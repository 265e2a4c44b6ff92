// A test fixture with a fresh imitated host and the plug-in's host function table resolved from
// it, as MQInit does at start-up.
#pragma once

#include <gtest/gtest.h>

#include "host_imitation/host_imitation.h"

host_imitation::HostImitation& FreshHost();

class HostFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A fresh host for every test.
  host_imitation::HostImitation& host = FreshHost();
  host_imitation::HostDocument& document = host.NewDocument();
  MQDocument documentHandle() { return document.handle(); }
};

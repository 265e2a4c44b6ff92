#include "support/host_fixture.h"

#include "host/host_function_table.h"
#include "host_imitation/plugin_module.h"

host_imitation::HostImitation& FreshHost() {
  host_imitation::Host().Reset();
  return host_imitation::Host();
}

void HostFixture::SetUp() {
  ASSERT_TRUE(mq::ResolveHostFunctions(host_imitation::HostModulePath().c_str()));
  host.log.enabled = true;
}

void HostFixture::TearDown() {
  // Every test must leave the host without calls a real host would reject.
  EXPECT_TRUE(host.misuse().empty()) << host.misuse().front();
  host.Reset();
}

// A plug-in library that is not where it belongs: the message says where it was looked for.
#include "scene_run/plugin_loading.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

TEST(PluginLoadingTest, AMissingLibraryNamesThePlacesTriedAndWhereItBelongs) {
  const std::string beside =
      (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "palisor-missing.so")
          .string();
  const std::string built = "/nonexistent/build/palisor-missing.so";
  const palisor_run::PluginLocation location =
      palisor_run::LocatePlugin("palisor-cli", "palisor-missing.so", built);
  EXPECT_EQ(location.path, built);
  EXPECT_EQ(location.tried, (std::vector<std::string>{beside, built}));

  host_imitation::PluginModule module;
  std::string message;
  try {
    palisor_run::LoadPlugin(module, location);
  } catch (const palisor_run::PluginError& error) {
    message = error.what();
  }
  EXPECT_EQ(message.rfind("cannot use the plug-in: cannot load " + built + ": ", 0), 0u) << message;
  EXPECT_NE(message.find("\npalisor-cli: looked for palisor-missing.so at " + beside + ", then " +
                         built + "; the plug-in library must sit beside the program"),
            std::string::npos)
      << message;
}

}  // namespace

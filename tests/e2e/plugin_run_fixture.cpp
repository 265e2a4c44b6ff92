#include "plugin_run_fixture.h"

#include <filesystem>
#include <random>

namespace {

// Every test gets its own copy of the library, so that it meets a freshly loaded plug-in (its
// remembered listing mode included) whatever ran before it in the process.
std::string FreshPluginCopy() {
  namespace fs = std::filesystem;
  const fs::path original(PALISOR_PLUGIN_PATH);
  std::random_device random;
  const fs::path copy = fs::temp_directory_path() /
                        ("palisor-run-" + std::to_string(random()) + original.extension().string());
  fs::copy_file(original, copy, fs::copy_options::overwrite_existing);
  return copy.string();
}

}  // namespace

void PluginRunFixture::SetUp() {
  pluginCopy.path = FreshPluginCopy();
  ASSERT_TRUE(plugin.Load(pluginCopy.path)) << plugin.error;
  ASSERT_TRUE(plugin.Initialise()) << plugin.error;
  host.log.enabled = true;
}

void PluginRunFixture::TearDown() {
  EXPECT_TRUE(host.misuse().empty()) << host.misuse().front();
  host.Reset();
}

PluginRunFixture::TemporaryFile::~TemporaryFile() {
  std::error_code ignored;
  if (!path.empty()) std::filesystem::remove(path, ignored);
}

host_imitation::HostObject& PluginRunFixture::AddUsed(const std::string& name,
                                                      const std::vector<MQPoint>& vertices) {
  std::vector<int32_t> face;
  for (int32_t i = 0; i < static_cast<int32_t>(vertices.size()); ++i) face.push_back(i);
  return Add(name, vertices,
             vertices.empty() ? std::vector<std::vector<int32_t>>{}
                              : std::vector<std::vector<int32_t>>{face});
}

std::vector<std::string> PluginRunFixture::ObjectNames() const {
  std::vector<std::string> names;
  for (const host_imitation::HostObject* object : document.slots) {
    if (object != nullptr) names.push_back(object->name);
  }
  return names;
}

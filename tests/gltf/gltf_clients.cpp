#include "gltf_clients.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>

namespace {

// Runs the command; fails the current test with its output unless it ends with status 0.
void ExpectPasses(const std::string& command, const char* help) {
  std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string report;
  std::array<char, 4096> buffer{};
  while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) report += buffer.data();
  const int status = pclose(pipe);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << report << help;
}

}  // namespace

void ExpectClientsAccept(const std::vector<ClientCheck>& checks, const std::string& folder) {
  Json manifest = Json::array();
  bool imported = false;
  for (const ClientCheck& check : checks) {
    manifest.push_back({{"output", check.output},
                        {"input", check.input.empty() ? Json() : Json(check.input)},
                        {"targets", check.targets},
                        {"animation", check.animation},
                        {"skin", check.skin},
                        {"blender", check.blender}});
    imported = imported || !check.blender.empty();
  }
  const std::string manifestPath = folder + "/clients.json";
  std::ofstream(manifestPath) << manifest.dump();
  ExpectPasses(
      std::string("node '") + PALISOR_GLTF_CLIENTS_DIR + "/check.mjs' '" + manifestPath + "'",
      "(the clients are installed by: npm ci --prefix " PALISOR_GLTF_CLIENTS_DIR ")");
  const std::string blender = PALISOR_BLENDER;
  if (!imported) return;
  if (blender.empty()) {
    std::printf("Blender's importer left out: no blender was found when the tests were built\n");
    return;
  }
  ExpectPasses("'" + blender +
                   "' -b --factory-startup --python '" PALISOR_GLTF_CLIENTS_DIR
                   "/blender_check.py' -- '" +
                   manifestPath + "'",
               "(Blender's importer)");
}

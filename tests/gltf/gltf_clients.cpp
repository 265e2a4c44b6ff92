#include "gltf_clients.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>

void ExpectClientsAccept(const std::vector<ClientCheck>& checks, const std::string& folder) {
  Json manifest = Json::array();
  for (const ClientCheck& check : checks) {
    manifest.push_back({{"output", check.output},
                        {"input", check.input.empty() ? Json() : Json(check.input)},
                        {"targets", check.targets},
                        {"animation", check.animation}});
  }
  const std::string manifestPath = folder + "/clients.json";
  std::ofstream(manifestPath) << manifest.dump();
  const std::string command =
      std::string("node '") + PALISOR_GLTF_CLIENTS_DIR + "/check.mjs' '" + manifestPath + "' 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string report;
  std::array<char, 4096> buffer{};
  while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) report += buffer.data();
  const int status = pclose(pipe);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << report << "(the clients are installed by: npm ci --prefix " PALISOR_GLTF_CLIENTS_DIR ")";
}

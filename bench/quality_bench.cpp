// The transfer quality report: scenes of known truth (a morphed body, garments and an accessory
// over it, see quality/quality_scenes.h), every Palisor method and the peers' rules run on each,
// their errors, vertices inside the body, roughness and cross-talk printed as a table with the
// goals judged on Palisor's best method.
//
//   palisor_quality_bench [--scene NAME]... [--markdown FILE] [--json FILE]
//
// Exit status 0 when every number is finite, 1 when one is not, 2 for a usage error.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "quality/inside_test.h"
#include "quality/palisor_methods.h"
#include "quality/peer_rules.h"
#include "quality/quality_report.h"
#include "quality/quality_scenes.h"
#include "quality/skinning_report.h"

namespace {

struct Method {
  const char* name;
  bool peer;
  bool keepsOutside;
  std::function<std::vector<Vector3>(const QualityScene&)> run;
};

// Palisor's transfer along the surface by `method`, refusing matches whose normals turn more than
// `maxAngle` degrees or that lie farther than `maxDistance`, keeping vertices `keepOutside`
// outside the morphed body (negative: not).
std::function<std::vector<Vector3>(const QualityScene&)> AlongSurface(
    SurfaceMethod method, float maxAngle, float keepOutside,
    float maxDistance = std::numeric_limits<float>::infinity()) {
  return [=](const QualityScene& scene) {
    SurfaceTransferOptions options;
    options.method = method;
    options.maxAngleDegrees = maxAngle;
    options.keepOutside = keepOutside;
    options.maxDistance = maxDistance;
    return PalisorAlongSurface(scene, options);
  };
}

std::vector<Method> Methods() {
  return {
      {"nearest", false, false, PalisorNearest},
      {"surface", false, false, AlongSurface(SurfaceMethod::kSurfacePoint, 180.0f, -1.0f)},
      {"carry", false, false, AlongSurface(SurfaceMethod::kCarriedOffset, 180.0f, -1.0f)},
      {"carry, 60 deg", false, false, AlongSurface(SurfaceMethod::kCarriedOffset, 60.0f, -1.0f)},
      {"carry, within 0.03", false, false,
       AlongSurface(SurfaceMethod::kCarriedOffset, 180.0f, -1.0f, 0.03f)},
      {"carry, outside", false, true, AlongSurface(SurfaceMethod::kCarriedOffset, 180.0f, 0.0f)},
      {"carry, outside 5e-4", false, true,
       AlongSurface(SurfaceMethod::kCarriedOffset, 180.0f, 0.0005f)},
      {"carry, outside 0.01", false, true,
       AlongSurface(SurfaceMethod::kCarriedOffset, 180.0f, 0.01f)},
      {"surface, outside 5e-4", false, true,
       AlongSurface(SurfaceMethod::kSurfacePoint, 180.0f, 0.0005f)},
      {"k10-radius", true, false,
       [](const QualityScene& scene) {
         return NearestWithinRadius(scene, 10, scene.delta + 2.0 * MeanBodyEdge(scene));
       }},
      {"closest-point", true, false, ClosestSurfacePoint},
  };
}

struct Arguments {
  std::vector<std::string> scenes;
  std::vector<std::string> skinningScenes;
  std::string markdown;
  std::string json;
};

bool Parse(int argc, char** argv, Arguments* arguments) {
  const std::vector<std::string> names = QualitySceneNames();
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--scene") == 0 && hasValue) {
      const std::string name = argv[++i];
      const std::vector<std::string> skinning = SkinningSceneNames();
      if (std::find(skinning.begin(), skinning.end(), name) != skinning.end()) {
        arguments->skinningScenes.push_back(name);
      } else if (std::find(names.begin(), names.end(), name) != names.end()) {
        arguments->scenes.push_back(name);
      } else {
        return false;
      }
    } else if (std::strcmp(argv[i], "--markdown") == 0 && hasValue) {
      arguments->markdown = argv[++i];
    } else if (std::strcmp(argv[i], "--json") == 0 && hasValue) {
      arguments->json = argv[++i];
    } else {
      return false;
    }
  }
  if (arguments->scenes.empty() && arguments->skinningScenes.empty()) {
    arguments->scenes = names;
    arguments->skinningScenes = SkinningSceneNames();
  }
  return true;
}

void MeasureScene(const QualityScene& scene, QualityReport* report) {
  const auto zone = static_cast<std::size_t>(
      std::count(scene.crossTalkZone.begin(), scene.crossTalkZone.end(), uint8_t{1}));
  report->scenes.push_back({scene.name, scene.description, scene.delta, scene.bodyRest.size(),
                            scene.garmentRest.size(), zone});
  const InsideTest morphedBody(scene.bodyMorphed, scene.bodyTriangles);
  for (const Method& method : Methods()) {
    report->rows.push_back({scene.name, method.name, method.peer, method.keepsOutside,
                            MeasureTransfer(scene, morphedBody, method.run(scene))});
  }
}

// The skinning scenes' table and goals; false where a number is not finite.
bool ReportSkinning(const std::vector<std::string>& names, std::string* markdown) {
  std::vector<SkinningRow> rows;
  for (const std::string& name : names) {
    const std::vector<SkinningRow> scene = MeasureSkinning(MakeSkinningScene(name));
    rows.insert(rows.end(), scene.begin(), scene.end());
  }
  if (rows.empty()) return true;
  *markdown = "\n" + SkinningMarkdown(rows, JudgeSkinning(rows));
  std::fputs(markdown->c_str(), stdout);
  return std::all_of(rows.begin(), rows.end(), [](const SkinningRow& row) {
    return std::isfinite(row.metrics.rmsError) && std::isfinite(row.metrics.largestError) &&
           std::isfinite(row.sumError);
  });
}

bool Write(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  file << text;
  return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
  Arguments arguments;
  if (!Parse(argc, argv, &arguments)) {
    std::fprintf(stderr,
                 "usage: palisor_quality_bench [--scene NAME]... [--markdown FILE] "
                 "[--json FILE]\nscenes:");
    for (const std::string& name : QualitySceneNames()) std::fprintf(stderr, " %s", name.c_str());
    std::fprintf(stderr, "\n");
    return 2;
  }
  QualityReport report;
  for (const std::string& name : arguments.scenes) MeasureScene(MakeQualityScene(name), &report);
  report.best = BestPalisorMethod(report.rows);
  report.goals = JudgeGoals(report.rows, report.best);
  if (!report.rows.empty()) std::fputs(TextReport(report).c_str(), stdout);
  std::string skinning;
  const bool skinningFinite = ReportSkinning(arguments.skinningScenes, &skinning);
  const std::string markdown = report.rows.empty() ? skinning : MarkdownReport(report) + skinning;
  if (!arguments.markdown.empty() && !Write(arguments.markdown, markdown)) return 1;
  if (!arguments.json.empty() && !Write(arguments.json, JsonReport(report))) return 1;
  if (AllFinite(report.rows) && skinningFinite) return 0;
  std::fprintf(stderr, "palisor_quality_bench: a measure is not finite\n");
  return 1;
}

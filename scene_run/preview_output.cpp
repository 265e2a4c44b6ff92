#include "scene_run/preview_output.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "scene_run/input_error.h"

#ifdef PALISOR_CLI_PREVIEW
#include "preview/run_preview.h"
#endif

namespace palisor_run {

namespace {

#ifdef PALISOR_CLI_PREVIEW
// Whether two paths name one file, existing or not (a file that does not exist yet is compared
// by its absolute path with its links and relative parts resolved).
bool SamePlace(const std::string& first, const std::string& second) {
  if (NamesSameFile(first, second)) return true;
  std::error_code error;
  const auto a = std::filesystem::weakly_canonical(std::filesystem::absolute(first, error), error);
  if (error) return first == second;
  const auto b = std::filesystem::weakly_canonical(std::filesystem::absolute(second, error), error);
  return error ? first == second : a == b;
}
#endif

}  // namespace

PreviewOutput PreparePreview(const SceneRunOptions& options) {
  PreviewOutput preview;
  if (options.previewPath.empty()) return preview;
#ifdef PALISOR_CLI_PREVIEW
  const std::string& path = options.previewPath;
  if (SamePlace(options.scenePath, path)) {
    throw InputError("the preview file " + path + " is the input file");
  }
  if (SamePlace(options.outputPath, path)) {
    throw InputError("the preview file " + path + " is the output file");
  }
  preview.text = std::make_unique<palisor_preview::TextPainter>();
  preview.file = std::make_unique<StagedFile>(path);
  return preview;
#else
  throw InputError(
      "--preview: this build of palisor-cli cannot draw pictures (it was built without "
      "stb_truetype and stb_image_write)");
#endif
}

void DrawPreview(const SceneRunOptions& options, const palisor_scene::RunResult& result,
                 PreviewOutput& preview, ProgressLine& progress) {
#ifdef PALISOR_CLI_PREVIEW
  progress.Begin("drawing " + options.previewPath);
  const auto start = std::chrono::steady_clock::now();
  palisor_preview::SheetSettings settings;
  settings.view = options.previewView;
  settings.pictureWidth = options.previewWidth;
  settings.pictureHeight = options.previewHeight;
  preview.file->Write(palisor_preview::DrawRunPreview(result, settings, *preview.text));
  preview.pictures = palisor_preview::CountPictures(result);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", SecondsSince(start));
  preview.seconds = seconds;
  progress.End();
#else
  (void)options;
  (void)result;
  (void)preview;
  (void)progress;
#endif
}

void PrintPreviewLine(const SceneRunOptions& options, const DialogRecord& dialog,
                      const PreviewOutput& preview, std::ostream& out) {
  if (!preview.file) return;
  out << "Preview         ";
  if (dialog.confirmed) {
    out << options.previewPath << " (" << preview.pictures << " pictures, " << preview.seconds
        << " s)\n";
  } else {
    out << "none: the run was cancelled\n";
  }
}

}  // namespace palisor_run

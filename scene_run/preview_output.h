// The preview picture of a run, where one is asked for: refused before any work when it cannot
// be drawn or written, drawn into a staged file once the run is done, put in place once the
// scene has been written, and told in the summary.
#pragma once

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>

#include "scene/run_result.h"
#include "scene_run/dialog_user.h"
#include "scene_run/output_file.h"
#include "scene_run/progress.h"
#include "scene_run/run_options.h"

#ifdef PALISOR_CLI_PREVIEW
#include "preview/text.h"
#endif

namespace palisor_run {

struct PreviewOutput {
  std::unique_ptr<StagedFile> file;
#ifdef PALISOR_CLI_PREVIEW
  std::unique_ptr<palisor_preview::TextPainter> text;
#endif
  std::size_t pictures = 0;
  std::string seconds;
};

// Throws InputError for a preview that cannot be drawn or written: the font must be there and the
// file's folder writable, and the file may be neither the input nor the output.
PreviewOutput PreparePreview(const SceneRunOptions& options);

// Draws the preview into its staged file, which takes its place once the scene has been written.
void DrawPreview(const SceneRunOptions& options, const palisor_scene::RunResult& result,
                 PreviewOutput& preview, ProgressLine& progress);

// The summary's line about the preview; nothing when none was asked for.
void PrintPreviewLine(const SceneRunOptions& options, const DialogRecord& dialog,
                      const PreviewOutput& preview, std::ostream& out);

}  // namespace palisor_run

#include "cli/preview/run_preview.h"

#include <vector>

#include "cli/preview/png_output.h"

namespace palisor_cli {

namespace {

SheetPicture Picture(const OutcomeObject& shown) {
  SheetPicture picture;
  if (shown.object == nullptr) return picture;
  picture.name = shown.object->name;
  picture.vertices = &shown.object->vertices;
  picture.faces = shown.faces;
  picture.start = shown.start;
  return picture;
}

std::vector<SheetPicture> Row(const OutcomeRow& row) {
  std::vector<SheetPicture> pictures{Picture(row.first)};
  for (const OutcomeObject& other : row.others) pictures.push_back(Picture(other));
  return pictures;
}

}  // namespace

std::string DrawRunPreview(const RunOutcome& outcome, const SheetSettings& settings,
                           TextPainter& text) {
  std::vector<std::vector<SheetPicture>> rows{Row(outcome.source)};
  for (const OutcomeRow& destination : outcome.destinations) rows.push_back(Row(destination));
  return EncodePng(DrawContactSheet(rows, settings, text));
}

}  // namespace palisor_cli

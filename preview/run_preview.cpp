#include "preview/run_preview.h"

#include <vector>

#include "preview/png_output.h"

namespace palisor_preview {

namespace {

using palisor_scene::ResultObject;
using palisor_scene::ResultRow;

SheetPicture Picture(const ResultObject& shown) {
  SheetPicture picture;
  if (!shown.present()) return picture;
  picture.name = shown.name;
  picture.vertices = shown.vertices;
  picture.faces = shown.faces;
  picture.start = shown.start;
  return picture;
}

// The morph objects of a row follow their Destination vertex by vertex, and show its marks.
std::vector<SheetPicture> Row(const ResultRow& row) {
  std::vector<SheetPicture> pictures{Picture(row.first)};
  for (const ResultObject& other : row.others) {
    pictures.push_back(Picture(other));
    if (!row.marks.empty()) pictures.back().marks = &row.marks;
  }
  return pictures;
}

std::size_t CountPictures(const ResultRow& row) {
  std::size_t count = row.first.present() ? 1 : 0;
  for (const ResultObject& other : row.others) count += other.present() ? 1 : 0;
  return count;
}

}  // namespace

std::string DrawRunPreview(const palisor_scene::RunResult& result, const SheetSettings& settings,
                           TextPainter& text) {
  std::vector<std::vector<SheetPicture>> rows{Row(result.source)};
  for (const ResultRow& destination : result.destinations) rows.push_back(Row(destination));
  return EncodePng(DrawContactSheet(rows, settings, text));
}

std::size_t CountPictures(const palisor_scene::RunResult& result) {
  std::size_t count = CountPictures(result.source);
  for (const ResultRow& row : result.destinations) count += CountPictures(row);
  return count;
}

}  // namespace palisor_preview

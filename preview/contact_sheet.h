// The contact sheet: rows of pictures of meshes under one camera framed on all of them, each
// picture's vertices coloured by how far they moved and its name beneath, and the colour scale
// of the motion at the bottom.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "preview/image.h"
#include "preview/rasteriser.h"
#include "preview/text.h"
#include "preview/view.h"
#include "scene/point.h"

namespace palisor_preview {

struct SheetPicture {
  // UTF-8.
  std::string name;
  // Shows nothing for an empty place in its row.
  palisor_scene::PointSpan vertices;
  palisor_scene::FaceSpan faces;
  // Where the vertices started, to tell how far each moved; shows nothing when none moved.
  palisor_scene::PointSpan start;
  // What a surface method did to each vertex (palisor_scene::VertexOutcome bits); null or empty
  // for none. Filled and pushed vertices are drawn in colours of their own.
  const std::vector<uint8_t>* marks = nullptr;
};

struct SheetSettings {
  PreviewView view = PreviewView::kThreeQuarter;
  int32_t pictureWidth = 256;
  int32_t pictureHeight = 256;
};

// Where everything goes on a sheet of `rows` by `columns` pictures.
struct SheetGeometry {
  int32_t width = 0;
  int32_t height = 0;
  int32_t gap = 0;
  int32_t textSize = 0;
  // The strip beneath each picture that holds its name.
  int32_t labelHeight = 0;
  int32_t pictureWidth = 0;
  int32_t pictureHeight = 0;
  // The colour scale's strip, the full width of the sheet.
  int32_t legendTop = 0;

  PictureRect Picture(std::size_t row, std::size_t column) const;
};

SheetGeometry LayOutSheet(std::size_t rows, std::size_t columns, const SheetSettings& settings);

// The sheet's colours.
constexpr Rgb kSheetBackground{236, 236, 236};
constexpr Rgb kPictureBackground{255, 255, 255};
constexpr Rgb kTextColour{32, 32, 32};

// Draws the rows (the longest sets the number of columns); the meshes are drawn on as many
// threads as the machine has cores.
Image DrawContactSheet(const std::vector<std::vector<SheetPicture>>& rows,
                       const SheetSettings& settings, TextPainter& text);

}  // namespace palisor_preview

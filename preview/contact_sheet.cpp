#include "preview/contact_sheet.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "preview/camera.h"
#include "preview/colour_map.h"
#include "preview/preview_error.h"
#include "scene/run_result.h"

namespace palisor_preview {

namespace {

// 2^26 pixels, 192 MiB of picture.
constexpr int64_t kLargestSheet = int64_t{1} << 26;

// Runs task(0) ... task(count - 1) on up to as many threads as the machine has cores; the first
// failure is passed on once all have stopped.
void ForEachInParallel(std::size_t count, const std::function<void(std::size_t)>& task) {
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t threads = std::min(count, cores);
  std::atomic<std::size_t> next{0};
  std::exception_ptr failure;
  std::mutex failureLock;
  auto work = [&] {
    for (std::size_t i = next++; i < count; i = next++) {
      try {
        task(i);
      } catch (...) {
        std::lock_guard<std::mutex> lock(failureLock);
        if (!failure) failure = std::current_exception();
      }
    }
  };
  std::vector<std::thread> helpers;
  for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(work);
  work();
  for (std::thread& helper : helpers) helper.join();
  if (failure) std::rethrow_exception(failure);
}

// What the first pass finds out about one picture's mesh.
struct MeshSurvey {
  Bounds bounds;
  // How far each vertex moved; 0 for vertices that did not, and for those no face uses.
  std::vector<float> moved;
  float largestMove = 0;
};

MeshSurvey SurveyMesh(const SheetPicture& picture) {
  MeshSurvey survey;
  const palisor_scene::PointSpan vertices = picture.vertices;
  std::vector<bool> used(vertices.size(), false);
  for (const palisor_scene::FaceCornerSpan face : picture.faces) {
    if (face.size() < 3) continue;
    for (int32_t corner : face) {
      if (corner >= 0 && static_cast<std::size_t>(corner) < vertices.size()) {
        used[static_cast<std::size_t>(corner)] = true;
      }
    }
  }
  survey.moved.assign(vertices.size(), 0.0f);
  const std::size_t measured =
      !picture.start.shown() ? 0 : std::min(vertices.size(), picture.start.size());
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    if (!used[i]) continue;
    survey.bounds.Include(vertices[i]);
    if (i >= measured) continue;
    const float distance = std::sqrt(SquaredDistance(vertices[i], picture.start[i]));
    if (!std::isfinite(distance)) continue;
    survey.moved[i] = distance;
    survey.largestMove = std::max(survey.largestMove, distance);
  }
  return survey;
}

std::string Number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", static_cast<double>(value));
  return text;
}

// The colour of a vertex that moved `fraction` of the largest move, or of its mark.
Rgb VertexColour(float moved, float largestMove, uint8_t mark) {
  if ((mark & palisor_scene::kVertexPushedOut) != 0) return kPushedColour;
  if ((mark & (palisor_scene::kVertexFilled | palisor_scene::kVertexMovedRigidly)) != 0) {
    return kFilledColour;
  }
  return moved > 0 ? MotionColour(moved / largestMove) : kUnmovedColour;
}

// Which marked colours the pictures show: filled (bit 0) and pushed (bit 1).
int MarkedColoursShown(const std::vector<const SheetPicture*>& pictures) {
  int shown = 0;
  for (const SheetPicture* picture : pictures) {
    if (picture->marks == nullptr) continue;
    for (uint8_t mark : *picture->marks) {
      if ((mark & (palisor_scene::kVertexFilled | palisor_scene::kVertexMovedRigidly)) != 0) {
        shown |= 1;
      }
      if ((mark & palisor_scene::kVertexPushedOut) != 0) shown |= 2;
    }
  }
  return shown;
}

// A colour swatch with its name; returns where the next one goes.
int32_t DrawSwatch(Image& sheet, const SheetGeometry& geometry, int32_t x, int32_t y, Rgb colour,
                   const std::string& name, TextPainter& text) {
  const int32_t size = geometry.textSize;
  sheet.FillRect(x, y, size, size, colour);
  text.Draw(sheet, x + size + geometry.gap, y + size - size / 5, name, size, kTextColour);
  return x + size + 2 * geometry.gap + text.Width(name, size);
}

void DrawLegend(Image& sheet, const SheetGeometry& geometry, float largestMove, int markedColours,
                TextPainter& text) {
  const int32_t size = geometry.textSize;
  const int32_t left = geometry.gap;
  int32_t y = geometry.legendTop + geometry.gap;
  const int32_t swatchBlock = 7 * size;
  const int32_t barLength =
      std::clamp(geometry.width - 4 * geometry.gap - swatchBlock, 4 * size, 400);
  const std::string title =
      largestMove > 0 ? "How far each vertex moved, in scene units" : "No vertex moved";
  text.Draw(sheet, left, y + size, text.Fit(title, size, geometry.width - 2 * left), size,
            kTextColour);
  y += size + geometry.gap;
  int32_t swatchX = left;
  if (largestMove > 0) {
    for (int32_t x = 0; x < barLength; ++x) {
      const float fraction = static_cast<float>(x) / static_cast<float>(barLength - 1);
      sheet.FillRect(left + x, y, 1, size, MotionColour(fraction));
    }
    const int32_t labelY = y + size + size + 2;
    const std::string middle = Number(largestMove * 0.5f), most = Number(largestMove);
    text.Draw(sheet, left, labelY, "0", size, kTextColour);
    text.Draw(sheet, left + barLength / 2 - text.Width(middle, size) / 2, labelY, middle, size,
              kTextColour);
    text.Draw(sheet, left + barLength - text.Width(most, size), labelY, most, size, kTextColour);
    swatchX = left + barLength + 2 * geometry.gap;
  }
  swatchX = DrawSwatch(sheet, geometry, swatchX, y, kUnmovedColour, "not moved", text);
  if ((markedColours & 1) != 0) {
    swatchX = DrawSwatch(sheet, geometry, swatchX, y, kFilledColour, "filled", text);
  }
  if ((markedColours & 2) != 0)
    DrawSwatch(sheet, geometry, swatchX, y, kPushedColour, "pushed out", text);
}

}  // namespace

PictureRect SheetGeometry::Picture(std::size_t row, std::size_t column) const {
  return PictureRect{gap + static_cast<int32_t>(column) * (pictureWidth + gap),
                     gap + static_cast<int32_t>(row) * (pictureHeight + labelHeight + gap),
                     pictureWidth, pictureHeight};
}

SheetGeometry LayOutSheet(std::size_t rows, std::size_t columns, const SheetSettings& settings) {
  SheetGeometry geometry;
  geometry.gap = 6;
  geometry.pictureWidth = settings.pictureWidth;
  geometry.pictureHeight = settings.pictureHeight;
  geometry.textSize = std::clamp(settings.pictureHeight / 16, 11, 18);
  geometry.labelHeight = geometry.textSize * 3 / 2 + 2;
  const int32_t gridWidth =
      geometry.gap + static_cast<int32_t>(columns) * (settings.pictureWidth + geometry.gap);
  const int32_t legendWidth = geometry.gap * 5 + 4 * geometry.textSize + 7 * geometry.textSize;
  geometry.width = std::max(gridWidth, legendWidth);
  geometry.legendTop =
      geometry.gap +
      static_cast<int32_t>(rows) * (settings.pictureHeight + geometry.labelHeight + geometry.gap);
  geometry.height = geometry.legendTop + 4 * geometry.textSize + 3 * geometry.gap;
  return geometry;
}

Image DrawContactSheet(const std::vector<std::vector<SheetPicture>>& rows,
                       const SheetSettings& settings, TextPainter& text) {
  std::size_t columns = 0;
  std::vector<const SheetPicture*> pictures;
  std::vector<std::pair<std::size_t, std::size_t>> places;
  for (std::size_t row = 0; row < rows.size(); ++row) {
    columns = std::max(columns, rows[row].size());
    for (std::size_t column = 0; column < rows[row].size(); ++column) {
      if (!rows[row][column].vertices.shown()) continue;
      pictures.push_back(&rows[row][column]);
      places.emplace_back(row, column);
    }
  }
  const SheetGeometry geometry = LayOutSheet(rows.size(), columns, settings);
  if (static_cast<int64_t>(geometry.width) * geometry.height > kLargestSheet) {
    throw PreviewError("the preview would be " + std::to_string(geometry.width) + "x" +
                       std::to_string(geometry.height) +
                       " pixels, too large to draw: give a smaller --preview-size");
  }
  Image sheet(geometry.width, geometry.height, kSheetBackground);

  std::vector<MeshSurvey> surveys(pictures.size());
  ForEachInParallel(pictures.size(), [&](std::size_t i) { surveys[i] = SurveyMesh(*pictures[i]); });
  Bounds everything;
  float largestMove = 0;
  for (const MeshSurvey& survey : surveys) {
    everything.Include(survey.bounds);
    largestMove = std::max(largestMove, survey.largestMove);
  }
  const Camera camera =
      FrameBounds(settings.view, everything, geometry.pictureWidth, geometry.pictureHeight);

  for (const auto& place : places) {
    const PictureRect rect = geometry.Picture(place.first, place.second);
    sheet.FillRect(rect.x, rect.y, rect.width, rect.height, kPictureBackground);
  }
  ForEachInParallel(pictures.size(), [&](std::size_t i) {
    std::vector<Rgb> colours(surveys[i].moved.size());
    const std::vector<uint8_t>* marks = pictures[i]->marks;
    for (std::size_t v = 0; v < colours.size(); ++v) {
      const uint8_t mark = marks != nullptr && v < marks->size() ? (*marks)[v] : 0;
      colours[v] = VertexColour(surveys[i].moved[v], largestMove, mark);
    }
    // The survey is not needed any more; its memory goes before the depth buffer comes.
    std::vector<float>().swap(surveys[i].moved);
    const MeshToDraw mesh{pictures[i]->vertices, pictures[i]->faces, &colours};
    DrawMesh(mesh, camera, sheet, geometry.Picture(places[i].first, places[i].second));
  });

  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const PictureRect rect = geometry.Picture(places[i].first, places[i].second);
    const std::string name = text.Fit(pictures[i]->name, geometry.textSize, rect.width - 4);
    const int32_t width = text.Width(name, geometry.textSize);
    text.Draw(sheet, rect.x + (rect.width - width) / 2,
              rect.y + rect.height + geometry.textSize + 1, name, geometry.textSize, kTextColour);
  }
  DrawLegend(sheet, geometry, largestMove, MarkedColoursShown(pictures), text);
  return sheet;
}

}  // namespace palisor_preview

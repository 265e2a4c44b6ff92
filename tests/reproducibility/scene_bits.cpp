// Carries morphs over in one fixed scene through the built plug-in, as a user of the host does,
// and writes the bits of every resulting vertex position. Builds for different platforms must
// write the same file: the plug-in's geometry is 32-bit float arithmetic in a fixed order, with
// no contraction and no extended precision.
//
//   scene_bits OUTPUT-FILE [PLUGIN]
//
// PLUGIN is the plug-in library to load, by default the one of this build.
// Exits with 1 when the plug-in cannot be loaded, when the run made no morph objects, or when
// the plug-in did anything a real host would reject.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "host_imitation/host_imitation.h"
#include "host_imitation/modal_dialog.h"
#include "host_imitation/plugin_module.h"

namespace {

using host_imitation::HostDocument;
using host_imitation::HostObject;

// A fixed pseudo-random sequence, the same on every platform.
class Sequence {
 public:
  // A value in [-range, range] in steps of 1/64: exact in a float, so the scene itself is the
  // same everywhere and only the plug-in's arithmetic is under test.
  float Next(int32_t range) {
    state_ = state_ * 1664525u + 1013904223u;
    const auto steps =
        static_cast<int32_t>((state_ >> 8) % static_cast<uint32_t>(2 * range * 64 + 1));
    return static_cast<float>(steps - range * 64) / 64.0f;
  }

 private:
  uint32_t state_ = 20240611u;
};

// A jittered grid of `columns` x `rows` vertices joined by quads, so that every vertex is used.
HostObject& AddGridObject(HostDocument& document, const std::string& name, int32_t columns,
                          int32_t rows, float spacing, Sequence& sequence) {
  std::vector<MQPoint> vertices;
  for (int32_t row = 0; row < rows; ++row) {
    for (int32_t column = 0; column < columns; ++column) {
      vertices.push_back(MQPoint{static_cast<float>(column) * spacing + sequence.Next(1) / 4.0f,
                                 static_cast<float>(row) * spacing + sequence.Next(1) / 4.0f,
                                 sequence.Next(2)});
    }
  }
  std::vector<std::vector<int32_t>> faces;
  for (int32_t row = 0; row + 1 < rows; ++row) {
    for (int32_t column = 0; column + 1 < columns; ++column) {
      const int32_t corner = row * columns + column;
      faces.push_back({corner, corner + 1, corner + columns + 1, corner + columns});
    }
  }
  return host_imitation::Host().AddObject(document, name, vertices, faces);
}

// A morph target of `base`: the same faces, every vertex moved a little.
HostObject& AddTarget(HostDocument& document, const HostObject& base, const std::string& name,
                      Sequence& sequence) {
  std::vector<MQPoint> vertices = base.vertices;
  for (MQPoint& vertex : vertices) {
    vertex.x += sequence.Next(1);
    vertex.y += sequence.Next(1);
    vertex.z += sequence.Next(3);
  }
  HostObject& target = host_imitation::Host().AddObject(document, name, vertices);
  target.faces = base.faces;
  target.refCounts = base.refCounts;
  return target;
}

std::string Hex(float value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  char text[9];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(bits));
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::cerr << "usage: scene_bits OUTPUT-FILE [PLUGIN]\n";
    return 2;
  }
  host_imitation::HostImitation& host = host_imitation::Host();
  host.Reset();
  HostDocument& document = host.NewDocument();

  // The Source, two targets of the same vertex count, and two Destinations of other shapes.
  Sequence sequence;
  HostObject& base = AddGridObject(document, "face", 24, 20, 0.5f, sequence);
  AddTarget(document, base, "smile", sequence);
  AddTarget(document, base, "blink", sequence);
  HostObject& head = AddGridObject(document, "head", 31, 17, 0.37f, sequence);
  HostObject& brow = AddGridObject(document, "brow", 13, 5, 0.9f, sequence);
  for (HostObject* selected : {&base, &head, &brow}) {
    selected->intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
  }
  const int32_t slotsBefore = document.SlotCount();

  // The user lists the targets of the same vertex count, ticks them all and confirms.
  host.widgets().SetUser([](host_imitation::ModalDialog& dialog) {
    dialog.UseRadioButton(u"同頂点数(&D)");
    dialog.Press(u"全て選択(&Z)");
    dialog.Press(u"OK");
  });

  host_imitation::PluginModule plugin;
  if (!plugin.Load(argc == 3 ? argv[2] : PALISOR_PLUGIN_PATH) || !plugin.Initialise()) {
    std::cerr << plugin.error << "\n";
    return 1;
  }
  plugin.MQModifyObject(0, document.handle());

  if (!host.misuse().empty()) {
    std::cerr << "the plug-in misused the host: " << host.misuse().front() << "\n";
    return 1;
  }
  // Two targets for each of two Destinations.
  if (document.SlotCount() != slotsBefore + 4) {
    std::cerr << "expected 4 morph objects, the document went from " << slotsBefore << " to "
              << document.SlotCount() << " objects\n";
    return 1;
  }

  std::ofstream output(argv[1], std::ios::binary);
  for (int32_t slot = 0; slot < document.SlotCount(); ++slot) {
    const HostObject* object = document.ObjectAt(slot);
    if (object == nullptr) continue;
    output << object->name << " " << object->VertexCount() << "\n";
    for (const MQPoint& vertex : object->vertices) {
      output << Hex(vertex.x) << " " << Hex(vertex.y) << " " << Hex(vertex.z) << "\n";
    }
  }
  output.close();
  if (!output) {
    std::cerr << "cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}

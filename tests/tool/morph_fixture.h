// A fixture for the steps that create and move morph objects: the tool fixture with a shorthand for
// meshes.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "support/tool_fixture.h"

// Expects the same coordinates, exactly.
inline void ExpectPoint(const MQPoint& actual, const MQPoint& expected) {
  EXPECT_EQ(actual.x, expected.x);
  EXPECT_EQ(actual.y, expected.y);
  EXPECT_EQ(actual.z, expected.z);
}

class MorphFixture : public ToolFixture {
 protected:
  // An object with these vertices, all used by one face except those listed as unused.
  host_imitation::HostObject& AddMesh(const std::string& name, const std::vector<MQPoint>& vertices,
                                      const std::set<int32_t>& unused = {}) {
    std::vector<int32_t> face;
    for (int32_t i = 0; i < static_cast<int32_t>(vertices.size()); ++i) {
      if (unused.count(i) == 0) face.push_back(i);
    }
    if (face.empty()) return host.AddObject(document, name, vertices);
    return host.AddObject(document, name, vertices, {face});
  }

  // The names of the document's objects in slot order; empty slots show as "<empty>".
  std::vector<std::string> ObjectNames() const {
    std::vector<std::string> names;
    for (const host_imitation::HostObject* object : document.slots) {
      names.push_back(object != nullptr ? object->name : "<empty>");
    }
    return names;
  }

  static host_imitation::HostObject& Object(const cmq::CMQObject& handle) {
    return *reinterpret_cast<host_imitation::HostObject*>(handle.object);
  }
};

// Whole runs as the host makes them: a fresh copy of the built plug-in library loaded through its
// exports into a fresh imitated host, a document, and a scripted user at the dialog.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_imitation/host_imitation.h"
#include "host_imitation/modal_dialog.h"
#include "host_imitation/plugin_module.h"
#include "host_imitation/widget_service.h"
#include "support/host_fixture.h"
#include "tool/dialog_labels.h"

class PluginRunFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Picks the plug-in's menu entry on the document, as the user does; the export's result.
  bool RunTool() { return plugin.MQModifyObject(0, document.handle()) != 0; }

  host_imitation::HostObject& Add(const std::string& name, const std::vector<MQPoint>& vertices,
                                  const std::vector<std::vector<int32_t>>& faces) {
    return host.AddObject(document, name, vertices, faces);
  }
  // An object whose vertices all belong to one face.
  host_imitation::HostObject& AddUsed(const std::string& name,
                                      const std::vector<MQPoint>& vertices);
  static void Select(host_imitation::HostObject& object) {
    object.intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
  }
  // The names of the document's objects in slot order, empty slots skipped.
  std::vector<std::string> ObjectNames() const;
  host_imitation::HostObject* Named(const std::string& name) const {
    return document.FindByName(name);
  }
  void SetUser(host_imitation::ScriptedUser user) { host.widgets().SetUser(std::move(user)); }

  // Removes the library's copy once the plug-in has been unloaded.
  struct TemporaryFile {
    std::string path;
    ~TemporaryFile();
  };

  host_imitation::HostImitation& host = FreshHost();
  host_imitation::HostDocument& document = host.NewDocument();
  TemporaryFile pluginCopy;
  host_imitation::PluginModule plugin;
};

// The dialog's texts.
namespace dialog_text {
constexpr const char16_t* kKeynoteMode = dialog_labels::kModes[0];
constexpr const char16_t* kVertexCountMode = dialog_labels::kModes[1];
constexpr const char16_t* kMorphFeatureMode = dialog_labels::kModes[2];
using dialog_labels::kBackup;
using dialog_labels::kInvert;
using dialog_labels::kSelectAll;
using dialog_labels::kSelectedOnly;
}  // namespace dialog_text

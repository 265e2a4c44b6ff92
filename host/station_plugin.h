// Station plug-ins: plug-ins that live beside the host's views for the whole session and hear of
// what happens in the document through host events. The event router calls one operation per
// event; the order of the declarations below is the order of the operations in the class's
// virtual table and must not change.
#pragma once

#include <cstdint>

#include "host/host_api.h"
#include "host/plugin_base.h"
#include "host/station_records.h"

class MQStationPlugin : public MQBasePlugin {
 public:
  int32_t GetPlugInType() override { return MQPLUGIN_TYPE_STATION; }

  // The text of menu entry `index`, or null past the last entry.
  virtual const MQWideChar* EnumString(int32_t index) = 0;
  // The 32-bit word the host reads back for sub-command `index` (event 3), and for the text of
  // sub-command `index` (event 4).
  virtual int32_t EnumSubCommand(int32_t /*index*/) { return 0; }
  virtual int32_t GetSubCommandString(int32_t /*index*/) { return 0; }

  // The host has loaded the plug-in (event 1) or is about to unload it (event 2).
  virtual bool Initialize() { return true; }
  virtual bool Exit() { return true; }

  // The user switched the plug-in's window on or off (event 100), the host asks whether it is on
  // (event 101).
  virtual bool OnActivate(MQDocument /*document*/, int32_t /*active*/) { return false; }
  virtual bool IsActivated(MQDocument /*document*/) { return false; }
  // The user picked sub-command `index` (event 104), or the host asks whether one runs (105).
  virtual bool OnSubCommand(MQDocument /*document*/, int32_t /*index*/) { return false; }
  virtual bool IsSubCommandRunning(MQDocument /*document*/) { return false; }
  // The host's main window was minimised or restored (event 102).
  virtual bool OnMinimize(MQDocument /*document*/, int32_t /*minimized*/) { return false; }
  // A user message from another plug-in (event 103); the return is the answer the sender reads.
  virtual int32_t OnPluginMessage(MQDocument /*document*/, uint32_t /*senderProduct*/,
                                  uint32_t /*senderId*/, const char* /*description*/,
                                  void* /*message*/) {
    return 0;
  }
  // A view is drawn (event 110).
  virtual bool OnDraw(MQDocument /*document*/, MQScene /*scene*/, int32_t /*width*/,
                      int32_t /*height*/) {
    return false;
  }

  // Document life: opened or created (event 200), merged (204), closed (201), saved (202) and
  // saved for a past state (203).
  virtual bool OnNewDocument(MQDocument /*document*/, const MQWideChar* /*filename*/,
                             MQOpenDocumentParam* /*param*/) {
    return false;
  }
  virtual bool OnMergeDocument(MQDocument /*document*/, const MQWideChar* /*filename*/,
                               MQMergeDocumentParam* /*param*/) {
    return false;
  }
  virtual bool OnEndDocument(MQDocument /*document*/) { return false; }
  virtual bool OnSaveDocument(MQDocument /*document*/, const MQWideChar* /*filename*/,
                              MQSaveDocumentParam* /*param*/) {
    return false;
  }
  virtual bool OnSavePastDocument(MQDocument /*document*/, const MQWideChar* /*filename*/,
                                  MQSaveDocumentParam* /*param*/) {
    return false;
  }

  // Undo history: undo (event 210), redo (211) and an update of the history (212) with the
  // state and the history's size.
  virtual bool OnUndo(MQDocument /*document*/, int32_t /*state*/) { return false; }
  virtual bool OnRedo(MQDocument /*document*/, int32_t /*state*/) { return false; }
  virtual bool OnUpdateUndo(MQDocument /*document*/, int32_t /*state*/, int32_t /*size*/) {
    return false;
  }

  // Objects and materials changed (events 221, 222, 220, 231, 230) and the scene changed (240).
  virtual bool OnObjectModified(MQDocument /*document*/) { return false; }
  virtual bool OnObjectSelected(MQDocument /*document*/) { return false; }
  virtual bool OnUpdateObjectList(MQDocument /*document*/) { return false; }
  virtual bool OnMaterialModified(MQDocument /*document*/) { return false; }
  virtual bool OnUpdateMaterialList(MQDocument /*document*/) { return false; }
  virtual bool OnUpdateScene(MQDocument /*document*/, MQScene /*scene*/) { return false; }

  // An edit option changed (event 250); `trigger` is 1 for "screen", 2 for "world", 3 for
  // "local" and 0 for anything else.
  virtual bool OnChangeEditOption(MQDocument /*document*/, int32_t /*trigger*/) { return false; }
  // A user update the host relays (event 7).
  virtual bool OnUserUpdateEvent(MQDocument /*document*/) { return false; }

  // Per-element data (events 260 to 262): copied from one object to another for a vertex or an
  // apex element type, combined from several vertices or apexes into one, and moved through the
  // clipboard.
  virtual bool OnCopyElementData(MQDocument /*document*/, MQObject /*destination*/,
                                 MQObject /*source*/, int32_t /*elementType*/, int32_t /*reason*/) {
    return false;
  }
  virtual bool OnCombineVertexData(MQDocument /*document*/, uint32_t /*first*/, uint32_t /*second*/,
                                   const MQVertexDataEntry* /*entries*/, int32_t /*count*/) {
    return false;
  }
  virtual bool OnCombineApexData(MQDocument /*document*/, uint32_t /*first*/, uint32_t /*second*/,
                                 uint32_t /*third*/, const MQApexDataEntry* /*entries*/,
                                 int32_t /*count*/) {
    return false;
  }
  virtual bool OnClipboardData(MQDocument /*document*/, MQObject /*object*/, int32_t /*mode*/,
                               MQClipboardRecord* /*record*/) {
    return false;
  }

  // A callback the plug-in asked the host for; reached through the host, never through events.
  virtual bool ExecuteCallback(MQDocument /*document*/, void* /*option*/) { return false; }
};

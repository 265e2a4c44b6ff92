// Command plug-ins: station plug-ins that also take over the pointer and the keyboard in the
// host's views while their command is active. Their operations follow the station's in the
// virtual table, in the order declared here.
#pragma once

#include <cstdint>

#include "host/host_api.h"
#include "host/station_plugin.h"
#include "host/station_records.h"

class MQCommandPlugin : public MQStationPlugin {
 public:
  int32_t GetPlugInType() override { return MQPLUGIN_TYPE_COMMAND; }

  // Pointer events in a view (events 120 to 130, in this order). The return tells the host
  // whether the plug-in used the event.
  virtual bool OnLeftButtonDown(MQDocument /*document*/, MQScene /*scene*/,
                                const MQButtonState& /*state*/) {
    return false;
  }
  virtual bool OnLeftButtonMove(MQDocument /*document*/, MQScene /*scene*/,
                                const MQButtonState& /*state*/) {
    return false;
  }
  virtual bool OnLeftButtonUp(MQDocument /*document*/, MQScene /*scene*/,
                              const MQButtonState& /*state*/) {
    return false;
  }
  virtual bool OnMiddleButtonDown(MQDocument /*document*/, MQScene /*scene*/,
                                  const MQButtonState& /*state*/) {
    return false;
  }
  virtual bool OnMiddleButtonMove(MQDocument /*document*/, MQScene /*scene*/,
                                  const MQButtonState& /*state*/) {
    return false;
  }
  virtual bool OnMiddleButtonUp(MQDocument /*document*/, MQScene /*scene*/,
                                const MQButtonState& /*state*/) {
    return false;
  }
  virtual bool OnRightButtonDown(MQDocument /*document*/, MQScene /*scene*/,
                                 const MQButtonState& /*state*/) {
    return false;
  }
  virtual bool OnRightButtonMove(MQDocument /*document*/, MQScene /*scene*/,
                                 const MQButtonState& /*state*/) {
    return false;
  }
  virtual bool OnRightButtonUp(MQDocument /*document*/, MQScene /*scene*/,
                               const MQButtonState& /*state*/) {
    return false;
  }
  virtual bool OnMouseMove(MQDocument /*document*/, MQScene /*scene*/,
                           const MQButtonState& /*state*/) {
    return false;
  }
  virtual bool OnMouseWheel(MQDocument /*document*/, MQScene /*scene*/,
                            const MQButtonState& /*state*/) {
    return false;
  }

  // Key events in a view (events 140 and 141); the state carries the buttons and modifiers only.
  virtual bool OnKeyDown(MQDocument /*document*/, MQScene /*scene*/, int32_t /*key*/,
                         const MQButtonState& /*state*/) {
    return false;
  }
  virtual bool OnKeyUp(MQDocument /*document*/, MQScene /*scene*/, int32_t /*key*/,
                       const MQButtonState& /*state*/) {
    return false;
  }
};

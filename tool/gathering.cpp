// Gathering: the first selected object in document order is the Source, every further one a
// Destination; with fewer than two the run is refused with a warning.
#include <string>

#include "host/host_function_table.h"
#include "host/plugin_message.h"
#include "tool/palisor.h"
#include "tool/run_settings.h"
#include "widgets/widget_value.h"
#include "widgets/window.h"

namespace {

// The warning box over the host's main window, titled with the host's "Error" text; returns when
// the user has closed it.
void ShowSelectionWarning() {
  MQWindow mainWindow(QueryMainWindowId());
  const std::u16string title = mq::RequestHostText("Error");
  ShowMessageBox(mainWindow, "warning",
                 u"SourceオブジェクトとDestinationオブジェクトを選択してください。", title.c_str());
}

std::string JoinNames(const std::vector<cmq::CMQObject>& objects) {
  std::string joined;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (i > 0) joined += ',';
    joined += objects[i].GetName();
  }
  return joined;
}

}  // namespace

bool Palisor::GatherObjects() {
  int32_t found = 0;
  // The slot count is asked afresh before every slot; empty slots are stepped over.
  for (int32_t index = 0; index < mq::hostFunctions.MQDoc_GetObjectCount(document); ++index) {
    cmq::CMQObject object(mq::hostFunctions.MQDoc_GetObject(document, index), document);
    if (!object.IsValid()) continue;
    if (mq::hostFunctions.MQObj_GetIntValue(object.object, MQOBJECT_ATTRIBUTE_SELECTED) == 0) {
      continue;
    }
    if (found == 0) {
      source = object;
    } else {
      destinations.push_back(object);
    }
    ++found;
  }
  if (found < 2) {
    ShowSelectionWarning();
    return false;
  }
  runSettings.sourceName = source.GetName();
  runSettings.destinationNames = JoinNames(destinations);
  return true;
}

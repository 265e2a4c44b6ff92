#include "tool/selection_warning.h"

#include <string>

#include "host/plugin_message.h"
#include "widgets/widget_value.h"
#include "widgets/window.h"

void ShowSelectionWarning() {
  MQWindow mainWindow(QueryMainWindowId());
  const std::u16string title = mq::RequestHostText("Error");
  ShowMessageBox(mainWindow, "warning",
                 u"SourceオブジェクトとDestinationオブジェクトを選択してください。", title.c_str());
}

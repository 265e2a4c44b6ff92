#include "tool/selection_warning.h"

#include <string>

#include "host/key_value.h"
#include "host/plugin_message.h"
#include "widgets/widget_value.h"
#include "widgets/window.h"

void ShowSelectionWarning() {
  MQWindow mainWindow(QueryMainWindowId());
  const std::u16string title = mq::RequestHostText("Error");
  int32_t parent = mainWindow.id;
  int32_t result = 0;
  MQKeyValuePair values[] = {
      mq::Pair("type", "messagebox"),
      mq::Pair("messagetype", "warning"),
      mq::Pair("parent", &parent),
      mq::Pair("message", u"SourceオブジェクトとDestinationオブジェクトを選択してください。"),
      mq::Pair("title", title.c_str()),
      mq::Pair("result", &result),
      mq::kEndOfPairs};
  SendWidgetRequest(0, WidgetOp::Show, values);
}

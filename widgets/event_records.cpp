#include "widgets/event_records.h"

ButtonStateFlags DecodeButtonState(int32_t buttonState) {
  ButtonStateFlags flags;
  flags.leftButton = (buttonState & 0x01) != 0;
  flags.middleButton = (buttonState & 0x10) != 0;
  flags.rightButton = (buttonState & 0x02) != 0;
  flags.shiftKey = (buttonState & 0x04) != 0;
  flags.controlKey = (buttonState & 0x08) != 0;
  flags.stateBit5 = (buttonState & 0x20) != 0;
  return flags;
}

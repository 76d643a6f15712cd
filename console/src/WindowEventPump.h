// The event pump of the console's long loops: the window thread handles what
// is pending (a press on a stop button, a repaint) and comes back.
#pragma once

#include "runs/LoopSeams.h"

namespace kasmon {

class WindowEventPump final : public EventPump {
  public:
    void processPendingEvents() override;
};

} // namespace kasmon

#include "model/CommandContext.h"
#include "model/CommandGroups.h"

namespace kasemu {

void addPeripheralCommands(Model& m) {
    (void)m;
}

} // namespace kasemu

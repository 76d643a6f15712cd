#include "model/CommandContext.h"
#include "model/CommandGroups.h"

namespace kasemu {

void addOperatorCommands(Model& m) {
    (void)m;
}

} // namespace kasemu

#include "model/CommandContext.h"
#include "model/CommandGroups.h"

namespace kasemu {

void addCashCommands(Model& m) {
    (void)m;
}

} // namespace kasemu

#include "model/CommandContext.h"
#include "model/CommandGroups.h"

namespace kasemu {

void addReceiptCommands(Model& m) {
    (void)m;
}

} // namespace kasemu

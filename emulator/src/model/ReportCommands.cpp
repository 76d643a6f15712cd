#include "model/CommandContext.h"
#include "model/CommandGroups.h"

namespace kasemu {

void addReportCommands(Model& m) {
    (void)m;
}

} // namespace kasemu

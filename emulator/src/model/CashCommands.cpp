// Service cash-in and cash-out.
#include "model/CommandContext.h"
#include "model/CommandGroups.h"
#include "model/Fiscal.h"
#include "model/TapeLayout.h"

namespace kasemu {

namespace {

void moveCash(CommandContext& ctx, bool deposit) {
    if (!ctx.expectLength(4)) {
        return;
    }
    const std::int64_t amount = ctx.in.u32();
    if (refuseWhenDocumentOpen(ctx)) {
        return;
    }
    if (!deposit && amount > ctx.st.cashInDrawer) {
        ctx.refuse(result::NotEnoughCash);
        return;
    }
    if (!ctx.paperReady()) {
        return;
    }
    auto& s = ctx.st;
    ctx.openShiftIfClosed();
    if (deposit) {
        s.cashInDrawer += amount;
        s.day.deposits += amount;
    } else {
        s.cashInDrawer -= amount;
        s.day.withdrawals += amount;
    }
    s.documents += 1;
    tape::printDocumentHead(ctx);
    ctx.printRule();
    ctx.printCentered(deposit ? "СЛУЖЕБНОЕ ВНЕСЕНИЕ" : "СЛУЖЕБНАЯ ВЫДАЧА");
    ctx.printColumns("СУММА", tape::money(amount));
    ctx.printColumns("В КАССЕ", tape::money(s.cashInDrawer));
    ctx.printRule();
    tape::printDocumentFoot(ctx, "ДОКУМЕНТ № " + std::to_string(s.documents), false);
    ctx.changed();
}

} // namespace

void addCashCommands(Model& m) {
    m.addCommand(0x10, [](CommandContext& ctx) { moveCash(ctx, true); });
    m.addCommand(0x18, [](CommandContext& ctx) { moveCash(ctx, false); });
}

} // namespace kasemu

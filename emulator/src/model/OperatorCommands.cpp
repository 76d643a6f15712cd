// Passwords of the ten operators and cashier registration.
#include "model/CommandContext.h"
#include "model/CommandGroups.h"
#include "model/Fiscal.h"

namespace kasemu {

namespace {

constexpr std::size_t kMaxName = 15;

// 0x05: old password (2), operator, new password (2), name length, name.
void setPassword(CommandContext& ctx) {
    if (!ctx.expectAtLeast(6)) {
        return;
    }
    const std::uint16_t oldPassword = ctx.in.u16();
    const std::uint8_t op = ctx.in.u8();
    const std::uint16_t newPassword = ctx.in.u16();
    const std::uint8_t len = ctx.in.u8();
    if (!ctx.expectLength(6u + len)) {
        return;
    }
    const Bytes name = ctx.in.bytes(len);
    if (op >= kOperators) {
        ctx.refuse(result::NoSuchNumber);
        return;
    }
    if (len > kMaxName) {
        ctx.refuse(result::BadLength);
        return;
    }
    if (!ctx.password(op, oldPassword) || refuseWhenDocumentOpen(ctx)) {
        return;
    }
    auto& o = ctx.st.operators[op];
    o.password = newPassword;
    if (!name.empty()) {
        o.name = name;
    }
    ctx.changed();
}

// 0x06: password (2), cashier, then name length and name, or 0xFF for the stored name.
// An empty name signs the cashier off: no cashier is on duty afterwards when it was
// this one, and the stored name is kept.
void registerCashier(CommandContext& ctx) {
    if (!ctx.expectAtLeast(4)) {
        return;
    }
    const std::uint16_t password = ctx.in.u16();
    const std::uint8_t op = ctx.in.u8();
    const std::uint8_t len = ctx.in.u8();
    Bytes name;
    const bool stored = len == 0xFF;
    if (stored) {
        if (!ctx.expectLength(4)) {
            return;
        }
    } else {
        if (!ctx.expectLength(4u + len)) {
            return;
        }
        name = ctx.in.bytes(len);
    }
    if (op >= kOperators) {
        ctx.refuse(result::NoSuchNumber);
        return;
    }
    if (!stored && len > kMaxName) {
        ctx.refuse(result::BadLength);
        return;
    }
    if (!ctx.password(op, password) || refuseWhenDocumentOpen(ctx)) {
        return;
    }
    if (!stored && name.empty()) {
        if (ctx.st.cashier == op) {
            ctx.st.cashier = -1;
        }
        ctx.changed();
        return;
    }
    if (!stored) {
        ctx.st.operators[op].name = name;
    }
    ctx.st.cashier = op;
    ctx.changed();
}

} // namespace

void addOperatorCommands(Model& m) {
    m.addCommand(0x05, setPassword);
    m.addCommand(0x06, registerCashier);
}

} // namespace kasemu

// Status, date and time, line speed and paper sensors.
#include "kasemu/Clock.h"
#include "model/CommandContext.h"
#include "model/CommandGroups.h"

namespace kasemu {

namespace {

bool drawerClosed(const CommandContext& ctx) {
    // The drawer springs open and the cashier pushes it shut a few seconds later.
    return !ctx.st.drawerOpen || ctx.now() - ctx.st.drawerOpenedAt >= 5;
}

void putText(CommandContext& ctx, const Bytes& text, std::uint8_t topBits) {
    const std::size_t n = text.size() > 63 ? 63 : text.size();
    ctx.put8(static_cast<std::uint8_t>(n | (topBits & 0xC0)));
    ctx.out.data.insert(ctx.out.data.end(), text.begin(),
                        text.begin() + static_cast<std::ptrdiff_t>(n));
}

void putFixed(CommandContext& ctx, const Bytes& text, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        ctx.put8(i < text.size() ? text[i] : ' ');
    }
}

void statusQuery(CommandContext& ctx) {
    if (!ctx.expectLength(0)) {
        return;
    }
    const auto& s = ctx.st;
    const auto& p = s.programming;
    std::uint8_t b0 = 0;
    b0 = static_cast<std::uint8_t>(b0 | (s.receipt.paymentStarted ? 0x02 : 0));
    b0 = static_cast<std::uint8_t>(b0 | (drawerClosed(ctx) ? 0x04 : 0));
    b0 = static_cast<std::uint8_t>(b0 | (s.receipt.kind == ReceiptKind::Payout ? 0x08 : 0));
    b0 = static_cast<std::uint8_t>(b0 | (p.vatAdded ? 0x10 : 0));
    b0 = static_cast<std::uint8_t>(b0 | (s.shiftOpen ? 0x20 : 0));
    b0 = static_cast<std::uint8_t>(b0 | (s.receipt.open() ? 0x40 : 0));
    b0 = static_cast<std::uint8_t>(b0 | (p.displaySumsForbidden ? 0x80 : 0));
    std::uint8_t b1 = 0;
    b1 = static_cast<std::uint8_t>(b1 | (p.serviceReportOnControlTape ? 0x01 : 0));
    b1 = static_cast<std::uint8_t>(b1 | (p.taxRatesChanged ? 0x02 : 0));
    b1 = static_cast<std::uint8_t>(b1 | (s.serviceReportOpen ? 0x08 : 0));
    b1 = static_cast<std::uint8_t>(b1 | (s.identity.fiscalized ? 0x10 : 0));
    b1 = static_cast<std::uint8_t>(b1 | (s.lastCommandAbnormal ? 0x20 : 0));
    b1 = static_cast<std::uint8_t>(b1 | (p.onlineMode ? 0x40 : 0));
    ctx.put8(b0);
    ctx.put8(b1);
    putFixed(ctx, s.identity.serialAndDate, 19);
    if (s.identity.fiscalized) {
        const CivilTime t = fromSeconds(s.identity.registeredAt);
        ctx.put8(toBcd(t.day));
        ctx.put8(toBcd(t.month));
        ctx.put8(toBcd(t.year % 100));
        ctx.put8(toBcd(t.hour));
        ctx.put8(toBcd(t.minute));
    } else {
        ctx.putBytes(Bytes(5, 0));
    }
    putFixed(ctx, s.identity.fiscalNumber, 10);
    // The top two bits of a header line's length byte carry its print attributes.
    for (const auto& line : p.taxpayer) {
        putText(ctx, line.text, line.attributes);
    }
    putText(ctx, p.taxNumber, p.identificationNumber ? 0x80 : 0x00);
    putFixed(ctx, s.identity.firmware, 5);
}

void getDate(CommandContext& ctx) {
    if (!ctx.expectLength(0)) {
        return;
    }
    const CivilTime t = fromSeconds(ctx.now());
    ctx.put8(toBcd(t.day));
    ctx.put8(toBcd(t.month));
    ctx.put8(toBcd(t.year % 100));
}

void getTime(CommandContext& ctx) {
    if (!ctx.expectLength(0)) {
        return;
    }
    const CivilTime t = fromSeconds(ctx.now());
    ctx.put8(toBcd(t.hour));
    ctx.put8(toBcd(t.minute));
    ctx.put8(toBcd(t.second));
}

// Moves the register's clock so that it now reads `target`; it runs on from there.
void setClock(CommandContext& ctx, std::int64_t target) {
    ctx.st.clockOffset = target - ctx.model.clock().now();
    ctx.changed();
}

void setDate(CommandContext& ctx) {
    if (!ctx.expectLength(3)) {
        return;
    }
    const int d = fromBcd(ctx.in.u8());
    const int m = fromBcd(ctx.in.u8());
    const int y = fromBcd(ctx.in.u8());
    if (d < 0 || m < 0 || y < 0 || !isValidDate(2000 + y, m, d)) {
        ctx.refuse(result::BadDateTime);
        return;
    }
    if (ctx.st.receipt.open()) {
        ctx.refuse(result::ReceiptOpen);
        return;
    }
    CivilTime t = fromSeconds(ctx.now());
    t.year = 2000 + y;
    t.month = m;
    t.day = d;
    if (!ctx.st.fiscalMemory.empty()) {
        const CivilTime last = fromSeconds(ctx.st.fiscalMemory.back().at);
        CivilTime lastDay{last.year, last.month, last.day, 0, 0, 0};
        CivilTime newDay{t.year, t.month, t.day, 0, 0, 0};
        if (toSeconds(newDay) < toSeconds(lastDay)) {
            ctx.refuse(result::DateBeforeLastZ);
            return;
        }
    }
    setClock(ctx, toSeconds(t));
}

void setTime(CommandContext& ctx) {
    if (!ctx.expectLength(3)) {
        return;
    }
    const int h = fromBcd(ctx.in.u8());
    const int m = fromBcd(ctx.in.u8());
    const int s = fromBcd(ctx.in.u8());
    if (h < 0 || m < 0 || s < 0 || h > 23 || m > 59 || s > 59) {
        ctx.refuse(result::BadDateTime);
        return;
    }
    if (ctx.st.receipt.open()) {
        ctx.refuse(result::ReceiptOpen);
        return;
    }
    CivilTime t = fromSeconds(ctx.now());
    t.hour = h;
    t.minute = m;
    t.second = s;
    setClock(ctx, toSeconds(t));
}

void lineSpeed(CommandContext& ctx) {
    if (!ctx.expectLength(1)) {
        return;
    }
    const std::uint8_t index = ctx.in.u8();
    if (index > 2) {
        ctx.forbid();
        return;
    }
    // The answer still goes out at the old speed; the link switches after it.
    ctx.st.lineSpeedIndex = index;
    ctx.out.newLineSpeed = index;
    ctx.changed();
}

void paperState(CommandContext& ctx) {
    if (!ctx.expectLength(0)) {
        return;
    }
    ctx.put8(ctx.st.paperSensors);
}

} // namespace

void addStatusCommands(Model& m) {
    m.addCommand(0x00, statusQuery);
    m.addCommand(0x01, getDate);
    m.addCommand(0x02, setDate);
    m.addCommand(0x03, getTime);
    m.addCommand(0x04, setTime);
    m.addCommand(0x26, lineSpeed);
    m.addCommand(0x30, paperState);
}

} // namespace kasemu

// Customer display, cash drawer, receipt copy, firmware printout, non-fiscal text (the
// service report) and bar codes.
#include "model/CommandContext.h"
#include "model/CommandGroups.h"
#include "model/Fiscal.h"
#include "model/TapeLayout.h"

namespace kasemu {

namespace {

// 0x1B: line (0 upper, 1 lower), length, text of at most 20 characters.
void display(CommandContext& ctx) {
    if (!ctx.expectAtLeast(2)) {
        return;
    }
    const std::uint8_t line = ctx.in.u8();
    const std::uint8_t len = ctx.in.u8();
    if (!ctx.expectLength(2u + len)) {
        return;
    }
    if (line > 1) {
        ctx.forbid();
        return;
    }
    if (len > 20) {
        ctx.refuse(result::BadLength);
        return;
    }
    ctx.st.display[line] = ctx.in.bytes(len);
}

// 0x1D: the drawer springs open.
void openDrawer(CommandContext& ctx) {
    if (!ctx.expectLength(0)) {
        return;
    }
    ctx.st.drawerOpen = true;
    ctx.st.drawerOpenedAt = ctx.now();
}

// 0x1E: the last receipt once more, marked as a copy.
void copyLastReceipt(CommandContext& ctx) {
    if (!ctx.expectLength(0) || refuseWhenDocumentOpen(ctx)) {
        return;
    }
    if (ctx.st.lastReceiptTape.empty()) {
        ctx.refuse(result::NoReceipts);
        return;
    }
    if (!ctx.paperReady(true)) {
        return;
    }
    ctx.printCentered("КОПИЯ ЧЕКА");
    for (const auto& l : ctx.st.lastReceiptTape) {
        ctx.print(l);
    }
    ctx.printCentered("КОПИЯ ЧЕКА");
    ctx.print("");
}

// 0x20: the firmware version.
void printVersion(CommandContext& ctx) {
    if (!ctx.expectLength(0) || refuseWhenDocumentOpen(ctx) || !ctx.paperReady(true)) {
        return;
    }
    const auto& id = ctx.st.identity;
    ctx.printCentered(id.model == ModelKind::Rx410f ? "ЭККР RX-410F" : "ЭККР RX-520L");
    ctx.printColumns("ВЕРСИЯ ПО", deviceToUtf8(id.firmware));
    ctx.printColumns("ЗН", deviceToUtf8(id.serialAndDate));
    ctx.printColumns(tape::date(ctx.now()), tape::time(ctx.now()));
    ctx.print("");
}

// 0x28: a line of non-fiscal text (length up to 37, text), 0xFE to switch between both tapes
// and the receipt tape only, 0xFF to end the service report.
void serviceText(CommandContext& ctx) {
    if (!ctx.expectAtLeast(1)) {
        return;
    }
    auto& s = ctx.st;
    const std::uint8_t first = ctx.in.u8();
    if (s.receipt.open()) {
        ctx.refuse(result::ReceiptOpen);
        return;
    }
    if (first == 0xFE) {
        if (ctx.expectLength(1)) {
            s.receiptTapeOnly = !s.receiptTapeOnly;
        }
        return;
    }
    if (first == 0xFF) {
        if (!ctx.expectLength(1)) {
            return;
        }
        if (s.serviceReportOpen) {
            if (!ctx.paperReady(s.receiptTapeOnly)) {
                return;
            }
            ctx.printRule();
            s.documents += 1;
            tape::printDocumentFoot(ctx, "ДОКУМЕНТ № " + std::to_string(s.documents), false);
            s.serviceReportOpen = false;
            ctx.changed();
        }
        s.receiptTapeOnly = false;
        return;
    }
    if (!ctx.expectLength(1u + first)) {
        return;
    }
    if (first > 37) {
        ctx.refuse(result::BadLength);
        return;
    }
    const Bytes text = ctx.in.bytes(first);
    if (!ctx.paperReady(s.receiptTapeOnly)) {
        return;
    }
    if (!s.serviceReportOpen) {
        s.serviceReportOpen = true;
        tape::printDocumentHead(ctx);
        ctx.printCentered("НЕФИСКАЛЬНЫЙ ДОКУМЕНТ");
        ctx.printRule();
    }
    ctx.print(deviceToUtf8(text));
}

bool printable(const Bytes& text) {
    for (const auto b : text) {
        if (b < 0x20 || b >= 0x80) {
            return false;
        }
    }
    return true;
}

// 0x2F: Code-128, length (up to 16) and text.
void code128(CommandContext& ctx) {
    if (!ctx.expectAtLeast(1)) {
        return;
    }
    const std::uint8_t len = ctx.in.u8();
    if (!ctx.expectLength(1u + len)) {
        return;
    }
    if (len > 16) {
        ctx.refuse(result::BadLength);
        return;
    }
    const Bytes text = ctx.in.bytes(len);
    if (!printable(text)) {
        ctx.refuse(result::BadCharacters);
        return;
    }
    if (refuseInServiceReport(ctx) || !ctx.paperReady(true)) {
        return;
    }
    ctx.printCentered("║▌║█║▌│║▌║▌█");
    ctx.printCentered("[CODE-128] " + deviceToUtf8(text));
}

// 0x31: EAN-13, thirteen digits with a valid check digit.
void ean13(CommandContext& ctx) {
    if (!ctx.expectLength(13)) {
        return;
    }
    const Bytes digits = ctx.in.bytes(13);
    int s1 = 0;
    int s2 = 0;
    for (std::size_t i = 0; i < 13; ++i) {
        if (digits[i] < '0' || digits[i] > '9') {
            ctx.refuse(result::BadCharacters);
            return;
        }
        if (i < 12) {
            (i % 2 == 0 ? s1 : s2) += digits[i] - '0';
        }
    }
    const int c = (3 * s2 + s1) % 10;
    if ((c == 0 ? 0 : 10 - c) != digits[12] - '0') {
        ctx.refuse(result::BadCharacters);
        return;
    }
    if (refuseInServiceReport(ctx) || !ctx.paperReady(true)) {
        return;
    }
    ctx.printCentered("║▌║█║▌│║▌║▌█");
    ctx.printCentered("[EAN-13] " + deviceToUtf8(digits));
}

} // namespace

void addPeripheralCommands(Model& m) {
    m.addCommand(0x1B, display);
    m.addCommand(0x1D, openDrawer);
    m.addCommand(0x1E, copyLastReceipt);
    m.addCommand(0x20, printVersion);
    m.addCommand(0x28, serviceText);
    m.addCommand(0x2F, code128);
    m.addCommand(0x31, ean13);
}

} // namespace kasemu

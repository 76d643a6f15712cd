// The register's settings: receipt message lines, taxpayer lines and number, tax rates,
// fiscalization, the on/off modes, line spacing and print contrast.
#include <algorithm>

#include "model/CommandContext.h"
#include "model/CommandGroups.h"
#include "model/Fiscal.h"
#include "model/TapeLayout.h"

namespace kasemu {

namespace {

constexpr std::uint8_t kLengthBits = 0x3F;
constexpr std::uint8_t kDoubleWidth = 0x40;
constexpr std::uint8_t kPrintAttributes = 0xC0;
constexpr std::uint8_t kIdentificationNumber = 0x80;
constexpr int kHighestRate = 9999; // 99.99 %

bool hasControlCharacters(const Bytes& text) {
    return std::any_of(text.begin(), text.end(), [](std::uint8_t b) { return b < 0x20; });
}

// Fiscal and tax numbers: digits, Latin letters and the Cyrillic letters of the register's
// code page (А-я, Ё ё Є є Ї ї).
bool isNumberCharacter(std::uint8_t b) {
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
           (b >= 0x80 && b <= 0xAF) || (b >= 0xE0 && b <= 0xF5);
}

bool isNumberText(const Bytes& text) {
    return std::all_of(text.begin(), text.end(), isNumberCharacter);
}

// 0x17: line number, attribute byte (length, double width, double height), text. Lines 0, 2
// and 3 open the receipt, lines 1, 4 and 5 close it.
void messageLine(CommandContext& ctx) {
    if (!ctx.expectAtLeast(2)) {
        return;
    }
    const std::uint8_t number = ctx.in.u8();
    const std::uint8_t attributes = ctx.in.u8();
    const std::size_t length = attributes & kLengthBits;
    if (!ctx.expectLength(2 + length)) {
        return;
    }
    const Bytes text = ctx.in.bytes(length);
    if (number > 5) {
        ctx.refuse(result::NoSuchNumber);
        return;
    }
    if (length > ((attributes & kDoubleWidth) != 0 ? 21u : 36u)) {
        ctx.refuse(result::BadLength);
        return;
    }
    if (hasControlCharacters(text)) {
        ctx.refuse(result::BadCharacters);
        return;
    }
    if (refuseWhenDocumentOpen(ctx)) {
        return;
    }
    auto& p = ctx.st.programming;
    static constexpr int kSlot[] = {0, 0, 1, 2, 1, 2};
    const bool head = number == 0 || number == 2 || number == 3;
    HeaderLine& line = (head ? p.receiptHead : p.receiptTail)[kSlot[number]];
    line.text = text;
    line.attributes = attributes & kPrintAttributes;
    ctx.changed();
}

// 0x16: password, three taxpayer lines (attribute byte and text each), the number's kind byte
// (its length, bit 7 for an identification number) and the number.
void taxpayerLines(CommandContext& ctx) {
    if (!ctx.expectAtLeast(3)) {
        return;
    }
    const std::uint16_t password = ctx.in.u16();
    std::array<HeaderLine, 3> lines;
    std::size_t expected = 2;
    bool tooLong = false;
    bool badText = false;
    for (auto& line : lines) {
        if (ctx.in.remaining() < 1) {
            ctx.forbid();
            return;
        }
        const std::uint8_t attributes = ctx.in.u8();
        const std::size_t length = attributes & kLengthBits;
        expected += 1 + length;
        if (ctx.in.remaining() < length) {
            ctx.forbid();
            return;
        }
        line.text = ctx.in.bytes(length);
        line.attributes = attributes & kPrintAttributes;
        tooLong = tooLong || length > 24 || ((attributes & kDoubleWidth) != 0 && length > 20);
        badText = badText || hasControlCharacters(line.text);
    }
    if (ctx.in.remaining() < 1) {
        ctx.forbid();
        return;
    }
    const std::uint8_t kind = ctx.in.u8();
    const std::size_t numberLength = kind & kLengthBits;
    if (!ctx.expectLength(expected + 1 + numberLength)) {
        return;
    }
    const Bytes number = ctx.in.bytes(numberLength);
    if (tooLong || numberLength > 12) {
        ctx.refuse(result::BadLength);
        return;
    }
    if (badText || !isNumberText(number)) {
        ctx.refuse(result::BadCharacters);
        return;
    }
    if (!ctx.password(kProgrammingOperator, password) || refuseWhenDocumentOpen(ctx)) {
        return;
    }
    auto& p = ctx.st.programming;
    p.taxpayer = lines;
    p.taxNumber = number;
    p.identificationNumber = (kind & kIdentificationNumber) != 0;
    ctx.changed();
}

// 0x19: password, n, n rate words, flags (0x10 tax added on top, 0x20 levies), and with levies
// n levy words. Only between shifts.
void taxRates(CommandContext& ctx) {
    if (!ctx.expectAtLeast(3)) {
        return;
    }
    const std::uint16_t password = ctx.in.u16();
    const std::uint8_t n = ctx.in.u8();
    const std::size_t flagsAt = 3 + 2u * n;
    if (!ctx.expectAtLeast(flagsAt + 1)) {
        return;
    }
    std::array<std::uint16_t, 255> rates{};
    for (std::size_t i = 0; i < n; ++i) {
        rates[i] = ctx.in.u16();
    }
    const std::uint8_t flags = ctx.in.u8();
    const bool levy = (flags & 0x20) != 0;
    if (!ctx.expectLength(flagsAt + 1 + (levy ? 2u * n : 0u))) {
        return;
    }
    std::array<std::uint16_t, 255> levies{};
    for (std::size_t i = 0; levy && i < n; ++i) {
        levies[i] = ctx.in.u16();
    }
    if (n == 0) {
        ctx.forbid();
        return;
    }
    if (n > kMaxTaxRates) {
        ctx.refuse(result::TooManyTaxes);
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (rates[i] > kHighestRate || rates[i] + levies[i] > kHighestRate) {
            ctx.forbid();
            return;
        }
    }
    if (!ctx.password(kProgrammingOperator, password)) {
        return;
    }
    if (ctx.st.shiftOpen) {
        ctx.refuse(result::NeedsZReport);
        return;
    }
    if (refuseWhenDocumentOpen(ctx) || !ctx.paperReady()) {
        return;
    }
    auto& p = ctx.st.programming;
    p.taxRateCount = n;
    p.taxRates.fill(0);
    p.levyRates.fill(0);
    std::copy_n(rates.begin(), n, p.taxRates.begin());
    std::copy_n(levies.begin(), n, p.levyRates.begin());
    p.levy = levy;
    p.vatAdded = (flags & 0x10) != 0;
    p.taxRatesProgrammedAt = ctx.now();
    p.taxRatesChanged = true;

    auto& s = ctx.st;
    s.documents += 1;
    tape::printDocumentHead(ctx);
    ctx.printRule();
    ctx.printCentered("НАЛОГОВЫЕ СТАВКИ");
    ctx.printCentered(p.vatAdded ? "НАЛОЖЕННЫЙ НДС" : "ВЛОЖЕННЫЙ НДС");
    for (int g = 0; g < n; ++g) {
        std::string rate = tape::percent(p.taxRates[static_cast<std::size_t>(g)]);
        if (levy) {
            rate += " + " + tape::percent(p.levyRates[static_cast<std::size_t>(g)]);
        }
        ctx.printColumns("ГРУППА " + tape::groupLetter(g), rate);
    }
    ctx.printColumns("ГРУППА " + tape::groupLetter(kTaxGroups - 1), "БЕЗ НДС");
    ctx.printRule();
    tape::printDocumentFoot(ctx, "ДОКУМЕНТ № " + std::to_string(s.documents), false);
    ctx.changed();
}

// 0x15: password and the ten characters of the fiscal number. Once in the register's life,
// between shifts.
void fiscalize(CommandContext& ctx) {
    if (!ctx.expectLength(12)) {
        return;
    }
    const std::uint16_t password = ctx.in.u16();
    const Bytes number = ctx.in.bytes(10);
    if (!isNumberText(number)) {
        ctx.refuse(result::BadCharacters);
        return;
    }
    if (!ctx.password(kProgrammingOperator, password)) {
        return;
    }
    auto& s = ctx.st;
    if (s.identity.fiscalized) {
        ctx.refuse(result::Forbidden);
        return;
    }
    if (s.shiftOpen) {
        ctx.refuse(result::NeedsZReport);
        return;
    }
    if (refuseWhenDocumentOpen(ctx) || !ctx.paperReady()) {
        return;
    }
    s.identity.fiscalNumber = number;
    s.identity.fiscalized = true;
    s.identity.registeredAt = ctx.now();
    s.documents += 1;
    tape::printDocumentHead(ctx);
    ctx.printRule();
    ctx.printCentered("ФИСКАЛИЗАЦИЯ");
    ctx.printColumns("ФН", deviceToUtf8(number));
    ctx.printRule();
    tape::printDocumentFoot(ctx, "ДОКУМЕНТ № " + std::to_string(s.documents), true);
    ctx.changed();
}

// 0x24, 0x25, 0x2E: each switches its mode to the other state.
void toggle(CommandContext& ctx, bool Programming::*mode) {
    if (!ctx.expectLength(0) || refuseWhenDocumentOpen(ctx)) {
        return;
    }
    auto& p = ctx.st.programming;
    p.*mode = !(p.*mode);
    ctx.changed();
}

// 0x27: on the RX-520L a value from 50 up is the print contrast in percent (up to 200), below
// it the line spacing; the RX-410F knows the line spacing only (0-63).
void spacingOrContrast(CommandContext& ctx) {
    if (!ctx.expectLength(1)) {
        return;
    }
    const std::uint8_t value = ctx.in.u8();
    auto& p = ctx.st.programming;
    if (ctx.st.identity.model == ModelKind::Rx520l && value >= 50) {
        if (value > 200) {
            ctx.forbid();
            return;
        }
        p.contrast = value;
    } else {
        if (value > 63) {
            ctx.forbid();
            return;
        }
        p.lineSpacing = value;
    }
    ctx.changed();
}

} // namespace

void addProgrammingCommands(Model& m) {
    m.addCommand(0x15, fiscalize);
    m.addCommand(0x16, taxpayerLines);
    m.addCommand(0x17, messageLine);
    m.addCommand(0x19, taxRates);
    m.addCommand(0x24, [](CommandContext& ctx) { toggle(ctx, &Programming::onlineMode); });
    m.addCommand(0x25,
                 [](CommandContext& ctx) { toggle(ctx, &Programming::displaySumsForbidden); });
    m.addCommand(0x27, spacingOrContrast);
    m.addCommand(0x2E, [](CommandContext& ctx) { toggle(ctx, &Programming::autoCut); });
}

} // namespace kasemu

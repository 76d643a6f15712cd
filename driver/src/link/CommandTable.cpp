#include "CommandTable.h"

#include <array>

namespace kasdrv {

namespace {

struct Entry {
    uint8_t command;
    const char* what;
};

// The repeatable commands; every command not listed here is not repeatable:
// sale and payout lines (0x12, 0x08), comments (0x0B), discounts (0x23),
// payments (0x14), annulment (0x0F), cash in and out (0x10, 0x18), password
// changes (0x05), X and Z, article and periodic reports (0x09, 0x0D, 0x0A,
// 0x11, 0x1A, 0x1F), fiscalization (0x15), tax rates (0x19), the three
// toggles (0x24, 0x25, 0x2E), receipt copies (0x1E), non-fiscal text (0x28),
// bar codes (0x2F, 0x31), the logo (0x2D) and its raw data blocks.
constexpr std::array kRepeatable = {
    Entry{0x00, "status"},
    Entry{0x01, "read the date"},
    Entry{0x02, "set the date"},
    Entry{0x03, "read the time"},
    Entry{0x04, "set the time"},
    Entry{0x06, "register the cashier on duty"},
    Entry{0x0E, "line feed"},
    Entry{0x16, "taxpayer lines and tax number"},
    Entry{0x17, "receipt header or trailer line"},
    Entry{0x1B, "customer display text"},
    Entry{0x1C, "read a memory block"},
    Entry{0x1D, "open the cash drawer"},
    Entry{0x20, "print the firmware version"},
    Entry{0x21, "cash in the drawer"},
    Entry{0x22, "program an article"},
    Entry{0x26, "line speed"},
    Entry{0x27, "line spacing or print contrast"},
    Entry{0x29, "read an article"},
    Entry{0x2A, "day counters"},
    Entry{0x2B, "sums of the open receipt"},
    Entry{0x2C, "tax rates with their dates"},
    Entry{0x30, "paper sensors"},
};

} // namespace

bool IsRepeatable(uint8_t commandByte) {
    for (const Entry& e : kRepeatable) {
        if (e.command == commandByte) {
            return true;
        }
    }
    return false;
}

} // namespace kasdrv

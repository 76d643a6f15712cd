// Everything the register knows. Texts are kept as the register keeps them: bytes of its code
// page. Money is in kopecks. Non-volatile parts are saved by StateFile; the open receipt and
// the link settings of the moment are volatile.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "kasemu/Cp866.h"

namespace kasemu {

enum class ModelKind { Rx410f, Rx520l };

inline constexpr int kTaxGroups = 6;    // А Б В Г Д Е; Е is the untaxed group
inline constexpr int kPaymentForms = 4; // card, credit, cheque, cash
inline constexpr int kOperators = 10;   // 0-7 cashiers, 8 programming, 9 reports
inline constexpr int kProgrammingOperator = 8;
inline constexpr int kReportOperator = 9;
inline constexpr int kCashForm = 3;
inline constexpr int kMaxTaxRates = 5;                 // groups А..Д; Е is never taxed
inline constexpr std::size_t kArticleCapacity = 16000; // descriptions the article table holds

// Paper sensor bits as the register reports them.
namespace paper {
inline constexpr std::uint8_t Undeterminable = 0x01;
inline constexpr std::uint8_t ControlLow = 0x04;
inline constexpr std::uint8_t ReceiptLow = 0x08;
inline constexpr std::uint8_t ControlOut = 0x20;
inline constexpr std::uint8_t ReceiptOut = 0x40;
} // namespace paper

struct Identity {
    ModelKind model = ModelKind::Rx410f;
    Bytes firmware;      // 5 characters
    Bytes serialAndDate; // 19 characters: serial number and production date
    Bytes fiscalNumber;  // 10 characters
    bool fiscalized = false;
    std::int64_t registeredAt = 0; // civil seconds; meaningful when fiscalized
};

struct HeaderLine {
    Bytes text;
    std::uint8_t attributes = 0; // bit 6 double width, bit 7 double height
};

struct Programming {
    std::array<HeaderLine, 3> taxpayer; // taxpayer attribute lines printed on every receipt
    Bytes taxNumber;                    // tax or identification number
    bool identificationNumber = false;
    std::array<HeaderLine, 3> receiptHead; // receipt opening message lines
    std::array<HeaderLine, 3> receiptTail; // receipt closing message lines
    // Tax rates in hundredths of a percent, groups А.. in order; group Е is never taxed.
    int taxRateCount = 1;
    std::array<std::uint16_t, kMaxTaxRates> taxRates{2000, 0, 0, 0, 0};
    std::array<std::uint16_t, kMaxTaxRates> levyRates{0, 0, 0, 0, 0};
    bool vatAdded = false; // tax added on top of the price (clear: included in it)
    bool levy = false;
    std::int64_t taxRatesProgrammedAt = 0;
    bool taxRatesChanged = false;
    bool onlineMode = false;
    bool displaySumsForbidden = false;
    bool autoCut = true;
    bool serviceReportOnControlTape = false;
    bool logoEnabled = false;
    std::uint8_t lineSpacing = 0;
    std::uint8_t contrast = 100;
};

// The graphic logo printed at the top of receipts: rows top to bottom, width/8 bytes a row,
// the most significant bit the leftmost dot, a set bit a printed dot.
struct Logo {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    Bytes rows;
    bool loaded() const {
        return width > 0 && height > 0 && rows.size() == std::size_t{width} / 8 * height;
    }
    bool dot(int x, int y) const {
        return (rows[static_cast<std::size_t>(y) * (width / 8u) + static_cast<std::size_t>(x) / 8] &
                (0x80u >> (x % 8))) != 0;
    }
};

struct Operator {
    std::uint16_t password = 0;
    Bytes name;
};

struct Article {
    Bytes name;
    std::int64_t price = 0; // negative for an article of returns
    std::uint8_t group = 0;
    std::uint8_t decimals = 0;
    std::int64_t soldQuantity = 0; // in units of 10^-decimals
    std::int64_t soldSum = 0;
    std::int64_t returnedQuantity = 0;
    std::int64_t returnedSum = 0;
    // Programmed in advance (0x22), or described by a sale line of an unknown article.
    bool programmedInAdvance = true;
};

// Totals of one kind of receipt (sale or payout) over the shift.
struct ReceiptTotals {
    std::uint32_t receipts = 0;
    std::array<std::int64_t, kTaxGroups> byGroup{};
    std::array<std::int64_t, kPaymentForms> byForm{};
    std::int64_t markups = 0;
    std::int64_t discounts = 0;
};

struct CountAndSum {
    std::uint32_t count = 0;
    std::int64_t sum = 0;
};

struct DayCounters {
    ReceiptTotals sale;
    ReceiptTotals payout;
    std::int64_t deposits = 0;                  // service cash-in
    std::int64_t withdrawals = 0;               // service cash-out
    CountAndSum annulledSale, annulledPayout;   // receipts annulled
    CountAndSum cancelledSale, cancelledPayout; // lines cancelled within receipts
};

// One Z report as kept in the fiscal memory.
struct ZRecord {
    std::uint16_t number = 0;
    std::int64_t at = 0; // civil seconds
    DayCounters totals;
    std::uint32_t lastSaleReceipt = 0;
    std::uint32_t lastPayoutReceipt = 0;
};

enum class ReceiptKind { None, Sale, Payout };

struct ReceiptLine {
    enum class Kind { Item, Adjustment, Comment } kind = Kind::Item;
    Bytes name;
    std::int64_t quantity = 0; // in units of 10^-decimals
    std::uint8_t decimals = 0;
    std::int64_t price = 0;
    std::int64_t cost = 0; // signed; negative for a cancellation or a discount
    int group = 0;
    std::uint64_t article = 0;
};

// The receipt being registered (volatile).
struct Receipt {
    ReceiptKind kind = ReceiptKind::None;
    bool paymentStarted = false;
    std::vector<ReceiptLine> lines;
    std::int64_t total = 0;         // what is to be paid
    std::int64_t positiveSales = 0; // sum of the receipt's positive lines, for cancellation checks
    std::array<std::int64_t, kTaxGroups> byGroup{};
    std::array<std::int64_t, kPaymentForms> paid{};
    std::int64_t markups = 0;
    std::int64_t discounts = 0;
    CountAndSum cancelled;
    bool hasItem = false; // a sale or payout line has been registered
    int lastItem = -1;    // index of the last item line in lines
    bool lastItemAdjusted = false;
    std::vector<std::string> tape; // lines printed for this receipt (UTF-8), for the copy
    bool open() const { return kind != ReceiptKind::None; }
};

struct RegisterState {
    Identity identity;
    Programming programming;
    std::array<Operator, kOperators> operators{};
    int cashier = -1; // registered cashier, -1 none

    std::int64_t clockOffset = 0; // register time = clock seam + offset, seconds
    int lineSpeedIndex = 0;       // 0 9600, 1 19200, 2 38400

    // Shift and counters.
    bool shiftOpen = false;
    std::int64_t shiftOpenedAt = 0;
    DayCounters day;
    std::int64_t cashInDrawer = 0;
    std::uint32_t lastSaleReceipt = 0; // running numbers, never reset
    std::uint32_t lastPayoutReceipt = 0;
    std::uint32_t documents = 0;       // every printed document
    std::vector<ZRecord> fiscalMemory; // Z records in order
    std::map<std::uint64_t, Article> articles;
    Logo logo;
    // Memory cells that no counter or setting stands behind: (page << 16 | address) -> byte.
    std::map<std::uint32_t, std::uint8_t> memory;

    // Peripherals and modes (volatile).
    std::uint8_t paperSensors = 0;
    bool drawerOpen = false;
    std::int64_t drawerOpenedAt = 0;
    std::array<Bytes, 2> display;
    bool serviceReportOpen = false;
    bool receiptTapeOnly = false;
    bool lastCommandAbnormal = false;
    bool emergency = false;

    Receipt receipt;
    std::vector<std::string> lastReceiptTape; // the last closed receipt, for a copy

    std::uint16_t nextZNumber() const {
        return static_cast<std::uint16_t>(fiscalMemory.size() + 1);
    }
};

// A register as it leaves the factory: all passwords 0, not fiscalized, group А at 20 %.
RegisterState factoryState(ModelKind model);
// Default firmware text of a model ("РМ-15" or "ЛМ-22") in the register's code page.
Bytes defaultFirmware(ModelKind model);
const char* modelName(ModelKind model); // "rx410f" or "rx520l"

} // namespace kasemu

// Fiscal commands that tell whether they were carried out.
//
// A fiscal command that ends without an answer may still have been carried out
// by the register: once, or, when the line stayed silent and the driver sent it
// again, up to three times (every attempt is a new frame). FiscalSession runs
// the fiscal exports and, after a failure, reads the register's state and
// compares it with the state before the command:
//
//     kashost::FiscalSession register_;
//     const auto v = register_.sale(line);
//     if (v.times != 1) {
//         show(kashost::describe(v)); // "carried out 2 times; settle: 1 cancellation ..."
//     }
//
// The state before is read only when the session does not know it from the
// previous replies (the running sums of the open receipt are kept from the sale
// lines' replies), so a line on a receipt the session has followed costs no
// exchange beyond the sale itself. When the state before cannot be read, the
// command is not sent at all: its verdict is "not carried out" (times 0, sent
// false) with the read's error, and it can simply be tried again. judge() is
// the rule on plain values.
#pragma once

#include "kashost/Queries.h"
#include "kashost/Result.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kashost {

enum class FiscalCommand {
    SaleLine,    // FPSale
    PayoutLine,  // FPPayMoney
    Payment,     // FPPayment
    CashIn,      // FPInToCash
    CashOut,     // FPOutOfCash
    ZeroReceipt, // FPNullCheck
    Annulment,   // FPResetOrder
    ZReport,     // FPDayClrReport
};

// What one command was meant to do, as far as the verdict needs it.
struct FiscalRequest {
    FiscalCommand command = FiscalCommand::SaleLine;
    std::int64_t lineCost = 0; // lines: the cost of one line as the register reckons it
    std::int32_t price = 0;    // lines: the price sent (its negation cancels the line)
    std::uint8_t group = 0;    // lines: tax group 0..5
    std::uint8_t form = 0;     // payment: form 0..3
    std::uint32_t amount = 0;  // payment, cash in and out
    bool closes = false;       // payment: pays the rest and closes the receipt
};

// The register's state as far as the fiscal commands change it. Each command
// compares only its own fields (see judge()).
struct FiscalState {
    ReceiptSums receipt;                      // the open receipt's sums (zeros without one)
    std::optional<std::int64_t> receiptTotal; // what the receipt comes to, when known
    bool receiptOpen = false;
    std::uint16_t saleReceiptNumber = 0; // the last sale receipt
    std::uint16_t annulledReceipts = 0;  // annulled receipts of the day, sale and payout
    std::int64_t moneyInBox = 0;
    std::uint16_t nextZNumber = 0;
};

struct FiscalVerdict {
    FiscalCommand command = FiscalCommand::SaleLine;
    bool answered = false; // the driver reported success
    bool inDoubt = false;  // it failed for want of an answer (time-out, answer not received)
    bool sent = true;      // false: not sent, the state before could not be read
    DriverError error;     // the driver's error when it failed
    // How many times the register carried the command out; nothing when the
    // state does not tell (then `why` says what is missing).
    std::optional<int> times;
    std::string why;
    bool receiptClosed = false; // payment: the receipt is closed
    bool receiptOpen = false;   // zero receipt, annulment: a receipt is still open afterwards
    // What settles a command carried out more than once: lines to register
    // with the price negated (sale and payout lines), or cash to move back
    // (positive: take it out, negative: put it in).
    int cancellations = 0;
    std::int32_t cancelPrice = 0;
    std::int64_t cashCorrection = 0;
    FiscalRequest request;
};

// The verdict of the states before and after a command; `answered` and the
// error come from the driver's result.
FiscalVerdict judge(const FiscalRequest& request, const FiscalState& before,
                    const FiscalState& after);
// The same into a verdict that holds the request and the driver's result,
// which it keeps.
void judge(FiscalVerdict& verdict, const FiscalState& before, const FiscalState& after);

// The verdict in plain lines (UTF-8), for a terminal or a log: what was done,
// and what settles the difference. Empty for a command carried out once.
std::string describe(const FiscalVerdict& verdict);

// The cost of `quantity` (with `decimals` places) at `price`, rounded as the
// register rounds; a unit quantity costs the price.
std::int64_t lineCost(std::int32_t price, std::uint32_t quantity, std::uint8_t decimals,
                      bool unitQuantity);

// One sale or payout line, as FPSale takes it. Texts in Windows-1251.
struct SaleLine {
    std::uint32_t quantity = 0;
    std::uint8_t decimals = 0;
    bool unitQuantity = false;
    std::int32_t price = 0;
    std::uint8_t group = 0;
    bool fromRegister = false; // name, group (and a price of 0) from the programmed article
    bool printBarcode = false;
    std::string name;
    std::int64_t article = 0;
};

// The fiscal exports with a verdict. The exports' outputs are in the verdict's
// companions below; texts and results are the driver's.
class FiscalSession {
  public:
    struct LineReply {
        std::int64_t cost = 0;
        std::int64_t total = 0;
    };
    struct PaymentReply {
        std::uint32_t left = 0; // the change (change set) or the remainder to pay
        bool change = false;
    };

    FiscalVerdict sale(const SaleLine& line, LineReply* reply = nullptr);
    FiscalVerdict payout(const SaleLine& line, LineReply* reply = nullptr);
    FiscalVerdict payment(std::uint8_t form, std::uint32_t amount, bool closes, bool copy,
                          PaymentReply* reply = nullptr);
    FiscalVerdict cashIn(std::uint32_t amount);
    FiscalVerdict cashOut(std::uint32_t amount);
    FiscalVerdict zeroReceipt();
    FiscalVerdict annul();
    FiscalVerdict zReport(std::uint16_t password);

    // Another host call changed the receipt (a discount, a comment, a second
    // program): the running sums are read again before the next line.
    void forget() { receipt_.reset(); }
    // The caller has just read that no receipt is open: the first line needs
    // no read of the receipt's sums.
    void knownClosed() {
        receipt_ = FiscalState{};
        receipt_->receiptTotal = 0;
    }

  private:
    FiscalVerdict line(const SaleLine& line, bool payout, LineReply* reply);
    // No receipt is open after a zero receipt or an annulment that was answered.
    FiscalVerdict afterReceiptEnded(FiscalVerdict v);
    // The receipt's state before a command: as followed, or read.
    bool receiptBefore(FiscalState& before, bool needTotal);
    void follow(const FiscalState& after);

    // The receipt as followed through the replies: open or not, its sums and total.
    std::optional<FiscalState> receipt_;
};

} // namespace kashost

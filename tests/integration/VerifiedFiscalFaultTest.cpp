// The fiscal commands that must not be carried out twice, each under the four
// faults that leave the driver without a timely answer, run through kashost and
// judged against what the register (the emulator) really did.
#include "EmulatorFixture.h"

#include <kashost/Verified.h>

#include "kasemu/Faults.h"
#include "kasemu/RegisterState.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace kastest;

namespace {

enum class Command {
    PartPayment,    // 300 of a 1000 receipt: it stays open
    ClosingPayment, // the whole 1000, closing the receipt
    CashIn,         // 500 into an empty drawer
    CashOut,        // 300 of the 1000 in the drawer
    CashOutAll,     // all of the 1000 in the drawer
    ZeroReceipt,    // annul (nothing open), comment, closing payment of 0
    Annulment,      // of a receipt with one line
    ZReport,        // of a shift with one sale
};

constexpr const char* kTwice = "Команда выполнена принтером более одного раза!\r\n"
                               "Проверьте чек, прежде чем продолжать.";
constexpr const char* kNotOpen = "\r\nКоманда запрещена, чек не открыт";
constexpr const char* kNoCash = "\r\nПопытка выдачи большей суммы наличных, чем в денежном ящике";

struct Cell {
    Command command;
    const char* fault; // aimed at the command's byte
    int times;         // how often the register carries the command out
    bool answered;     // whether the driver reports success
    const char* text;  // the driver's error text when it fails
};

// The driver sends a command that is not repeatable again only after a NAK or
// an answer window in which it heard not one byte; the register takes every
// attempt as a new frame.
// ignore: the first frame is lost, the repeat is carried out and answered.
// nak: the first frame is refused, the repeat is carried out and answered.
// drop: the first frame is carried out in silence, so the repeat is carried
//   out again, unless the register refuses it (a payment or a zero receipt
//   that closed the receipt, a withdrawal that emptied the drawer); its answer,
//   or its refusal, is the driver's answer. An annulment with nothing open is
//   answered as done and does nothing.
// delay:2500: the repeat goes out at 1.728 s, before the first answer; the
//   register then answers the first frame late and carries out the repeat. When
//   it carries it out again the driver says so (an annulment that finds nothing
//   open is answered as done, so the driver must say so there too, though the
//   register annulled once); when it refuses the repeat, the late answer is the
//   command's answer.
const Cell kCells[] = {
    // command, fault, times carried out, answered, the driver's text
    {Command::PartPayment, "drop", 2, true, ""},
    {Command::PartPayment, "delay:2500", 2, false, kTwice},
    {Command::PartPayment, "ignore", 1, true, ""},
    {Command::PartPayment, "nak", 1, true, ""},
    {Command::ClosingPayment, "drop", 1, false, kNotOpen},
    {Command::ClosingPayment, "delay:2500", 1, true, ""},
    {Command::ClosingPayment, "ignore", 1, true, ""},
    {Command::ClosingPayment, "nak", 1, true, ""},
    {Command::CashIn, "drop", 2, true, ""},
    {Command::CashIn, "delay:2500", 2, false, kTwice},
    {Command::CashIn, "ignore", 1, true, ""},
    {Command::CashIn, "nak", 1, true, ""},
    {Command::CashOut, "drop", 2, true, ""},
    {Command::CashOut, "delay:2500", 2, false, kTwice},
    {Command::CashOut, "ignore", 1, true, ""},
    {Command::CashOut, "nak", 1, true, ""},
    {Command::CashOutAll, "drop", 1, false, kNoCash},
    {Command::CashOutAll, "delay:2500", 1, true, ""},
    {Command::CashOutAll, "ignore", 1, true, ""},
    {Command::CashOutAll, "nak", 1, true, ""},
    {Command::ZeroReceipt, "drop", 1, false, kNotOpen},
    {Command::ZeroReceipt, "delay:2500", 1, true, ""},
    {Command::ZeroReceipt, "ignore", 1, true, ""},
    {Command::ZeroReceipt, "nak", 1, true, ""},
    {Command::Annulment, "drop", 1, true, ""},
    {Command::Annulment, "delay:2500", 1, false, kTwice},
    {Command::Annulment, "ignore", 1, true, ""},
    {Command::Annulment, "nak", 1, true, ""},
    {Command::ZReport, "drop", 2, true, ""},
    {Command::ZReport, "delay:2500", 2, false, kTwice},
    {Command::ZReport, "ignore", 1, true, ""},
    {Command::ZReport, "nak", 1, true, ""},
};

using State = kasemu::RegisterState;

// How one command is set up, run and counted on the register.
struct Fiscal {
    const char* name;
    std::uint8_t code; // the command byte the faults aim at
    std::function<bool(kasemu::Emulator&)> prepare;
    std::function<kashost::FiscalVerdict(kashost::FiscalSession&)> run;
    // Times carried out, from the register's state before and after.
    std::function<int(const State&, const State&)> carriedOut;
};

bool Sell(std::int32_t price) {
    return FPSale(nullptr, nullptr, 1, 0, price, 0, 0, 0, "x", 0) == -1;
}

bool FillDrawer(kasemu::Emulator& e) {
    e.withState([](State& s) { s.cashInDrawer = 1000; });
    return true;
}

std::int64_t PaidInCash(const State& s) {
    return s.day.sale.byForm[kasemu::kCashForm] + s.receipt.paid[kasemu::kCashForm];
}

int Steps(std::int64_t delta, std::int64_t unit) {
    return static_cast<int>(delta / unit);
}

Fiscal Of(Command c) {
    switch (c) {
    case Command::PartPayment:
        return {"part payment", 0x14, [](kasemu::Emulator&) { return Sell(1000); },
                [](kashost::FiscalSession& s) { return s.payment(3, 300, false, false); },
                [](const State& b, const State& a) {
                    return Steps(PaidInCash(a) - PaidInCash(b), 300);
                }};
    case Command::ClosingPayment:
        return {"closing payment", 0x14, [](kasemu::Emulator&) { return Sell(1000); },
                [](kashost::FiscalSession& s) { return s.payment(3, 1000, true, false); },
                [](const State& b, const State& a) {
                    return Steps(PaidInCash(a) - PaidInCash(b), 1000);
                }};
    case Command::CashIn:
        return {"cash in", 0x10, [](kasemu::Emulator&) { return true; },
                [](kashost::FiscalSession& s) { return s.cashIn(500); },
                [](const State& b, const State& a) {
                    return Steps(a.cashInDrawer - b.cashInDrawer, 500);
                }};
    case Command::CashOut:
        return {"cash out", 0x18, FillDrawer,
                [](kashost::FiscalSession& s) { return s.cashOut(300); },
                [](const State& b, const State& a) {
                    return Steps(b.cashInDrawer - a.cashInDrawer, 300);
                }};
    case Command::CashOutAll:
        return {"cash out, all", 0x18, FillDrawer,
                [](kashost::FiscalSession& s) { return s.cashOut(1000); },
                [](const State& b, const State& a) {
                    return Steps(b.cashInDrawer - a.cashInDrawer, 1000);
                }};
    case Command::ZeroReceipt:
        // The steps before the closing payment are neither faulted nor counted.
        return {"zero receipt", 0x14, [](kasemu::Emulator&) { return true; },
                [](kashost::FiscalSession& s) { return s.zeroReceipt(); },
                [](const State& b, const State& a) {
                    return static_cast<int>(a.lastSaleReceipt - b.lastSaleReceipt);
                }};
    case Command::Annulment:
        return {"annulment", 0x0F, [](kasemu::Emulator&) { return Sell(1000); },
                [](kashost::FiscalSession& s) { return s.annul(); },
                [](const State& b, const State& a) {
                    return static_cast<int>(a.day.annulledSale.count - b.day.annulledSale.count);
                }};
    case Command::ZReport:
        return {"Z report", 0x0D,
                [](kasemu::Emulator&) {
                    std::uint32_t left = 0;
                    FPBOOL change = 0;
                    return Sell(1000) && FPPayment(&left, &change, 3, 1000, -1, -1) == -1;
                },
                [](kashost::FiscalSession& s) { return s.zReport(0); },
                [](const State& b, const State& a) {
                    return static_cast<int>(a.fiscalMemory.size() - b.fiscalMemory.size());
                }};
    }
    return {};
}

// Waits until the register has sent everything it is going to (the answer to
// a repeat that came after the driver had returned included).
void Quiet(kasemu::Emulator& e) {
    using namespace std::chrono_literals;
    auto last = e.counters();
    for (int still = 0, i = 0; still < 3 && i < 100; ++i) {
        std::this_thread::sleep_for(50ms);
        const auto now = e.counters();
        still = now.bytesSent == last.bytesSent && now.bytesReceived == last.bytesReceived
                    ? still + 1
                    : 0;
        last = now;
    }
}

class VerifiedFiscalFault : public EmulatorTest {};

TEST_F(VerifiedFiscalFault, TellsHowOftenTheRegisterCarriedOutACommandWhoseAnswerWentAmiss) {
    for (const Cell& c : kCells) {
        const Fiscal f = Of(c.command);
        const std::string fault = std::string(c.fault) + "@" + std::to_string(f.code);
        SCOPED_TRACE(std::string(f.name) + " × " + fault);
        Restart(Options());
        ASSERT_TRUE(f.prepare(emu())) << DriverError();
        const State before = emu().state();
        emu().inject(*kasemu::parseFault(fault));

        kashost::FiscalSession session;
        const auto t0 = std::chrono::steady_clock::now();
        const kashost::FiscalVerdict v = f.run(session);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        Quiet(emu());
        const int carried = f.carriedOut(before, emu().state());
        const std::string text = ToUtf8(v.error.text.c_str());
        std::string shown = text;
        std::erase(shown, '\r');
        std::replace(shown.begin(), shown.end(), '\n', ' ');
        std::printf("%-16s %-11s register %d, verdict %d, answered %d, %.2f s %s\n", f.name,
                    c.fault, carried, v.times.value_or(-1), v.answered, seconds, shown.c_str());

        EXPECT_EQ(emu().armedFaults(), 0U) << "the fault never met its command";
        EXPECT_EQ(carried, c.times);
        EXPECT_EQ(v.times.value_or(-1), carried) << v.why;
        EXPECT_EQ(v.answered, c.answered);
        EXPECT_EQ(text, c.text);
    }
}

} // namespace

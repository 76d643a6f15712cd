// The fiscal commands that must not be carried out twice, each under the four
// faults that leave the driver without a timely answer, run through kashost and
// judged against what the register (the emulator) really did.
#include "EmulatorFixture.h"

#include <kashost/Verified.h>

#include "kasemu/Faults.h"
#include "kasemu/RegisterState.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>

using namespace kastest;

namespace {

using State = kasemu::RegisterState;
using Session = kashost::FiscalSession;

constexpr const char* kTwice = "Команда выполнена принтером более одного раза!\r\n"
                               "Проверьте чек, прежде чем продолжать.";
constexpr const char* kNotOpen = "\r\nКоманда запрещена, чек не открыт";
constexpr const char* kNoCash = "\r\nПопытка выдачи большей суммы наличных, чем в денежном ящике";

// How often the register carries the command out, whether the driver reports
// success, and its error text when it does not.
struct Outcome {
    int times;
    bool answered;
    const char* text;
};
constexpr Outcome kOnce{1, true, ""};

bool Sell() {
    return FPSale(nullptr, nullptr, 1, 0, 1000, 0, 0, 0, "x", 0) == -1;
}
bool Nothing(kasemu::Emulator&) {
    return true;
}
bool SellOne(kasemu::Emulator&) {
    return Sell();
}
bool FillDrawer(kasemu::Emulator& e) {
    e.withState([](State& s) { s.cashInDrawer = 1000; });
    return true;
}
int Paid(const State& b, const State& a, std::int64_t unit) {
    const auto cash = [](const State& s) {
        return s.day.sale.byForm[kasemu::kCashForm] + s.receipt.paid[kasemu::kCashForm];
    };
    return static_cast<int>((cash(a) - cash(b)) / unit);
}
int Drawn(const State& b, const State& a, std::int64_t unit) {
    return static_cast<int>((b.cashInDrawer - a.cashInDrawer) / unit);
}

// The driver sends a command that is not repeatable again only after a NAK or
// an answer window in which it heard not one byte; the register takes every
// attempt as a new frame. ignore and nak: the repeat is carried out once and
// answered. drop: the first frame is carried out in silence, so the repeat is
// carried out again unless the register refuses it (a payment or zero receipt
// that closed the receipt, a withdrawal that emptied the drawer); an annulment
// with nothing open is answered as done and does nothing. delay:2500: the
// repeat goes out at 1.728 s; the register answers the first frame late and
// carries out the repeat, which the driver reports, or refuses it, and the
// late answer is the command's answer. An annulment that finds nothing open is
// answered as done, so the driver reports twice though the register annulled once.
const struct Row {
    const char* name;
    std::uint8_t code; // the command byte the faults aim at
    std::function<bool(kasemu::Emulator&)> prepare;
    std::function<kashost::FiscalVerdict(Session&)> run;
    std::function<int(const State&, const State&)> carriedOut; // from the states
    Outcome drop;
    Outcome delay;
} kRows[] = {
    {"part payment",
     0x14,
     SellOne,
     [](Session& s) { return s.payment(3, 300, false, false); },
     [](const State& b, const State& a) { return Paid(b, a, 300); },
     {2, true, ""},
     {2, false, kTwice}},
    {"closing payment",
     0x14,
     SellOne,
     [](Session& s) { return s.payment(3, 1000, true, false); },
     [](const State& b, const State& a) { return Paid(b, a, 1000); },
     {1, false, kNotOpen},
     kOnce},
    {"cash in",
     0x10,
     Nothing,
     [](Session& s) { return s.cashIn(500); },
     [](const State& b, const State& a) { return -Drawn(b, a, 500); },
     {2, true, ""},
     {2, false, kTwice}},
    {"cash out",
     0x18,
     FillDrawer,
     [](Session& s) { return s.cashOut(300); },
     [](const State& b, const State& a) { return Drawn(b, a, 300); },
     {2, true, ""},
     {2, false, kTwice}},
    {"cash out, all",
     0x18,
     FillDrawer,
     [](Session& s) { return s.cashOut(1000); },
     [](const State& b, const State& a) { return Drawn(b, a, 1000); },
     {1, false, kNoCash},
     kOnce},
    // Annul (nothing open), comment, closing payment of 0: the last one is faulted.
    {"zero receipt",
     0x14,
     Nothing,
     [](Session& s) { return s.zeroReceipt(); },
     [](const State& b, const State& a) {
         return static_cast<int>(a.lastSaleReceipt - b.lastSaleReceipt);
     },
     {1, false, kNotOpen},
     kOnce},
    {"annulment",
     0x0F,
     SellOne,
     [](Session& s) { return s.annul(); },
     [](const State& b, const State& a) {
         return static_cast<int>(a.day.annulledSale.count - b.day.annulledSale.count);
     },
     kOnce,
     {1, false, kTwice}},
    {"Z report",
     0x0D,
     [](kasemu::Emulator&) {
         std::uint32_t left = 0;
         FPBOOL change = 0;
         return Sell() && FPPayment(&left, &change, 3, 1000, -1, -1) == -1;
     },
     [](Session& s) { return s.zReport(0); },
     [](const State& b, const State& a) {
         return static_cast<int>(a.fiscalMemory.size() - b.fiscalMemory.size());
     },
     {2, true, ""},
     {2, false, kTwice}},
};

// Waits until the register has sent everything it is going to (the answer to
// a repeat that came after the driver had returned included).
void Quiet(kasemu::Emulator& e) {
    auto last = e.counters();
    for (int still = 0, i = 0; still < 3 && i < 100; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const auto now = e.counters();
        const bool same =
            now.bytesSent == last.bytesSent && now.bytesReceived == last.bytesReceived;
        still = same ? still + 1 : 0;
        last = now;
    }
}

class VerifiedFiscalFault : public EmulatorTest {};

TEST_F(VerifiedFiscalFault, TellsHowOftenTheRegisterCarriedOutACommandWhoseAnswerWentAmiss) {
    for (const Row& r : kRows) {
        const std::pair<const char*, Outcome> faults[] = {
            {"drop", r.drop}, {"delay:2500", r.delay}, {"ignore", kOnce}, {"nak", kOnce}};
        for (const auto& [name, want] : faults) {
            const std::string fault = std::string(name) + "@" + std::to_string(r.code);
            SCOPED_TRACE(std::string(r.name) + " × " + fault);
            Restart(Options());
            ASSERT_TRUE(r.prepare(emu())) << DriverError();
            const State before = emu().state();
            emu().inject(*kasemu::parseFault(fault));
            Session session;
            const kashost::FiscalVerdict v = r.run(session);
            Quiet(emu());
            const int carried = r.carriedOut(before, emu().state());

            EXPECT_EQ(emu().armedFaults(), 0U) << "the fault never met its command";
            EXPECT_EQ(carried, want.times);
            EXPECT_EQ(v.times.value_or(-1), carried) << v.why;
            EXPECT_EQ(v.answered, want.answered);
            EXPECT_EQ(ToUtf8(v.error.text.c_str()), want.text);
        }
    }
}

} // namespace

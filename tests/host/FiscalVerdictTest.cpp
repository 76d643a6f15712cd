// The verdict rule: from the state before and after a fiscal command, how many
// times the register carried it out and what settles the difference.
#include <kashost/Verified.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using kashost::FiscalCommand;
using kashost::FiscalRequest;
using kashost::FiscalState;

FiscalRequest Line(FiscalCommand c, std::int32_t price, std::int64_t cost, std::uint8_t group) {
    FiscalRequest r;
    r.command = c;
    r.price = price;
    r.lineCost = cost;
    r.group = group;
    return r;
}

FiscalRequest Amount(FiscalCommand c, std::uint32_t amount, std::uint8_t form = 3,
                     bool closes = false) {
    FiscalRequest r;
    r.command = c;
    r.amount = amount;
    r.form = form;
    r.closes = closes;
    return r;
}

FiscalState Group(std::size_t g, std::uint32_t sum) {
    FiscalState s;
    s.receipt.byGroup[g] = sum;
    s.receiptOpen = sum != 0;
    return s;
}

FiscalState Paid(std::uint32_t cash, bool open, std::optional<std::int64_t> total = {}) {
    FiscalState s;
    s.receipt.byForm[3] = cash;
    s.receiptOpen = open;
    s.receiptTotal = total;
    return s;
}

FiscalState Money(std::int64_t m) {
    FiscalState s;
    s.moneyInBox = m;
    return s;
}

FiscalState Counters(std::uint16_t saleNumber, std::uint16_t annulled, std::uint16_t nextZ,
                     bool open = false) {
    FiscalState s;
    s.saleReceiptNumber = saleNumber;
    s.annulledReceipts = annulled;
    s.nextZNumber = nextZ;
    s.receiptOpen = open;
    return s;
}

struct Case {
    const char* name;
    FiscalRequest request;
    FiscalState before;
    FiscalState after;
    std::optional<int> times;
    int cancellations = 0;
    std::int32_t cancelPrice = 0;
    std::int64_t cashCorrection = 0;
    bool receiptClosed = false;
};

TEST(FiscalVerdict, TimesAndSettlementFollowFromTheStates) {
    const auto sale = FiscalCommand::SaleLine;
    const Case cases[] = {
        {"sale once", Line(sale, 150, 300, 0), Group(0, 500), Group(0, 800), 1},
        {"sale three times", Line(sale, 150, 300, 0), Group(0, 500), Group(0, 1400), 3, 2, -150},
        {"sale not carried out", Line(sale, 150, 300, 0), Group(0, 500), Group(0, 500), 0},
        {"sums moved by a part of a line", Line(sale, 150, 300, 0), Group(0, 500), Group(0, 650),
         std::nullopt},
        {"more than the driver's three attempts", Line(sale, 100, 100, 0), Group(0, 0),
         Group(0, 400), std::nullopt},
        {"a line of cost 0 leaves no trace", Line(sale, 0, 0, 0), Group(0, 500), Group(0, 500),
         std::nullopt},
        {"a cancellation twice: the line again", Line(sale, -200, -200, 1), Group(1, 1000),
         Group(1, 600), 2, 1, 200},
        {"payout line twice, its own group", Line(FiscalCommand::PayoutLine, 999, 999, 2),
         Group(2, 0), Group(2, 1998), 2, 1, -999},
        {"only the line's group counts", Line(sale, 150, 300, 0), Group(1, 500), Group(1, 800), 0},
        {"part payment twice", Amount(FiscalCommand::Payment, 1000), Paid(0, true),
         Paid(2000, true), 2},
        {"payment of the rest closed the receipt", Amount(FiscalCommand::Payment, 0, 3, true),
         Paid(500, true), Paid(0, false), 1, 0, 0, 0, true},
        {"closed on the second attempt", Amount(FiscalCommand::Payment, 1000),
         Paid(1000, true, 2340), Paid(0, false), 2, 0, 0, 0, true},
        {"closed, total unknown", Amount(FiscalCommand::Payment, 1000), Paid(1000, true),
         Paid(0, false), std::nullopt, 0, 0, 0, true},
        {"payment refused", Amount(FiscalCommand::Payment, 1000), Paid(0, false), Paid(0, false),
         0},
        {"closing payment refused", Amount(FiscalCommand::Payment, 0, 3, true), Paid(500, true),
         Paid(500, true), 0},
        {"deposit three times", Amount(FiscalCommand::CashIn, 500), Money(0), Money(1500), 3, 0, 0,
         1000},
        {"withdrawal twice", Amount(FiscalCommand::CashOut, 500), Money(2000), Money(1000), 2, 0, 0,
         -500},
        {"withdrawal not carried out", Amount(FiscalCommand::CashOut, 500), Money(2000),
         Money(2000), 0},
        {"zero receipt once", Amount(FiscalCommand::ZeroReceipt, 0), Counters(5, 0, 0),
         Counters(6, 0, 0), 1},
        {"zero receipt left open", Amount(FiscalCommand::ZeroReceipt, 0), Counters(5, 0, 0),
         Counters(5, 0, 0, true), 0},
        {"annulment once", Amount(FiscalCommand::Annulment, 0), Counters(0, 2, 0, true),
         Counters(0, 3, 0), 1},
        {"Z report twice", Amount(FiscalCommand::ZReport, 0), Counters(0, 0, 3), Counters(0, 0, 5),
         2},
        {"Z number went back", Amount(FiscalCommand::ZReport, 0), Counters(0, 0, 3),
         Counters(0, 0, 2), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const kashost::FiscalVerdict v = kashost::judge(c.request, c.before, c.after);
        EXPECT_EQ(v.times, c.times);
        EXPECT_EQ(v.times.has_value(), v.why.empty()) << v.why;
        EXPECT_EQ(v.cancellations, c.cancellations);
        EXPECT_EQ(v.cancelPrice, c.cancelPrice);
        EXPECT_EQ(v.cashCorrection, c.cashCorrection);
        EXPECT_EQ(v.receiptClosed, c.receiptClosed);
    }
}

TEST(FiscalVerdict, TextSaysWhatHappenedAndWhatSettlesIt) {
    struct Row {
        FiscalRequest request;
        FiscalState before, after;
        bool answered;
        std::vector<std::string> says;
    };
    const Row rows[] = {
        {Line(FiscalCommand::SaleLine, 1240, 1240, 0),
         Group(0, 0),
         Group(0, 3720),
         false,
         {"sale line: carried out 3 times, though its answer was lost",
          "settle: 2 cancellations: the same line at price -12.40, each"}},
        {Line(FiscalCommand::SaleLine, 1240, 1240, 0),
         Group(0, 0),
         Group(0, 2480),
         true,
         {"sale line: carried out 2 times\n", "1 cancellation: the same line at price -12.40\n"}},
        {Line(FiscalCommand::SaleLine, 5, 5, 0),
         Group(0, 0),
         Group(0, 0),
         false,
         {"sale line: not carried out; it can be sent again"}},
        {Amount(FiscalCommand::CashIn, 2550),
         Money(0),
         Money(5100),
         false,
         {"service deposit: carried out 2 times", "settle: a service withdrawal of 25.50"}},
        {Amount(FiscalCommand::ZeroReceipt, 0),
         Counters(1, 0, 0),
         Counters(1, 0, 0, true),
         false,
         {"not carried out", "a receipt is open: annul it"}},
        {Line(FiscalCommand::SaleLine, 100, 100, 0),
         Group(0, 0),
         Group(0, 150),
         false,
         {"whether it was carried out is not known", "check the register"}},
    };
    for (const Row& r : rows) {
        kashost::FiscalVerdict v = kashost::judge(r.request, r.before, r.after);
        v.answered = r.answered;
        const std::string text = kashost::describe(v);
        for (const std::string& part : r.says) {
            EXPECT_NE(text.find(part), std::string::npos) << text;
        }
    }
    // Carried out once as answered: nothing to say.
    kashost::FiscalVerdict once =
        kashost::judge(Line(FiscalCommand::SaleLine, 1, 1, 0), Group(0, 0), Group(0, 1));
    once.answered = true;
    EXPECT_EQ(kashost::describe(once), "");
}

TEST(FiscalVerdict, LineCostRoundsHalfAKopeckAwayFromZero) {
    struct Row {
        std::int32_t price;
        std::uint32_t quantity;
        std::uint8_t decimals;
        bool unit;
        std::int64_t cost;
    } const rows[] = {
        {1234, 15, 1, false, 1851}, {1, 5, 1, false, 1},        {-1, 5, 1, false, -1},
        {333, 1500, 3, false, 500}, {333, 1499, 3, false, 499}, {777, 3, 0, true, 777},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(kashost::lineCost(r.price, r.quantity, r.decimals, r.unit), r.cost)
            << r.price << " x " << r.quantity << "/10^" << int(r.decimals);
    }
}

} // namespace

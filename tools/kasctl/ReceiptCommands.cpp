// Receipts, service cash and operators.
#include "Subcommand.h"
#include "kashost/Register.h"

#include <array>
#include <limits>

namespace kasctl {

namespace {

using kashost::reg::kUnitQuantityFlag;

// "1.5" → 15 with one decimal place; up to three places, "," or ".".
bool ParseQuantity(Args& args, std::size_t i, int32_t& quantity, uint8_t& decimals) {
    const std::string& w = args.Word(i);
    std::string digits;
    int places = -1;
    for (const char c : w) {
        if ((c == '.' || c == ',') && places < 0) {
            places = 0;
        } else if (c >= '0' && c <= '9' && digits.size() < 9) {
            digits.push_back(c);
            places += places >= 0 ? 1 : 0;
        } else {
            digits.clear();
            break;
        }
    }
    if (digits.empty() || places > 3) {
        args.Fail("'" + w + "': expected a quantity such as 2 or 1.5 (up to 3 decimals)");
        return false;
    }
    quantity = std::stoi(digits);
    decimals = static_cast<uint8_t>(places < 0 ? 0 : places);
    return true;
}

// 0-3 or card, credit, cheque, cash.
uint8_t PaymentForm(Args& args, std::size_t i) {
    const auto& kForms = kashost::reg::kPaymentForms;
    for (std::size_t f = 0; f < kForms.size(); ++f) {
        if (args.Word(i) == kForms[f]) {
            return static_cast<uint8_t>(f);
        }
    }
    const std::string& w = args.Word(i);
    if (w.size() != 1 || w[0] < '0' || w[0] > '3') {
        args.Fail("'" + w + "': expected card, credit, cheque or cash (or 0 to 3)");
        return 0;
    }
    return static_cast<uint8_t>(w[0] - '0');
}

uint32_t Amount(Args& args, std::size_t i) {
    const int64_t kopecks = args.Money(i);
    if (args.ok() && (kopecks < 0 || kopecks > std::numeric_limits<uint32_t>::max())) {
        args.Fail("'" + args.Word(i) + "': expected a non-negative amount");
    }
    return static_cast<uint32_t>(kopecks);
}

// QTY PRICE GROUP NAME [CODE] [unit] [barcode] [stored]
int16_t Line(Args& args, bool payout) {
    int32_t quantity = 0;
    uint8_t flags = 0;
    ParseQuantity(args, 0, quantity, flags);
    const int64_t price = args.Money(1);
    if (args.ok() && (price < -std::numeric_limits<int32_t>::max() ||
                      price > std::numeric_limits<int32_t>::max())) {
        args.Fail("'" + args.Word(1) + "': price out of range");
    }
    const uint8_t group = args.TaxGroup(2);
    const std::string name = args.Text(3);
    int64_t code = 0;
    bool printBarcode = false;
    bool fromRegister = false;
    for (std::size_t i = 4; i < args.size(); ++i) {
        const std::string& w = args.Word(i);
        if (w == "unit") {
            flags |= kUnitQuantityFlag;
        } else if (w == "barcode") {
            printBarcode = true;
        } else if (w == "stored") {
            fromRegister = true;
        } else if (i == 4) {
            code = args.Int(i, 0, std::numeric_limits<int64_t>::max());
        } else {
            args.Fail("'" + w + "': expected unit, barcode or stored");
        }
    }
    if (!args.ok()) {
        return 0;
    }
    kashost::SaleLine line;
    line.quantity = static_cast<uint32_t>(quantity);
    line.decimals = static_cast<uint8_t>(flags & ~kUnitQuantityFlag);
    line.unitQuantity = (flags & kUnitQuantityFlag) != 0;
    line.price = static_cast<int32_t>(price);
    line.group = group;
    line.fromRegister = fromRegister;
    line.printBarcode = printBarcode;
    line.name = name;
    line.article = code;
    kashost::FiscalSession session;
    kashost::FiscalSession::LineReply reply;
    const kashost::FiscalVerdict verdict =
        payout ? session.payout(line, &reply) : session.sale(line, &reply);
    if (verdict.answered) {
        PrintMoney("line cost", reply.cost);
        PrintMoney("receipt total", reply.total);
    }
    return ReportVerdict(verdict);
}

int16_t Sale(Args& args) {
    return Line(args, false);
}
int16_t Payout(Args& args) {
    return Line(args, true);
}

// FORM AMOUNT [close] [copy]
int16_t Pay(Args& args) {
    const uint8_t form = PaymentForm(args, 0);
    const uint32_t amount = Amount(args, 1);
    bool close = false;
    bool copy = false;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (args.Word(i) == "close") {
            close = true;
        } else if (args.Word(i) == "copy") {
            copy = true;
        } else {
            args.Fail("'" + args.Word(i) + "': expected close or copy");
        }
    }
    if (!args.ok()) {
        return 0;
    }
    kashost::FiscalSession session;
    kashost::FiscalSession::PaymentReply reply;
    const kashost::FiscalVerdict verdict = session.payment(form, amount, close, copy, &reply);
    if (verdict.answered) {
        PrintMoney(reply.change ? "change" : "remainder", reply.left);
    }
    return ReportVerdict(verdict);
}

// TEXT [flag]
int16_t Comment(Args& args) {
    const std::string text = args.Text(0);
    const bool flag = args.Has(1) && args.Bool(1);
    return args.ok() ? FPComment(text.c_str(), flag ? -1 : 0) : 0;
}

// TYPE VALUE [discount|surcharge] [TEXT]
int16_t Discount(Args& args) {
    const auto type = static_cast<uint8_t>(args.Int(0, 0, 3));
    const bool byPercent = type == 0 || type == 2;
    const int64_t value = byPercent ? args.Int(1, 0, 100) : args.Money(1);
    if (args.ok() && (value < 0 || value > std::numeric_limits<int32_t>::max())) {
        args.Fail("'" + args.Word(1) + "': expected a non-negative amount");
    }
    bool isDiscount = true;
    if (args.Has(2)) {
        if (args.Word(2) == "surcharge") {
            isDiscount = false;
        } else if (args.Word(2) != "discount") {
            args.Fail("'" + args.Word(2) + "': expected discount or surcharge");
        }
    }
    const std::string text = args.Text(3);
    if (!args.ok()) {
        return 0;
    }
    int64_t result = 0;
    int64_t total = 0;
    const auto v = static_cast<int32_t>(value);
    const int16_t rc = FPDiscount(&result, &total, type, byPercent ? v : 0, byPercent ? 0 : v,
                                  isDiscount ? -1 : 0, text.c_str());
    if (rc != 0) {
        PrintMoney(isDiscount ? "discount" : "surcharge", result);
        PrintMoney("receipt total", total);
    }
    return rc;
}

int16_t NullReceipt(Args&) {
    return ReportVerdict(kashost::FiscalSession().zeroReceipt());
}
int16_t Feed(Args&) {
    return FPLineFeed();
}
int16_t Annul(Args&) {
    return ReportVerdict(kashost::FiscalSession().annul());
}

int16_t CashIn(Args& args) {
    const uint32_t amount = Amount(args, 0);
    return args.ok() ? ReportVerdict(kashost::FiscalSession().cashIn(amount)) : 0;
}

int16_t CashOut(Args& args) {
    const uint32_t amount = Amount(args, 0);
    return args.ok() ? ReportVerdict(kashost::FiscalSession().cashOut(amount)) : 0;
}

// NO PASSWORD [NAME]; without a name the register's stored name is used.
int16_t Cashier(Args& args) {
    const auto number = static_cast<uint8_t>(args.Int(0, 0, 9));
    const auto password = static_cast<uint16_t>(args.Int(1, 0, 65535));
    const std::string name = args.Text(2);
    if (!args.ok()) {
        return 0;
    }
    return FPSetCashier(number, name.c_str(), password, args.Has(2) ? 0 : -1);
}

// NO OLD NEW [NAME]
int16_t Password(Args& args) {
    const auto number = static_cast<uint8_t>(args.Int(0, 0, 9));
    const auto oldPassword = static_cast<uint16_t>(args.Int(1, 0, 65535));
    const auto newPassword = static_cast<uint16_t>(args.Int(2, 0, 65535));
    const std::string name = args.Text(3);
    return args.ok() ? FPSetPassword(oldPassword, newPassword, number, name.c_str()) : 0;
}

} // namespace

constexpr std::string_view kLineDetails =
    "PRICE  price in hryvnias (12.34); a negative price cancels a line of the receipt\n"
    "CODE  article code, 0 to 281474976710655 (default 0)\n"
    "unit  mark the quantity as a unit quantity (the console's option to take\n"
    "  a unit quantity)\n"
    "barcode  print the article's code as a bar code\n"
    "stored  take name and price from the article programmed under CODE\n" KASCTL_VERDICT_HELP;

KASCTL_SUBCOMMAND({"sale",
                   "QTY PRICE GROUP NAME [CODE] [unit] [barcode] [stored]",
                   "sale line (negative price cancels); group А-Е or 0-5",
                   4,
                   &Sale,
                   {},
                   kLineDetails});
KASCTL_SUBCOMMAND({"payout",
                   "QTY PRICE GROUP NAME [CODE] [unit] [barcode] [stored]",
                   "payout line",
                   4,
                   &Payout,
                   {},
                   kLineDetails});
KASCTL_SUBCOMMAND({"pay",
                   "card|credit|cheque|cash AMOUNT [close] [copy]",
                   "payment; close pays the rest, copy prints a non-fiscal copy",
                   2,
                   &Pay,
                   {},
                   "card|credit|cheque|cash  the form of payment (or its number 0 to 3)\n"
                   "close  close the receipt, the rest paid in this form\n"
                   "copy  also print a non-fiscal copy of the receipt\n" KASCTL_VERDICT_HELP});
KASCTL_SUBCOMMAND({"comment", "TEXT [yes|no]", "comment line (at most 27 characters)", 1, &Comment,
                   "the comment was printed",
                   "yes|no  the comment's flag, sent with its length (default no)"});
KASCTL_SUBCOMMAND({"discount",
                   "0-3 VALUE [discount|surcharge] [TEXT]",
                   "0/2 percent on line/subtotal, 1/3 amount on line/subtotal",
                   2,
                   &Discount,
                   {},
                   "0-3  0 percent on the last line, 1 amount on the last line,\n"
                   "  2 percent on the subtotal, 3 amount on the subtotal\n"
                   "VALUE  percent 0 to 100 (types 0, 2) or an amount such as 5.50 (1, 3)\n"
                   "discount|surcharge  which of the two (default discount)\n"
                   "TEXT  printed beside it (may be empty)"});
KASCTL_SUBCOMMAND({"null-receipt", "", "print a zero receipt", 0, &NullReceipt,
                   "a zero receipt was printed", KASCTL_VERDICT_HELP});
KASCTL_SUBCOMMAND({"feed", "", "feed one line", 0, &Feed, "the paper was fed one line"});
KASCTL_SUBCOMMAND({"annul", "", "annul the open receipt", 0, &Annul,
                   "the open receipt was annulled", KASCTL_VERDICT_HELP});
KASCTL_SUBCOMMAND({"cash-in", "AMOUNT", "service cash deposit", 1, &CashIn,
                   "the service deposit was registered", KASCTL_VERDICT_HELP});
KASCTL_SUBCOMMAND({"cash-out", "AMOUNT", "service cash withdrawal", 1, &CashOut,
                   "the service withdrawal was registered", KASCTL_VERDICT_HELP});
KASCTL_SUBCOMMAND({"cashier", "NO PASSWORD [NAME]",
                   "register cashier 0-9 on duty (no name: the stored one)", 2, &Cashier,
                   "the cashier was registered",
                   "NAME  at most 15 characters; without it the register's stored name"});
KASCTL_SUBCOMMAND({"password", "NO OLD NEW [NAME]",
                   "change operator NO's password (0-7 cashiers, 8 programming, 9 reports)", 3,
                   &Password, "the password was changed",
                   "NAME  the operator's name, at most 15 characters (may be left out)"});

} // namespace kasctl

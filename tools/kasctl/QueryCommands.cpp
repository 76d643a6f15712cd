// Reading data out of the register: day totals, receipt sums, tax rates,
// articles, counters, passwords, cash and raw memory.
#include "Subcommand.h"
#include "kashost/Register.h"

#include <array>
#include <cstdio>
#include <limits>
#include <string>

namespace kasctl {

namespace {

using kashost::reg::kPaymentForms;
using kashost::reg::kTaxGroupLetters;

// Hundredths of a percent as "20.00%".
std::string Percent(int64_t hundredths) {
    return FormatMoney(hundredths) + "%";
}

// A quantity with its decimal places: 1500 with 3 is "1.500".
std::string Quantity(uint32_t value, uint8_t decimals) {
    std::string digits = std::to_string(value);
    if (decimals == 0 || decimals > 9) {
        return digits;
    }
    if (digits.size() <= decimals) {
        digits.insert(0, decimals + 1 - digits.size(), '0');
    }
    digits.insert(digits.size() - decimals, ".");
    return digits;
}

template <std::size_t N>
void PrintSums(const std::string& prefix, const std::array<int64_t, N>& sums,
               const std::array<std::string_view, N>& names) {
    for (std::size_t k = 0; k < N; ++k) {
        PrintMoney(prefix + " " + std::string(names[k]), sums[k]);
    }
}

int16_t DayReport(Args&) {
    const auto d = kashost::readDayReport();
    if (!d) {
        return 0;
    }
    PrintNumber("last sale receipt", d->saleReceipts);
    PrintSums("sales, group", d->saleByGroup, kTaxGroupLetters);
    PrintSums("sales,", d->saleByForm, kPaymentForms);
    PrintMoney("sales, markups", d->saleMarkups);
    PrintMoney("sales, discounts", d->saleDiscounts);
    PrintNumber("last payout receipt", d->payoutReceipts);
    PrintSums("payouts, group", d->payoutByGroup, kTaxGroupLetters);
    PrintSums("payouts,", d->payoutByForm, kPaymentForms);
    PrintMoney("payouts, markups", d->payoutMarkups);
    PrintMoney("payouts, discounts", d->payoutDiscounts);
    PrintMoney("service deposits", d->serviceDeposits);
    PrintMoney("service withdrawals", d->serviceWithdrawals);
    return -1;
}

int16_t CheckSums(Args&) {
    const auto sums = kashost::readReceiptSums();
    if (sums) {
        for (int k = 0; k < 6; ++k) {
            PrintMoney("group " + std::string(kTaxGroupLetters[k]), sums->byGroup[k]);
        }
        for (int k = 0; k < 4; ++k) {
            PrintMoney(kPaymentForms[k], sums->byForm[k]);
        }
    }
    return ResultOf(sums);
}

// One group's rate, with its levy when the register keeps levies.
std::string RateText(bool levy, int32_t rate, int32_t levyRate) {
    std::string value = Percent(rate);
    if (levy) {
        value += " + levy " + Percent(levyRate);
    }
    return value;
}

int16_t TaxRates(Args&) {
    const auto r = kashost::readDatedTaxRates();
    if (!r) {
        return 0;
    }
    PrintLine("programmed on", FormatDate(r->programmingDate));
    PrintLine("tax", r->addedTax ? "added on top" : "included");
    PrintFlag("levies", r->levy ? -1 : 0);
    for (std::size_t k = 0; k < r->records.size() && k < 5; ++k) {
        PrintLine("group " + std::string(kTaxGroupLetters[k]),
                  RateText(r->levy, r->records[k].rate, r->records[k].levyRate));
    }
    return -1;
}

int16_t TaxRatesMemory(Args&) {
    const auto r = kashost::readTaxRates();
    if (!r) {
        return 0;
    }
    PrintNumber("rates", r->count);
    PrintLine("tax", r->addedTax ? "added on top" : "included");
    PrintFlag("levies", r->levy ? -1 : 0);
    for (int k = 0; k < r->count && k < 5; ++k) {
        PrintLine("group " + std::string(kTaxGroupLetters[k]),
                  RateText(r->levy, r->rates[k], r->levyRates[k]));
    }
    return -1;
}

int16_t Article(Args& args) {
    const int64_t code = args.Int(0, 0, (int64_t{1} << 48) - 1);
    if (!args.ok()) {
        return 0;
    }
    const auto a = kashost::readArticle(code);
    if (!a) {
        return 0;
    }
    PrintLine("name", FromDriverText(a->name.c_str()));
    PrintMoney("price", a->price);
    PrintLine("tax group", a->taxGroup ? kTaxGroupLetters[*a->taxGroup % 6] : "?");
    PrintLine("sold", Quantity(a->saleQuantity, a->saleDecimals));
    PrintMoney("sales sum", a->saleSum);
    PrintLine("returned", Quantity(a->returnQuantity, a->returnDecimals));
    PrintMoney("returns sum", a->returnSum);
    return -1;
}

// A query of one number or sum, printed under its label when it succeeds.
template <typename T>
int16_t ShowValue(std::optional<T> (*query)(), std::string_view label,
                  void (*print)(std::string_view, int64_t)) {
    const std::optional<T> value = query();
    if (value) {
        print(label, static_cast<int64_t>(*value));
    }
    return ResultOf(value);
}

int16_t SaleReceiptNumber(Args&) {
    return ShowValue(&kashost::readSaleReceiptNumber, "last sale receipt", &PrintNumber);
}

int16_t PayoutReceiptNumber(Args&) {
    return ShowValue(&kashost::readPayoutReceiptNumber, "last payout receipt", &PrintNumber);
}

int16_t SaleDaySum(Args&) {
    return ShowValue(&kashost::readSaleDaySum, "day sales", &PrintMoney);
}

int16_t PayoutDaySum(Args&) {
    return ShowValue(&kashost::readPayoutDaySum, "day payouts", &PrintMoney);
}

int16_t ZNumber(Args&) {
    const auto z = kashost::readLastZReport();
    if (z) {
        PrintNumber("last Z report", z->number);
        PrintLine("date of the last Z report", FormatDate(z->date));
    }
    return ResultOf(z);
}

int16_t Totals(const std::optional<kashost::ReceiptCounters>& c) {
    if (c) {
        PrintNumber("on sale receipts", c->saleCount);
        PrintMoney("sum on sale receipts", c->saleSum);
        PrintNumber("on payout receipts", c->payoutCount);
        PrintMoney("sum on payout receipts", c->payoutSum);
    }
    return ResultOf(c);
}

int16_t Annulments(Args&) {
    return Totals(kashost::readAnnulments());
}
int16_t Cancellations(Args&) {
    return Totals(kashost::readCancellations());
}

int16_t Passwords(Args&) {
    const auto p = kashost::readPasswords();
    if (p) {
        for (int k = 0; k < 8; ++k) {
            PrintNumber("cashier " + std::to_string(k), p->cashier(k));
        }
        PrintNumber("programming (8)", p->programming());
        PrintNumber("reports (9)", p->reports());
    }
    return ResultOf(p);
}

int16_t CashInDrawer(Args&) {
    return ShowValue(&kashost::readMoneyInBox, "cash in the drawer", &PrintMoney);
}

// ADDR PAGE COUNT: a hex dump, 16 bytes a line, each line with its address.
int16_t Memory(Args& args) {
    const auto address = static_cast<uint16_t>(args.Int(0, 0, 0xFFFF));
    const auto page = static_cast<uint8_t>(args.Int(1, 0, 255));
    const auto count = static_cast<uint8_t>(args.Int(2, 1, 255));
    if (!args.ok()) {
        return 0;
    }
    const auto block = kashost::readMemory(address, page, count);
    if (!block) {
        return 0;
    }
    const auto& buffer = *block;
    const auto got = static_cast<int>(buffer.size());
    if (JsonOutput()) {
        std::string hex;
        for (int i = 0; i < got; ++i) {
            char pair[3];
            std::snprintf(pair, sizeof pair, "%02X", buffer[static_cast<std::size_t>(i)]);
            hex += pair;
        }
        PrintNumber("page", page);
        PrintNumber("address", address);
        PrintLine("bytes", hex);
        return -1;
    }
    for (int line = 0; line < got; line += 16) {
        std::printf("%02X:%04X ", page, (address + line) & 0xFFFF);
        std::string ascii;
        for (int i = line; i < line + 16; ++i) {
            if (i < got) {
                const auto byte = buffer[static_cast<std::size_t>(i)];
                std::printf(" %02X", byte);
                ascii += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
            } else {
                std::printf("   ");
            }
        }
        std::printf("  %s\n", ascii.c_str());
    }
    MarkPrinted();
    return -1;
}

} // namespace

KASCTL_SUBCOMMAND({"day-report", "", "the day's counters and sums", 0, &DayReport});
KASCTL_SUBCOMMAND({"check-sums", "", "sums of the open receipt", 0, &CheckSums});
KASCTL_SUBCOMMAND({"tax-rates", "", "tax rates with the date they were programmed", 0, &TaxRates});
KASCTL_SUBCOMMAND({"tax-rates-memory", "", "tax rates as kept in the register's memory", 0,
                   &TaxRatesMemory});
KASCTL_SUBCOMMAND({"article", "CODE", "one article with its day totals", 1, &Article});
KASCTL_SUBCOMMAND({"sale-receipt-number", "", "number of the last sale receipt", 0,
                   &SaleReceiptNumber});
KASCTL_SUBCOMMAND({"payout-receipt-number", "", "number of the last payout receipt", 0,
                   &PayoutReceiptNumber});
KASCTL_SUBCOMMAND({"sale-day-sum", "", "the day's sales over all groups", 0, &SaleDaySum});
KASCTL_SUBCOMMAND({"payout-day-sum", "", "the day's payouts over all groups", 0, &PayoutDaySum});
KASCTL_SUBCOMMAND({"z-number", "", "number and date of the last Z report", 0, &ZNumber});
KASCTL_SUBCOMMAND({"annulments", "", "annulled receipts of the day", 0, &Annulments});
KASCTL_SUBCOMMAND({"cancellations", "", "cancellations inside receipts of the day", 0,
                   &Cancellations});
KASCTL_SUBCOMMAND({"passwords", "", "the ten passwords: cashiers 0-7, 8 programming, 9 reports", 0,
                   &Passwords});
KASCTL_SUBCOMMAND({"cash-in-drawer", "", "cash in the drawer", 0, &CashInDrawer});
KASCTL_SUBCOMMAND({"memory", "ADDR PAGE COUNT", "hex dump of register memory (0x.. accepted)", 3,
                   &Memory});

} // namespace kasctl

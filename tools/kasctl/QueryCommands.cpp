// Reading data out of the register: day totals, receipt sums, tax rates,
// articles, counters, passwords, cash and raw memory.
#include "Subcommand.h"

#include <cstdio>
#include <limits>
#include <string>

namespace kasctl {

namespace {

const char* const kGroups[6] = {"А", "Б", "В", "Г", "Д", "Е"};
const char* const kForms[4] = {"card", "credit", "cheque", "cash"};

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

void PrintSums(const std::string& prefix, const int64_t* sums, const char* const* names, int n) {
    for (int k = 0; k < n; ++k) {
        PrintMoney(prefix + " " + names[k], sums[k]);
    }
}

int16_t DayReport(Args&) {
    uint16_t sales = 0;
    uint16_t payouts = 0;
    int64_t saleGroups[6] = {};
    int64_t saleForms[4] = {};
    int64_t payoutGroups[6] = {};
    int64_t payoutForms[4] = {};
    int64_t v[6] = {};
    const int16_t rc = FPGetDayReport(&sales, &payouts, saleGroups, 5, saleForms, 3, payoutGroups,
                                      5, payoutForms, 3, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
    if (rc == 0) {
        return rc;
    }
    PrintNumber("last sale receipt", sales);
    PrintSums("sales, group", saleGroups, kGroups, 6);
    PrintSums("sales,", saleForms, kForms, 4);
    PrintMoney("sales, markups", v[0]);
    PrintMoney("sales, discounts", v[1]);
    PrintNumber("last payout receipt", payouts);
    PrintSums("payouts, group", payoutGroups, kGroups, 6);
    PrintSums("payouts,", payoutForms, kForms, 4);
    PrintMoney("payouts, markups", v[2]);
    PrintMoney("payouts, discounts", v[3]);
    PrintMoney("service deposits", v[4]);
    PrintMoney("service withdrawals", v[5]);
    return rc;
}

int16_t CheckSums(Args&) {
    uint32_t groups[6] = {};
    uint32_t forms[4] = {};
    const int16_t rc = FPGetCheckSums(groups, 5, forms, 3);
    if (rc != 0) {
        for (int k = 0; k < 6; ++k) {
            PrintMoney(std::string("group ") + kGroups[k], groups[k]);
        }
        for (int k = 0; k < 4; ++k) {
            PrintMoney(kForms[k], forms[k]);
        }
    }
    return rc;
}

int16_t TaxRates(Args&) {
    double date = 0;
    uint8_t count = 0;
    FPBOOL added = 0;
    FPBOOL levy = 0;
    FPTaxRate records[5] = {};
    const int16_t rc = FPFullGetTaxRate(&date, &count, &added, records, 4, &levy);
    if (rc == 0) {
        return rc;
    }
    PrintLine("programmed on", FormatDate(date));
    PrintLine("tax", added ? "added on top" : "included");
    PrintFlag("levies", levy);
    for (int k = 0; k < count && k < 5; ++k) {
        std::string value = Percent(records[k].rate);
        if (levy) {
            value += " + levy " + Percent(records[k].levyRate);
        }
        PrintLine(std::string("group ") + kGroups[k], value);
    }
    return rc;
}

int16_t TaxRatesMemory(Args&) {
    int32_t rates[5] = {};
    int32_t levies[5] = {};
    uint8_t count = 0;
    FPBOOL added = 0;
    FPBOOL levy = 0;
    const int16_t rc = FPGetTaxRate(rates, 4, levies, 4, &count, &added, &levy);
    if (rc == 0) {
        return rc;
    }
    PrintNumber("rates", count);
    PrintLine("tax", added ? "added on top" : "included");
    PrintFlag("levies", levy);
    for (int k = 0; k < count && k < 5; ++k) {
        std::string value = Percent(rates[k]);
        if (levy) {
            value += " + levy " + Percent(levies[k]);
        }
        PrintLine(std::string("group ") + kGroups[k], value);
    }
    return rc;
}

int16_t Article(Args& args) {
    const int64_t code = args.Int(0, 0, (int64_t{1} << 48) - 1);
    if (!args.ok()) {
        return 0;
    }
    uint8_t length = 0;
    const char* name = nullptr;
    int32_t price = 0;
    uint8_t group = 0xFF;
    uint32_t saleQty = 0;
    uint8_t saleDec = 0;
    int64_t saleSum = 0;
    uint32_t returnQty = 0;
    uint8_t returnDec = 0;
    int64_t returnSum = 0;
    const int16_t rc = FPGetArticleInfo(&length, &name, &price, &group, &saleQty, &saleDec,
                                        &saleSum, &returnQty, &returnDec, &returnSum, &code);
    if (rc == 0) {
        return rc;
    }
    PrintLine("name", FromDriverText(name));
    PrintMoney("price", price);
    PrintLine("tax group", group < 6 ? kGroups[group] : "?");
    PrintLine("sold", Quantity(saleQty, saleDec));
    PrintMoney("sales sum", saleSum);
    PrintLine("returned", Quantity(returnQty, returnDec));
    PrintMoney("returns sum", returnSum);
    return rc;
}

// A query of one number or sum, printed under its label when it succeeds.
template <typename T>
int16_t ShowValue(int16_t(KASDRV_CALL* query)(T*), std::string_view label,
                  void (*print)(std::string_view, int64_t)) {
    T value{};
    const int16_t rc = query(&value);
    if (rc != 0) {
        print(label, static_cast<int64_t>(value));
    }
    return rc;
}

int16_t SaleReceiptNumber(Args&) {
    return ShowValue(&FPGetSaleCheckNumber, "last sale receipt", &PrintNumber);
}

int16_t PayoutReceiptNumber(Args&) {
    return ShowValue(&FPGetPayCheckNumber, "last payout receipt", &PrintNumber);
}

int16_t SaleDaySum(Args&) { return ShowValue(&FPGetSaleDaySum, "day sales", &PrintMoney); }

int16_t PayoutDaySum(Args&) { return ShowValue(&FPGetPayDaySum, "day payouts", &PrintMoney); }

int16_t ZNumber(Args&) {
    uint16_t n = 0;
    double date = 0;
    const int16_t rc = FPGetNumZReport(&n, &date);
    if (rc != 0) {
        PrintNumber("last Z report", n);
        PrintLine("its date", FormatDate(date));
    }
    return rc;
}

using TotalsExport = int16_t(KASDRV_CALL*)(uint16_t*, uint16_t*, int64_t*, int64_t*);

int16_t Totals(TotalsExport fn) {
    uint16_t saleCount = 0;
    uint16_t payoutCount = 0;
    int64_t saleSum = 0;
    int64_t payoutSum = 0;
    const int16_t rc = fn(&saleCount, &payoutCount, &saleSum, &payoutSum);
    if (rc != 0) {
        PrintNumber("on sale receipts", saleCount);
        PrintMoney("their sum", saleSum);
        PrintNumber("on payout receipts", payoutCount);
        PrintMoney("their sum", payoutSum);
    }
    return rc;
}

int16_t Annulments(Args&) {
    return Totals(FPGetResetOrders);
}
int16_t Cancellations(Args&) {
    return Totals(FPGetCancels);
}

int16_t Passwords(Args&) {
    uint16_t p[10] = {};
    const int16_t rc = FPGetPasswords(p, 9);
    if (rc != 0) {
        for (int k = 0; k < 8; ++k) {
            PrintNumber("cashier " + std::to_string(k + 1), p[k]);
        }
        PrintNumber("programming", p[8]);
        PrintNumber("reports", p[9]);
    }
    return rc;
}

int16_t CashInDrawer(Args&) {
    return ShowValue(&FPGetMoneyInBox, "cash in the drawer", &PrintMoney);
}

// ADDR PAGE COUNT: a hex dump, 16 bytes a line, each line with its address.
int16_t Memory(Args& args) {
    const auto address = static_cast<uint16_t>(args.Int(0, 0, 0xFFFF));
    const auto page = static_cast<uint8_t>(args.Int(1, 0, 255));
    auto count = static_cast<uint8_t>(args.Int(2, 1, 255));
    if (!args.ok()) {
        return 0;
    }
    uint8_t buffer[255] = {};
    const int16_t rc = FPGetMemoryData(buffer, 254, &count, address, page);
    if (rc == 0) {
        return rc;
    }
    for (int line = 0; line < count; line += 16) {
        std::printf("%02X:%04X ", page, (address + line) & 0xFFFF);
        std::string ascii;
        for (int i = line; i < line + 16; ++i) {
            if (i < count) {
                std::printf(" %02X", buffer[i]);
                ascii += buffer[i] >= 0x20 && buffer[i] < 0x7F ? static_cast<char>(buffer[i]) : '.';
            } else {
                std::printf("   ");
            }
        }
        std::printf("  %s\n", ascii.c_str());
    }
    return rc;
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
KASCTL_SUBCOMMAND({"passwords", "", "the ten passwords", 0, &Passwords});
KASCTL_SUBCOMMAND({"cash-in-drawer", "", "cash in the drawer", 0, &CashInDrawer});
KASCTL_SUBCOMMAND({"memory", "ADDR PAGE COUNT", "hex dump of register memory (0x.. accepted)", 3,
                   &Memory});

} // namespace kasctl

// Arithmetic and printouts shared by the receipt, cash and report commands.
#pragma once

#include <cstdint>
#include <string>

#include "kasemu/RegisterState.h"

namespace kasemu {

class CommandContext;

// a * b / c rounded half away from zero.
std::int64_t mulDivRound(std::int64_t a, std::int64_t b, std::int64_t c);

// Whether a tax group can take sales: А.. up to the programmed rates, and Е always.
bool taxGroupUsable(const Programming& p, int group);
// Tax (and levy) of a group's turnover, by the programmed rates.
std::int64_t taxOf(const Programming& p, int group, std::int64_t turnover);
std::int64_t levyOf(const Programming& p, int group, std::int64_t turnover);
// What the customer owes for the receipt: its total, plus the taxes when they are added on top.
std::int64_t payable(const Receipt& r, const Programming& p);
std::int64_t paidSoFar(const Receipt& r);

// Refuses with 44 while a service (non-fiscal) report is open.
bool refuseInServiceReport(CommandContext& ctx);
// Refuses with 44 while a receipt or a service report is open.
bool refuseWhenDocumentOpen(CommandContext& ctx);

// The day's counters as an X or Z report prints them.
void printDayTotals(CommandContext& ctx, const DayCounters& day);

} // namespace kasemu

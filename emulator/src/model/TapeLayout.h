// How the register lays out its paper: fixed-width lines of UTF-8 text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "kasemu/RegisterState.h"

namespace kasemu {
class CommandContext;
}

namespace kasemu::tape {

std::string center(std::string_view text, int width);
std::string columns(std::string_view left, std::string_view right, int width);
std::string rule(int width, char32_t ch = U'-');
// Cuts a text to at most width characters.
std::string fit(std::string_view text, int width);

std::string money(std::int64_t kopecks);            // "12.34", "-0.05"
std::string quantity(std::int64_t q, int decimals); // "1.500"
std::string date(std::int64_t civilSeconds);        // "07.12.2026"
std::string time(std::int64_t civilSeconds);        // "14:05:09"
std::string groupLetter(int group);                 // "А".."Е"
std::string formName(int form);                     // "КАРТОЧКА".."НАЛИЧНЫЕ"
std::string percent(int hundredths);                // "20.00%"

// A programmed header or trailer line, centred; double width spreads its letters.
void printHeaderLine(CommandContext& ctx, const HeaderLine& line);
// The head of every document: taxpayer lines and tax number.
void printDocumentHead(CommandContext& ctx);
// The foot of every document: number line, date and time, register numbers.
void printDocumentFoot(CommandContext& ctx, std::string_view numberLine, bool fiscal);

} // namespace kasemu::tape

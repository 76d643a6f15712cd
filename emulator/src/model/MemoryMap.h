// The register's memory as the memory-read command (0x1C) sees it. The counters and settings
// that live at fixed addresses are read from the register's state, so a memory read always
// agrees with the day report and the other queries; every other cell is a plain byte store.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kasemu/RegisterState.h"

namespace kasemu::memory {

inline constexpr std::uint8_t kCounterPage = 0x10;
inline constexpr std::uint8_t kSettingsPage = 0x00;

// Page 0x10.
inline constexpr std::uint16_t kNextZNumber = 0x0037;         // word
inline constexpr std::uint16_t kArticleCounts = 0x0065;       // word from sales, word in advance
inline constexpr std::uint16_t kTaxRateBlock = 0x0150;        // n rate words, flags, n levy words
inline constexpr std::uint16_t kLastZDate = 0x0169;           // BCD day, month, year; 0 0 0: none
inline constexpr std::uint16_t kAnnulments = 0x2F74;          // word, sum, word, sum
inline constexpr std::uint16_t kCancellations = 0x2F82;       // the same layout
inline constexpr std::uint16_t kPasswords = 0x3003;           // ten words
inline constexpr std::uint16_t kModes = 0x301A;               // bit 3: automatic cutting off
inline constexpr std::uint16_t kSaleReceiptNumber = 0x301B;   // BCD number
inline constexpr std::uint16_t kSaleDaySums = 0x301D;         // six sums, groups А..Е
inline constexpr std::uint16_t kPayoutReceiptNumber = 0x30AB; // BCD number
inline constexpr std::uint16_t kPayoutDaySums = 0x30AD;       // six sums, groups А..Е
// Page 0x00.
inline constexpr std::uint16_t kTaxRateCount = 0x0016; // byte

inline constexpr std::uint8_t kCutterOffBit = 0x08;

// `count` bytes from `address` on `page` (addresses wrap within the page).
Bytes read(const RegisterState& s, std::uint8_t page, std::uint16_t address, std::size_t count);

// The tax-rate block as the register keeps it: n rate words, the flags byte (0x10 tax added on
// top, 0x20 levies), n levy words.
Bytes taxRateBlock(const Programming& p);
std::uint8_t taxFlags(const Programming& p);

// Descriptions in the article table: those written by sale lines, and those programmed.
std::uint16_t articlesFromSales(const RegisterState& s);
std::uint16_t articlesInAdvance(const RegisterState& s);

} // namespace kasemu::memory

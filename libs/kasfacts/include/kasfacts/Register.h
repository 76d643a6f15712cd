// What a host program knows of the register beyond the driver's calls: the
// names of its tax groups, payment forms and discount types, the sale flags,
// its models with their firmware texts and logo limits, how many times the
// driver sends a command, and how the register keeps the texts it is sent.
// Every host (the console, kasctl, kashost, the line decoder) takes these from
// here; kashost checks the numbers against the driver's header.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kasfacts {

enum class FirmwareModel { Unknown, Rx410f, Rx520l };

// Tax groups 0..5, printed by their Cyrillic letters (UTF-8).
inline constexpr std::array<std::string_view, 6> kTaxGroupLetters = {"А", "Б", "В", "Г", "Д", "Е"};
// The group a letter names, or nothing.
std::optional<std::uint8_t> taxGroupOfLetter(std::string_view utf8);

// Payment forms 0..3 in the order of FPPayment: English words for scripts and
// logs, and the console's Russian names.
inline constexpr std::array<std::string_view, 4> kPaymentForms = {"card", "credit", "cheque",
                                                                  "cash"};
inline constexpr std::array<std::string_view, 4> kPaymentFormsRu = {"карточка", "кредит", "чек",
                                                                    "наличные"};
inline constexpr std::uint8_t kCashForm = 3;

// Discount and mark-up types 0..3 of FPDiscount, as the console names them.
inline constexpr std::array<std::string_view, 4> kDiscountTypesRu = {
    "% на последний товар", "абс. на последний товар", "% на пром. сумму", "абс на пром. сумму"};

// The sale flags byte of FPSale and FPPayMoney: the quantity's decimals in the
// low bits, and this bit for a unit quantity (the line costs its price).
inline constexpr std::uint8_t kUnitQuantityFlag = 0x80;

// The driver sends one command at most this many times (a new frame each time).
inline constexpr int kAttempts = 3;

struct ModelFacts {
    FirmwareModel model;
    std::string_view name;     // "RX-410F"
    std::string_view firmware; // the firmware text in the status, Windows-1251
    std::uint16_t logoMaxWidth;
    std::uint16_t logoMaxHeight;
};
// A firmware text that names both models is taken for the first.
inline constexpr std::array<ModelFacts, 2> kModels = {{
    {FirmwareModel::Rx520l, "RX-520L", "\xCB\xCC-22", 352, 312},  // ЛМ-22
    {FirmwareModel::Rx410f, "RX-410F", "\xD0\xCC-15", 448, 1050}, // РМ-15
}};
// The facts of a model; nothing for FirmwareModel::Unknown.
const ModelFacts* factsOf(FirmwareModel model);
// The model a firmware text (Windows-1251) names.
FirmwareModel modelOfFirmware(std::string_view firmware);

// Characters the driver sends as others (Windows-1251 bytes): І і № as I i N,
// Ґ ґ as Ў ў. The register keeps and gives back what it was sent.
struct KeptCharacter {
    unsigned char sent;
    unsigned char kept;
};
inline constexpr std::array<KeptCharacter, 5> kKeptCharacters = {
    {{0xB2, 'I'}, {0xB3, 'i'}, {0xB9, 'N'}, {0xA5, 0xA1}, {0xB4, 0xA2}}};
// A Windows-1251 text as the register keeps it.
std::string asKept(std::string_view cp1251);

} // namespace kasfacts

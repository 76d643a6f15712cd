#include "kasfacts/Register.h"

namespace kasfacts {

std::optional<std::uint8_t> taxGroupOfLetter(std::string_view utf8) {
    for (std::size_t g = 0; g < kTaxGroupLetters.size(); ++g) {
        if (kTaxGroupLetters[g] == utf8) {
            return static_cast<std::uint8_t>(g);
        }
    }
    return std::nullopt;
}

const ModelFacts* factsOf(FirmwareModel model) {
    for (const ModelFacts& m : kModels) {
        if (m.model == model) {
            return &m;
        }
    }
    return nullptr;
}

FirmwareModel modelOfFirmware(std::string_view firmware) {
    for (const ModelFacts& m : kModels) {
        if (firmware.find(m.firmware) != std::string_view::npos) {
            return m.model;
        }
    }
    return FirmwareModel::Unknown;
}

std::string asKept(std::string_view cp1251) {
    std::string text(cp1251);
    for (char& c : text) {
        for (const KeptCharacter& k : kKeptCharacters) {
            if (static_cast<unsigned char>(c) == k.sent) {
                c = static_cast<char>(k.kept);
            }
        }
    }
    return text;
}

} // namespace kasfacts

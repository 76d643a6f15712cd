// Texts between the interface (Windows-1251) and the register (code page 866).
#include "DriverUnit.h"

#include "platform/CodePage.h"

namespace kasdrv {

std::string ToDeviceText(std::string_view cp1251) {
    std::string text(cp1251);
    for (char& c : text) {
        switch (static_cast<unsigned char>(c)) {
        case 0xB2: c = 'I'; break;                  // І
        case 0xB3: c = 'i'; break;                  // і
        case 0xB9: c = 'N'; break;                  // №
        case 0xA5: c = static_cast<char>(0xA1); break; // Ґ prints as Ў
        case 0xB4: c = static_cast<char>(0xA2); break; // ґ prints as ў
        default: break;
        }
    }
    return platform::Cp1251ToCp866(text);
}

std::string FromDeviceText(std::string_view cp866) { return platform::Cp866ToCp1251(cp866); }

} // namespace kasdrv

// The driver, the hosts and the emulator each keep the rule of which characters
// the register is sent as others: the driver to send them, the hosts to compare
// a text with what the register gives back, the emulator as the other end of the
// line. The copies must not drift apart.
#include "DriverUnit.h"
#include "kasemu/Cp866.h"
#include "kashost/Register.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

TEST(DeviceTextRules, DriverHostsAndEmulatorAgreeByteForByte) {
    // Every Windows-1251 byte: the driver sends what the hosts say the register keeps.
    std::string every;
    for (int b = 1; b < 256; ++b) {
        every.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(kasdrv::ToDeviceText(every),
              kasdrv::platform::Cp1251ToCp866(kashost::reg::asKept(every)));

    // The emulator takes the Ukrainian letters the driver replaces to the same bytes.
    // (It writes № as the register's own glyph; the driver never sends it.)
    for (const auto& k : kashost::reg::kKeptCharacters) {
        const std::string sent(1, static_cast<char>(k.sent));
        SCOPED_TRACE(static_cast<int>(k.sent));
        const std::string driver = kasdrv::ToDeviceText(sent);
        const kasemu::Bytes emulator = kasemu::utf8ToDevice(kasdrv::platform::Cp1251ToUtf8(sent));
        if (k.kept == 'N') {
            EXPECT_EQ(driver, "N");
            continue;
        }
        ASSERT_EQ(emulator.size(), 1U);
        EXPECT_EQ(static_cast<unsigned char>(driver.at(0)), emulator[0]);
        // What the register gives back is what the hosts expect it to keep.
        EXPECT_EQ(kasdrv::FromDeviceText(driver), std::string(1, static_cast<char>(k.kept)));
    }
}

} // namespace

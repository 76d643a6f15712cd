// Peripherals and printing extras against the emulator.
#include "EmulatorFixture.h"

#include "kasemu/Cp866.h"

#include <algorithm>
#include <vector>

using namespace kastest;

namespace {

bool TapeHas(const std::vector<std::string>& tape, const std::string& text) {
    return std::any_of(tape.begin(), tape.end(), [&text](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

int16_t PrintText(const std::vector<std::string>& utf8, FPBOOL tapeOnly, FPBOOL finish) {
    std::vector<std::string> texts;
    for (const std::string& t : utf8) {
        texts.push_back(ToCp1251(t));
    }
    std::vector<const char*> lines;
    for (const std::string& t : texts) {
        lines.push_back(t.c_str());
    }
    return FPTransPrint(lines.data(), static_cast<int32_t>(lines.size()), tapeOnly, finish);
}

class Printing : public EmulatorTest {};

TEST_F(Printing, NonFiscalTextIsAServiceReportUntilFinished) {
    ASSERT_EQ(PrintText({"Сервісний звіт", "Line 2"}, 0, 0), -1) << DriverError();
    EXPECT_TRUE(emu().state().serviceReportOpen);
    EXPECT_TRUE(TapeHas(emu().tape(), "Line 2"));
    ASSERT_EQ(PrintText({}, 0, -1), -1) << DriverError();
    EXPECT_FALSE(emu().state().serviceReportOpen);
}

TEST_F(Printing, ReceiptTapeOnlyModeFollowsTheDriver) {
    ASSERT_EQ(PrintText({"a"}, -1, 0), -1) << DriverError();
    EXPECT_TRUE(emu().state().receiptTapeOnly);
    // Same mode again: no second switch, so the register stays on one tape.
    ASSERT_EQ(PrintText({"b"}, -1, 0), -1) << DriverError();
    EXPECT_TRUE(emu().state().receiptTapeOnly);
    ASSERT_EQ(PrintText({"c"}, -1, -1), -1) << DriverError();
    EXPECT_FALSE(emu().state().serviceReportOpen);
}

TEST_F(Printing, DisplayDrawerVersionAndCopy) {
    ASSERT_EQ(FPSendCustomer(0, ToCp1251("Сума").c_str()), -1) << DriverError();
    ASSERT_EQ(FPSendCustomer(-1, "12.34"), -1) << DriverError();
    kasemu::RegisterState st = emu().state();
    EXPECT_EQ(kasemu::deviceToUtf8(st.display[0]), "Сума");
    EXPECT_EQ(kasemu::deviceToUtf8(st.display[1]), "12.34");

    ASSERT_EQ(FPOpenBox(), -1) << DriverError();
    EXPECT_TRUE(emu().state().drawerOpen);

    std::size_t printed = emu().tape().size();
    ASSERT_EQ(FPPrintVersion(), -1) << DriverError();
    EXPECT_GT(emu().tape().size(), printed);

    ASSERT_EQ(FPSale(nullptr, nullptr, 1, 0, 100, 0, 0, 0, ToCp1251("Молоко").c_str(), 0), -1)
        << DriverError();
    ASSERT_EQ(FPPayment(nullptr, nullptr, 3, 0, -1, -1), -1) << DriverError();
    emu().clearTape();
    ASSERT_EQ(FPCopyLastCheck(), -1) << DriverError();
    EXPECT_TRUE(TapeHas(emu().tape(), "Молоко"));
}

TEST_F(Printing, BarCodesAreReadableOnTheTape) {
    ASSERT_EQ(FPSetBarCode("KAS-128"), -1) << DriverError();
    EXPECT_TRUE(TapeHas(emu().tape(), "KAS-128"));
    ASSERT_EQ(FPPrintEAN13("4006381333931"), -1) << DriverError();
    EXPECT_TRUE(TapeHas(emu().tape(), "4006381333931"));
}

} // namespace

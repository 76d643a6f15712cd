// Customer display, drawer, copies, non-fiscal text and bar codes over a
// scripted register.
#include "DriverSession.h"
#include "ExportChecks.h"
#include "kasdrv.h"

#include <gtest/gtest.h>

#include <vector>

using kasdrv::Session;
using namespace kastest;

namespace {

// The text's tape mode lives as long as the library; every test starts from
// a freshly loaded driver's mode.
class NonFiscalText : public ::testing::Test {
  protected:
    NonFiscalText() {
        Session().NonFiscalTextReceiptTapeOnly = false;
        line.AnswerAll(Payload(0, 0, 0));
    }
    ~NonFiscalText() override { Session().NonFiscalTextReceiptTapeOnly = false; }

    int16_t Print(const std::vector<std::string>& texts, FPBOOL tapeOnly, FPBOOL finish) {
        std::vector<const char*> lines;
        for (const std::string& t : texts) {
            lines.push_back(t.c_str());
        }
        return FPTransPrint(lines.data(), static_cast<int32_t>(lines.size()), tapeOnly, finish);
    }

    ScriptedLine line;
};

Bytes TextLine(const std::string& text) {
    Bytes b = {0x28, static_cast<uint8_t>(text.size())};
    b.insert(b.end(), text.begin(), text.end());
    return b;
}

const Bytes kSwitchTape = {0x28, 0xFE};
const Bytes kEndOfText = {0x28, 0xFF};

TEST_F(NonFiscalText, FreshDriverPrintsLinesAndEndsWithoutSwitching) {
    ASSERT_EQ(Print({"one", ""}, 0, -1), -1);
    // An empty line is its length byte alone.
    EXPECT_EQ(Commands(line), (std::vector<Bytes>{TextLine("one"), {0x28, 0x00}, kEndOfText}));
}

TEST_F(NonFiscalText, TapeSwitchIsSentOnlyWhenTheModeChanges) {
    ASSERT_EQ(Print({"a"}, -1, 0), -1);
    ASSERT_EQ(Print({"b"}, 1, 0), -1);
    EXPECT_EQ(Commands(line), (std::vector<Bytes>{kSwitchTape, TextLine("a"), TextLine("b")}));
    EXPECT_TRUE(Session().NonFiscalTextReceiptTapeOnly);

    // Ending the text returns the mode to both tapes.
    line.port.writes.clear();
    ASSERT_EQ(Print({}, -1, -1), -1);
    ASSERT_EQ(Print({"c"}, 0, 0), -1);
    EXPECT_EQ(Commands(line), (std::vector<Bytes>{kEndOfText, TextLine("c")}));

    // Switching back from tape-only needs the switch as well.
    line.port.writes.clear();
    ASSERT_EQ(Print({}, -1, 0), -1);
    ASSERT_EQ(Print({}, 0, 0), -1);
    EXPECT_EQ(Commands(line), (std::vector<Bytes>{kSwitchTape, kSwitchTape}));
}

TEST_F(NonFiscalText, FailedSwitchKeepsTheModeAndPrintsNothing) {
    line.AnswerAll(Payload(0x80, 0, 0));
    EXPECT_EQ(Print({"a"}, -1, -1), 0);
    EXPECT_EQ(Commands(line), (std::vector<Bytes>{kSwitchTape}));
    EXPECT_FALSE(Session().NonFiscalTextReceiptTapeOnly);

    // Status 0x20 alone counts as done.
    line.AnswerAll(Payload(0x20, 0, 0));
    EXPECT_EQ(Print({"a"}, -1, 0), -1);
    EXPECT_TRUE(Session().NonFiscalTextReceiptTapeOnly);
}

TEST_F(NonFiscalText, LongLineStopsAfterTheLinesBeforeIt) {
    const std::string longLine(38, 'z');
    EXPECT_EQ(Print({"l0", std::string(37, 'y'), longLine, "l3"}, 0, -1), 0);
    EXPECT_EQ(ErrorTextUtf8(),
              "Строка №2\r\nДлина строки нефискального текста превышает допустимую длину");
    EXPECT_EQ(Commands(line), (std::vector<Bytes>{TextLine("l0"), TextLine(std::string(37, 'y'))}));
}

TEST_F(NonFiscalText, RegisterErrorStopsTheText) {
    line.AnswerInTurn({Payload(0, 0, 0), Payload(0, 20, 0)});
    EXPECT_EQ(Print({"a", "b", "c"}, 0, -1), 0);
    EXPECT_EQ(line.port.writes.size(), 2u);
    EXPECT_NE(ErrorTextUtf8().find("Недопустимая длина строки"), std::string::npos);
}

TEST_F(NonFiscalText, NullLinesAndBadCounts) {
    const char* lines[] = {nullptr};
    ASSERT_EQ(FPTransPrint(lines, 1, 0, 0), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x28, 0x00}));
    ExpectRefusedUnsent(line, "Неверный список строк нефискального текста!",
                        [] { return FPTransPrint(nullptr, 1, -1, -1); });
    ExpectRefusedUnsent(line, "Неверный список строк нефискального текста!",
                        [&lines] { return FPTransPrint(lines, -1, -1, -1); });
}

TEST(Peripherals, DisplayDrawerCopyAndVersion) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    const std::string twenty(20, 'd');
    ASSERT_EQ(FPSendCustomer(0, twenty.c_str()), -1);
    ASSERT_EQ(FPSendCustomer(-1, Cp1251("Сума").c_str()), -1);
    ASSERT_EQ(FPOpenBox(), -1);
    ASSERT_EQ(FPCopyLastCheck(), -1);
    ASSERT_EQ(FPPrintVersion(), -1);
    Bytes upper = {0x1B, 0x00, 20};
    upper.insert(upper.end(), twenty.begin(), twenty.end());
    EXPECT_EQ(Commands(line),
              (std::vector<Bytes>{
                  upper, {0x1B, 0x01, 4, 0x91, 0xE3, 0xAC, 0xA0}, {0x1D}, {0x1E}, {0x20}}));
    ExpectRefusedUnsent(line, "Длина строк больше допустимой!",
                        [] { return FPSendCustomer(0, std::string(21, 'd').c_str()); });
}

TEST(Barcodes, Code128LengthAndCharacters) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    ASSERT_EQ(FPSetBarCode("ABCDEFGH12345678"), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x2F, 16, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', '1', '2',
                                        '3', '4', '5', '6', '7', '8'}));
    ExpectRefusedUnsent(line, "Слишком длинный штрих-код",
                        [] { return FPSetBarCode("ABCDEFGH123456789"); });
    ExpectRefusedUnsent(line, "Ошибка данных штрих-кода Code-128!",
                        [] { return FPSetBarCode(Cp1251("AБ").c_str()); });
}

TEST(Barcodes, Ean13CheckDigitAndPadding) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    const auto digitsOf = [](const std::string& s) {
        Bytes b = {0x31};
        b.insert(b.end(), s.begin(), s.end());
        return b;
    };
    ASSERT_EQ(FPPrintEAN13("4006381333931"), -1);
    EXPECT_EQ(LastCommand(line), digitsOf("4006381333931"));
    ASSERT_EQ(FPPrintEAN13("12345670"), -1);
    EXPECT_EQ(LastCommand(line), digitsOf("0000012345670"));
    ASSERT_EQ(FPPrintEAN13(nullptr), -1);
    EXPECT_EQ(LastCommand(line), digitsOf("0000000000000"));

    ExpectRefusedUnsent(line, "Ошибка в контрольном разряде штрих-кода EAN-13!",
                        [] { return FPPrintEAN13("4006381333932"); });
    ExpectRefusedUnsent(line, "Ошибка в контрольном разряде штрих-кода EAN-13!",
                        [] { return FPPrintEAN13("12345678"); });
    ExpectRefusedUnsent(line, "Недопустимая длина штрих-кода!",
                        [] { return FPPrintEAN13("40063813339310"); });
    ExpectRefusedUnsent(line, "Ошибка формата штрих-кода EAN-13!",
                        [] { return FPPrintEAN13("40063813 3931"); });
}

} // namespace

// The register's status and result bytes as the driver's texts and codes.
#include "CommandExport.h"
#include "PrinterError.h"
#include "ScriptedPort.h"
#include "kasdrv.h"

#include <gtest/gtest.h>

using kasdrv::Session;
using namespace kastest;

namespace {

// Runs FPSetTime against one scripted answer (and a paper reply when asked).
struct Decoded {
    int16_t rc;
    std::string text;
    uint8_t result;
    uint8_t status;
    uint8_t ext;
    std::size_t frames;
};

Decoded Decode(uint8_t status, uint8_t result, uint8_t ext, const Bytes& paperReply = {0x00}) {
    ScriptedLine line;
    line.port.responder = [&](const Bytes& frame) {
        const bool paperQuery = CommandOf(frame).at(0) == 0x30;
        return Now(AnswerFrame(paperQuery ? Payload(0, 0, 0, paperReply)
                                          : Payload(status, result, ext)));
    };
    Decoded d{};
    d.rc = FPSetTime(0.5);
    d.text = ErrorTextUtf8();
    FPCodeError(&d.result, &d.status, &d.ext);
    d.frames = line.port.writes.size();
    return d;
}

TEST(StatusDecoding, WorkedExamples) {
    const Decoded password = Decode(0x00, 21, 0);
    EXPECT_EQ(password.rc, 0);
    EXPECT_EQ(password.text, "\r\nНеверный пароль");
    EXPECT_EQ(password.result, 21);
    EXPECT_EQ(password.status, 0);

    const Decoded notReady = Decode(0x81, 0, 0);
    EXPECT_EQ(notReady.text, "\r\nКоманда не была выполнена.\r\nПринтер не готов\r\nФункция не "
                             "существует или запрещена в данном режиме");

    EXPECT_EQ(Decode(0x20, 0, 0).rc, -1); // done, with the shift bit alone
    const Decoded shift = Decode(0x20, 7, 0);
    EXPECT_EQ(shift.rc, 0); // a result code: not done, whatever the status says
    EXPECT_EQ(shift.text,
              "\r\nПродолжительность смены больше 24 часов.\r\nПревышение продолжительности смены");
    EXPECT_EQ(shift.status, 0x20);
    EXPECT_EQ(shift.result, 7); // hidden by the status byte, still reported
}

TEST(StatusDecoding, EveryStatusBitInOrder) {
    const Decoded all = Decode(0xFD, 0, 0); // all but the paper bit
    EXPECT_EQ(all.text, "\r\nПродолжительность смены больше 24 часов.\r\nПринтер не готов\r\n"
                        "Переполнение фискальной памяти\r\nНеправильная дата или ошибка часов\r\n"
                        "Ошибка индикатора\r\nПревышение продолжительности смены\r\n"
                        "Снижение рабочего напряжения питания\r\n"
                        "Функция не существует или запрещена в данном режиме");
    EXPECT_EQ(all.rc, 0);
    EXPECT_EQ(all.frames, 1u); // no paper query without the paper bit
}

TEST(StatusDecoding, ResultCodesWithAndWithoutText) {
    EXPECT_EQ(Decode(0, 27, 0).text, "\r\nОтрицательная продажа больше суммы предыдущих продаж чека");
    EXPECT_EQ(Decode(0, 39, 0).text, "\r\nКоманда запрещена, чек не открыт");
    EXPECT_EQ(Decode(0, 39, 0x01).text, "\r\nКоманда запрещена, открыт служебный отчёт");
    EXPECT_EQ(Decode(0, 44, 0).text, "\r\nКоманда запрещена, чек открыт");
    EXPECT_EQ(Decode(0, 44, 0x01).text, "\r\nКоманда запрещена, открыт служебный отчёт");
    EXPECT_EQ(Decode(0, 46, 0).text, "\r\nКоманда запрещена после начала оплат");
    for (const uint8_t silent : {uint8_t{3}, uint8_t{40}, uint8_t{200}}) {
        const Decoded d = Decode(0, silent, 0);
        EXPECT_EQ(d.rc, 0);
        EXPECT_EQ(d.text, "\r\n");
        EXPECT_EQ(d.result, silent);
    }
}

TEST(StatusDecoding, TrailerIsTheLastApplicableOne) {
    // Emergency alone.
    EXPECT_EQ(Decode(0, 16, 0x02).text,
              "\r\nАВАРИЯ! Команда завершится после устранения ошибки.\r\nКоманда запрещена в "
              "данном режиме");
    // Emergency and a long shift: only the shift trailer.
    EXPECT_EQ(Decode(0x20, 0, 0x02).text,
              "\r\nПродолжительность смены больше 24 часов.\r\nПревышение продолжительности смены");
    // Clock error beats a command not executed.
    EXPECT_EQ(Decode(0x88, 0, 0).text,
              "\r\nОшибка часов.\r\nНеправильная дата или ошибка часов\r\nФункция не существует "
              "или запрещена в данном режиме");
}

TEST(StatusDecoding, PaperErrorsAskTheSensors) {
    struct Case {
        uint8_t status;
        uint8_t result;
        uint8_t sensors;
        const char* text;
    };
    const Case cases[] = {
        {0x02, 0, 0x60, "\r\nНет контрольной и чековой лент"},
        {0x02, 0, 0x20, "\r\nНет контрольной ленты"},
        {0x02, 0, 0x40, "\r\nНет чековой ленты"},
        {0x02, 0, 0x00, "\r\n"},
        {0x02, 0, 0x61, "\r\nНет бумаги"},
        {0x03, 0, 0x00, "\r\nПринтер не готов\r\n"},
        {0x00, 2, 0x60, "\r\nЗакончилась контрольная и чековая ленты"},
        {0x00, 2, 0x20, "\r\nЗакончилась контрольная лента"},
        {0x00, 2, 0x40, "\r\nЗакончилась чековая лента"},
        {0x00, 2, 0x01, "\r\nЗакончилаь бумага"},
        {0x00, 2, 0x00, "\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "status " << int{c.status} << " result "
                                        << int{c.result} << " sensors " << int{c.sensors});
        const Decoded d = Decode(c.status, c.result, 0, {c.sensors});
        EXPECT_EQ(d.text, c.text);
        EXPECT_EQ(d.frames, 2u);
        // The codes are those of the command, not of the paper query.
        EXPECT_EQ(d.status, c.status);
        EXPECT_EQ(d.result, c.result);
    }
    // A paper query that fails (a reply of the wrong length) gives the plain text.
    EXPECT_EQ(Decode(0x02, 0, 0, {0x40, 0x00}).text, "\r\nНет бумаги");
}

TEST(StatusDecoding, CleanAnswerLeavesNoTextAndZeroCodes) {
    const Decoded d = Decode(0, 0, 0x04);
    EXPECT_EQ(d.rc, -1);
    EXPECT_EQ(d.text, "");
    EXPECT_EQ(d.status, 0);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.ext, 0x04); // the extended status of the last answer
}

TEST(StatusDecoding, StrictExportsFailOnTheShiftBit) {
    ScriptedLine line;
    line.AnswerAll(Payload(0x20, 0, 0));
    EXPECT_EQ(kasdrv::RunCommand(kasdrv::CommandBuilder(0x0E), kasdrv::ShiftLeniency::Strict),
              kasdrv::Verdict::Refused);
    EXPECT_EQ(kasdrv::RunCommand(kasdrv::CommandBuilder(0x0E)), kasdrv::Verdict::Tolerated);
}

} // namespace

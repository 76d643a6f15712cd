// The logo exports over a scripted register: the header command, the raw
// blocks cut from a BMP file image, the size checks, and the transfer mode
// in which SYN bytes are dropped.
#include "DriverSession.h"
#include "ExportChecks.h"
#include "MonochromeBmp.h"
#include "kasdrv.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace kastest;

namespace {

Bytes BmpFile(int width, const std::vector<Bytes>& rows, uint8_t pad = 0x00) {
    return MonochromeBmp(width, rows, pad);
}

struct Logo {
    Bytes file;
    FPBitmap bitmap;
};

Logo MakeLogo(int width, const std::vector<Bytes>& rows, uint8_t pad = 0x00) {
    Logo logo{BmpFile(width, rows, pad), {}};
    logo.bitmap = {width, static_cast<int32_t>(rows.size()), logo.file.data(),
                   static_cast<uint32_t>(logo.file.size())};
    return logo;
}

bool IsFrame(const Bytes& written) {
    return written.size() >= 2 && written[0] == 0x10 && written[1] == 0x02;
}

// The register's side: the header command answered with a frame, each raw
// block with ACK ENQ. Records whether the driver was in its transfer mode
// at every write.
struct LogoRegister {
    explicit LogoRegister(ScriptedLine& line, Bytes headerPayload = Payload(0, 0, 0)) {
        line.port.responder = [this, headerPayload](const Bytes& written) {
            modeAtWrite.push_back(kasdrv::Session().LogoTransferMode);
            return IsFrame(written) ? Now(AnswerFrame(headerPayload)) : Now(Bytes{0x06, 0x05});
        };
    }
    std::vector<bool> modeAtWrite;
};

// The data of the raw blocks written after the header, checksums checked.
std::vector<Bytes> RawBlocks(const ScriptedLine& line) {
    std::vector<Bytes> blocks;
    for (std::size_t i = 1; i < line.port.writes.size(); ++i) {
        const Bytes& w = line.port.writes[i];
        uint8_t sum = 0;
        for (const uint8_t b : w) {
            sum = static_cast<uint8_t>(sum + b);
        }
        EXPECT_EQ(sum, 0) << "block " << i;
        blocks.emplace_back(w.begin(), w.end() - 1);
    }
    return blocks;
}

std::string SizeText(int maxWidth, int maxHeight) {
    return "Недопустимые размеры логотипа!\r\n\r\nДопустимые размеры:\r\n"
           "Количество точек по ширине: X = 8.." +
           std::to_string(maxWidth) + ".\r\nКоличество точек по высоте: Y = 1.." +
           std::to_string(maxHeight) + ".\r\nСохраните файл в монохромном режиме.";
}

std::string WidthText(int maxWidth, int maxHeight) {
    return "Недопустимые размеры логотипа!\r\n\r\nКоличество точек по ширине должно быть "
           "кратно 8.\r\nДопустимые размеры:\r\nКоличество точек по ширине: X = 8.." +
           std::to_string(maxWidth) + ".\r\nКоличество точек по высоте: Y = 1.." +
           std::to_string(maxHeight) + ".";
}

TEST(LoadLogo, SmallLogoIsOneBlockAfterTheHeader) {
    ScriptedLine line;
    LogoRegister reg(line);
    const Logo logo = MakeLogo(16, {{0xA5, 0x3C}});
    ASSERT_EQ(FPLoadBMP(0x1234, 384, 96, &logo.bitmap, 0, 0), -1);
    ASSERT_EQ(line.port.writes.size(), 2u);
    EXPECT_EQ(CommandOf(line.port.writes[0]),
              (Bytes{0x2D, 0x34, 0x12, 0x01, 0x10, 0x00, 0x01, 0x00}));
    EXPECT_EQ(line.port.writes[1], (Bytes{0xA5, 0x3C, 0x1F}));
    EXPECT_EQ(reg.modeAtWrite, (std::vector<bool>{true, true}));
    EXPECT_FALSE(kasdrv::Session().LogoTransferMode);
}

TEST(LoadLogo, FullWidthLogoIs75BlocksTopRowFirst) {
    ScriptedLine line;
    LogoRegister reg(line);
    std::vector<Bytes> rows;
    Bytes expected;
    for (int r = 0; r < 100; ++r) {
        Bytes row(48);
        for (std::size_t i = 0; i < row.size(); ++i) {
            row[i] = static_cast<uint8_t>(r * 7 + static_cast<int>(i) + 0x20);
        }
        rows.push_back(row);
        expected.insert(expected.end(), row.begin(), row.end());
    }
    const Logo logo = MakeLogo(384, rows);
    ASSERT_EQ(FPLoadBMP(1, 384, 100, &logo.bitmap, 0, 0), -1);
    ASSERT_EQ(line.port.writes.size(), 76u);
    EXPECT_EQ(CommandOf(line.port.writes[0]),
              (Bytes{0x2D, 0x01, 0x00, 0x01, 0x80, 0x01, 0x64, 0x00}));
    Bytes sent;
    for (const Bytes& block : RawBlocks(line)) {
        EXPECT_EQ(block.size(), 64u);
        sent.insert(sent.end(), block.begin(), block.end());
    }
    EXPECT_EQ(sent, expected);
}

TEST(LoadLogo, RowsAreCutFromPaddedStoredRows) {
    ScriptedLine line;
    LogoRegister reg(line);
    // 24 dots: 3 bytes a row, stored in 4; the pad byte must not be sent.
    const Logo logo = MakeLogo(24, {{0x01, 0x02, 0x03}, {0x04, 0x05, 0x06}}, 0xEE);
    ASSERT_EQ(FPLoadBMP(1, 384, 96, &logo.bitmap, 0, 0), -1);
    EXPECT_EQ(RawBlocks(line), (std::vector<Bytes>{{0x01, 0x02, 0x03, 0x04, 0x05, 0x06}}));
    // A last block holding the rest: 72 bytes are 64 and 8.
    line.port.writes.clear();
    const Logo tall = MakeLogo(8, std::vector<Bytes>(72, Bytes{0x5A}));
    ASSERT_EQ(FPLoadBMP(1, 384, 96, &tall.bitmap, 0, 0), -1);
    const auto blocks = RawBlocks(line);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[1], Bytes(8, 0x5A));
}

TEST(LoadLogo, DoubleHeightAndInversion) {
    ScriptedLine line;
    LogoRegister reg(line);
    const Logo logo = MakeLogo(8, {{0x01}, {0x02}, {0x0F}});
    ASSERT_EQ(FPLoadBMP(1, 8, 6, &logo.bitmap, 1, 0), -1);
    EXPECT_EQ(CommandOf(line.port.writes[0]),
              (Bytes{0x2D, 0x01, 0x00, 0x01, 0x08, 0x00, 0x06, 0x00}));
    EXPECT_EQ(RawBlocks(line), (std::vector<Bytes>{{0x01, 0x01, 0x02, 0x02, 0x0F, 0x0F}}));

    line.port.writes.clear();
    ASSERT_EQ(FPLoadBMP(1, 8, 6, &logo.bitmap, 0, 1), -1);
    EXPECT_EQ(RawBlocks(line), (std::vector<Bytes>{{0xFE, 0xFD, 0xF0}}));

    // Ten rows doubled are announced as 20: a limit of 19 refuses them.
    const Logo ten = MakeLogo(8, std::vector<Bytes>(10, Bytes{0x33}));
    ExpectRefusedUnsent(line, SizeText(384, 19),
                        [&] { return FPLoadBMP(1, 384, 19, &ten.bitmap, 1, 0); });
    line.port.writes.clear();
    ASSERT_EQ(FPLoadBMP(1, 384, 20, &ten.bitmap, 1, 0), -1);
    EXPECT_EQ(CommandOf(line.port.writes[0])[6], 20);
}

TEST(LoadLogo, SizeWidthAndImageChecks) {
    ScriptedLine line;
    LogoRegister reg(line);
    const Logo seven = MakeLogo(7, {{0x00}});
    ExpectRefusedUnsent(line, SizeText(384, 96),
                        [&] { return FPLoadBMP(1, 384, 96, &seven.bitmap, 0, 0); });
    const Logo twelve = MakeLogo(12, {{0x00, 0x00}});
    ExpectRefusedUnsent(line, WidthText(384, 96),
                        [&] { return FPLoadBMP(1, 384, 96, &twelve.bitmap, 0, 0); });
    const Logo wide = MakeLogo(392, {Bytes(49)});
    ExpectRefusedUnsent(line, SizeText(384, 96),
                        [&] { return FPLoadBMP(1, 384, 96, &wide.bitmap, 0, 0); });
    const Logo tall = MakeLogo(8, std::vector<Bytes>(97, Bytes{0x00}));
    ExpectRefusedUnsent(line, SizeText(384, 96),
                        [&] { return FPLoadBMP(1, 384, 96, &tall.bitmap, 0, 0); });
    Logo flat = MakeLogo(8, {{0x00}});
    flat.bitmap.height = 0;
    ExpectRefusedUnsent(line, SizeText(200, 50),
                        [&] { return FPLoadBMP(1, 200, 50, &flat.bitmap, 0, 0); });
    flat.bitmap.height = -1;
    ExpectRefusedUnsent(line, SizeText(200, 50),
                        [&] { return FPLoadBMP(1, 200, 50, &flat.bitmap, 0, 0); });

    // An image shorter than the rows its size announces.
    Logo shortImage = MakeLogo(32, {Bytes(4), Bytes(4)});
    shortImage.bitmap.imageSize = 7;
    const std::string shortText = "Изображение логотипа короче, чем требуют его ширина и высота!";
    ExpectRefusedUnsent(line, shortText,
                        [&] { return FPLoadBMP(1, 384, 96, &shortImage.bitmap, 0, 0); });
    shortImage.bitmap.imageSize = static_cast<uint32_t>(shortImage.file.size());
    ExpectRefusedUnsent(line, "Изображение логотипа не задано!",
                        [] { return FPLoadBMP(1, 384, 96, nullptr, 0, 0); });
    ASSERT_EQ(FPLoadBMP(1, 384, 96, &shortImage.bitmap, 0, 0), -1);
    shortImage.bitmap.image = nullptr;
    ExpectRefusedUnsent(line, shortText,
                        [&] { return FPLoadBMP(1, 384, 96, &shortImage.bitmap, 0, 0); });
    EXPECT_FALSE(kasdrv::Session().LogoTransferMode);
}

// The file image is checked before anything is cut from it: a file that is
// no BMP, is cut short, points its pixel data elsewhere or has more than one
// bit a dot is refused unsent; sound variants of a monochrome file load.
TEST(LoadLogo, FileImageIsCheckedBeforeSending) {
    const std::string shortText = "Изображение логотипа короче, чем требуют его ширина и высота!";
    const std::vector<Bytes> rows = {{0x81, 0x42}, {0x24, 0x18}};
    const Bytes good = BmpFile(16, rows);
    const auto put16 = [](Bytes& f, std::size_t at, uint16_t v) {
        f[at] = static_cast<uint8_t>(v);
        f[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    // The same rows behind the old 12-byte header, palette of three bytes a colour.
    Bytes core = {'B', 'M', 0,  0, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0,    12,   0,
                  0,   0,   16, 0, 2, 0, 1, 0, 1, 0, 0,  0, 0, 0xFF, 0xFF, 0xFF};
    core.insert(core.end(), good.end() - 8, good.end());
    struct Case {
        const char* name;
        std::function<void(Bytes&)> change;
        std::string refusal; // empty: loads
    };
    const std::vector<Case> cases = {
        {"as written", [](Bytes&) {}, ""},
        {"no BM", [](Bytes& f) { f[0] = 'P'; }, shortText},
        {"BA", [](Bytes& f) { f[1] = 'A'; }, shortText},
        {"last byte missing", [](Bytes& f) { f.pop_back(); }, shortText},
        {"cut inside the headers", [](Bytes& f) { f.resize(29); }, shortText},
        {"only the file header", [](Bytes& f) { f.resize(14); }, shortText},
        {"only the rows", [&](Bytes& f) { f = Bytes(good.end() - 8, good.end()); }, shortText},
        {"offset past the end", [&](Bytes& f) { put16(f, 10, 71); }, shortText},
        {"offset leaves too few bytes", [&](Bytes& f) { put16(f, 10, 63); }, shortText},
        {"offset inside the headers", [&](Bytes& f) { put16(f, 10, 40); }, shortText},
        {"info header of 4 bytes", [&](Bytes& f) { put16(f, 14, 4); }, shortText},
        {"24 bits a dot", [&](Bytes& f) { put16(f, 28, 24); }, SizeText(384, 96)},
        {"8 bits a dot", [&](Bytes& f) { put16(f, 28, 8); }, SizeText(384, 96)},
        {"4 bits a dot", [&](Bytes& f) { put16(f, 28, 4); }, SizeText(384, 96)},
        {"no depth", [&](Bytes& f) { put16(f, 28, 0); }, SizeText(384, 96)},
        {"a gap between palette and rows",
         [&](Bytes& f) {
             f.insert(f.begin() + 62, 6, 0xCC);
             put16(f, 10, 68);
         },
         ""},
        {"old 12-byte header", [&](Bytes& f) { f = core; }, ""},
        {"old header, 24 bits",
         [&](Bytes& f) {
             f = core;
             put16(f, 24, 24);
         },
         SizeText(384, 96)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedLine line;
        LogoRegister reg(line);
        Bytes file = good;
        c.change(file);
        const FPBitmap bitmap{16, 2, file.data(), static_cast<uint32_t>(file.size())};
        if (c.refusal.empty()) {
            ASSERT_EQ(FPLoadBMP(1, 384, 96, &bitmap, 0, 0), -1) << ErrorTextUtf8();
            EXPECT_EQ(RawBlocks(line), (std::vector<Bytes>{{0x81, 0x42, 0x24, 0x18}}));
        } else {
            ExpectRefusedUnsent(line, c.refusal,
                                [&] { return FPLoadBMP(1, 384, 96, &bitmap, 0, 0); });
        }
    }
}

TEST(LoadLogo, TransferModeIsClearedOnEveryWayOut) {
    const Logo logo = MakeLogo(8, std::vector<Bytes>(100, Bytes{0x42}));
    {
        ScriptedLine line; // silent register
        EXPECT_EQ(FPLoadBMP(1, 384, 100, &logo.bitmap, 0, 0), 0);
        EXPECT_EQ(ErrorTextUtf8(), "Превышено время ожидания ответа от принтера!");
        EXPECT_EQ(line.port.writes.size(), 3u);
        EXPECT_FALSE(kasdrv::Session().LogoTransferMode);
    }
    {
        ScriptedLine line; // status 0x20 alone is an error here
        LogoRegister reg(line, Payload(0x20, 0, 0));
        EXPECT_EQ(FPLoadBMP(1, 384, 100, &logo.bitmap, 0, 0), 0);
        EXPECT_NE(ErrorTextUtf8().find("Продолжительность смены больше 24 часов."),
                  std::string::npos);
        EXPECT_EQ(line.port.writes.size(), 1u);
        EXPECT_FALSE(kasdrv::Session().LogoTransferMode);
    }
    {
        ScriptedLine line; // the second block is never answered
        int blocks = 0;
        line.port.responder = [&blocks](const Bytes& written) {
            if (IsFrame(written)) {
                return Now(AnswerFrame(Payload(0, 0, 0)));
            }
            return ++blocks == 1 ? Now(Bytes{0x06, 0x05}) : Now(Bytes{});
        };
        EXPECT_EQ(FPLoadBMP(1, 384, 100, &logo.bitmap, 0, 0), 0);
        EXPECT_EQ(ErrorTextUtf8(), "Ошибка программирования логотипа!");
        EXPECT_EQ(line.port.writes.size(), 1u + 1 + 3);
        EXPECT_FALSE(kasdrv::Session().LogoTransferMode);
    }
    {
        ScriptedLine line; // a block refused by the register
        line.port.responder = [](const Bytes& written) {
            return Now(AnswerFrame(IsFrame(written) ? Payload(0, 0, 0) : Payload(0x80, 0, 0)));
        };
        EXPECT_EQ(FPLoadBMP(1, 384, 100, &logo.bitmap, 0, 0), 0);
        EXPECT_NE(ErrorTextUtf8().find("Команда не была выполнена."), std::string::npos);
        EXPECT_EQ(line.port.writes.size(), 2u);
        EXPECT_FALSE(kasdrv::Session().LogoTransferMode);
    }
}

TEST(LoadLogo, SynBytesAreDroppedWhileTransferring) {
    const Logo logo = MakeLogo(8, {{0x42}});
    {
        // A SYN neither enters the answer nor pauses the driver.
        ScriptedLine line;
        line.port.responder = [](const Bytes& written) {
            return IsFrame(written) ? Now(AnswerFrame(Payload(0, 0, 0)))
                                    : Now(Bytes{0x16, 0x06, 0x16, 0x05});
        };
        const double start = line.clock.NowMs();
        ASSERT_EQ(FPLoadBMP(1, 384, 96, &logo.bitmap, 0, 0), -1);
        EXPECT_EQ(line.port.writes.size(), 2u);
        EXPECT_EQ(kasdrv::Session().RawAnswer, (Bytes{0x06, 0x05}));
        EXPECT_LT(line.clock.NowMs() - start, 200.0);
    }
    {
        // Nor does it restart the answer deadline: the answer comes too late,
        // and as the register has been heard the block is not sent again.
        ScriptedLine line;
        int blocks = 0;
        line.port.responder = [&blocks](const Bytes& written) -> std::vector<LineByte> {
            if (IsFrame(written)) {
                return Now(AnswerFrame(Payload(0, 0, 0)));
            }
            if (++blocks == 1) {
                return {{0x16, 1500}, {0x06, 500}, {0x05, 0}};
            }
            return Now(Bytes{0x06, 0x05});
        };
        ASSERT_EQ(FPLoadBMP(1, 384, 96, &logo.bitmap, 0, 0), 0);
        EXPECT_EQ(line.port.writes.size(), 2u);
        EXPECT_EQ(ErrorTextUtf8(), "Команда передана принтеру, но ответ не получен!\r\n"
                                   "Проверьте, выполнена ли она, прежде чем повторять.");
    }
    {
        // A 0x16 inside the header's answer frame is data, not a SYN: the frame
        // stays whole, without a pause, and the transfer goes on.
        ScriptedLine line;
        const Bytes header = AnswerFrame(Bytes{0x16, 0x2D, 0x00, 0x00, 0x00});
        line.port.responder = [&header](const Bytes& written) {
            return IsFrame(written) ? Now(header) : Now(Bytes{0x06, 0x05});
        };
        const double start = line.clock.NowMs();
        ASSERT_EQ(FPLoadBMP(1, 384, 96, &logo.bitmap, 0, 0), -1);
        EXPECT_EQ(line.port.writes.size(), 2u);
        EXPECT_EQ(line.clock.NowMs() - start, 0.0);
        // Outside the transfer the same answer is fine as well.
        line.port.responder = [&header](const Bytes&) { return Now(header); };
        EXPECT_EQ(FPEnableBMP(1), -1);
        EXPECT_EQ(kasdrv::Session().RawAnswer, header);
    }
}

TEST(LogoSwitch, EightByteCommandWithoutLeniency) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    ASSERT_EQ(FPEnableBMP(0x0102), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x2D, 0x02, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00}));
    ASSERT_EQ(FPDisableBMP(0x0102), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x2D, 0x02, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_FALSE(kasdrv::Session().LogoTransferMode);

    line.AnswerAll(Payload(0x20, 0, 0));
    EXPECT_EQ(FPEnableBMP(1), 0);
    EXPECT_EQ(FPDisableBMP(1), 0);
    EXPECT_FALSE(ErrorTextUtf8().empty());
}

} // namespace

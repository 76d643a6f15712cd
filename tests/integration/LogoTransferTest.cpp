// Loading a logo through the driver: the header and the raw blocks with the driver dropping
// every SYN byte, at sequence numbers around 22 (a SYN when echoed) and away from it; the
// logo on the receipts and in the image file.
#include "EmulatorFixture.h"
#include "MonochromeBmp.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <vector>

using namespace kastest;

namespace {

// A 1-bit BMP file image of `rows` (top row first, width/8 bytes each): a 62-byte header and
// palette, then the rows bottom first, each padded to 4 bytes.
std::vector<uint8_t> BmpImage(int width, const std::vector<std::vector<uint8_t>>& rows) {
    return MonochromeBmp(width, rows, 0xAA); // the padding is never sent
}

std::vector<std::vector<uint8_t>> Rows(int width, int height) {
    std::vector<std::vector<uint8_t>> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width / 8; ++x) {
            rows[static_cast<std::size_t>(y)].push_back(static_cast<uint8_t>(x * 31 + y * 7 + 1));
        }
    }
    return rows;
}

class Logo : public EmulatorTest {
  protected:
    kasemu::EmulatorOptions Options() override {
        auto o = EmulatorTest::Options();
        o.trace = true;
        o.traceSink = [this](const std::string& line) {
            std::lock_guard lock(traceMutex_);
            trace_.push_back(line);
        };
        o.logoFile = deviceDir() + "/logo.pbm";
        return o;
    }

    std::vector<std::string> Trace() {
        std::lock_guard lock(traceMutex_);
        return trace_;
    }

    // The sequence number of the last command frame the register received.
    int LastSequence() {
        const auto lines = Trace();
        for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
            const auto at = it->find("<- 10 02 ");
            if (at != std::string::npos && it->find("raw block") == std::string::npos) {
                return std::stoi(it->substr(at + 9, 2), nullptr, 16);
            }
        }
        return -1;
    }

    // Runs harmless commands until the next frame the driver sends carries `next`.
    void AdvanceSequenceTo(int next) {
        for (int i = 0; i < 300; ++i) {
            double date = 0;
            ASSERT_EQ(FPGetDate(&date), -1) << DriverError();
            const int last = LastSequence();
            if ((last == 255 ? 1 : last + 1) == next) {
                return;
            }
        }
        FAIL() << "the sequence did not come round to " << next;
    }

    // Loads a width x height logo and checks what the register stored.
    void LoadAndCheck(int width, int height, bool doubleHeight = false) {
        const auto rows = Rows(width, height);
        const auto image = BmpImage(width, rows);
        const FPBitmap bmp{width, height, image.data(), static_cast<uint32_t>(image.size())};
        emu().resetCounters();
        ASSERT_EQ(FPLoadBMP(0, 448, 1050, &bmp, doubleHeight ? -1 : 0, 0), -1) << DriverError();
        const kasemu::RegisterState s = emu().state();
        ASSERT_TRUE(s.logo.loaded());
        EXPECT_EQ(s.logo.width, width);
        std::vector<uint8_t> expected;
        for (const auto& r : rows) {
            for (int copy = 0; copy < (doubleHeight ? 2 : 1); ++copy) {
                expected.insert(expected.end(), r.begin(), r.end());
            }
        }
        EXPECT_EQ(s.logo.height, doubleHeight ? 2 * height : height);
        EXPECT_EQ(s.logo.rows, expected);
        EXPECT_TRUE(s.programming.logoEnabled);
        const std::size_t blocks = (expected.size() + 63) / 64;
        EXPECT_EQ(emu().counters().rawBlocks, blocks);
        EXPECT_EQ(emu().counters().badFrames, 0u);
    }

    bool HeaderSentWithSequence(int seq) {
        char needle[32];
        std::snprintf(needle, sizeof needle, "<- 10 02 %02X 2D", seq);
        const auto lines = Trace();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.find(needle) != std::string::npos;
        });
    }

  private:
    std::mutex traceMutex_;
    std::vector<std::string> trace_;
};

TEST_F(Logo, TheHeaderAtSequence22) {
    AdvanceSequenceTo(22);
    LoadAndCheck(16, 8); // 16 bytes: one block
    EXPECT_TRUE(HeaderSentWithSequence(0x16));
}

TEST_F(Logo, BlocksCrossingSequence22) {
    AdvanceSequenceTo(19);
    LoadAndCheck(384, 20); // 960 bytes: 15 blocks at sequences 20 to 34
    EXPECT_TRUE(HeaderSentWithSequence(19));
}

TEST_F(Logo, AwayFromSequence22) {
    AdvanceSequenceTo(100);
    LoadAndCheck(64, 8); // one block of exactly 64
    EXPECT_TRUE(HeaderSentWithSequence(100));
}

TEST_F(Logo, SeventyFiveBlocksInDoubleHeight) {
    LoadAndCheck(384, 50, true); // announced as 100 rows: 4800 bytes
}

TEST_F(Logo, PrintedOnReceiptsAndWrittenAsAnImage) {
    const std::vector<std::vector<uint8_t>> rows = {{0xFF, 0xFF}, {0xFF, 0xFF}, {0x80, 0x01}};
    const auto image = BmpImage(16, rows);
    const FPBitmap bmp{16, 3, image.data(), static_cast<uint32_t>(image.size())};
    ASSERT_EQ(FPLoadBMP(0, 448, 1050, &bmp, 0, 0), -1) << DriverError();

    std::ifstream f(deviceDir() + "/logo.pbm", std::ios::binary);
    const std::string pbm((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(pbm, std::string("P4\n16 3\n\xFF\xFF\xFF\xFF\x80\x01", 14));

    emu().clearTape();
    ASSERT_EQ(FPSale(nullptr, nullptr, 1, 0, 100, 0, 0, 0, "x", 0), -1) << DriverError();
    auto tape = emu().tape();
    ASSERT_GE(tape.size(), 2u);
    EXPECT_EQ(tape[0], std::string(10, ' ') + "████████████████");
    EXPECT_EQ(tape[1], std::string(10, ' ') + "▀              ▀");
    ASSERT_EQ(FPPayment(nullptr, nullptr, 3, 0, -1, -1), -1) << DriverError();

    ASSERT_EQ(FPDisableBMP(0), -1) << DriverError();
    emu().clearTape();
    ASSERT_EQ(FPSale(nullptr, nullptr, 1, 0, 100, 0, 0, 0, "x", 0), -1) << DriverError();
    tape = emu().tape();
    EXPECT_TRUE(std::none_of(tape.begin(), tape.end(), [](const std::string& l) {
        return l.find("█") != std::string::npos;
    }));
    ASSERT_EQ(FPPayment(nullptr, nullptr, 3, 0, -1, -1), -1) << DriverError();
    ASSERT_EQ(FPEnableBMP(0), -1) << DriverError();
    EXPECT_TRUE(emu().state().programming.logoEnabled);
}

TEST_F(Logo, RefusedByTheRegister) {
    // Wider than an RX-520L prints, but within the limits the caller gave the driver.
    Restart([this] {
        auto o = Options();
        o.model = kasemu::ModelKind::Rx520l;
        return o;
    }());
    const auto image = BmpImage(448, Rows(448, 2));
    const FPBitmap bmp{448, 2, image.data(), static_cast<uint32_t>(image.size())};
    EXPECT_EQ(FPLoadBMP(0, 448, 1050, &bmp, 0, 0), 0);
    EXPECT_EQ(DriverCodes().result, 19);
    EXPECT_NE(DriverError().find("Ошибка программирования логотипа"), std::string::npos)
        << DriverError();
    EXPECT_EQ(emu().counters().rawBlocks, 0u);
    // The link is in order afterwards.
    double date = 0;
    EXPECT_EQ(FPGetDate(&date), -1) << DriverError();
}

} // namespace

// The non-volatile memory: survives restarts, and a write cut short leaves the last good state.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "TestSupport.h"
#include "kasemu/Emulator.h"
#include "kasemu/StateFile.h"

namespace kasemu {
namespace {

using namespace test;
namespace fs = std::filesystem;

class StateFile : public ::testing::Test {
  protected:
    StateFile() {
        char tmpl[] = "/tmp/kasemu-state-XXXXXX";
        dir_ = ::mkdtemp(tmpl);
        path_ = dir_ + "/register.state";
    }
    ~StateFile() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // A register that has lived a little.
    static RegisterState lived() {
        ManualClock clock{startTime()};
        Model m(factoryState(ModelKind::Rx520l), clock, ModelConfig{0.0, 36});
        Bytes pw = le(0, 2);
        pw.push_back(9);
        for (const auto b : le(777, 2)) {
            pw.push_back(b);
        }
        for (const auto b : textData("Отчеты")) {
            pw.push_back(b);
        }
        EXPECT_EQ(m.execute(0x05, pw).result, 0);
        m.execute(0x12, itemData(2, 0, 1250, 0, "Хліб"));
        m.execute(0x14, paymentData(3, 5000));
        m.execute(0x0D, le(777, 2));
        m.execute(0x10, le(1000, 4));
        m.execute(0x12, itemData(1, 0, 300, 5, "Сіль"));
        m.execute(0x14, paymentData(0, 0, true));
        m.execute(0x02, hex("01 01 27"));
        auto s = m.state();
        Article a;
        a.name = utf8ToDevice("Кава");
        a.price = -150;
        a.group = 1;
        a.soldQuantity = 3;
        s.articles[123456789012] = a;
        s.programming.taxpayer[1].text = utf8ToDevice("вул. Хрещатик, 1");
        s.programming.taxpayer[1].attributes = 0x80;
        s.identity.fiscalized = true;
        s.identity.fiscalNumber = utf8ToDevice("0000000123");
        s.lineSpeedIndex = 2;
        return s;
    }

    std::string dir_;
    std::string path_;
};

TEST_F(StateFile, SavesAndLoadsThePermanentState) {
    const RegisterState s = lived();
    std::string error;
    ASSERT_TRUE(saveState(path_, s, &error)) << error;
    EXPECT_FALSE(fs::exists(path_ + ".tmp"));
    const auto loaded = loadState(path_, factoryState(ModelKind::Rx520l), &error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(loaded->operators[9].password, 777);
    EXPECT_EQ(deviceToUtf8(loaded->operators[9].name), "Отчеты");
    ASSERT_EQ(loaded->fiscalMemory.size(), 1u);
    EXPECT_EQ(loaded->fiscalMemory[0].totals.sale.byGroup[0], 2500);
    EXPECT_EQ(loaded->fiscalMemory[0].totals.sale.byForm[3], 2500);
    EXPECT_EQ(loaded->fiscalMemory[0].at, s.fiscalMemory[0].at);
    EXPECT_EQ(loaded->day.sale.byGroup[5], 300);
    EXPECT_EQ(loaded->day.deposits, 1000);
    EXPECT_EQ(loaded->cashInDrawer, s.cashInDrawer);
    EXPECT_EQ(loaded->lastSaleReceipt, 2u);
    EXPECT_EQ(loaded->documents, s.documents);
    EXPECT_EQ(loaded->clockOffset, s.clockOffset);
    EXPECT_NE(loaded->clockOffset, 0);
    EXPECT_TRUE(loaded->shiftOpen);
    EXPECT_EQ(loaded->shiftOpenedAt, s.shiftOpenedAt);
    EXPECT_EQ(loaded->lineSpeedIndex, 2);
    EXPECT_TRUE(loaded->identity.fiscalized);
    EXPECT_EQ(deviceToUtf8(loaded->identity.fiscalNumber), "0000000123");
    EXPECT_EQ(deviceToUtf8(loaded->programming.taxpayer[1].text), "вул. Хрещатик, 1");
    EXPECT_EQ(loaded->programming.taxpayer[1].attributes, 0x80);
    ASSERT_EQ(loaded->articles.count(123456789012), 1u);
    EXPECT_EQ(loaded->articles.at(123456789012).price, -150);
    EXPECT_EQ(deviceToUtf8(loaded->articles.at(123456789012).name), "Кава");
    EXPECT_EQ(loaded->lastReceiptTape, s.lastReceiptTape);
    EXPECT_FALSE(loaded->lastReceiptTape.empty());
}

TEST_F(StateFile, EverythingProgrammedIsKept) {
    RegisterState s = factoryState(ModelKind::Rx410f);
    auto& p = s.programming;
    p.receiptHead[1] = {utf8ToDevice("Ласкаво просимо"), 0x40};
    p.receiptTail[2] = {utf8ToDevice("Дякуємо"), 0x80};
    p.taxpayer[2] = {utf8ToDevice("ІПН"), 0xC0};
    p.taxNumber = utf8ToDevice("1234567890AB");
    p.identificationNumber = true;
    p.taxRateCount = 3;
    p.taxRates = {2000, 700, 0, 0, 0};
    p.levyRates = {500, 0, 100, 0, 0};
    p.levy = true;
    p.taxRatesProgrammedAt = toSeconds(CivilTime{2026, 5, 4, 3, 2, 1});
    p.taxRatesChanged = true;
    p.onlineMode = true;
    p.displaySumsForbidden = true;
    p.autoCut = false;
    p.logoEnabled = true;
    p.lineSpacing = 12;
    p.contrast = 150;
    s.identity.fiscalized = true;
    s.identity.fiscalNumber = utf8ToDevice("АБ00000123");
    s.identity.registeredAt = toSeconds(CivilTime{2026, 5, 4, 9, 0, 0});
    Article fromSales;
    fromSales.name = utf8ToDevice("Печиво");
    fromSales.programmedInAdvance = false;
    s.articles[4820000000001] = fromSales;
    s.articles[7].name = utf8ToDevice("Кава");
    s.logo.width = 16;
    s.logo.height = 2;
    s.logo.rows = hex("F0 0F 10 16");
    s.memory[0x05u << 16 | 0x1234] = 0x7E;
    s.memory[0x10u << 16 | 0x301A] = 0xA0;

    std::string error;
    ASSERT_TRUE(saveState(path_, s, &error)) << error;
    const auto loaded = loadState(path_, factoryState(ModelKind::Rx410f), &error);
    ASSERT_TRUE(loaded) << error;
    const auto& l = loaded->programming;
    EXPECT_EQ(deviceToUtf8(l.receiptHead[1].text), "Ласкаво просимо");
    EXPECT_EQ(l.receiptHead[1].attributes, 0x40);
    EXPECT_EQ(deviceToUtf8(l.receiptTail[2].text), "Дякуємо");
    EXPECT_EQ(l.taxpayer[2].attributes, 0xC0);
    EXPECT_EQ(deviceToUtf8(l.taxNumber), "1234567890AB");
    EXPECT_TRUE(l.identificationNumber);
    EXPECT_EQ(l.taxRateCount, 3);
    EXPECT_EQ(l.taxRates, p.taxRates);
    EXPECT_EQ(l.levyRates, p.levyRates);
    EXPECT_TRUE(l.levy);
    EXPECT_EQ(l.taxRatesProgrammedAt, p.taxRatesProgrammedAt);
    EXPECT_TRUE(l.taxRatesChanged);
    EXPECT_TRUE(l.onlineMode);
    EXPECT_TRUE(l.displaySumsForbidden);
    EXPECT_FALSE(l.autoCut);
    EXPECT_TRUE(l.logoEnabled);
    EXPECT_EQ(l.lineSpacing, 12);
    EXPECT_EQ(l.contrast, 150);
    EXPECT_EQ(loaded->identity.registeredAt, s.identity.registeredAt);
    EXPECT_EQ(deviceToUtf8(loaded->identity.fiscalNumber), "АБ00000123");
    ASSERT_EQ(loaded->articles.size(), 2u);
    EXPECT_FALSE(loaded->articles.at(4820000000001).programmedInAdvance);
    EXPECT_TRUE(loaded->articles.at(7).programmedInAdvance);
    EXPECT_EQ(loaded->logo.width, 16);
    EXPECT_EQ(loaded->logo.height, 2);
    EXPECT_EQ(hex(loaded->logo.rows), "F0 0F 10 16");
    EXPECT_EQ(loaded->memory, s.memory);
}

TEST_F(StateFile, AFileOfTheFirstVersionStillLoads) {
    {
        std::ofstream f(path_);
        f << "kasemu-state 1\n"
             "operator 9 4321 -\n"
             "article 77 8aa0a2a0 250 0 3 1500 3750 0 0\n"
             "end\n";
    }
    std::string error;
    const auto loaded = loadState(path_, factoryState(ModelKind::Rx410f), &error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(loaded->operators[9].password, 4321);
    ASSERT_EQ(loaded->articles.count(77), 1u);
    EXPECT_TRUE(loaded->articles.at(77).programmedInAdvance);
    EXPECT_EQ(deviceToUtf8(loaded->articles.at(77).name), "Кава");
    EXPECT_EQ(loaded->articles.at(77).soldSum, 3750);
    EXPECT_FALSE(loaded->logo.loaded());
}

TEST_F(StateFile, ABurstOfCommandsIsSavedWhenTheLineFallsQuiet) {
    auto clock = std::make_shared<ManualClock>(startTime());
    EmulatorOptions opt;
    opt.stateFile = path_;
    opt.clock = clock;
    opt.linesPerSecond = 0;
    Emulator emu(opt);
    // Two changes right after each other: the second waits for the line to fall quiet.
    emu.withState([](RegisterState& s) { s.operators[1].password = 1; });
    const int fd = ::open(emu.slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    // Cash-in of 100.00: 0x10 and its first data byte 0x10 are doubled.
    const Bytes cashIn = hex("10 02 01 10 10 10 10 27 00 00 B8 10 03");
    ASSERT_EQ(::write(fd, cashIn.data(), cashIn.size()), static_cast<ssize_t>(cashIn.size()));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    std::optional<RegisterState> saved;
    while (std::chrono::steady_clock::now() < deadline) {
        saved = loadState(path_, factoryState(ModelKind::Rx410f));
        if (saved && saved->day.deposits == 10000) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::close(fd);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->day.deposits, 10000);
    EXPECT_EQ(saved->operators[1].password, 1);
}

TEST_F(StateFile, AMissingFileMeansAFactoryFreshRegister) {
    std::string error;
    EXPECT_FALSE(loadState(path_, factoryState(ModelKind::Rx410f), &error));
    EXPECT_TRUE(error.empty());
}

TEST_F(StateFile, AFileCutShortIsReportedAsDamaged) {
    ASSERT_TRUE(saveState(path_, lived()));
    const auto size = fs::file_size(path_);
    fs::resize_file(path_, size / 2);
    std::string error;
    EXPECT_FALSE(loadState(path_, factoryState(ModelKind::Rx410f), &error));
    EXPECT_NE(error.find("damaged"), std::string::npos);
}

TEST_F(StateFile, AHalfWrittenTemporaryFileLeavesTheLastGoodState) {
    ASSERT_TRUE(saveState(path_, lived()));
    // A write that died half-way: the temporary file holds the first half of a newer state.
    RegisterState newer = lived();
    newer.operators[9].password = 1;
    ASSERT_TRUE(saveState(dir_ + "/other", newer));
    const auto size = fs::file_size(dir_ + "/other");
    fs::copy_file(dir_ + "/other", path_ + ".tmp");
    fs::resize_file(path_ + ".tmp", size / 2);

    const auto loaded = loadState(path_, factoryState(ModelKind::Rx410f));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->operators[9].password, 777);
    // The next save goes through regardless of the leftover.
    ASSERT_TRUE(saveState(path_, newer));
    EXPECT_EQ(loadState(path_, factoryState(ModelKind::Rx410f))->operators[9].password, 1);
}

TEST_F(StateFile, TheEmulatorKeepsItsMemoryAcrossARestart) {
    auto clock = std::make_shared<ManualClock>(startTime());
    EmulatorOptions opt;
    opt.stateFile = path_;
    opt.clock = clock;
    opt.linesPerSecond = 0;
    {
        Emulator emu(opt);
        emu.withState([](RegisterState& s) {
            s.operators[3].password = 4242;
            s.day.deposits = 12345;
            s.receipt.kind = ReceiptKind::Sale; // volatile
        });
        emu.advanceClock(3600);
    }
    Emulator emu(opt);
    const auto s = emu.state();
    EXPECT_EQ(s.operators[3].password, 4242);
    EXPECT_EQ(s.day.deposits, 12345);
    EXPECT_EQ(s.clockOffset, 3600);
    EXPECT_FALSE(s.receipt.open());
}

TEST_F(StateFile, TheEmulatorRefusesADamagedFile) {
    {
        std::ofstream f(path_);
        f << "kasemu-state 1\noperator 0 0\n";
    }
    EmulatorOptions opt;
    opt.stateFile = path_;
    EXPECT_THROW(Emulator emu(opt), std::runtime_error);
}

} // namespace
} // namespace kasemu

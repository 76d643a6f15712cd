// The emulator as an engineer rehearses with it by hand: faults armed through
// its control FIFO while it runs, the customer display shown in a file, and a
// state file that starts out empty.
#include "EmulatorFixture.h"

#include "kasemu/StateFile.h"

#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace kastest {

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class EmulatorRehearsal : public EmulatorTest {
  protected:
    kasemu::EmulatorOptions Options() override {
        auto o = EmulatorTest::Options();
        o.displayFile = deviceDir() + "/display.txt";
        o.controlPath = deviceDir() + "/control";
        o.controlSink = [this](const std::string& line) {
            std::lock_guard lock(mutex_);
            replies_.push_back(line);
        };
        return o;
    }

    // Writes a line to the control FIFO and waits (bounded) for its reply.
    std::string Control(const std::string& line) {
        std::size_t before = 0;
        {
            std::lock_guard lock(mutex_);
            before = replies_.size();
        }
        const int fd = ::open((deviceDir() + "/control").c_str(), O_WRONLY);
        EXPECT_GE(fd, 0);
        const std::string text = line + "\n";
        EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(fd);
        for (int i = 0; i < 500; ++i) {
            {
                std::lock_guard lock(mutex_);
                if (replies_.size() > before) {
                    return replies_.back();
                }
            }
            ::usleep(10'000);
        }
        return "no reply";
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> replies_;
};

} // namespace

TEST_F(EmulatorRehearsal, FaultsArmedThroughTheFifoActOnTheNextCommands) {
    EXPECT_EQ(Control("bogus"), "kasemu: unknown fault 'bogus' (see --help)");
    EXPECT_EQ(emu().armedFaults(), 0u);
    EXPECT_EQ(Control("drop"), "kasemu: armed drop");
    EXPECT_EQ(emu().armedFaults(), 1u);
    // The first answer is lost, the driver's second attempt is answered.
    double date = 0;
    EXPECT_EQ(FPGetDate(&date), -1) << DriverError();
    EXPECT_EQ(emu().armedFaults(), 0u);
    EXPECT_EQ(emu().counters().framesReceived, 2u);

    EXPECT_EQ(Control("nak*5"), "kasemu: armed nak*5");
    EXPECT_EQ(Control("clear"), "kasemu: every fault disarmed");
    EXPECT_EQ(emu().armedFaults(), 0u);
    EXPECT_EQ(FPGetDate(&date), -1) << DriverError();
}

TEST_F(EmulatorRehearsal, TheCustomerDisplayIsShownInItsFile) {
    EXPECT_EQ(ReadFile(deviceDir() + "/display.txt"), "\n\n");
    ASSERT_EQ(FPSendCustomer(0, ToCp1251("Кава 12.50").c_str()), -1) << DriverError();
    ASSERT_EQ(FPSendCustomer(-1, ToCp1251("Разом 25.00").c_str()), -1) << DriverError();
    EXPECT_EQ(ReadFile(deviceDir() + "/display.txt"), "Кава 12.50\nРазом 25.00\n");
}

TEST_F(EmulatorRehearsal, AnEmptyStateFileStartsAFreshRegister) {
    const std::string path = deviceDir() + "/state";
    { std::ofstream touch(path); }
    auto o = Options();
    o.stateFile = path;
    Restart(o);
    ASSERT_EQ(FPInToCash(5000), -1) << DriverError();
    Restart(o);
    EXPECT_EQ(emu().state().cashInDrawer, 5000);
    // A file that is not empty and not a state is still refused.
    emu().stop();
    std::ofstream(path) << "garbage\n";
    EXPECT_THROW(Restart(o), std::runtime_error);
}

} // namespace kastest

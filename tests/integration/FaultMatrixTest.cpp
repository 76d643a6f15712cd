// Every class of export against every fault the register can commit on the
// line: the result, the error text and how long the call took.
//
// Many cells must wait out the driver's answer deadline (1.728 s, up to three
// times), so the classes run side by side: two child processes per class,
// each with its own emulator and its own loaded driver, reporting its cells
// back through a pipe. Within a class every cell runs against the same emulator,
// whose state is set back to the factory's before each cell.
#include "EmulatorFixture.h"
#include "MonochromeBmp.h"

#include "kasemu/Emulator.h"
#include "kasemu/Faults.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kastest;

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kDeadlineS = 1.728; // the driver's answer window
constexpr double kMarginS = 1.5;     // scheduling, pseudo-terminal and sanitizer slack

const std::string kTimeout = "Превышено время ожидания ответа от принтера!";
const std::string kBadReply = "Ответная посылка не соответствует формату данных!";
const std::string kNoData = "Данные от ЭККР не были получены!";

// A fault as the emulator takes it, and what it costs the driver: for a
// repeatable command, and for one that must not be carried out twice.
struct FaultCase {
    const char* name;    // as reported
    const char* trigger; // for kasemu::parseFault
    int deadlines;       // answer windows the driver must wait out
    double extraS;       // further time the register takes (SYN storm, delay)
    uint64_t frames;     // command frames the register receives, one per attempt
    int onceDeadlines;   // the same for a command that is not repeatable
    uint64_t onceFrames;
    uint64_t onceRuns; // times the register carries that command out
};

// What the register does wrong, and how the link is bound to react:
// silence and three NAKs use up every attempt; a bad checksum fails at once;
// for a repeatable command a lost answer, a NAK, an answer that does not start
// with ACK (noise or a SYN before it), is cut short, never ends (nine DLEs) or
// comes too late costs one attempt; SYNs keep the answer window open; the
// register's own errors are decoded, status 0x20 alone counting as success for
// the lenient exports.
// A command that is not repeatable is sent again only after a NAK or a silent
// window. Anything else heard from the register ends the call at once with the
// not-received text, the command carried out once. What stays: a register that
// carries the command out and then keeps the line silent for the whole window
// (a lost answer, or one later than the window) looks like one that never got
// the command, so the command is sent again and carried out twice. When the
// late answer then comes during the repeat, it names the first frame: the call
// fails with the more-than-once text instead of reporting a success.
const FaultCase kFaults[] = {
    {"silence", "ignore*3", 3, 0.0, 3, 3, 3, 0},
    {"answer lost once", "drop", 1, 0.0, 2, 1, 2, 2},
    {"NAK", "nak", 1, 0.0, 2, 1, 2, 1},
    {"NAK every attempt", "nak*3", 3, 0.0, 3, 3, 3, 0},
    {"corrupt checksum", "bad-checksum", 0, 0.0, 1, 0, 1, 1},
    {"garbage before ACK", "garbage:5", 0, 0.0, 2, 0, 1, 1},
    {"SYN before ACK", "syn-before-ack", 0, 0.5, 2, 0, 1, 1},
    {"SYN storm", "syn-storm:3:700", 0, 3 * 0.9, 1, 0, 1, 1},
    {"delay past the deadline", "delay:2200", 1, 0.5, 2, 1, 2, 2},
    {"ACK ENQ", "ack-enq", 0, 0.0, 1, 0, 1, 1},
    {"answer cut mid-frame", "cut", 1, 0.0, 2, 1, 1, 1},
    {"9 DLEs before ETX", "nine-dles", 1, 0.0, 2, 1, 1, 1},
    {"reply data one byte short", "length:-1", 0, 0.0, 1, 0, 1, 1},
    {"reply data one byte long", "length:1", 0, 0.0, 1, 0, 1, 1},
    {"register refuses", "result:21", 0, 0.0, 1, 0, 1, 1},
    {"shift over 24 hours", "status:0x20", 0, 0.0, 1, 0, 1, 1},
};

// The faults after which a command that is not repeatable has been carried
// out and the driver cannot know: it reports so instead of sending it again.
bool LeavesTheCommandInDoubt(const std::string& trigger) {
    return trigger == "bad-checksum" || trigger == "garbage:5" || trigger == "syn-before-ack" ||
           trigger == "cut" || trigger == "nine-dles";
}

struct Outcome {
    int16_t rc = 0;
    std::string error;
};

// One class of exports: a representative call, the state it needs, and how
// its reply is read.
struct ExportClass {
    const char* name;
    // Run before the fault is armed; false when the preparation failed.
    std::function<bool()> prepare;
    std::function<int16_t()> call;
    enum class Reply {
        None,  // the answer carries no data the export reads
        Read,  // data is read; a shorter reply is refused, a longer one tolerated
        Exact, // the reply's length is checked exactly, an empty one first
    } reply;
    // The logo loader: the register may be left waiting for raw blocks (the
    // emulator is started afresh after each cell), a block may have to wait
    // out one more answer window, and SYNs do not keep the window open.
    bool logo = false;
    enum class Judge {
        None,    // the register's status is not judged
        Lenient, // status 0x20 alone still counts as success
        Strict,  // every error the register reports fails the call
    } judge = Judge::Lenient;
    // Carrying the command out twice leaves the register as once.
    bool repeatable = true;
};

bool Sell(int32_t price) {
    return FPSale(nullptr, nullptr, 1, 0, price, 0, 0, 0, "x", 0) == -1;
}

const FPBitmap& SmallLogo() {
    // 16 x 8 dots: two bytes a row, stored in rows of four.
    static const std::vector<uint8_t> image =
        kastest::MonochromeBmp(16, std::vector<std::vector<uint8_t>>(8, {0x3C, 0x3C}));
    static const FPBitmap bitmap{16, 8, image.data(), static_cast<uint32_t>(image.size())};
    return bitmap;
}

std::vector<ExportClass> Classes() {
    return {
        {"status", nullptr,
         [] {
             char* texts[7] = {};
             const int16_t rc = FPGetStatus(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                            nullptr, &texts[0], &texts[1], &texts[2], &texts[3],
                                            &texts[4], &texts[5], &texts[6], nullptr, nullptr);
             for (char* t : texts) {
                 std::free(t);
             }
             return rc;
         },
         ExportClass::Reply::Read, false, ExportClass::Judge::None},
        {"date/time", nullptr,
         [] {
             double d = 0;
             return FPGetDate(&d);
         },
         ExportClass::Reply::Read},
        {"receipt", nullptr,
         [] {
             int64_t cost = 0;
             int64_t total = 0;
             return FPSale(&cost, &total, 2, 0, 1250, 0, 0, 0, ToCp1251("Хліб").c_str(), 0);
         },
         ExportClass::Reply::Read, false, ExportClass::Judge::Strict, false},
        {"payment", [] { return Sell(10000); },
         [] {
             uint32_t rest = 0;
             FPBOOL change = 0;
             return FPPayment(&rest, &change, 3, 1000, 0, -1); // part of the total
         },
         ExportClass::Reply::Read, false, ExportClass::Judge::Lenient, false},
        {"discount", [] { return Sell(10000); },
         [] {
             int64_t value = 0;
             int64_t total = 0;
             return FPDiscount(&value, &total, 3, 0, 100, -1, ToCp1251("Знижка").c_str());
         },
         ExportClass::Reply::Read, false, ExportClass::Judge::Lenient, false},
        {"reports", nullptr, [] { return FPDayReport(0); }, ExportClass::Reply::None, false,
         ExportClass::Judge::Lenient, false},
        {"programming", nullptr,
         [] { return FPSetInitialFirstLine(ToCp1251("ЛАСКАВО ПРОСИМО").c_str(), 0, 0); },
         ExportClass::Reply::None},
        {"logo", nullptr, [] { return FPLoadBMP(0, 384, 200, &SmallLogo(), 0, 0); },
         ExportClass::Reply::None, true, ExportClass::Judge::Strict, false},
        {"queries", nullptr,
         [] {
             std::vector<int64_t> groups(12);
             std::vector<int64_t> forms(8);
             uint16_t receipts = 0;
             return FPGetDayReport(&receipts, nullptr, groups.data(), 5, forms.data(), 3,
                                   groups.data() + 6, 5, forms.data() + 4, 3, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr);
         },
         ExportClass::Reply::Exact},
    };
}

const std::string kProgrammingError = "Ошибка программирования логотипа!";
const std::string kNotReceived = "Команда передана принтеру, но ответ не получен!\r\n"
                                 "Проверьте, выполнена ли она, прежде чем повторять.";
const std::string kMoreThanOnce = "Команда выполнена принтером более одного раза!\r\n"
                                  "Проверьте чек, прежде чем продолжать.";
const std::string kShiftText =
    "\r\nПродолжительность смены больше 24 часов.\r\nПревышение продолжительности смены";

// What a cell may give: the result and the error text. One outcome for all
// but the logo loader under faults that lose the header's answer: the
// register has then taken the header and waits for image data, while the
// driver sends the header again, so how the transfer ends depends on how the
// register resynchronises. The driver must then either succeed (and the
// register hold the logo) or fail with one of its texts.
std::vector<Outcome> Acceptable(const ExportClass& c, const FaultCase& f) {
    const std::string trigger = f.trigger;
    if (trigger == "ignore*3" || trigger == "nak*3" ||
        (trigger == "bad-checksum" && c.repeatable)) {
        return {{0, kTimeout}};
    }
    if (trigger == "result:21") {
        if (c.judge == ExportClass::Judge::None) {
            return {{-1, ""}};
        }
        return {{0, "\r\nНеверный пароль"}};
    }
    if (trigger == "status:0x20") {
        switch (c.judge) {
        case ExportClass::Judge::None:
            return {{-1, ""}};
        case ExportClass::Judge::Lenient:
            return {{-1, kShiftText}};
        case ExportClass::Judge::Strict:
            return {{0, kShiftText}};
        }
    }
    // During the logo transfer SYNs are dropped: a SYN before the ACK goes
    // unseen, while a storm after the ACK lets the window close on an answer
    // begun, in doubt as well.
    const bool synSeen = !c.logo || trigger != "syn-before-ack";
    if (!c.repeatable && ((LeavesTheCommandInDoubt(trigger) && synSeen) ||
                          (c.logo && trigger.rfind("syn-storm", 0) == 0))) {
        return {{0, kNotReceived}};
    }
    if (!c.repeatable && trigger.rfind("delay", 0) == 0) {
        // The first frame's answer comes during the repeat, which the register
        // carries out as well: the numbers in the answers tell them apart.
        return {{0, kMoreThanOnce}};
    }
    if (c.logo && trigger == "drop") {
        // The header is sent again to a register that took it and waits for
        // image data.
        return {{-1, ""}, {0, kTimeout}, {0, kProgrammingError}};
    }
    if (trigger == "ack-enq") {
        // Success without reply data: the export judges the previous answer's
        // status, and has nothing to read.
        switch (c.reply) {
        case ExportClass::Reply::None:
            return {{-1, ""}};
        case ExportClass::Reply::Read:
            return {{0, kBadReply}};
        case ExportClass::Reply::Exact:
            return {{0, kNoData}};
        }
    }
    if (trigger == "length:-1" && c.reply != ExportClass::Reply::None) {
        return {{0, kBadReply}};
    }
    if (trigger == "length:1" && c.reply == ExportClass::Reply::Exact) {
        return {{0, kBadReply}};
    }
    return {{-1, ""}};
}

struct CellReport {
    std::string cls;
    std::string fault;
    bool ok = true;
    bool skipped = false;
    double seconds = 0;
    std::string detail;
};

// Lines of "class|fault|ok|skipped|seconds|detail" (the detail on one line).
std::string Serialise(const CellReport& r) {
    std::string detail = r.detail;
    for (char& ch : detail) {
        if (ch == '\n' || ch == '\r' || ch == '|') {
            ch = ' ';
        }
    }
    std::ostringstream os;
    os << r.cls << '|' << r.fault << '|' << r.ok << '|' << r.skipped << '|' << r.seconds << '|'
       << detail << '\n';
    return os.str();
}

std::optional<CellReport> Parse(const std::string& line) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream is(line);
    while (std::getline(is, part, '|')) {
        parts.push_back(part);
    }
    if (parts.size() < 5) {
        return std::nullopt;
    }
    CellReport r;
    r.cls = parts[0];
    r.fault = parts[1];
    r.ok = parts[2] == "1";
    r.skipped = parts[3] == "1";
    r.seconds = std::atof(parts[4].c_str());
    r.detail = parts.size() > 5 ? parts[5] : "";
    return r;
}

// The emulator of one child, on the link comN of a private directory.
class Register {
  public:
    explicit Register(const std::string& dir) : dir_(dir) { Start(); }

    void Start() {
        FPClose();
        emulator_.reset();
        kasemu::EmulatorOptions o;
        o.linesPerSecond = 0;
        o.linkPath = dir_ + "/com1";
        o.clock = std::make_shared<kasemu::ManualClock>(kasemu::CivilTime{2026, 12, 7, 10, 0, 0});
        emulator_ = std::make_unique<kasemu::Emulator>(o);
        opened_ = FPInit(1, 9600, 1, 1) == -1;
    }

    // Back to the factory's state, with nothing armed and the line quiet.
    void Reset() {
        emulator_->clearFaults();
        emulator_->withState(
            [](kasemu::RegisterState& s) { s = kasemu::factoryState(kasemu::ModelKind::Rx410f); });
        Settle();
    }

    // Waits until the register has sent everything it is going to send (a
    // late answer to an earlier attempt included), so the next command's
    // purge clears it.
    void Settle() {
        using namespace std::chrono_literals;
        auto last = emulator_->counters();
        for (int i = 0; i < 100; ++i) {
            std::this_thread::sleep_for(40ms);
            const auto now = emulator_->counters();
            if (now.bytesSent == last.bytesSent && now.bytesReceived == last.bytesReceived) {
                return;
            }
            last = now;
        }
    }

    kasemu::Emulator& emu() { return *emulator_; }
    bool opened() const { return opened_; }

  private:
    std::string dir_;
    std::unique_ptr<kasemu::Emulator> emulator_;
    bool opened_ = false;
};

CellReport RunCell(Register& reg, const ExportClass& c, const FaultCase& f) {
    CellReport r;
    r.cls = c.name;
    r.fault = f.name;
    reg.Reset();
    if (c.prepare && !c.prepare()) {
        r.ok = false;
        r.detail = "preparation failed: " + DriverError();
        return r;
    }
    reg.emu().resetCounters();
    reg.emu().inject(*kasemu::parseFault(f.trigger));
    const auto t0 = Clock::now();
    const Outcome got{c.call(), DriverError()};
    r.seconds = std::chrono::duration<double>(Clock::now() - t0).count();

    const std::vector<Outcome> acceptable = Acceptable(c, f);
    // The logo loader may wait out every attempt at the header and at a block.
    const int deadlines =
        c.logo && acceptable.size() > 1 ? 6 : (c.repeatable ? f.deadlines : f.onceDeadlines);
    const double bound = deadlines * kDeadlineS + f.extraS + kMarginS;
    std::ostringstream why;
    bool matched = false;
    for (const Outcome& want : acceptable) {
        matched = matched || (got.rc == want.rc && got.error == want.error);
    }
    if (!matched) {
        why << "result " << got.rc << ", text \"" << got.error << "\"; want ";
        for (const Outcome& want : acceptable) {
            why << want.rc << " \"" << want.error << "\" ";
        }
        why << "; ";
    }
    if (c.logo && got.rc == -1) {
        const kasemu::Logo logo = reg.emu().state().logo;
        if (!logo.loaded() || logo.width != 16 || logo.height != 8) {
            why << "success reported, but the register holds no 16 x 8 logo; ";
        }
    }
    r.detail = got.rc == -1 ? "done" : got.error;
    if (r.seconds > bound) {
        why << "took " << r.seconds << " s (bound " << bound << " s); ";
    }
    if (reg.emu().armedFaults() != 0) {
        why << "the fault was not used up; ";
    }
    reg.Settle(); // a late answer's second execution included
    const auto counters = reg.emu().counters();
    if (c.logo) {
        // The header alone is a command frame; the image goes in raw blocks. A
        // repeated header may meet a register that waits for image data.
        const bool kept = f.onceRuns > 1;
        if (!kept && counters.commandsCarriedOut > 1) {
            why << "the header was carried out " << counters.commandsCarriedOut << " times; ";
        }
        reg.Start();
    } else {
        const uint64_t frames = c.repeatable ? f.frames : f.onceFrames;
        if (counters.framesReceived != frames) {
            why << counters.framesReceived << " frames reached the register (want " << frames
                << "); ";
        }
        if (!c.repeatable && counters.commandsCarriedOut != f.onceRuns) {
            why << "carried out " << counters.commandsCarriedOut << " times (want " << f.onceRuns
                << "); ";
        }
    }
    if (!c.repeatable && r.detail == "done") {
        r.detail = "done, carried out " + std::to_string(counters.commandsCarriedOut) + "x";
    } else if (!c.repeatable) {
        r.detail += " (carried out " + std::to_string(counters.commandsCarriedOut) + "x)";
    }
    r.ok = why.str().empty();
    if (!r.ok) {
        r.detail = why.str();
    }
    return r;
}

// The faults that use up every attempt go to one child of a class, the rest
// to another: both take about as long.
bool InPart(const FaultCase& f, int part) {
    return (f.deadlines == 3) == (part == 0);
}

// One part of the row of a class, in a child process.
std::string RunClass(const ExportClass& c, int part, const std::string& dir) {
    std::string out;
    ::setenv("KASDRV_DEVICES", dir.c_str(), 1);
    Register reg(dir);
    if (!reg.opened()) {
        return Serialise({c.name, "-", false, false, 0, "cannot open the emulator's port"});
    }
    // A class whose command the emulator does not know yet is skipped.
    reg.Reset();
    if ((!c.prepare || c.prepare()) && c.call() == 0) {
        const Codes codes = DriverCodes();
        if (codes.status == 0x80) {
            return Serialise({c.name, "-", true, true, 0, "the emulator lacks the command"});
        }
        return Serialise({c.name, "-", false, false, 0, "fails without a fault: " + DriverError()});
    }
    if (c.logo) {
        reg.Start();
    }
    for (const FaultCase& f : kFaults) {
        if (InPart(f, part)) {
            out += Serialise(RunCell(reg, c, f));
        }
    }
    FPClose();
    return out;
}

std::string ReadAll(int fd) {
    std::string s;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) {
            break;
        }
        s.append(buf, static_cast<std::size_t>(n));
    }
    return s;
}

} // namespace

TEST(FaultMatrix, EveryExportClassUnderEveryLineFault) {
    char tmpl[] = "/tmp/kasdrv-faults-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string root = tmpl;
    const std::vector<ExportClass> classes = Classes();

    struct Child {
        pid_t pid;
        int fd;
    };
    std::vector<Child> children;
    const auto start = Clock::now();
    for (std::size_t i = 0; i < 2 * classes.size(); ++i) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        std::fflush(nullptr);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(fds[0]);
            const std::string dir = root + "/" + std::to_string(i);
            std::filesystem::create_directories(dir);
            const std::string report = RunClass(classes[i / 2], static_cast<int>(i % 2), dir);
            std::size_t done = 0;
            while (done < report.size()) {
                const ssize_t n = ::write(fds[1], report.data() + done, report.size() - done);
                if (n <= 0) {
                    break;
                }
                done += static_cast<std::size_t>(n);
            }
            ::_exit(0);
        }
        ::close(fds[1]);
        children.push_back({pid, fds[0]});
    }

    std::vector<CellReport> cells;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const std::string text = ReadAll(children[i].fd);
        ::close(children[i].fd);
        int status = 0;
        ::waitpid(children[i].pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << classes[i / 2].name << ": the child process ended abnormally (status " << status
            << ")";
        std::istringstream is(text);
        std::string line;
        while (std::getline(is, line)) {
            if (const auto cell = Parse(line)) {
                cells.push_back(*cell);
            }
        }
    }
    const double total = std::chrono::duration<double>(Clock::now() - start).count();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);

    std::size_t run = 0;
    std::size_t skipped = 0;
    std::printf("%-12s %-28s %-8s %s\n", "class", "fault", "seconds", "verdict");
    for (const CellReport& c : cells) {
        if (c.skipped) {
            ++skipped;
            std::printf("%-12s %-28s %-8s skipped: %s\n", c.cls.c_str(), c.fault.c_str(), "",
                        c.detail.c_str());
            continue;
        }
        ++run;
        std::printf("%-12s %-28s %-8.2f %s%s\n", c.cls.c_str(), c.fault.c_str(), c.seconds,
                    c.ok ? "ok: " : "FAILED: ", c.detail.c_str());
        EXPECT_TRUE(c.ok) << c.cls << " × " << c.fault << ": " << c.detail;
    }
    std::printf("fault matrix: %zu cells run, %zu classes skipped, %.1f s\n", run, skipped / 2,
                total);
    // A skipped class is reported by both of its children.
    EXPECT_EQ(run + skipped / 2 * std::size(kFaults), classes.size() * std::size(kFaults))
        << "cells went missing";
}

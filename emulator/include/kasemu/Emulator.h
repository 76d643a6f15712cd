// kasemu::Emulator — a complete register on a fresh pseudo-terminal, served on its own thread.
//
// Usage (tests link kasemu_core):
//
//     kasemu::EmulatorOptions opt;
//     opt.linkPath = dir + "/com1";          // symlink to the pty slave (the driver's comN)
//     opt.model = kasemu::ModelKind::Rx520l; // firmware "ЛМ-22" unless opt.firmware is set
//     opt.linesPerSecond = 0;                // print instantly (default: 20 lines a second)
//     kasemu::Emulator emu(opt);             // running from here on; stopped by the destructor
//
//     emu.inject(*kasemu::parseFault("drop*2"));              // or a kasemu::Fault
//     emu.setPaperSensors(kasemu::paper::ReceiptOut);
//     emu.withState([](kasemu::RegisterState& s) { s.operators[9].password = 7; });
//     auto shift = emu.state().shiftOpen;                     // a copy taken under the lock
//     emu.advanceClock(25 * 3600);                            // the register's clock only
//     EXPECT_EQ(emu.counters().bytesReceived, 0u);            // "nothing was sent"
//     auto lines = emu.tape();                                // everything printed (UTF-8)
//
// With a ManualClock in opt.clock the register's time does not depend on the host's clock.
// Fault texts for parseFault() are listed in Faults.h ("drop*2", "delay:2500", "status:0x20"...).
// Setting RegisterState::lineSpeedIndex through withState() switches the line at once.
// The state file (opt.stateFile) is written after every command that changes the register's
// memory, before its answer, and on stop(); a second Emulator on the same file starts from
// that memory, even after a kill. Commands that follow each other closely (bulk article
// programming) are flushed to the disk together, at most twice a second and at once when the
// line falls quiet.
// With opt.logoFile set, every logo loaded (and the stored one at start) is written there as a
// PBM image.
// All methods are thread-safe. Commands are executed under the same lock that withState()
// takes, so a host call that has returned has had its effect on the state.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kasemu/Clock.h"
#include "kasemu/Faults.h"
#include "kasemu/RegisterState.h"

namespace kasemu {

struct EmulatorOptions {
    ModelKind model = ModelKind::Rx410f;
    std::string firmware;     // UTF-8, 5 characters; empty: the model's own
    std::string linkPath;     // symlink to create to the pty slave; empty: none
    // Refuse to start while another emulator serves linkPath (see LinkLock.h) rather than
    // take the link over. The program kasemu sets it; tests that replace their emulator on
    // the same link need not.
    bool exclusiveLink = false;
    bool pace = false;        // bytes take their wire time at the register's line speed
    bool strictSpeed = false; // bytes at a speed other than the register's are garbled
    bool trace = false;       // frames in hex with direction and time stamp
    std::function<void(const std::string&)> traceSink; // default: stderr
    double linesPerSecond = 20.0;                      // printing speed; 0 prints instantly
    std::string tapeFile; // printed lines are appended here (UTF-8); empty: none
    bool tapeToStdout = false;
    std::string stateFile;              // non-volatile memory; empty: state lives in memory only
    std::string logoFile;               // the loaded logo as a PBM image; empty: none
    std::shared_ptr<const Clock> clock; // default: the host's local time
    std::optional<int> lineSpeedIndex;  // start at this speed (0 9600, 1 19200, 2 38400)
    std::uint8_t paperSensors = 0;
    std::vector<Fault> faults; // armed at start
    // The customer display's two lines (UTF-8), rewritten at every change; empty: none.
    // With tapeToStdout the changes are also shown there.
    std::string displayFile;
    // A FIFO (made when missing) whose lines arm faults while the emulator runs: the fault
    // words of --fault, or "clear" to disarm them all. Empty: none.
    std::string controlPath;
    std::function<void(const std::string&)> controlSink; // replies; default: stderr
};

struct LinkCounters {
    std::uint64_t bytesReceived = 0;  // every byte that arrived from the host
    std::uint64_t bytesSent = 0;      // every byte sent to the host (ACK, SYN, frames)
    std::uint64_t framesReceived = 0; // complete frames with a good checksum
    std::uint64_t badFrames = 0;      // frames refused with NAK or dropped as malformed
    std::uint64_t rawBlocks = 0;      // raw blocks accepted
    std::uint64_t answersSent = 0;    // answer frames (or ACK ENQ) sent
    std::uint64_t synSent = 0;
    std::uint64_t ignoredBytes = 0; // bytes lost to a line speed mismatch
    // Command frames the model ran without refusing them.
    std::uint64_t commandsCarriedOut = 0;
};

class Emulator {
  public:
    // Opens the pty, creates the link and starts serving. Throws std::runtime_error on failure.
    explicit Emulator(EmulatorOptions options);
    ~Emulator();
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    // Stops serving, removes the link, saves the state. Idempotent.
    void stop();
    bool running() const;

    std::string slavePath() const; // e.g. /dev/pts/7
    std::string linkPath() const;  // the symlink, or empty

    void inject(const Fault& fault);
    void clearFaults();
    std::size_t armedFaults() const;

    // Reads or modifies the register's state under the lock (saved afterwards when a state
    // file is in use).
    void withState(const std::function<void(RegisterState&)>& fn);
    RegisterState state() const;
    void setPaperSensors(std::uint8_t bits);
    void advanceClock(std::int64_t seconds);
    std::int64_t registerTime() const; // civil seconds

    int lineSpeed() const; // bits per second the register uses now
    LinkCounters counters() const;
    void resetCounters();
    std::vector<std::string> tape() const;
    void clearTape();

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

} // namespace kasemu

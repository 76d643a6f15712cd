// The register model: its state and how it handles commands. Pure: no I/O, no threads, no
// sleeping; time comes from a Clock. The link hands it a command byte and data and gets back
// the answer, the lines printed and how long the printer is busy with them.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "kasemu/Clock.h"
#include "kasemu/Cp866.h"
#include "kasemu/RegisterState.h"

namespace kasemu {

// Status byte bits.
namespace status {
inline constexpr std::uint8_t NotReady = 0x01;
inline constexpr std::uint8_t Paper = 0x02;
inline constexpr std::uint8_t FiscalMemoryFull = 0x04;
inline constexpr std::uint8_t ClockError = 0x08;
inline constexpr std::uint8_t DisplayError = 0x10;
inline constexpr std::uint8_t ShiftOver24h = 0x20;
inline constexpr std::uint8_t LowVoltage = 0x40;
inline constexpr std::uint8_t NotExecuted = 0x80; // function does not exist or is forbidden
} // namespace status

// Extended status byte bits.
namespace ext {
inline constexpr std::uint8_t ServiceReportOpen = 0x01;
inline constexpr std::uint8_t Emergency = 0x02;
} // namespace ext

// Result codes used by the register.
namespace result {
inline constexpr std::uint8_t PrinterError = 1;
inline constexpr std::uint8_t PaperOut = 2;
inline constexpr std::uint8_t Forbidden = 16;
inline constexpr std::uint8_t LogoError = 19;
inline constexpr std::uint8_t BadLength = 20;
inline constexpr std::uint8_t BadPassword = 21;
inline constexpr std::uint8_t NoSuchNumber = 22;
inline constexpr std::uint8_t NoSuchTaxGroup = 23;
inline constexpr std::uint8_t NoSuchPaymentForm = 24;
inline constexpr std::uint8_t BadCharacters = 25;
inline constexpr std::uint8_t TooManyTaxes = 26;
inline constexpr std::uint8_t NegativeSaleTooLarge = 27;
inline constexpr std::uint8_t BadArticle = 28;
inline constexpr std::uint8_t BadDateTime = 30;
inline constexpr std::uint8_t TooManyLines = 31;
inline constexpr std::uint8_t CostOverflow = 32;
inline constexpr std::uint8_t DayTurnoverOverflow = 33;
inline constexpr std::uint8_t PaymentOverflow = 34;
inline constexpr std::uint8_t NotEnoughCash = 35;
inline constexpr std::uint8_t DateBeforeLastZ = 36;
inline constexpr std::uint8_t PayoutReceiptOpen = 37;
inline constexpr std::uint8_t SaleReceiptOpen = 38;
inline constexpr std::uint8_t ReceiptNotOpen = 39;
inline constexpr std::uint8_t NeedsZReport = 41;
inline constexpr std::uint8_t NoReceipts = 42;
inline constexpr std::uint8_t NoChangeFromForm = 43;
inline constexpr std::uint8_t ReceiptOpen = 44;
inline constexpr std::uint8_t NothingToDiscount = 45;
inline constexpr std::uint8_t PaymentStarted = 46;
} // namespace result

// The register expects raw blocks next (the logo image data).
struct RawTransfer {
    std::size_t totalBytes = 0;
    std::size_t blockSize = 64;
};

// What a command did.
struct Outcome {
    std::uint8_t status = 0;
    std::uint8_t result = 0;
    std::uint8_t ext = 0;
    Bytes data;                        // reply data
    std::vector<std::string> printed;  // lines printed, UTF-8, in order
    std::chrono::milliseconds busy{0}; // time the printer takes for them
    std::optional<RawTransfer> raw;    // set when raw blocks are to follow
    std::optional<int> newLineSpeed;   // speed index to switch to after the answer
    bool changed = false;              // the non-volatile state changed
    bool logoLoaded = false;           // a logo transfer completed with this block
    bool rawComplete = false;          // the raw transfer needs no more blocks
};

struct ModelConfig {
    double linesPerSecond = 20.0; // printing speed; 0 prints instantly
    int tapeWidth = 36;           // characters a printed line
};

class CommandContext;

class Model {
  public:
    using Handler = std::function<void(CommandContext&)>;
    // Raw block handler: gets the block's data bytes.
    using RawHandler = std::function<void(CommandContext&, std::span<const std::uint8_t>)>;

    Model(RegisterState state, const Clock& clock, ModelConfig config = {});

    // Runs one command. Every answer carries the status bits that describe the register as a
    // whole (shift over 24 hours) and the extended status byte.
    Outcome execute(std::uint8_t command, std::span<const std::uint8_t> data);
    // Runs one raw block of a transfer announced by RawTransfer.
    Outcome executeRawBlock(std::span<const std::uint8_t> block);
    // Ends a raw transfer: all announced bytes came, a block was refused, or the host gave up.
    void endRawTransfer();
    bool rawTransferActive() const { return static_cast<bool>(rawHandler_); }

    RegisterState& state() { return state_; }
    const RegisterState& state() const { return state_; }
    const Clock& clock() const { return clock_; }
    const ModelConfig& config() const { return config_; }
    void setConfig(const ModelConfig& c) { config_ = c; }

    // Register time: the clock seam plus the offset set by the date and time commands.
    std::int64_t now() const { return clock_.now() + state_.clockOffset; }
    // The open shift has run for more than 24 hours.
    bool shiftOverADay() const;
    // Moves the register's clock forward (or back).
    void advanceClock(std::int64_t seconds) { state_.clockOffset += seconds; }

    // Command table; each group of commands adds its handlers.
    void addCommand(std::uint8_t code, Handler handler) { commands_[code] = std::move(handler); }
    bool hasCommand(std::uint8_t code) const { return commands_.count(code) != 0; }
    void setRawHandler(RawHandler h) { rawHandler_ = std::move(h); }

  private:
    void finish(CommandContext& ctx, Outcome& out);

    RegisterState state_;
    const Clock& clock_;
    ModelConfig config_;
    std::map<std::uint8_t, Handler> commands_;
    RawHandler rawHandler_;
};

} // namespace kasemu

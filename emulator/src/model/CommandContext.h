// What a command handler works with: the command's data, the register's state, the answer
// under construction and the printer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "kasemu/Model.h"

namespace kasemu {

// Reads the little-endian fields of a command's data. A read past the end marks the reader
// bad and yields zeros.
class DataReader {
  public:
    explicit DataReader(std::span<const std::uint8_t> d) : d_(d) {}
    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u24();
    std::uint32_t u32();
    std::uint64_t u48();
    Bytes bytes(std::size_t n);
    std::uint8_t peek() const { return pos_ < d_.size() ? d_[pos_] : 0; }
    std::size_t remaining() const { return d_.size() - pos_; }
    bool atEnd() const { return pos_ == d_.size(); }
    bool ok() const { return ok_; }
    std::size_t size() const { return d_.size(); }

  private:
    std::span<const std::uint8_t> d_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// Signed money as the register sends it: magnitude in 31 bits, sign in bit 31.
std::uint32_t toSignMagnitude(std::int64_t v);
std::int64_t fromSignMagnitude(std::uint32_t v);
std::uint8_t toBcd(int v);
// -1 when the byte is not two decimal digits.
int fromBcd(std::uint8_t b);

// Little-endian number of n bytes.
void appendLe(Bytes& to, std::uint64_t v, int n);
// A sum as the register's day counters keep it: 5 bytes, unsigned; below zero reads as 0.
void appendSum(Bytes& to, std::int64_t v);
// A counter of four decimal digits: two BCD bytes, units and tens first (1205: 05 12).
void appendBcdNumber(Bytes& to, std::uint32_t v);
// Day, month and two-digit year of a moment, BCD; 00 00 00 for none (0).
void appendBcdDate(Bytes& to, std::int64_t civilSeconds);

class CommandContext {
  public:
    CommandContext(Model& m, std::uint8_t command, std::span<const std::uint8_t> data,
                   Outcome& outcome)
        : model(m), st(m.state()), code(command), in(data), out(outcome) {}

    Model& model;
    RegisterState& st;
    std::uint8_t code;
    DataReader in;
    Outcome& out;

    // Refusals. The first refusal of a command stands.
    void refuse(std::uint8_t resultCode) {
        if (!failed()) {
            out.result = resultCode;
        }
    }
    void forbid() { out.status |= status::NotExecuted; } // no such function / malformed
    bool failed() const { return out.result != 0 || (out.status & status::NotExecuted) != 0; }
    // The command's data must be exactly n bytes.
    bool expectLength(std::size_t n);
    // The command's data must be at least n bytes.
    bool expectAtLeast(std::size_t n);

    // Reply data.
    void put8(std::uint8_t v) { out.data.push_back(v); }
    void put16(std::uint16_t v);
    void put32(std::uint32_t v);
    void putN(std::uint64_t v, int bytes);
    void putBytes(const Bytes& b) { out.data.insert(out.data.end(), b.begin(), b.end()); }
    void putSum(std::int64_t v) { appendSum(out.data, v); }

    // Paper: both tapes, or the receipt tape only. Refuses with status bit 1 when a tape the
    // document needs is out.
    bool paperReady(bool receiptTapeOnly = false);
    // A password check for an operator; refuses with 21.
    bool password(int op, std::uint16_t given);

    // The printer.
    void print(std::string utf8);
    void printDevice(const Bytes& text) { print(deviceToUtf8(text)); }
    void printCentered(std::string_view utf8);
    void printColumns(std::string_view left, std::string_view right);
    void printRule(char32_t ch = U'-');
    int width() const { return model.config().tapeWidth; }

    std::int64_t now() const { return model.now(); }
    void changed() { out.changed = true; }
    // The shift opens with the first fiscal document.
    void openShiftIfClosed();
};

} // namespace kasemu

// Building command data and reading reply data: little-endian numbers,
// sign-and-magnitude money, packed BCD, texts in the register's code page.
#pragma once

#include "DriverSession.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kasdrv {

class CommandBuilder {
public:
    explicit CommandBuilder(uint8_t commandByte) { bytes_.push_back(commandByte); }

    CommandBuilder& U8(uint8_t v) {
        bytes_.push_back(v);
        return *this;
    }
    // Little-endian unsigned integer of `width` bytes.
    CommandBuilder& UInt(uint64_t v, int width) {
        for (int i = 0; i < width; ++i) {
            bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
        return *this;
    }
    CommandBuilder& U16(uint16_t v) { return UInt(v, 2); }
    CommandBuilder& U32(uint32_t v) { return UInt(v, 4); }
    // 4-byte sign and magnitude: magnitude in the low 31 bits, bit 31 the sign.
    CommandBuilder& SignMagnitude32(int64_t v);
    CommandBuilder& Bcd(int v);
    // Bytes already in the register's code page.
    CommandBuilder& Raw(std::string_view bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
};

// Bounds-checked reading of ReplyData: a read past the end marks the reader
// failed and yields zeros; nothing is ever read past the reply.
class ReplyReader {
public:
    explicit ReplyReader(std::span<const uint8_t> reply) : reply_(reply) {}

    uint8_t U8();
    uint64_t UInt(int width);
    uint16_t U16() { return static_cast<uint16_t>(UInt(2)); }
    uint32_t U32() { return static_cast<uint32_t>(UInt(4)); }
    int64_t SignMagnitude32();
    // A packed BCD byte; a nibble above 9 marks the reader failed.
    int Bcd();
    std::string_view Text(std::size_t length);
    void Skip(std::size_t n);

    bool ok() const { return ok_; }
    void Fail() { ok_ = false; }
    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return ok_ ? reply_.size() - pos_ : 0; }

private:
    bool Take(std::size_t n);
    std::span<const uint8_t> reply_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

uint8_t ToBcd(int v);

// Day counts since 1899-12-30 (the fraction is the time of day).
double EncodeDate(int year, int month, int day);
double EncodeTime(int hour, int minute, int second);
bool IsValidDate(int year, int month, int day);
bool IsValidTime(int hour, int minute, int second);
struct CivilDate {
    int year;
    int month;
    int day;
};
struct TimeOfDay {
    int hour;
    int minute;
    int second;
};
// Empty for values that are not dates (NaN, infinite, outside years 1-9999).
std::optional<CivilDate> DecodeDate(double value);
std::optional<TimeOfDay> DecodeTime(double value);

} // namespace kasdrv

#include "WireFormat.h"

#include <cmath>

namespace kasdrv {

CommandBuilder& CommandBuilder::SignMagnitude32(int64_t v) {
    const uint64_t magnitude = static_cast<uint64_t>(v < 0 ? -v : v) & 0x7FFFFFFFu;
    return UInt(magnitude | (v < 0 ? 0x80000000u : 0u), 4);
}

CommandBuilder& CommandBuilder::Bcd(int v) { return U8(ToBcd(v)); }

bool ReplyReader::Take(std::size_t n) {
    if (!ok_ || reply_.size() - pos_ < n) {
        ok_ = false;
        return false;
    }
    return true;
}

uint8_t ReplyReader::U8() { return static_cast<uint8_t>(UInt(1)); }

uint64_t ReplyReader::UInt(int width) {
    if (!Take(static_cast<std::size_t>(width))) {
        return 0;
    }
    uint64_t v = 0;
    for (int i = 0; i < width; ++i) {
        v |= static_cast<uint64_t>(reply_[pos_ + static_cast<std::size_t>(i)]) << (8 * i);
    }
    pos_ += static_cast<std::size_t>(width);
    return v;
}

int64_t ReplyReader::SignMagnitude32() {
    const uint32_t raw = U32();
    const auto magnitude = static_cast<int64_t>(raw & 0x7FFFFFFFu);
    return (raw & 0x80000000u) != 0 ? -magnitude : magnitude;
}

int ReplyReader::Bcd() {
    const uint8_t b = U8();
    if ((b >> 4) > 9 || (b & 0x0F) > 9) {
        ok_ = false;
        return 0;
    }
    return (b >> 4) * 10 + (b & 0x0F);
}

std::string_view ReplyReader::Text(std::size_t length) {
    if (!Take(length)) {
        return {};
    }
    std::string_view text(reinterpret_cast<const char*>(reply_.data()) + pos_, length);
    pos_ += length;
    return text;
}

void ReplyReader::Skip(std::size_t n) {
    if (Take(n)) {
        pos_ += n;
    }
}

uint8_t ToBcd(int v) { return static_cast<uint8_t>(((v / 10) % 10) << 4 | (v % 10)); }

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? static_cast<unsigned>(-3) : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

CivilDate CivilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

constexpr int64_t kEpochOffset = 25569; // 1970-01-01 counted from 1899-12-30

} // namespace

bool IsValidDate(int year, int month, int day) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) {
        return false;
    }
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool IsValidTime(int hour, int minute, int second) {
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60;
}

double EncodeDate(int year, int month, int day) {
    return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month),
                                             static_cast<unsigned>(day)) +
                               kEpochOffset);
}

double EncodeTime(int hour, int minute, int second) {
    return (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

std::optional<CivilDate> DecodeDate(double value) {
    // Years 1 to 9999 span these day counts.
    if (!std::isfinite(value) || value < -693593.0 || value >= 2958466.0) {
        return std::nullopt;
    }
    return CivilFromDays(static_cast<int64_t>(std::trunc(value)) - kEpochOffset);
}

std::optional<TimeOfDay> DecodeTime(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 2958466.0) {
        return std::nullopt;
    }
    const double fraction = std::fabs(value - std::trunc(value));
    const auto ms = static_cast<int64_t>(std::llround(fraction * 86400000.0)) % 86400000;
    const auto seconds = static_cast<int>(ms / 1000);
    return TimeOfDay{seconds / 3600, (seconds / 60) % 60, seconds % 60};
}

} // namespace kasdrv

#include "model/CommandContext.h"

#include "kasemu/Clock.h"
#include "model/TapeLayout.h"

namespace kasemu {

std::uint8_t DataReader::u8() {
    if (pos_ >= d_.size()) {
        ok_ = false;
        return 0;
    }
    return d_[pos_++];
}

std::uint16_t DataReader::u16() {
    const std::uint16_t lo = u8();
    const std::uint16_t hi = u8();
    return static_cast<std::uint16_t>(lo | (hi << 8));
}

std::uint32_t DataReader::u24() {
    std::uint32_t v = 0;
    for (int i = 0; i < 3; ++i) {
        v |= static_cast<std::uint32_t>(u8()) << (8 * i);
    }
    return v;
}

std::uint32_t DataReader::u32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        v |= static_cast<std::uint32_t>(u8()) << (8 * i);
    }
    return v;
}

std::uint64_t DataReader::u48() {
    std::uint64_t v = 0;
    for (int i = 0; i < 6; ++i) {
        v |= static_cast<std::uint64_t>(u8()) << (8 * i);
    }
    return v;
}

Bytes DataReader::bytes(std::size_t n) {
    if (remaining() < n) {
        ok_ = false;
        pos_ = d_.size();
        return Bytes(n, 0);
    }
    Bytes b(d_.begin() + static_cast<std::ptrdiff_t>(pos_),
            d_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
    pos_ += n;
    return b;
}

std::uint32_t toSignMagnitude(std::int64_t v) {
    const std::uint64_t mag = static_cast<std::uint64_t>(v < 0 ? -v : v) & 0x7FFFFFFFu;
    return static_cast<std::uint32_t>(mag) | (v < 0 ? 0x80000000u : 0u);
}

std::int64_t fromSignMagnitude(std::uint32_t v) {
    const std::int64_t mag = v & 0x7FFFFFFFu;
    return (v & 0x80000000u) != 0 ? -mag : mag;
}

std::uint8_t toBcd(int v) {
    v %= 100;
    return static_cast<std::uint8_t>((v / 10) << 4 | (v % 10));
}

int fromBcd(std::uint8_t b) {
    const int hi = b >> 4;
    const int lo = b & 0x0F;
    if (hi > 9 || lo > 9) {
        return -1;
    }
    return hi * 10 + lo;
}

void appendLe(Bytes& to, std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) {
        to.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

void appendSum(Bytes& to, std::int64_t v) {
    constexpr std::int64_t kLargest = (std::int64_t{1} << 40) - 1;
    appendLe(to, static_cast<std::uint64_t>(v < 0 ? 0 : v > kLargest ? kLargest : v), 5);
}

void appendBcdNumber(Bytes& to, std::uint32_t v) {
    v %= 10000;
    to.push_back(toBcd(static_cast<int>(v % 100)));
    to.push_back(toBcd(static_cast<int>(v / 100)));
}

void appendBcdDate(Bytes& to, std::int64_t civilSeconds) {
    if (civilSeconds == 0) {
        to.insert(to.end(), 3, 0);
        return;
    }
    const CivilTime t = fromSeconds(civilSeconds);
    to.push_back(toBcd(t.day));
    to.push_back(toBcd(t.month));
    to.push_back(toBcd(t.year % 100));
}

bool CommandContext::expectLength(std::size_t n) {
    if (in.size() != n) {
        forbid();
        return false;
    }
    return true;
}

bool CommandContext::expectAtLeast(std::size_t n) {
    if (in.size() < n) {
        forbid();
        return false;
    }
    return true;
}

void CommandContext::put16(std::uint16_t v) {
    putN(v, 2);
}
void CommandContext::put32(std::uint32_t v) {
    putN(v, 4);
}

void CommandContext::putN(std::uint64_t v, int bytes) {
    appendLe(out.data, v, bytes);
}

bool CommandContext::paperReady(bool receiptTapeOnly) {
    std::uint8_t needed = paper::ReceiptOut;
    if (!receiptTapeOnly) {
        needed |= paper::ControlOut;
    }
    if ((st.paperSensors & needed) != 0) {
        out.status |= status::Paper;
        return false;
    }
    return true;
}

bool CommandContext::password(int op, std::uint16_t given) {
    if (st.operators[static_cast<std::size_t>(op)].password != given) {
        refuse(result::BadPassword);
        return false;
    }
    return true;
}

void CommandContext::print(std::string utf8) {
    if (st.receipt.open()) {
        st.receipt.tape.push_back(utf8);
    }
    out.printed.push_back(std::move(utf8));
}

void CommandContext::printCentered(std::string_view utf8) {
    print(tape::center(utf8, width()));
}

void CommandContext::printColumns(std::string_view left, std::string_view right) {
    print(tape::columns(left, right, width()));
}

void CommandContext::printRule(char32_t ch) {
    print(tape::rule(width(), ch));
}

void CommandContext::openShiftIfClosed() {
    if (!st.shiftOpen) {
        st.shiftOpen = true;
        st.shiftOpenedAt = now();
        changed();
    }
}

} // namespace kasemu

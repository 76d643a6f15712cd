// Frames as they cross the line, in both directions.
#include "DriverUnit.h"

namespace kasdrv {

namespace {

void AppendStuffed(Bytes& out, uint8_t byte) {
    out.push_back(byte);
    if (byte == kDLE) {
        out.push_back(kDLE);
    }
}

uint8_t NegatedSum(std::span<const uint8_t> bytes, uint8_t start = 0) {
    unsigned sum = start;
    for (const uint8_t b : bytes) {
        sum += b;
    }
    return static_cast<uint8_t>(0u - sum);
}

} // namespace

Bytes BuildFrame(uint8_t sequence, std::span<const uint8_t> command) {
    Bytes frame;
    frame.reserve(command.size() * 2 + 8);
    frame.push_back(kDLE);
    frame.push_back(kSTX);
    AppendStuffed(frame, sequence);
    for (const uint8_t b : command) {
        AppendStuffed(frame, b);
    }
    AppendStuffed(frame, NegatedSum(command, sequence));
    frame.push_back(kDLE);
    frame.push_back(kETX);
    return frame;
}

Bytes BuildRawBlock(std::span<const uint8_t> data) {
    Bytes block(data.begin(), data.end());
    block.push_back(NegatedSum(data));
    return block;
}

bool EndsWithFrameEnd(std::span<const uint8_t> bytes) {
    if (bytes.size() < 2 || bytes.back() != kETX) {
        return false;
    }
    std::size_t run = 0;
    for (std::size_t i = bytes.size() - 1; i > 0 && bytes[i - 1] == kDLE; --i) {
        ++run;
    }
    return run == 1 || run == 3 || run == 5 || run == 7;
}

std::optional<Bytes> AnswerPayload(std::span<const uint8_t> answer) {
    const std::size_t n = answer.size();
    const bool framed = n >= 3 && answer[1] == kDLE && answer[2] == kSTX && n >= 2 &&
                        answer[n - 2] == kDLE && answer[n - 1] == kETX;
    if (n == 0 || !(answer[0] == kACK || answer[0] == kNAK || framed)) {
        return std::nullopt;
    }
    if (n >= 2 && answer[0] == kACK && answer[1] == kENQ) {
        return Bytes{};
    }

    // The frame starts after the first DLE STX; ACK and SYN bytes before it
    // are not part of it.
    std::size_t start = 0;
    while (start + 1 < n && !(answer[start] == kDLE && answer[start + 1] == kSTX)) {
        ++start;
    }
    start += 2;
    // Between DLE STX and the closing DLE ETX lie the stuffed payload and checksum.
    if (start + 3 > n || answer[n - 2] != kDLE || answer[n - 1] != kETX) {
        return std::nullopt;
    }
    Bytes payload;
    payload.reserve(n - start);
    for (std::size_t i = start; i < n - 2; ++i) {
        payload.push_back(answer[i]);
        if (answer[i] == kDLE && i + 1 < n - 2 && answer[i + 1] == kDLE) {
            ++i;
        }
    }
    if (payload.empty()) {
        return std::nullopt;
    }
    unsigned sum = 0;
    for (const uint8_t b : payload) {
        sum += b; // the checksum is the last byte: all of it adds up to 0
    }
    if (static_cast<uint8_t>(sum) != 0) {
        return std::nullopt;
    }
    payload.pop_back();
    if (payload.size() < 5) {
        return std::nullopt;
    }
    return payload;
}

bool ParseAnswer(std::span<const uint8_t> answer) {
    DriverSession& s = Session();
    s.ReplyData.clear();
    const std::optional<Bytes> payload = AnswerPayload(answer);
    if (!payload) {
        return false;
    }
    if (payload->empty()) {
        return true; // ACK ENQ: the status bytes stay as they were
    }
    s.StatusByte = (*payload)[2];
    s.ResultByte = (*payload)[3];
    s.ExtStatusByte = (*payload)[4];
    s.ReplyData.assign(payload->begin() + 5, payload->end());
    return true;
}

} // namespace kasdrv

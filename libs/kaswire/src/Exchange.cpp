// Cutting each direction into units and pairing answers with their commands.
#include "kaswire/Decode.h"

#include <cstdio>

namespace kaswire {

namespace {

constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kEtx = 0x03;

} // namespace

std::vector<FrameSplitter::Unit> FrameSplitter::Push(std::span<const std::uint8_t> bytes) {
    std::vector<Unit> units;
    for (const std::uint8_t b : bytes) {
        if (!inFrame_) {
            if (dle_) {
                dle_ = false;
                if (b == kStx) {
                    inFrame_ = true;
                    frame_.clear();
                    continue;
                }
                units.push_back({Unit::Kind::Noise, {kDle}});
            }
            switch (b) {
            case 0x06:
                units.push_back({Unit::Kind::Ack, {}});
                break;
            case 0x15:
                units.push_back({Unit::Kind::Nak, {}});
                break;
            case 0x16:
                units.push_back({Unit::Kind::Syn, {}});
                break;
            case 0x05:
                units.push_back({Unit::Kind::Enq, {}});
                break;
            case kDle:
                dle_ = true;
                break;
            default:
                units.push_back({Unit::Kind::Noise, {b}});
                break;
            }
            continue;
        }
        if (dle_) {
            dle_ = false;
            if (b == kDle) {
                frame_.push_back(kDle);
                continue;
            }
            if (b == kEtx) {
                inFrame_ = false;
                Unit unit{Unit::Kind::Frame, frame_};
                unsigned sum = 0;
                for (const std::uint8_t x : frame_) {
                    sum += x;
                }
                unit.checksumOk = !frame_.empty() && sum % 256 == 0;
                if (!unit.payload.empty()) {
                    unit.payload.pop_back();
                }
                units.push_back(std::move(unit));
                continue;
            }
            frame_.push_back(kDle); // a lone DLE: kept as it came
            frame_.push_back(b);
            continue;
        }
        if (b == kDle) {
            dle_ = true;
        } else {
            frame_.push_back(b);
        }
    }
    return units;
}

std::string ExchangeDecoder::Stamp(Clock::time_point at) const {
    const auto ms = std::chrono::duration_cast<std::chrono::microseconds>(at - start_).count();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%9.3f", static_cast<double>(ms) / 1000.0);
    return buf;
}

std::vector<std::string> ExchangeDecoder::FromHost(std::span<const std::uint8_t> bytes,
                                                   Clock::time_point at) {
    std::vector<std::string> lines;
    for (const auto& unit : host_.Push(bytes)) {
        std::string text;
        switch (unit.kind) {
        case FrameSplitter::Unit::Kind::Frame:
            if (unit.payload.size() < 2) {
                text = "short frame";
                break;
            }
            lastCommand_ = unit.payload[1];
            sentAt_ = at;
            text = "#" + std::to_string(unit.payload[0]) + " " + CommandName(unit.payload[1]);
            if (const std::string f =
                    CommandFields(unit.payload[1], std::span(unit.payload).subspan(2));
                !f.empty()) {
                text += " " + f;
            }
            if (!unit.checksumOk) {
                text += " (bad checksum)";
            }
            break;
        case FrameSplitter::Unit::Kind::Noise:
            continue; // logo data blocks, or bytes of a speed the line does not run at
        default:
            text = "control byte";
            break;
        }
        lines.push_back(Stamp(at) + " ms  host:     " + text);
    }
    return lines;
}

std::vector<std::string> ExchangeDecoder::FromRegister(std::span<const std::uint8_t> bytes,
                                                       Clock::time_point at) {
    std::vector<std::string> lines;
    std::string after;
    if (sentAt_) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at - *sentAt_);
        after = " (" + std::to_string(ms.count()) + " ms after the command)";
    }
    for (const auto& unit : register_.Push(bytes)) {
        std::string text;
        using Kind = FrameSplitter::Unit::Kind;
        switch (unit.kind) {
        case Kind::Ack:
            continue;
        case Kind::Syn:
            text = "busy (SYN)";
            break;
        case Kind::Enq:
            text = "ok, no data (ACK ENQ)";
            break;
        case Kind::Nak:
            text = "NAK: the register refused the frame";
            break;
        case Kind::Noise:
            continue;
        case Kind::Frame: {
            const auto& p = unit.payload;
            if (p.size() < 5) {
                text = "short answer";
                break;
            }
            const std::uint8_t command = lastCommand_.value_or(p[1]);
            text = CommandName(command) + ": " +
                   AnswerFields(command, p[2], p[3], p[4], std::span(p).subspan(5));
            if (!unit.checksumOk) {
                text += " (bad checksum)";
            }
            break;
        }
        }
        lines.push_back(Stamp(at) + " ms  register: " + text + after);
    }
    return lines;
}

} // namespace kaswire

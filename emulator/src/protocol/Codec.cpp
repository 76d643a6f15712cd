#include "kasemu/Codec.h"

namespace kasemu::wire {

std::uint8_t checksum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (const std::uint8_t b : bytes) {
        sum += b;
    }
    return static_cast<std::uint8_t>((0x100 - (sum & 0xFF)) & 0xFF);
}

Bytes encodeFrame(std::span<const std::uint8_t> payload,
                  std::optional<std::uint8_t> checksumOverride) {
    Bytes out;
    out.reserve(payload.size() * 2 + 6);
    out.push_back(DLE);
    out.push_back(STX);
    auto put = [&out](std::uint8_t b) {
        out.push_back(b);
        if (b == DLE) {
            out.push_back(DLE);
        }
    };
    for (const std::uint8_t b : payload) {
        put(b);
    }
    put(checksumOverride ? *checksumOverride : checksum(payload));
    out.push_back(DLE);
    out.push_back(ETX);
    return out;
}

Bytes answerPayload(const AnswerHeader& h, std::span<const std::uint8_t> data) {
    Bytes p;
    p.reserve(5 + data.size());
    for (const std::uint8_t b : {h.sequence, h.command, h.status, h.result, h.ext}) {
        p.push_back(b);
    }
    for (const std::uint8_t b : data) {
        p.push_back(b);
    }
    return p;
}

FrameDecoder::Event FrameDecoder::push(std::uint8_t byte) {
    switch (state_) {
    case State::Idle:
        if (byte == DLE) {
            state_ = State::GotDle;
        } else {
            ++skipped_;
        }
        return {};
    case State::GotDle:
        if (byte == STX) {
            state_ = State::InFrame;
            body_.clear();
            raw_ = {DLE, STX};
        } else if (byte == DLE) {
            ++skipped_; // the first DLE was noise; this one may start a frame
        } else {
            skipped_ += 2;
            state_ = State::Idle;
        }
        return {};
    case State::InFrame:
        raw_.push_back(byte);
        if (byte == DLE) {
            state_ = State::InFrameDle;
        } else {
            body_.push_back(byte);
        }
        return {};
    case State::InFrameDle:
        raw_.push_back(byte);
        if (byte == DLE) {
            body_.push_back(DLE);
            state_ = State::InFrame;
            return {};
        }
        if (byte == ETX) {
            return finish();
        }
        if (byte == STX) {
            // A new frame starts inside the old one: the old one is lost.
            Event e;
            e.kind = Kind::Malformed;
            e.frame.raw.assign(raw_.begin(), raw_.end() - 2);
            body_.clear();
            raw_ = {DLE, STX};
            state_ = State::InFrame;
            return e;
        }
        {
            Event e;
            e.kind = Kind::Malformed;
            e.frame.raw = raw_;
            reset();
            return e;
        }
    }
    return {};
}

FrameDecoder::Event FrameDecoder::finish() {
    Event e;
    e.frame.raw = raw_;
    state_ = State::Idle;
    if (body_.size() < 3) {
        e.kind = Kind::Malformed;
    } else if (checksum(std::span<const std::uint8_t>(body_.data(), body_.size() - 1)) !=
               body_.back()) {
        e.kind = Kind::BadChecksum;
    } else {
        e.kind = Kind::Frame;
        e.frame.sequence = body_[0];
        e.frame.command = body_[1];
        e.frame.data.assign(body_.begin() + 2, body_.end() - 1);
    }
    body_.clear();
    raw_.clear();
    return e;
}

void FrameDecoder::reset() {
    state_ = State::Idle;
    body_.clear();
    raw_.clear();
}

bool RawBlockCollector::push(std::uint8_t byte) {
    if (!complete()) {
        buf_.push_back(byte);
    }
    return complete();
}

bool RawBlockCollector::checksumOk() const {
    return complete() && checksum(data()) == buf_.back();
}

} // namespace kasemu::wire

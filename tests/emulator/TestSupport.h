// Helpers shared by the emulator's tests.
#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "kasemu/Clock.h"
#include "kasemu/Cp866.h"
#include "kasemu/Model.h"
#include "kasemu/Port.h"

namespace kasemu::test {

// Parses "10 02 01" into bytes.
Bytes hex(const std::string& text);
std::string hex(std::span<const std::uint8_t> bytes);

// 7 December 2026, 10:00:00.
inline CivilTime startTime() {
    return CivilTime{2026, 12, 7, 10, 0, 0};
}

// Little-endian bytes of a number.
Bytes le(std::uint64_t v, int n);
// Command data of a sale or payout line.
Bytes itemData(std::uint32_t qty, std::uint8_t flags, std::int64_t price, int group,
               const std::string& name, std::uint64_t article = 0);
// The same with the name taken from the register's article table.
Bytes itemFromRegister(std::uint32_t qty, std::uint8_t flags, std::int64_t price, int group,
                       std::uint64_t article);
Bytes paymentData(int form, std::uint32_t amount, bool rest = false, bool copy = false);
Bytes discountData(int type, std::uint32_t value, bool isDiscount, const std::string& text = {});
Bytes textData(const std::string& text, std::uint8_t lengthFlags = 0);
// Reads a little-endian number out of reply data.
std::uint64_t num(const Bytes& b, std::size_t offset, int n);
// Whether any printed line contains the text.
bool printed(const std::vector<std::string>& lines, const std::string& text);

// A model on a manual clock, printing instantly.
struct ModelFixture {
    ManualClock clock{startTime()};
    Model model{factoryState(ModelKind::Rx410f), clock, ModelConfig{0.0, 36}};

    Outcome run(std::uint8_t command, const Bytes& data = {}) {
        return model.execute(command, data);
    }
    RegisterState& st() { return model.state(); }
};

// A port with a virtual clock: reads return what a test queued, sleeps advance time at once.
class FakePort final : public Port {
  public:
    struct Write {
        TimePoint at;
        Bytes bytes;
    };

    void feed(const Bytes& b) { incoming_.push_back(b); }
    void shutdown() { shutdown_ = true; }
    void setHostBaud(int b) { baud_ = b; }

    std::optional<Bytes> read(std::chrono::milliseconds timeout) override {
        if (!incoming_.empty()) {
            Bytes b = std::move(incoming_.front());
            incoming_.pop_front();
            return b;
        }
        if (shutdown_) {
            return std::nullopt;
        }
        now_ += timeout;
        return Bytes{};
    }
    void write(std::span<const std::uint8_t> bytes) override {
        writes_.push_back({now_, Bytes(bytes.begin(), bytes.end())});
    }
    bool sleepUntil(TimePoint t) override {
        if (t > now_) {
            now_ = t;
        }
        return true;
    }
    TimePoint now() const override { return now_; }
    std::optional<int> hostBaud() const override { return baud_; }

    // Everything written, in one piece.
    Bytes written() const {
        Bytes all;
        for (const auto& w : writes_) {
            all.insert(all.end(), w.bytes.begin(), w.bytes.end());
        }
        return all;
    }
    const std::vector<Write>& writes() const { return writes_; }
    void clearWritten() { writes_.clear(); }
    void advance(std::chrono::milliseconds d) { now_ += d; }

  private:
    std::deque<Bytes> incoming_;
    std::vector<Write> writes_;
    TimePoint now_{};
    bool shutdown_ = false;
    std::optional<int> baud_;
};

} // namespace kasemu::test

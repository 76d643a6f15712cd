// Writes the seed corpus of the fuzz targets from real exchanges: every
// export of the driver's table is run against the register model, and what
// the register answered becomes an answer seed, what the driver wrote an
// emulator seed. The link seeds are the protocol's worked frames.
//
//     fuzz_make_seeds DIR    (writes DIR/answer, DIR/link, DIR/emulator)
#include "DriverExportTable.h"
#include "ScriptedPort.h"
#include "kasdrv.h"
#include "kasemu/Clock.h"
#include "kasemu/Codec.h"
#include "kasemu/Model.h"
#include "kasemu/RegisterState.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

void WriteSeed(const fs::path& dir, const std::string& name, const Bytes& bytes) {
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A register model behind the scripted port: frames the driver writes are
// decoded and executed, raw blocks too, and the answers are recorded.
class ModelLine {
  public:
    explicit ModelLine(kastest::ScriptedLine& line)
        : clock_(kasemu::CivilTime{2026, 12, 7, 10, 0, 0}),
          model_(kasemu::factoryState(kasemu::ModelKind::Rx410f), clock_) {
        line.port.responder = [this](const kastest::Bytes& written) { return Answer(written); };
    }

    void StartRecording() {
        answers.clear();
        payloads.clear();
        writes.clear();
    }

    std::vector<Bytes> answers;
    std::vector<Bytes> payloads;
    std::vector<Bytes> writes;

  private:
    std::vector<kastest::LineByte> Answer(const Bytes& written) {
        writes.push_back(written);
        std::optional<kasemu::Outcome> out;
        uint8_t command = 0;
        if (model_.rawTransferActive() && !written.empty()) {
            out = model_.executeRawBlock(
                std::span<const uint8_t>(written.data(), written.size() - 1));
            sequence_ = static_cast<uint8_t>(sequence_ == 255 ? 1 : sequence_ + 1);
            command = rawCommand_;
        } else {
            kasemu::wire::FrameDecoder decoder;
            for (const uint8_t b : written) {
                const auto event = decoder.push(b);
                if (event.kind == kasemu::wire::FrameDecoder::Kind::Frame) {
                    out = model_.execute(event.frame.command, event.frame.data);
                    sequence_ = event.frame.sequence;
                    command = event.frame.command;
                    rawCommand_ = command;
                }
            }
        }
        if (!out) {
            return {};
        }
        kasemu::wire::AnswerHeader h;
        h.sequence = sequence_;
        h.command = command;
        h.status = out->status;
        h.result = out->result;
        h.ext = out->ext;
        const Bytes payload = kasemu::wire::answerPayload(h, out->data);
        Bytes answer = {kasemu::wire::ACK};
        const Bytes frame = kasemu::wire::encodeFrame(payload);
        answer.insert(answer.end(), frame.begin(), frame.end());
        answers.push_back(answer);
        payloads.push_back(payload);
        return kastest::Now(answer);
    }

    kasemu::ManualClock clock_;
    kasemu::Model model_;
    uint8_t sequence_ = 0;
    uint8_t rawCommand_ = 0;
};

// The answer target's input: the export's index, then each answer as a
// length byte and its line bytes (`framed` false), or as 0x80, a length byte
// and its payload, which the target frames itself.
Bytes AnswerSeed(std::size_t index, const std::vector<Bytes>& answers, bool framed) {
    Bytes seed = {static_cast<uint8_t>(index)};
    for (const Bytes& a : answers) {
        const std::size_t n = std::min<std::size_t>(a.size(), framed ? 255 : 127);
        if (framed) {
            seed.push_back(0x80);
        }
        seed.push_back(static_cast<uint8_t>(n));
        seed.insert(seed.end(), a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n));
    }
    return seed;
}

// The emulator target's input. Mode 0 (RX-410F, through the frame decoder):
// the frames as written; a raw block as a length byte and its data. Mode 2
// (RX-410F, executed directly): each command as a length byte, the command
// byte and its data; a raw block the same way.
Bytes EmulatorSeed(const std::vector<Bytes>& writes, bool direct) {
    Bytes seed = {static_cast<uint8_t>(direct ? 2 : 0)};
    for (const Bytes& w : writes) {
        const bool frame = w.size() >= 2 && w[0] == 0x10 && w[1] == 0x02;
        if (frame && !direct) {
            seed.insert(seed.end(), w.begin(), w.end());
            continue;
        }
        Bytes body;
        if (frame) {
            // The command and its data: between the sequence and the
            // checksum, with the doubled DLEs undone.
            const Bytes command = kastest::CommandOf(w);
            body.assign(command.begin(), command.end());
        } else if (!w.empty()) {
            body.assign(w.begin(), w.end() - 1);
        }
        const std::size_t n = std::min<std::size_t>(body.size(), 255);
        seed.push_back(static_cast<uint8_t>(n));
        seed.insert(seed.end(), body.begin(), body.begin() + static_cast<std::ptrdiff_t>(n));
    }
    return seed;
}

void MakeExchangeSeeds(const fs::path& root) {
    auto& calls = kasfuzz::DriverCalls();
    for (int prepared = 0; prepared < 2; ++prepared) {
        for (std::size_t i = 0; i < calls.size(); ++i) {
            kastest::ScriptedLine line;
            ModelLine model(line);
            if (prepared != 0) {
                // An open receipt with one line, for payments and discounts.
                int64_t cost = 0;
                int64_t total = 0;
                FPSetCashier(0, "Kasir", 0, 0);
                FPSale(&cost, &total, 2, 0, 1500, 0, 0, 0, "Bread", 0);
            }
            model.StartRecording();
            calls[i]();
            const std::string name = std::to_string(i) + (prepared != 0 ? "-receipt" : "");
            WriteSeed(root / "answer", name, AnswerSeed(i, model.payloads, true));
            if (prepared == 0) {
                WriteSeed(root / "answer", name + "-line", AnswerSeed(i, model.answers, false));
            }
            WriteSeed(root / "emulator", name, EmulatorSeed(model.writes, false));
            WriteSeed(root / "emulator", name + "-direct", EmulatorSeed(model.writes, true));
        }
    }
}

void MakeLinkSeeds(const fs::path& dir) {
    // Mode 0: answers as they stand.
    WriteSeed(dir, "parse-empty-answer",
              {0, 0x06, 0x10, 0x02, 0x01, 0x0E, 0, 0, 0, 0xF1, 0x10, 0x03});
    WriteSeed(dir, "parse-ack-enq", {0, 0x06, 0x05});
    WriteSeed(dir, "parse-nak", {0, 0x15});
    WriteSeed(dir, "parse-syn-inside",
              {0, 0x06, 0x16, 0x16, 0x10, 0x02, 0x01, 0x0E, 0, 0, 0, 0xF1, 0x10, 0x03});
    // Checksum 0x10, doubled: three DLEs before ETX.
    WriteSeed(dir, "parse-dle-checksum",
              {0, 0x06, 0x10, 0x02, 0xE1, 0x0F, 0, 0, 0, 0x10, 0x10, 0x10, 0x03});
    // Mode 1: the same on the line, with and without pauses.
    WriteSeed(dir, "receive-answer",
              {1, 0, 0x06, 0x10, 0x02, 0x01, 0x0E, 0, 0, 0, 0xF1, 0x10, 0x03});
    WriteSeed(dir, "receive-slow",
              {1, 40, 0x06, 0x16, 0x10, 0x02, 0x01, 0x0E, 0, 0, 0, 0xF1, 0x10, 0x03});
    WriteSeed(dir, "receive-syn-first",
              {1, 0, 0x16, 0x06, 0x10, 0x02, 0x01, 0x0E, 0, 0, 0, 0xF1, 0x10, 0x03});
    WriteSeed(dir, "receive-nine-dles",
              {1,    0,    0x06, 0x10, 0x02, 0x01, 0x0E, 0,    0,    0,
               0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x03});
    // Mode 2: payloads framed and read back.
    WriteSeed(dir, "roundtrip-plain", {2, 0, 0x01, 0x0E, 0, 0, 0});
    WriteSeed(dir, "roundtrip-dles", {2, 3, 0x10, 0x10, 0x00, 0x10, 0x00, 0x10, 0x10, 0x03});
    WriteSeed(dir, "roundtrip-date", {2, 1, 0x02, 0x01, 0, 0, 0, 0x07, 0x12, 0x26});
    // Mode 3: status and result bytes with answer flags, then a paper reply.
    const Bytes paper = kastest::AnswerFrame(kastest::Payload(0, 0, 0, {0x60}));
    Bytes statusPaper = {3, 0x02, 0, 0x04};
    statusPaper.insert(statusPaper.end(), paper.begin(), paper.end());
    WriteSeed(dir, "decode-paper", statusPaper);
    Bytes resultPaper = {3, 0, 2, 0x04};
    resultPaper.insert(resultPaper.end(), paper.begin(), paper.end());
    WriteSeed(dir, "decode-paper-result", resultPaper);
    WriteSeed(dir, "decode-81", {3, 0x81, 0, 0x00});
    WriteSeed(dir, "decode-result-39", {3, 0, 39, 0x05});
    WriteSeed(dir, "decode-shift", {3, 0x20, 7, 0x16});
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];
    MakeExchangeSeeds(root);
    MakeLinkSeeds(root / "link");
    return 0;
}

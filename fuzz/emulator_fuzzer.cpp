// Bytes from a host that may send anything, for the register's side. The
// first byte chooses (modulo 8):
//   0, 1  line bytes for the RX-410F (0) or the RX-520L (1): they go through
//         the frame decoder, and every frame it accepts is executed by the
//         register model, raw blocks included when a transfer is announced
//         (a length byte from the input, then that many bytes)
//   2-5   commands executed directly, so that mutations of the data are not
//         lost to the frame checksum: a length byte, then the command byte
//         and its data (a raw block's bytes during a transfer); RX-410F for
//         2 and 4, RX-520L for 3 and 5
//   6     the rest is a fault text for parseFault
//   7     the rest is a state file for loadState
#include "kasemu/Clock.h"
#include "kasemu/Codec.h"
#include "kasemu/Faults.h"
#include "kasemu/Model.h"
#include "kasemu/RegisterState.h"
#include "kasemu/StateFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

const kasemu::ManualClock& FuzzClock() {
    static const kasemu::ManualClock clock(kasemu::CivilTime{2026, 12, 7, 10, 0, 0});
    return clock;
}

void Commands(kasemu::ModelKind kind, const uint8_t* data, std::size_t size) {
    kasemu::Model model(kasemu::factoryState(kind), FuzzClock());
    for (std::size_t i = 0; i < size;) {
        const std::size_t n = std::min<std::size_t>(data[i], size - i - 1);
        const std::span<const uint8_t> chunk(data + i + 1, n);
        i += 1 + n;
        if (model.rawTransferActive()) {
            model.executeRawBlock(chunk);
        } else if (!chunk.empty()) {
            model.execute(chunk[0], chunk.subspan(1));
        }
    }
}

void Frames(kasemu::ModelKind kind, const uint8_t* data, std::size_t size) {
    kasemu::Model model(kasemu::factoryState(kind), FuzzClock());
    kasemu::wire::FrameDecoder decoder;
    for (std::size_t i = 0; i < size; ++i) {
        if (model.rawTransferActive()) {
            // A raw block: a length byte from the input, then that many bytes.
            const std::size_t n = std::min<std::size_t>(data[i], size - i - 1);
            model.executeRawBlock(std::span<const uint8_t>(data + i + 1, n));
            i += n;
            continue;
        }
        const auto event = decoder.push(data[i]);
        if (event.kind == kasemu::wire::FrameDecoder::Kind::Frame) {
            model.execute(event.frame.command, event.frame.data);
        }
    }
}

void StateFile(const uint8_t* data, std::size_t size) {
    static const std::string path = "/dev/shm/kasemu-fuzz-state-" + std::to_string(::getpid());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return;
    }
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    std::string error;
    kasemu::loadState(path, kasemu::factoryState(kasemu::ModelKind::Rx410f), &error);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const unsigned mode = data[0] % 8;
    const auto kind = mode % 2 == 0 ? kasemu::ModelKind::Rx410f : kasemu::ModelKind::Rx520l;
    if (mode < 2) {
        Frames(kind, data + 1, size - 1);
    } else if (mode < 6) {
        Commands(kind, data + 1, size - 1);
    } else if (mode == 6) {
        kasemu::parseFault(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    } else {
        StateFile(data + 1, size - 1);
    }
    return 0;
}

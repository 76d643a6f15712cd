// Bytes from a host that may send anything: they go through the register's
// frame decoder, and every frame it accepts is executed by the register
// model, raw blocks included when a transfer is announced.
#include "kasemu/Clock.h"
#include "kasemu/Codec.h"
#include "kasemu/Model.h"
#include "kasemu/RegisterState.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const kasemu::ManualClock clock(kasemu::CivilTime{2026, 12, 7, 10, 0, 0});
    kasemu::Model model(kasemu::factoryState(kasemu::ModelKind::Rx410f), clock);
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
    return 0;
}

// Line bytes from a register that may say anything: the first input byte
// picks an export, the rest is cut into chunks (a length byte each) that the
// "register" sends after each frame the driver writes. Time-outs run on a
// manual clock, so silence costs nothing.
#include "DriverExportTable.h"
#include "ScriptedPort.h"
#include "kasdrv.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    static auto* line = new kastest::ScriptedLine(); // one port for the whole run
    auto& calls = kasfuzz::DriverCalls();
    const auto& call = calls[data[0] % calls.size()];
    std::vector<kastest::Bytes> chunks;
    for (std::size_t i = 1; i < size;) {
        const std::size_t n = std::min<std::size_t>(data[i], size - i - 1);
        chunks.emplace_back(data + i + 1, data + i + 1 + n);
        i += 1 + n;
    }
    auto next = std::make_shared<std::size_t>(0);
    line->port.responder = [chunks, next](const kastest::Bytes&) {
        std::vector<kastest::LineByte> out;
        if (*next < chunks.size()) {
            for (const uint8_t b : chunks[(*next)++]) {
                out.push_back({b, 0});
            }
        }
        return out;
    };
    line->port.writes.clear();
    call();
    FPErrorMessage();
    uint8_t r;
    uint8_t s;
    uint8_t e;
    FPCodeError(&r, &s, &e);
    return 0;
}

// Line bytes from a register that may say anything: the first input byte
// picks an export, the rest is cut into chunks that the "register" sends, one
// after each frame the driver writes. A chunk is either
//   [n < 0x80] n bytes sent as they are, or
//   [0x80 | any] [n] n bytes of answer payload (header, status, result,
//   extended status, reply data), sent framed as the register frames them:
//   ACK, DLE STX, the payload with DLEs doubled, its checksum, DLE ETX.
// Framed chunks let mutations of the reply data reach the export's decoder
// instead of dying at the checksum. Time-outs run on a manual clock, so
// silence costs nothing. Besides memory errors, the export's verdict is
// checked against its error text.
#include "DriverExportTable.h"
#include "DriverSession.h"
#include "ScriptedPort.h"
#include "kasdrv.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

void Expect(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    static auto* line = new kastest::ScriptedLine(); // one port for the whole run
    auto& calls = kasfuzz::DriverCalls();
    const auto& call = calls[data[0] % calls.size()];
    std::vector<kastest::Bytes> chunks;
    for (std::size_t i = 1; i < size;) {
        const bool framed = data[i] >= 0x80;
        if (framed && i + 1 >= size) {
            break;
        }
        const std::size_t start = i + (framed ? 2 : 1);
        const std::size_t n = std::min<std::size_t>(framed ? data[i + 1] : data[i], size - start);
        kastest::Bytes chunk(data + start, data + start + n);
        chunks.push_back(framed ? kastest::AnswerFrame(chunk) : chunk);
        i = start + n;
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
    const int16_t rc = call();
    const std::string text = FPErrorMessage();
    uint8_t result = 0;
    uint8_t status = 0;
    uint8_t ext = 0;
    FPCodeError(&result, &status, &ext);
    // Whatever the register said, the verdict is one of the two, a failure
    // always says why, and a success carries no error text but that of a
    // shift longer than 24 hours, which most exports tolerate.
    Expect(rc == 0 || rc == -1, "a result other than 0 and -1");
    Expect(rc == -1 || !text.empty(), "a failure without an error text");
    Expect(rc == 0 || text.empty() || status == 0x20, "a success with an error text");
    Expect(!kasdrv::Session().LogoTransferMode, "the logo transfer mode outlived the call");
    return 0;
}

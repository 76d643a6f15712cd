// Checks shared by the tests of the command exports.
#pragma once

#include "DriverSession.h"
#include "ScriptedPort.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace kastest {

// A UTF-8 source text as the Windows-1251 text callers pass in.
inline std::string Cp1251(const std::string& utf8) {
    return kasdrv::platform::Utf8ToCp1251(utf8);
}

// The command (command byte and data) of the last frame written.
inline Bytes LastCommand(const ScriptedLine& line) {
    return line.port.writes.empty() ? Bytes{} : CommandOf(line.port.writes.back());
}

// Every command written, in order.
inline std::vector<Bytes> Commands(const ScriptedLine& line) {
    std::vector<Bytes> out;
    for (const Bytes& frame : line.port.writes) {
        out.push_back(CommandOf(frame));
    }
    return out;
}

// The call fails its own argument check: the text is set, nothing reaches
// the port and the sequence number stays where it was.
template <typename Call>
void ExpectRefusedUnsent(const ScriptedLine& line, const std::string& text, Call call) {
    constexpr uint8_t kSequence = 41;
    kasdrv::Session().Sequence = kSequence;
    const std::size_t writes = line.port.writes.size();
    EXPECT_EQ(call(), 0);
    EXPECT_EQ(ErrorTextUtf8(), text);
    EXPECT_EQ(line.port.writes.size(), writes);
    EXPECT_EQ(kasdrv::Session().Sequence, kSequence);
}

} // namespace kastest

#include "runs/StressLog.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace kasmon {

std::string stressLogLine(std::uint64_t receipt, std::uint32_t printMs, std::uint32_t totalMs,
                          std::uint32_t maximumMs) {
    return "Чек №" + std::to_string(receipt) + "   Время печати чека: " + std::to_string(printMs) +
           "мс" + "  Время формирования и печати: " + std::to_string(totalMs) + "мс" +
           "  MAX t печати: " + std::to_string(maximumMs) + "мс";
}

StressLog::StressLog(std::string fileName) : fileName_(std::move(fileName)) {}

std::string StressLog::path() const {
    std::error_code error;
    const auto full = std::filesystem::absolute(fileName_, error);
    return error ? fileName_ : full.lexically_normal().string();
}

bool StressLog::create() const {
    std::FILE* file = std::fopen(fileName_.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    return std::fclose(file) == 0;
}

bool StressLog::append(const std::string& line) const {
    std::FILE* file = std::fopen(fileName_.c_str(), "ab");
    if (file == nullptr) {
        return false;
    }
    const std::string text = line + "\r\n";
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    // A full disk shows itself at the latest when the buffer is flushed.
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

} // namespace kasmon

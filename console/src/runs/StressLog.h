// The stress test's log: a text file made empty at the start of every run and
// appended one line (ended by CR LF) per receipt, each append opening and
// closing the file so that a line is on disk as soon as the receipt is.
#pragma once

#include <cstdint>
#include <string>

namespace kasmon {

// "Чек №1   Время печати чека: 812мс  Время формирования и печати: 1340мс  MAX t печати: 900мс"
// (UTF-8, without the line end).
std::string stressLogLine(std::uint64_t receipt, std::uint32_t printMs, std::uint32_t totalMs,
                          std::uint32_t maximumMs);

class StressLog {
  public:
    explicit StressLog(std::string fileName);

    // The file's full path (made absolute against the current directory when asked).
    std::string path() const;
    // Creates the file empty, replacing one that exists.
    bool create() const;
    // Appends one line and its CR LF.
    bool append(const std::string& line) const;

  private:
    std::string fileName_;
};

} // namespace kasmon

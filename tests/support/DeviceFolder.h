// A private folder of serial-port links (KASDRV_DEVICES points at it while it
// lives), for tests that run programs opening the register by port number.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace kastest {

// The whole file, or "" when it cannot be read.
inline std::string ReadAll(const std::string& path) {
    std::string text;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        for (std::size_t n = 0; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) {
            text.append(buf, n);
        }
        std::fclose(f);
    }
    return text;
}

class DeviceFolder {
  public:
    DeviceFolder() {
        char tmpl[] = "/tmp/kas-devices-XXXXXX";
        if (::mkdtemp(tmpl) != nullptr) {
            path_ = tmpl;
            ::setenv("KASDRV_DEVICES", path_.c_str(), 1);
        }
    }
    ~DeviceFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    DeviceFolder(const DeviceFolder&) = delete;
    DeviceFolder& operator=(const DeviceFolder&) = delete;

    bool made() const { return !path_.empty(); }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

} // namespace kastest

// A POSIX pseudo-terminal standing in for a serial port: the program holds the
// master side and a host opens the slave, usually through a comN symbolic link.
// A slave descriptor of our own stays open so that the master never sees a
// hang-up when a host closes the port. On Linux the pair shares its termios, so
// the master can read the line speed that the host set on the slave.
#pragma once

#include <optional>
#include <string>
#include <system_error>

namespace kaspty {

class PseudoTerminal {
  public:
    // A pair whose slave is a raw line at `baud`. Throws std::system_error.
    explicit PseudoTerminal(int baud = 9600);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Non-blocking; both descriptors are closed on exec.
    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

// Sets a terminal up as a serial line carries bytes: no echo, no line editing,
// no translation, the receiver on and the modem lines ignored, at `baud`.
// False when the terminal does not take it or termios has no such speed.
bool MakeRaw(int fd, int baud);

// The output speed of the terminal's settings in bit/s (1200 to 115200);
// nullopt when they cannot be read or hold another speed.
std::optional<int> LineSpeed(int fd);

// Points `link` at `target`, making missing directories and replacing a
// symbolic link that is there. Anything else at `link` stays as it is and
// gives std::errc::file_exists.
std::error_code LinkTo(const std::string& target, const std::string& link);
// Removes `link` if it is a symbolic link pointing at `target`.
void Unlink(const std::string& target, const std::string& link);

} // namespace kaspty

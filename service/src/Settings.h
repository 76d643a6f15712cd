// kasd's settings: the command line over a configuration file of
// `key = value` lines (listen, port or ports, baud, journal, token-file,
// keep-days; `#` starts a comment).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kasd {

struct Settings {
    std::string host = "127.0.0.1";
    int listenPort = 8737;
    std::vector<int> ports; // serial ports, 1 = COM1; {1} when none is given
    std::uint32_t baud = 9600;
    std::string journal; // the default when none is given (see defaultJournal)
    std::string tokenFile;
    int keepDays = 90;
    int queueWait = 120; // seconds a request may wait for its register
};

enum class Parsed { Run, Help, Version, Bad };

// The words after the program's name; `error` says what is wrong when Bad.
Parsed parseSettings(const std::vector<std::string>& words, Settings& s, std::string& error);
std::string usageText();

// $STATE_DIRECTORY (systemd's StateDirectory=), else $XDG_STATE_HOME/kasd,
// else ~/.local/state/kasd; the file journal.sqlite3 in it.
std::string defaultJournal();

// The token: the file's first line, without surrounding blanks.
bool readToken(const std::string& file, std::string& token, std::string& error);

} // namespace kasd

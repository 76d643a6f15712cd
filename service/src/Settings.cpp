#include "Settings.h"

#include "Text.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>

namespace kasd {

namespace {

bool parseNumber(const std::string& text, long low, long high, long& value) {
    const auto n = wholeNumber(text, low, high);
    value = n.value_or(0);
    return n.has_value();
}

bool loopback(const std::string& host) {
    return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// One setting by its key, as in the file (the option without its dashes).
bool apply(const std::string& key, const std::string& value, Settings& s, std::string& error) {
    long n = 0;
    if (key == "listen") {
        const auto colon = value.rfind(':');
        if (colon == std::string::npos || colon == 0 ||
            !parseNumber(value.substr(colon + 1), 0, 65535, n)) {
            error = "listen '" + value + "': expected ADDR:PORT";
            return false;
        }
        s.host = value.substr(0, colon);
        if (s.host.size() > 2 && s.host.front() == '[' && s.host.back() == ']') {
            s.host = s.host.substr(1, s.host.size() - 2);
        }
        s.listenPort = static_cast<int>(n);
    } else if (key == "port" || key == "ports") {
        std::size_t at = 0;
        bool any = false;
        while (at < value.size()) {
            const auto end = value.find_first_of(" \t,", at);
            const std::string word = value.substr(at, end == std::string::npos ? end : end - at);
            at = end == std::string::npos ? value.size() : end + 1;
            if (word.empty()) {
                continue;
            }
            if (!parseNumber(word, 1, 255, n)) {
                error = key + " '" + word + "': expected a port number from 1 to 255";
                return false;
            }
            s.ports.push_back(static_cast<int>(n));
            any = true;
        }
        if (!any) {
            error = key + " needs a port number from 1 to 255";
            return false;
        }
    } else if (key == "baud") {
        if (!parseNumber(value, 9600, 38400, n) || (n != 9600 && n != 19200 && n != 38400)) {
            error = "baud '" + value + "': expected 9600, 19200 or 38400";
            return false;
        }
        s.baud = static_cast<std::uint32_t>(n);
    } else if (key == "journal" || key == "token-file") {
        if (value.empty()) {
            error = key + " needs a file name";
            return false;
        }
        (key == "journal" ? s.journal : s.tokenFile) = value;
    } else if (key == "queue-wait") {
        if (!parseNumber(value, 1, 3600, n)) {
            error = "queue-wait '" + value + "': expected seconds from 1 to 3600";
            return false;
        }
        s.queueWait = static_cast<int>(n);
    } else if (key == "keep-days") {
        if (!parseNumber(value, 1, 36500, n)) {
            error = "keep-days '" + value + "': expected a number of days from 1 to 36500";
            return false;
        }
        s.keepDays = static_cast<int>(n);
    } else {
        error = "unknown setting '" + key + "'";
        return false;
    }
    return true;
}

bool readConfig(const std::string& file, Settings& s, std::string& error) {
    std::ifstream in(file);
    if (!in) {
        error = "cannot read the configuration " + file;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        line = trimmed(line.substr(0, line.find('#')));
        if (line.empty()) {
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            error = file + ":" + std::to_string(number) + ": expected key = value";
            return false;
        }
        if (!apply(trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1)), s, error)) {
            error = file + ":" + std::to_string(number) + ": " + error;
            return false;
        }
    }
    return true;
}

} // namespace

Parsed parseSettings(const std::vector<std::string>& words, Settings& s, std::string& error) {
    // The file first, so that the command line overrides it.
    Settings fromFile = s;
    std::vector<std::pair<std::string, std::string>> given;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& a = words[i];
        if (a == "--help" || a == "-h") {
            return Parsed::Help;
        }
        if (a == "--version") {
            return Parsed::Version;
        }
        static const std::set<std::string> options = {"--config",    "--listen",    "--port",
                                                      "--baud",      "--journal",   "--token-file",
                                                      "--keep-days", "--queue-wait"};
        if (options.count(a) == 0) {
            error = (a.rfind("--", 0) == 0 ? "unknown option '" : "unexpected '") + a +
                    "' (see --help)";
            return Parsed::Bad;
        }
        if (i + 1 >= words.size()) {
            error = a + " needs a value";
            return Parsed::Bad;
        }
        given.emplace_back(a.substr(2), words[++i]);
    }
    for (const auto& [key, value] : given) {
        if (key == "config" && !readConfig(value, fromFile, error)) {
            return Parsed::Bad;
        }
    }
    Settings fromLine = fromFile;
    bool portsGiven = false;
    for (const auto& [key, value] : given) {
        if (key == "config") {
            continue;
        }
        if (key == "port" && !portsGiven) {
            fromLine.ports.clear(); // ports on the command line replace the file's
            portsGiven = true;
        }
        if (!apply(key, value, fromLine, error)) {
            error = "--" + error;
            return Parsed::Bad;
        }
    }
    s = fromLine;
    if (s.ports.empty()) {
        s.ports.push_back(1);
    }
    std::sort(s.ports.begin(), s.ports.end());
    if (std::adjacent_find(s.ports.begin(), s.ports.end()) != s.ports.end()) {
        error = "a port is given twice";
        return Parsed::Bad;
    }
    if (!loopback(s.host) && s.tokenFile.empty()) {
        error = "listening on " + s.host +
                " needs --token-file: beyond this machine every "
                "request must carry the token";
        return Parsed::Bad;
    }
    if (s.journal.empty()) {
        s.journal = defaultJournal();
    }
    return Parsed::Run;
}

std::string defaultJournal() {
    if (const char* state = std::getenv("STATE_DIRECTORY"); state != nullptr && state[0] == '/') {
        // systemd may list several folders separated by colons; the first is ours.
        const std::string first = std::string(state).substr(0, std::string(state).find(':'));
        return first + "/journal.sqlite3";
    }
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
        return std::string(state) + "/kasd/journal.sqlite3";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.local/state/kasd/journal.sqlite3";
}

bool readToken(const std::string& file, std::string& token, std::string& error) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) {
        error = "cannot read the token file " + file;
        return false;
    }
    token = trimmed(line);
    if (token.size() < 16) {
        error = "the token in " + file + " is shorter than 16 characters";
        return false;
    }
    return true;
}

std::string usageText() {
    return "usage: kasd [--config FILE] [--listen ADDR:PORT] [--port N]... [--baud B]\n"
           "            [--journal FILE] [--token-file FILE] [--keep-days D] [--queue-wait S]\n\n"
           "Serves the registers on serial ports N over HTTP with JSON under /v1 (the API:\n"
           "GET /v1/openapi.json; a status page at /). Every POST and PUT takes an\n"
           "Idempotency-Key header; a request is written to the journal before a byte of it\n"
           "goes to the register, a retry with the same key gets the recorded answer, and a\n"
           "request a stop left half-sent is reconciled with the register, never sent again.\n\n"
           "  --config FILE      settings as key = value lines (listen, port or ports, baud,\n"
           "                     journal, token-file, keep-days, queue-wait); the command\n"
           "                     line overrides them\n"
           "  --listen ADDR:PORT where to listen (default 127.0.0.1:8737; port 0 takes\n"
           "                     any free port); beyond loopback only with --token-file\n"
           "  --port N           a serial port, 1 = COM1 (default 1); repeat for more\n"
           "                     registers, each served by a worker process of its own\n"
           "  --baud B           line speed: 9600 (default), 19200 or 38400 bit/s\n"
           "  --journal FILE     the journal (SQLite; default $STATE_DIRECTORY/journal.sqlite3,\n"
           "                     else $XDG_STATE_HOME/kasd/journal.sqlite3, else\n"
           "                     ~/.local/state/kasd/journal.sqlite3)\n"
           "  --token-file FILE  every request but / and /v1/openapi.json must carry\n"
           "                     \"Authorization: Bearer TOKEN\", TOKEN the file's first line\n"
           "                     (at least 16 characters)\n"
           "  --keep-days D      finished requests older than D days are pruned (default 90)\n"
           "  --queue-wait S     a request not started within S seconds behind others for\n"
           "                     its register is answered 503, nothing sent (default 120)\n"
           "  --version          kasd's version\n"
           "  --help             this text\n\n"
           "exit status: 0 stopped by SIGINT or SIGTERM, 1 the journal, the token or the\n"
           "listening address could not be used, 2 bad usage\n";
}

} // namespace kasd

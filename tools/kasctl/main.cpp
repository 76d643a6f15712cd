// kasctl: a command-line host of the register driver. It drives the register
// through nothing but the driver's public C interface, like any third-party
// program; why a port cannot be opened it learns from kasdrv_portdiag.
//
//   kasctl [--port N] [--baud B] SUBCOMMAND [ARGS...]
#include "PortFailure.h"
#include "Subcommand.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace kasctl {

namespace {

void PrintUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: kasctl [--port N] [--baud B] [--json] SUBCOMMAND [ARGS...]\n"
                 "       kasctl SUBCOMMAND --help    what each argument of SUBCOMMAND means\n\n"
                 "  --port N    serial port number, 1 = COM1 (default 1)\n"
                 "  --baud B    line speed: 9600 (default), 19200 or 38400 bit/s\n"
                 "  --json      print the result as one JSON object (errors too, with the\n"
                 "              register's status and result bytes)\n"
                 "  --version   kasctl's version\n"
                 "  --help      this text\n\n"
                 "exit status: 0 success, 1 the register or the driver reported an error\n"
                 "(the text on stderr), 2 bad usage (unknown subcommand, wrong arguments),\n"
                 "3 in doubt: a fiscal command may have been carried out, how many times is\n"
                 "not known; check the register before repeating it\n\n"
                 "subcommands:\n");
    auto table = Registered();
    std::sort(table.begin(), table.end(),
              [](const Subcommand& a, const Subcommand& b) { return a.name < b.name; });
    for (const Subcommand& c : table) {
        const std::string head = std::string(c.name) + " " + std::string(c.usage);
        std::fprintf(out, "  %s %.*s\n", PadLabel(head, 44).c_str(),
                     static_cast<int>(c.summary.size()), c.summary.data());
    }
}

// The driver's error text with the register's status and result bytes.
void ReportFailure() {
    uint8_t result = 0;
    uint8_t status = 0;
    uint8_t ext = 0;
    std::string text;
    if (const kashost::DriverError* kept = KeptDriverError()) {
        result = kept->result;
        status = kept->status;
        ext = kept->extStatus;
        text = FromDriverText(kept->text.c_str());
    } else {
        FPCodeError(&result, &status, &ext);
        text = FromDriverText(FPErrorMessage());
    }
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    while (!text.empty() && text.front() == '\n') {
        text.erase(text.begin());
    }
    if (text.empty()) {
        // A result code the driver has no text for still says the command failed.
        text = "the register refused the command (no text for its status and result bytes)";
    }
    std::fprintf(stderr, "error: %s\nБайт статуса: %u\nБайт результата: %u\n", text.c_str(), status,
                 result);
    if (JsonOutput()) {
        PrintLine("error", text);
        PrintNumber("status byte", status);
        PrintNumber("result byte", result);
        PrintNumber("extended status byte", ext);
        FinishOutput();
    }
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "kasctl: %s\n", message.c_str());
    return 2;
}

} // namespace

} // namespace kasctl

int main(int argc, char** argv) {
    using namespace kasctl;
    const std::vector<std::string> words = Utf8CommandLine(argc, argv);
    long port = 1;
    long baud = 9600;
    std::size_t i = 1;
    for (; i < words.size(); ++i) {
        const std::string& a = words[i];
        if (a == "--port" || a == "--baud") {
            if (i + 1 >= words.size()) {
                return UsageError(a + " needs a value");
            }
            const std::string& value = words[++i];
            char* end = nullptr;
            const long v = std::strtol(value.c_str(), &end, 10);
            if (a == "--port" && (value.empty() || *end != '\0' || v < 1 || v > 255)) {
                return UsageError("--port '" + value + "': expected a port number from 1 to 255");
            }
            if (a == "--baud" &&
                (value.empty() || *end != '\0' || (v != 9600 && v != 19200 && v != 38400))) {
                return UsageError("--baud '" + value + "': expected 9600, 19200 or 38400");
            }
            (a == "--port" ? port : baud) = v;
        } else if (a == "--json") {
            SetJsonOutput(true);
        } else if (a == "--help" || a == "-h") {
            PrintUsage(stdout);
            return 0;
        } else if (a == "--version") {
            std::printf("kasctl %s\n", KASCTL_VERSION);
            return 0;
        } else if (!a.empty() && a[0] == '-') {
            return UsageError("unknown option '" + a + "' (see --help)");
        } else {
            break;
        }
    }
    if (i >= words.size()) {
        PrintUsage(stderr);
        return 2;
    }
    const std::string name = words[i++];
    const auto& table = Registered();
    const auto it = std::find_if(table.begin(), table.end(),
                                 [&name](const Subcommand& c) { return c.name == name; });
    if (it == table.end()) {
        return UsageError("unknown subcommand '" + name + "' (see --help)");
    }
    Args args(
        std::vector<std::string>(words.begin() + static_cast<std::ptrdiff_t>(i), words.end()));
    if (args.Has(0) && (args.Word(0) == "--help" || args.Word(0) == "-h")) {
        std::printf("%s", DetailedHelp(*it).c_str());
        return 0;
    }
    const std::string usage = "kasctl " + name + " " + std::string(it->usage);
    if (args.size() < it->minArgs) {
        return UsageError(name + ": too few arguments\nusage: " + usage + "\n(kasctl " + name +
                          " --help explains them)");
    }
    if (args.size() > MaxArgs(it->usage)) {
        return UsageError(name + ": unexpected '" + args.Word(MaxArgs(it->usage)) +
                          "'\nusage: " + usage);
    }
    if (!it->withoutDriver &&
        FPInit(static_cast<uint8_t>(port), static_cast<uint32_t>(baud), 1, 1) == 0) {
        ReportPortFailure(static_cast<uint8_t>(port), static_cast<uint32_t>(baud));
        return 1;
    }
    const int16_t result = it->run(args);
    if (!it->withoutDriver) {
        FPClose();
    }
    if (!args.ok()) {
        return UsageError(name + ": " + args.error());
    }
    if (VerdictInDoubt()) {
        PrintLine("outcome", "in doubt");
        ReportFailure();
        std::fprintf(stderr, "kasctl: in doubt: check the register before repeating\n");
        return 3;
    }
    if (result == 0) {
        if (!it->withoutDriver) {
            ReportFailure();
        }
        return 1;
    }
    if (!PrintedAnything()) {
        const std::string_view done = it->done.empty() ? it->summary : it->done;
        PrintLine("done", done);
    }
    FinishOutput();
    return 0;
}

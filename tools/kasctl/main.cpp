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

std::vector<Subcommand>& Table() {
    static std::vector<Subcommand> table;
    return table;
}

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: kasctl [--port N] [--baud B] SUBCOMMAND [ARGS...]\n\n"
                      "  --port N   serial port number, 1 = COM1 (default 1)\n"
                      "  --baud B   line speed in bit/s (default 9600)\n\n"
                      "subcommands:\n");
    auto table = Table();
    std::sort(table.begin(), table.end(),
              [](const Subcommand& a, const Subcommand& b) { return a.name < b.name; });
    for (const Subcommand& c : table) {
        const std::string head = std::string(c.name) + " " + std::string(c.usage);
        std::fprintf(out, "  %-44s %.*s\n", head.c_str(), static_cast<int>(c.summary.size()),
                     c.summary.data());
    }
}

// The driver's error text with the register's status and result bytes.
void ReportFailure() {
    uint8_t result = 0;
    uint8_t status = 0;
    uint8_t ext = 0;
    FPCodeError(&result, &status, &ext);
    std::string text = FromDriverText(FPErrorMessage());
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    while (!text.empty() && text.front() == '\n') {
        text.erase(text.begin());
    }
    std::fprintf(stderr, "error: %s\nБайт статуса: %u\nБайт результата: %u\n", text.c_str(), status,
                 result);
}

} // namespace

void Register(const Subcommand& command) {
    Table().push_back(command);
}
const std::vector<Subcommand>& Registered() {
    return Table();
}

void PrintLine(std::string_view label, std::string_view value) {
    std::printf("%-34.*s %.*s\n", static_cast<int>(label.size()), label.data(),
                static_cast<int>(value.size()), value.data());
}
void PrintFlag(std::string_view label, FPBOOL value) {
    PrintLine(label, value ? "yes" : "no");
}
void PrintMoney(std::string_view label, int64_t kopecks) {
    PrintLine(label, FormatMoney(kopecks));
}
void PrintNumber(std::string_view label, int64_t value) {
    PrintLine(label, std::to_string(value));
}

} // namespace kasctl

int main(int argc, char** argv) {
    using namespace kasctl;
    std::vector<std::string> words = Utf8CommandLine(argc, argv);
    std::vector<char*> wordPointers;
    for (std::string& w : words) {
        wordPointers.push_back(w.data());
    }
    argc = static_cast<int>(wordPointers.size());
    argv = wordPointers.data();
    long port = 1;
    long baud = 9600;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--port" || a == "--baud") && i + 1 < argc) {
            char* end = nullptr;
            const long v = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || v <= 0 || (a == "--port" && v > 255)) {
                std::fprintf(stderr, "kasctl: bad value for %s\n", a.c_str());
                return 2;
            }
            (a == "--port" ? port : baud) = v;
        } else if (a == "--help" || a == "-h") {
            PrintUsage(stdout);
            return 0;
        } else {
            break;
        }
    }
    if (i >= argc) {
        PrintUsage(stderr);
        return 2;
    }
    const std::string name = argv[i++];
    const auto& table = Registered();
    const auto it = std::find_if(table.begin(), table.end(),
                                 [&name](const Subcommand& c) { return c.name == name; });
    if (it == table.end()) {
        std::fprintf(stderr, "kasctl: unknown subcommand '%s' (see --help)\n", name.c_str());
        return 2;
    }
    Args args(std::vector<std::string>(argv + i, argv + argc));
    if (args.size() < it->minArgs) {
        std::fprintf(stderr, "usage: kasctl %s %.*s\n", name.c_str(),
                     static_cast<int>(it->usage.size()), it->usage.data());
        return 2;
    }
    if (FPInit(static_cast<uint8_t>(port), static_cast<uint32_t>(baud), 1, 1) == 0) {
        ReportPortFailure(static_cast<uint8_t>(port), static_cast<uint32_t>(baud));
        return 1;
    }
    const int16_t result = it->run(args);
    FPClose();
    if (!args.ok()) {
        std::fprintf(stderr, "kasctl %s: %s\n", name.c_str(), args.error().c_str());
        return 2;
    }
    if (result == 0) {
        ReportFailure();
        return 1;
    }
    return 0;
}

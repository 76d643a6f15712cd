// How results reach stdout: aligned label/value lines, or one JSON object.
#include "Subcommand.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace kasctl {

namespace {

constexpr std::size_t kLabelWidth = 34;

struct Output {
    bool json = false;
    bool printed = false;
    std::vector<std::pair<std::string, std::string>> fields; // key, JSON value
};

Output& State() {
    static Output output;
    return output;
}

// Characters of a UTF-8 text (continuation bytes do not count).
std::size_t CharacterCount(std::string_view utf8) {
    std::size_t n = 0;
    for (const char c : utf8) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return n;
}

void Emit(std::string_view label, std::string_view text, std::string json) {
    Output& out = State();
    out.printed = true;
    if (!out.json) {
        std::printf("%s %.*s\n", PadLabel(label, kLabelWidth).c_str(),
                    static_cast<int>(text.size()), text.data());
        return;
    }
    const std::string base = JsonKey(label);
    // A repeated label keeps every value: the second is key_2, and so on.
    std::string key = base;
    for (int n = 2; std::any_of(out.fields.begin(), out.fields.end(),
                                [&key](const auto& field) { return field.first == key; });
         ++n) {
        key = base + "_" + std::to_string(n);
    }
    out.fields.emplace_back(std::move(key), std::move(json));
}

} // namespace

void SetJsonOutput(bool on) {
    State().json = on;
}
bool JsonOutput() {
    return State().json;
}
bool PrintedAnything() {
    return State().printed;
}
void MarkPrinted() {
    State().printed = true;
}

void FinishOutput() {
    Output& out = State();
    // A subcommand that wrote its own JSON (detect, relay) leaves no fields.
    if (!out.json || out.fields.empty()) {
        return;
    }
    std::string text = "{";
    for (std::size_t i = 0; i < out.fields.size(); ++i) {
        text +=
            (i == 0 ? "" : ", ") + JsonString(out.fields[i].first) + ": " + out.fields[i].second;
    }
    std::printf("%s}\n", text.c_str());
    out.fields.clear();
}

std::string PadLabel(std::string_view label, std::size_t width) {
    std::string padded(label);
    const std::size_t n = CharacterCount(label);
    if (n < width) {
        padded.append(width - n, ' ');
    }
    return padded;
}

std::string JsonKey(std::string_view label) {
    std::string key;
    bool gap = false;
    for (const char c : label) {
        const auto u = static_cast<unsigned char>(c);
        const bool word = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || u >= 0x80;
        if (c >= 'A' && c <= 'Z') {
            key += gap && !key.empty() ? "_" : "";
            key.push_back(static_cast<char>(c - 'A' + 'a'));
            gap = false;
        } else if (word) {
            key += gap && !key.empty() ? "_" : "";
            key.push_back(c);
            gap = false;
        } else {
            gap = true;
        }
    }
    return key;
}

std::string JsonString(std::string_view utf8) {
    // Bytes that are not UTF-8 (the driver's texts are converted before) become U+FFFD.
    return nlohmann::json(std::string(utf8))
        .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void PrintLine(std::string_view label, std::string_view value) {
    Emit(label, value, JsonString(value));
}
void PrintFlag(std::string_view label, FPBOOL value) {
    Emit(label, value ? "yes" : "no", value ? "true" : "false");
}
void PrintMoney(std::string_view label, int64_t kopecks) {
    const std::string text = FormatMoney(kopecks);
    Emit(label, text, text);
}
void PrintNumber(std::string_view label, int64_t value) {
    const std::string text = std::to_string(value);
    Emit(label, text, text);
}

} // namespace kasctl

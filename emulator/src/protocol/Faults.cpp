#include "kasemu/Faults.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace kasemu {

namespace {

struct KindInfo {
    FaultKind kind;
    const char* name;
    const char* help;
};

constexpr KindInfo kKinds[] = {
    {FaultKind::Ignore, "ignore", "the command frame is lost: no answer, not executed"},
    {FaultKind::Drop, "drop", "the command is executed, its answer is not sent"},
    {FaultKind::BadChecksum, "bad-checksum", "the answer carries a wrong checksum"},
    {FaultKind::Nak, "nak", "the command is answered with NAK, not executed"},
    {FaultKind::GarbageBeforeAck, "garbage", "garbage[:N] N noise bytes before the ACK"},
    {FaultKind::SynBeforeAck, "syn-before-ack", "a SYN before the ACK"},
    {FaultKind::Delay, "delay", "delay:MS the answer is held back MS milliseconds"},
    {FaultKind::AckEnq, "ack-enq", "the answer is ACK ENQ alone"},
    {FaultKind::ForceStatus, "status", "status:B the answer's status byte is B"},
    {FaultKind::ForceResult, "result", "result:B the answer's result byte is B"},
    {FaultKind::ForceExt, "ext", "ext:B the answer's extended status byte is B"},
    {FaultKind::SynStorm, "syn-storm", "syn-storm:N[:MS] N SYNs MS ms apart after the ACK"},
    {FaultKind::Cut, "cut", "cut[:N] the answer frame stops after N bytes (default half)"},
    {FaultKind::NineDles, "nine-dles", "the answer frame ends with nine DLEs before ETX"},
    {FaultKind::DataLength, "length", "length:N reply data N bytes longer (or shorter if < 0)"},
};

std::optional<int> parseNumber(std::string_view s) {
    if (s.empty()) {
        return std::nullopt;
    }
    bool negative = false;
    if (s.front() == '-') {
        negative = true;
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    int v = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || ptr != s.data() + s.size()) {
        return std::nullopt;
    }
    return negative ? -v : v;
}

} // namespace

std::string faultName(FaultKind kind) {
    for (const auto& k : kKinds) {
        if (k.kind == kind) {
            return k.name;
        }
    }
    return "?";
}

std::string faultHelp() {
    std::string out;
    for (const auto& k : kKinds) {
        out += "    ";
        out += k.name;
        out += std::string(16 - std::min<std::size_t>(15, std::char_traits<char>::length(k.name)),
                           ' ');
        out += k.help;
        out += '\n';
    }
    return out;
}

std::optional<Fault> parseFault(std::string_view text) {
    Fault f;
    if (const auto star = text.find('*'); star != std::string_view::npos) {
        const auto n = parseNumber(text.substr(star + 1));
        if (!n || *n < 1) {
            return std::nullopt;
        }
        f.count = *n;
        text = text.substr(0, star);
    }
    if (const auto at = text.find('@'); at != std::string_view::npos) {
        std::string_view aim = text.substr(at + 1);
        if (const auto plus = aim.find('+'); plus != std::string_view::npos) {
            const auto skip = parseNumber(aim.substr(plus + 1));
            if (!skip || *skip < 0) {
                return std::nullopt;
            }
            f.skip = *skip;
            aim = aim.substr(0, plus);
        }
        const auto code = parseNumber(aim);
        if (!code || *code < 0 || *code > 255) {
            return std::nullopt;
        }
        f.command = static_cast<std::uint8_t>(*code);
        text = text.substr(0, at);
    }
    std::vector<std::string_view> parts;
    while (true) {
        const auto colon = text.find(':');
        parts.push_back(text.substr(0, colon));
        if (colon == std::string_view::npos) {
            break;
        }
        text.remove_prefix(colon + 1);
    }
    const KindInfo* info = nullptr;
    for (const auto& k : kKinds) {
        if (parts[0] == k.name) {
            info = &k;
        }
    }
    if (info == nullptr || parts.size() > 3) {
        return std::nullopt;
    }
    f.kind = info->kind;
    std::vector<int> args;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const auto n = parseNumber(parts[i]);
        if (!n) {
            return std::nullopt;
        }
        args.push_back(*n);
    }
    switch (f.kind) {
    case FaultKind::GarbageBeforeAck:
        f.value = args.empty() ? 3 : args[0];
        break;
    case FaultKind::Delay:
    case FaultKind::ForceStatus:
    case FaultKind::ForceResult:
    case FaultKind::ForceExt:
    case FaultKind::DataLength:
        if (args.size() != 1) {
            return std::nullopt;
        }
        f.value = args[0];
        if ((f.kind == FaultKind::ForceStatus || f.kind == FaultKind::ForceResult ||
             f.kind == FaultKind::ForceExt) &&
            (f.value < 0 || f.value > 255)) {
            return std::nullopt;
        }
        break;
    case FaultKind::SynStorm:
        f.value = args.empty() ? 5 : args[0];
        f.value2 = args.size() > 1 ? args[1] : 1000;
        break;
    case FaultKind::Cut:
        f.value = args.empty() ? -1 : args[0];
        break;
    default:
        if (!args.empty()) {
            return std::nullopt;
        }
        break;
    }
    if (f.value < -1 && f.kind != FaultKind::DataLength) {
        return std::nullopt;
    }
    return f;
}

bool AnswerFaults::any() const {
    return ignore || drop || badChecksum || nak || garbage > 0 || synBeforeAck || delayMs > 0 ||
           ackEnq || status || result || ext || synStorm > 0 || cut || nineDles || dataLength != 0;
}

void FaultQueue::arm(const Fault& f) {
    std::lock_guard lock(mutex_);
    faults_.push_back(f);
}

void FaultQueue::clear() {
    std::lock_guard lock(mutex_);
    faults_.clear();
}

std::size_t FaultQueue::armed() const {
    std::lock_guard lock(mutex_);
    return faults_.size();
}

AnswerFaults FaultQueue::takeForAnswer(std::optional<std::uint8_t> command) {
    std::lock_guard lock(mutex_);
    AnswerFaults a;
    for (auto& f : faults_) {
        if (f.command && f.command != command) {
            continue;
        }
        if (f.skip > 0) {
            --f.skip;
            continue;
        }
        switch (f.kind) {
        case FaultKind::Ignore:
            a.ignore = true;
            break;
        case FaultKind::Drop:
            a.drop = true;
            break;
        case FaultKind::BadChecksum:
            a.badChecksum = true;
            break;
        case FaultKind::Nak:
            a.nak = true;
            break;
        case FaultKind::GarbageBeforeAck:
            a.garbage += f.value;
            break;
        case FaultKind::SynBeforeAck:
            a.synBeforeAck = true;
            break;
        case FaultKind::Delay:
            a.delayMs += f.value;
            break;
        case FaultKind::AckEnq:
            a.ackEnq = true;
            break;
        case FaultKind::ForceStatus:
            a.status = static_cast<std::uint8_t>(f.value);
            break;
        case FaultKind::ForceResult:
            a.result = static_cast<std::uint8_t>(f.value);
            break;
        case FaultKind::ForceExt:
            a.ext = static_cast<std::uint8_t>(f.value);
            break;
        case FaultKind::SynStorm:
            a.synStorm += f.value;
            a.synStormSpacingMs = f.value2;
            break;
        case FaultKind::Cut:
            a.cut = f.value;
            break;
        case FaultKind::NineDles:
            a.nineDles = true;
            break;
        case FaultKind::DataLength:
            a.dataLength += f.value;
            break;
        }
        --f.count;
    }
    std::erase_if(faults_, [](const Fault& f) { return f.count <= 0; });
    return a;
}

} // namespace kasemu

// Command names and the fields of commands and answers.
#include "kasfacts/Register.h"
#include "kaswire/Decode.h"

#include <cstdio>

namespace kaswire {

namespace {

using Bytes = std::span<const std::uint8_t>;

struct Name {
    std::uint8_t command;
    const char* name;
};

constexpr Name kNames[] = {
    {0x00, "status"},
    {0x01, "read date"},
    {0x02, "set date"},
    {0x03, "read time"},
    {0x04, "set time"},
    {0x05, "set password"},
    {0x06, "register cashier"},
    {0x08, "payout line"},
    {0x09, "X report"},
    {0x0A, "article report"},
    {0x0B, "comment"},
    {0x0D, "Z report"},
    {0x0E, "line feed"},
    {0x0F, "annul receipt"},
    {0x10, "cash in"},
    {0x11, "periodic report"},
    {0x12, "sale line"},
    {0x14, "payment"},
    {0x15, "fiscalization"},
    {0x16, "taxpayer lines"},
    {0x17, "receipt message line"},
    {0x18, "cash out"},
    {0x19, "set tax rates"},
    {0x1A, "short periodic report"},
    {0x1B, "customer display"},
    {0x1C, "read memory"},
    {0x1D, "open drawer"},
    {0x1E, "copy of last receipt"},
    {0x1F, "periodic report by number"},
    {0x20, "print version"},
    {0x21, "cash in drawer"},
    {0x22, "program article"},
    {0x23, "discount or surcharge"},
    {0x24, "toggle on-line"},
    {0x25, "toggle display sum"},
    {0x26, "line speed"},
    {0x27, "spacing or contrast"},
    {0x28, "non-fiscal text"},
    {0x29, "article info"},
    {0x2A, "day report"},
    {0x2B, "receipt sums"},
    {0x2C, "tax rates"},
    {0x2D, "logo"},
    {0x2E, "toggle cutter"},
    {0x2F, "Code-128"},
    {0x30, "paper sensors"},
    {0x31, "EAN-13"},
};

using kasfacts::kPaymentForms;
using kasfacts::kTaxGroupLetters;

// Little-endian unsigned of n bytes at `at` (0 when the data is short).
std::uint64_t Le(Bytes d, std::size_t at, std::size_t n) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n && at + i < d.size(); ++i) {
        v |= static_cast<std::uint64_t>(d[at + i]) << (8 * i);
    }
    return v;
}

std::string Money(std::int64_t kopecks) {
    char buf[32];
    const std::uint64_t m = static_cast<std::uint64_t>(kopecks < 0 ? -kopecks : kopecks);
    std::snprintf(buf, sizeof buf, "%s%llu.%02llu", kopecks < 0 ? "-" : "",
                  static_cast<unsigned long long>(m / 100),
                  static_cast<unsigned long long>(m % 100));
    return buf;
}

// Four bytes of sign and magnitude (bit 7 of the top byte).
std::string SignedMoney(Bytes d, std::size_t at) {
    const std::uint64_t raw = Le(d, at, 4);
    const auto magnitude = static_cast<std::int64_t>(raw & 0x7FFFFFFF);
    return Money((raw & 0x80000000u) != 0 ? -magnitude : magnitude);
}

std::string Quantity(std::uint32_t value, unsigned decimals) {
    std::string digits = std::to_string(value);
    if (decimals == 0) {
        return digits;
    }
    if (digits.size() <= decimals) {
        digits.insert(0, decimals + 1 - digits.size(), '0');
    }
    digits.insert(digits.size() - decimals, ".");
    return digits;
}

std::string Group(std::uint8_t b) {
    return b >= 0x80 && b < 0x86 ? std::string(kTaxGroupLetters[b - 0x80])
                                 : "?" + std::to_string(b);
}

std::string Quoted(Bytes d, std::size_t at, std::size_t n) {
    if (at > d.size()) {
        return "\"\"";
    }
    return "\"" + FromWireText(d.subspan(at, std::min(n, d.size() - at))) + "\"";
}

std::string Hex(Bytes d) {
    std::string s;
    for (const std::uint8_t b : d) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%s%02X", s.empty() ? "" : " ", b);
        s += buf;
    }
    return s;
}

std::string Bcd(std::uint8_t b) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02X", b);
    return buf;
}

std::string Line(Bytes d) {
    if (d.size() < 9) {
        return "data=" + Hex(d);
    }
    const unsigned decimals = d[3] & 0x03;
    std::string s = "qty=" + Quantity(static_cast<std::uint32_t>(Le(d, 0, 3)), decimals) +
                    " price=" + SignedMoney(d, 4) + " group=" + Group(d[8]);
    if ((d[3] & 0x80) != 0) {
        s += " unit";
    }
    if ((d[3] & 0x40) != 0) {
        s += " barcode";
    }
    std::size_t at = 9;
    if (at < d.size() && d[at] == 0xFF) {
        s += " stored";
        ++at;
    } else if (at < d.size()) {
        const std::size_t n = d[at];
        s += " name=" + Quoted(d, at + 1, n);
        at += 1 + n;
    }
    return s + " code=" + std::to_string(Le(d, at, 6));
}

std::string LengthText(Bytes d, std::size_t at, const char* label) {
    if (at >= d.size()) {
        return "";
    }
    return std::string(label) + "=" + Quoted(d, at + 1, d[at] & 0x7F);
}

} // namespace

std::string FromWireText(Bytes bytes) {
    // Code page 866: Cyrillic А-п at 0x80, р-я at 0xE0, then Ё ё Є є Ї ї Ў ў.
    static const char16_t kHigh[16] = {0x401, 0x451,  0x404, 0x454,  0x407,  0x457, 0x40E,  0x45E,
                                       0xB0,  0x2219, 0xB7,  0x221A, 0x2116, 0xA4,  0x25A0, 0xA0};
    std::string out;
    for (const std::uint8_t b : bytes) {
        char32_t c = b;
        if (b >= 0x80 && b < 0xB0) {
            c = 0x410 + (b - 0x80);
        } else if (b >= 0xE0 && b < 0xF0) {
            c = 0x440 + (b - 0xE0);
        } else if (b >= 0xF0) {
            c = kHigh[b - 0xF0];
        } else if (b >= 0xB0 || b < 0x20) {
            c = U'·';
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string CommandName(std::uint8_t command) {
    for (const Name& n : kNames) {
        if (n.command == command) {
            return n.name;
        }
    }
    return "command " + Bcd(command);
}

std::string CommandFields(std::uint8_t command, Bytes d) {
    switch (command) {
    case 0x08:
    case 0x12:
        return Line(d);
    case 0x14:
        if (d.size() >= 5) {
            return "form=" + std::string(kPaymentForms[d[0] & 0x03]) +
                   " amount=" + Money(static_cast<std::int64_t>(Le(d, 1, 4) & 0x7FFFFFFF)) +
                   ((d[4] & 0x80) != 0 ? " close" : "") + ((d[0] & 0x40) != 0 ? " copy" : "");
        }
        break;
    case 0x0B:
        if (!d.empty()) {
            return LengthText(d, 0, "text") + ((d[0] & 0x80) != 0 ? " flag" : "");
        }
        break;
    case 0x10:
    case 0x18:
        if (d.size() >= 4) {
            return "amount=" + Money(static_cast<std::int64_t>(Le(d, 0, 4)));
        }
        break;
    case 0x23:
        if (d.size() >= 5) {
            const std::uint64_t v = Le(d, 1, 4);
            const bool percent = d[0] == 0 || d[0] == 2;
            const std::string value = percent ? std::to_string(v & 0x1FFFFFF) + "%"
                                              : Money(static_cast<std::int64_t>(v & 0x7FFFFFFF));
            return std::string((v & 0x80000000u) != 0 ? "discount" : "surcharge") +
                   (d[0] < 2 ? " on line " : " on subtotal ") + value + " " +
                   LengthText(d, 5, "text");
        }
        break;
    case 0x1B:
        if (d.size() >= 2) {
            return std::string(d[0] == 0 ? "upper" : "lower") + " " + LengthText(d, 1, "text");
        }
        break;
    case 0x28:
        if (!d.empty() && d[0] == 0xFE) {
            return "tape switch";
        }
        if (!d.empty() && d[0] == 0xFF) {
            return "end of text";
        }
        return LengthText(d, 0, "line");
    case 0x2F:
        return LengthText(d, 0, "text");
    case 0x31:
        return "digits=" + Quoted(d, 0, d.size());
    case 0x02:
        if (d.size() >= 3) {
            return "date=20" + Bcd(d[2]) + "-" + Bcd(d[1]) + "-" + Bcd(d[0]);
        }
        break;
    case 0x04:
        if (d.size() >= 3) {
            return "time=" + Bcd(d[0]) + ":" + Bcd(d[1]) + ":" + Bcd(d[2]);
        }
        break;
    default:
        break;
    }
    return d.empty() ? "" : "data=" + Hex(d);
}

std::string AnswerFields(std::uint8_t command, std::uint8_t status, std::uint8_t result,
                         std::uint8_t ext, Bytes reply) {
    static const char* const kStatusBits[8] = {
        "printer not ready", "paper",           "fiscal memory full", "clock error",
        "display error",     "shift over 24 h", "low voltage",        "refused (not executed)"};
    std::string s;
    if (status == 0 && result == 0) {
        s = "ok";
    } else {
        for (int bit = 0; bit < 8; ++bit) {
            if ((status & (1 << bit)) != 0) {
                s += (s.empty() ? "" : ", ") + std::string(kStatusBits[bit]);
            }
        }
        if (result != 0) {
            s += (s.empty() ? "" : ", ") + std::string("result ") + std::to_string(result);
        }
    }
    char codes[48];
    std::snprintf(codes, sizeof codes, " [status %02X result %02X ext %02X]", status, result, ext);
    s += codes;
    if ((command == 0x12 || command == 0x08 || command == 0x23) && reply.size() >= 8) {
        s += " cost=" + SignedMoney(reply, 0) +
             " total=" + Money(static_cast<std::int64_t>(Le(reply, 4, 4)));
    } else if (command == 0x14 && reply.size() >= 4) {
        const std::uint64_t v = Le(reply, 0, 4);
        s += (v & 0x80000000u) != 0 ? " change=" + Money(static_cast<std::int64_t>(v & 0x7FFFFFFF))
                                    : " remainder=" + Money(static_cast<std::int64_t>(v));
    } else if (!reply.empty()) {
        s += " reply=" + Hex(reply);
    }
    return s;
}

} // namespace kaswire

#include "model/TapeLayout.h"

#include <cstdio>

#include "kasemu/Clock.h"
#include "model/CommandContext.h"

namespace kasemu::tape {

namespace {

std::string utf8(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        s.push_back(static_cast<char>(0xC0 | (c >> 6)));
        s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        s.push_back(static_cast<char>(0xE0 | (c >> 12)));
        s.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    return s;
}

int len(std::string_view s) {
    return static_cast<int>(utf8Length(s));
}

} // namespace

std::string fit(std::string_view text, int width) {
    std::string out;
    int n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) != 0x80) {
            if (n == width) {
                break;
            }
            ++n;
        }
        out.push_back(text[i]);
    }
    return out;
}

std::string center(std::string_view text, int width) {
    const std::string t = fit(text, width);
    const int pad = (width - len(t)) / 2;
    return std::string(static_cast<std::size_t>(pad), ' ') + t;
}

std::string columns(std::string_view left, std::string_view right, int width) {
    if (right.empty()) {
        return fit(left, width);
    }
    const std::string r = fit(right, width);
    const int room = width - len(r) - 1;
    std::string l = fit(left, room < 0 ? 0 : room);
    const int pad = width - len(l) - len(r);
    return l + std::string(static_cast<std::size_t>(pad < 1 ? 1 : pad), ' ') + r;
}

std::string rule(int width, char32_t ch) {
    std::string out;
    const std::string c = utf8(ch);
    for (int i = 0; i < width; ++i) {
        out += c;
    }
    return out;
}

std::string money(std::int64_t kopecks) {
    const bool neg = kopecks < 0;
    const std::int64_t a = neg ? -kopecks : kopecks;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%lld.%02lld", neg ? "-" : "", static_cast<long long>(a / 100),
                  static_cast<long long>(a % 100));
    return buf;
}

std::string quantity(std::int64_t q, int decimals) {
    if (decimals <= 0) {
        return std::to_string(q);
    }
    std::int64_t scale = 1;
    for (int i = 0; i < decimals; ++i) {
        scale *= 10;
    }
    std::string frac = std::to_string(q % scale);
    frac.insert(0, static_cast<std::size_t>(decimals) - frac.size(), '0');
    return std::to_string(q / scale) + "." + frac;
}

std::string date(std::int64_t s) {
    const CivilTime t = fromSeconds(s);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", t.day, t.month, t.year);
    return buf;
}

std::string time(std::int64_t s) {
    const CivilTime t = fromSeconds(s);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buf;
}

std::string groupLetter(int group) {
    static const char* const letters[] = {"А", "Б", "В", "Г", "Д", "Е"};
    return group >= 0 && group < kTaxGroups ? letters[group] : "?";
}

std::string formName(int form) {
    static const char* const names[] = {"КАРТОЧКА", "КРЕДИТ", "ЧЕК", "НАЛИЧНЫЕ"};
    return form >= 0 && form < kPaymentForms ? names[form] : "?";
}

std::string percent(int hundredths) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%02d%%", hundredths / 100, hundredths % 100);
    return buf;
}

void printHeaderLine(CommandContext& ctx, const HeaderLine& line) {
    if (line.text.empty()) {
        return;
    }
    const std::string text = deviceToUtf8(line.text);
    if ((line.attributes & 0x40) == 0) {
        ctx.printCentered(text);
        return;
    }
    std::string wide;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (i > 0 && (c & 0xC0) != 0x80) {
            wide.push_back(' ');
        }
        wide.push_back(text[i]);
    }
    ctx.printCentered(wide);
}

void printDocumentHead(CommandContext& ctx) {
    const auto& p = ctx.st.programming;
    for (const auto& line : p.taxpayer) {
        printHeaderLine(ctx, line);
    }
    if (!p.taxNumber.empty()) {
        ctx.printCentered((p.identificationNumber ? "ИД " : "ПН ") + deviceToUtf8(p.taxNumber));
    }
}

void printDocumentFoot(CommandContext& ctx, std::string_view numberLine, bool fiscal) {
    const auto& id = ctx.st.identity;
    std::string cashier;
    if (ctx.st.cashier >= 0) {
        const auto& name = ctx.st.operators[static_cast<std::size_t>(ctx.st.cashier)].name;
        cashier = "КАССИР " + (name.empty() ? std::to_string(ctx.st.cashier) : deviceToUtf8(name));
    }
    ctx.printColumns(numberLine, cashier);
    ctx.printColumns(date(ctx.now()), time(ctx.now()));
    ctx.printColumns("ЗН " + fit(deviceToUtf8(id.serialAndDate), 10),
                     id.fiscalized ? "ФН " + deviceToUtf8(id.fiscalNumber) : "");
    if (fiscal && id.fiscalized) {
        ctx.printCentered("ФИСКАЛЬНЫЙ ЧЕК");
    } else if (fiscal) {
        ctx.printCentered("НЕФИСКАЛЬНЫЙ РЕЖИМ");
    }
    ctx.print("");
}

} // namespace kasemu::tape

#include "kasemu/StateFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace kasemu {

namespace {

// Version 2 adds the article's origin, the logo and the plain memory cells; a version 1 file
// still loads (its articles count as programmed in advance).
constexpr const char* kMagic = "kasemu-state 2";
constexpr const char* kMagicVersion1 = "kasemu-state 1";

std::string hexOf(const Bytes& b) {
    if (b.empty()) {
        return "-";
    }
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (const auto c : b) {
        s.push_back(digits[c >> 4]);
        s.push_back(digits[c & 15]);
    }
    return s;
}

bool bytesOf(const std::string& s, Bytes& out) {
    out.clear();
    if (s == "-") {
        return true;
    }
    if (s.size() % 2 != 0) {
        return false;
    }
    for (std::size_t i = 0; i < s.size(); i += 2) {
        unsigned v = 0;
        if (std::sscanf(s.c_str() + i, "%2x", &v) != 1) {
            return false;
        }
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return true;
}

void putTotals(std::ostream& os, const ReceiptTotals& t) {
    os << ' ' << t.receipts;
    for (const auto v : t.byGroup) {
        os << ' ' << v;
    }
    for (const auto v : t.byForm) {
        os << ' ' << v;
    }
    os << ' ' << t.markups << ' ' << t.discounts;
}

void putDay(std::ostream& os, const DayCounters& d) {
    putTotals(os, d.sale);
    putTotals(os, d.payout);
    os << ' ' << d.deposits << ' ' << d.withdrawals;
    for (const auto* c :
         {&d.annulledSale, &d.annulledPayout, &d.cancelledSale, &d.cancelledPayout}) {
        os << ' ' << c->count << ' ' << c->sum;
    }
}

void getTotals(std::istream& is, ReceiptTotals& t) {
    is >> t.receipts;
    for (auto& v : t.byGroup) {
        is >> v;
    }
    for (auto& v : t.byForm) {
        is >> v;
    }
    is >> t.markups >> t.discounts;
}

void getDay(std::istream& is, DayCounters& d) {
    getTotals(is, d.sale);
    getTotals(is, d.payout);
    is >> d.deposits >> d.withdrawals;
    for (auto* c : {&d.annulledSale, &d.annulledPayout, &d.cancelledSale, &d.cancelledPayout}) {
        is >> c->count >> c->sum;
    }
}

std::string serialize(const RegisterState& s) {
    std::ostringstream os;
    const auto& id = s.identity;
    const auto& p = s.programming;
    os << kMagic << '\n';
    os << "serial " << hexOf(id.serialAndDate) << '\n';
    os << "fiscal " << hexOf(id.fiscalNumber) << ' ' << id.fiscalized << ' ' << id.registeredAt
       << '\n';
    for (std::size_t i = 0; i < 3; ++i) {
        os << "taxpayer " << i << ' ' << int{p.taxpayer[i].attributes} << ' '
           << hexOf(p.taxpayer[i].text) << '\n';
        os << "head " << i << ' ' << int{p.receiptHead[i].attributes} << ' '
           << hexOf(p.receiptHead[i].text) << '\n';
        os << "tail " << i << ' ' << int{p.receiptTail[i].attributes} << ' '
           << hexOf(p.receiptTail[i].text) << '\n';
    }
    os << "tax-number " << hexOf(p.taxNumber) << ' ' << p.identificationNumber << '\n';
    os << "tax-rates " << p.taxRateCount;
    for (const auto r : p.taxRates) {
        os << ' ' << r;
    }
    for (const auto r : p.levyRates) {
        os << ' ' << r;
    }
    os << ' ' << p.vatAdded << ' ' << p.levy << ' ' << p.taxRatesProgrammedAt << ' '
       << p.taxRatesChanged << '\n';
    os << "modes " << p.onlineMode << ' ' << p.displaySumsForbidden << ' ' << p.autoCut << ' '
       << p.serviceReportOnControlTape << ' ' << p.logoEnabled << ' ' << int{p.lineSpacing} << ' '
       << int{p.contrast} << '\n';
    for (std::size_t i = 0; i < s.operators.size(); ++i) {
        os << "operator " << i << ' ' << s.operators[i].password << ' '
           << hexOf(s.operators[i].name) << '\n';
    }
    os << "cashier " << s.cashier << '\n';
    os << "clock " << s.clockOffset << '\n';
    os << "line-speed " << s.lineSpeedIndex << '\n';
    os << "shift " << s.shiftOpen << ' ' << s.shiftOpenedAt << '\n';
    os << "day";
    putDay(os, s.day);
    os << '\n';
    os << "cash " << s.cashInDrawer << '\n';
    os << "numbers " << s.lastSaleReceipt << ' ' << s.lastPayoutReceipt << ' ' << s.documents
       << '\n';
    for (const auto& z : s.fiscalMemory) {
        os << "z " << z.number << ' ' << z.at << ' ' << z.lastSaleReceipt << ' '
           << z.lastPayoutReceipt;
        putDay(os, z.totals);
        os << '\n';
    }
    for (const auto& [code, a] : s.articles) {
        os << "article " << code << ' ' << hexOf(a.name) << ' ' << a.price << ' ' << int{a.group}
           << ' ' << int{a.decimals} << ' ' << a.soldQuantity << ' ' << a.soldSum << ' '
           << a.returnedQuantity << ' ' << a.returnedSum << ' ' << a.programmedInAdvance << '\n';
    }
    if (s.logo.loaded()) {
        os << "logo " << s.logo.width << ' ' << s.logo.height << ' ' << hexOf(s.logo.rows) << '\n';
    }
    for (const auto& [cell, value] : s.memory) {
        os << "memory " << cell << ' ' << int{value} << '\n';
    }
    os << "last-receipt " << s.lastReceiptTape.size() << '\n';
    for (const auto& l : s.lastReceiptTape) {
        os << "| " << l << '\n';
    }
    os << "end\n";
    return os.str();
}

bool parseLine(const std::string& line, RegisterState& s, std::size_t& tapeLines) {
    if (tapeLines > 0) {
        if (line.rfind("| ", 0) != 0) {
            return false;
        }
        s.lastReceiptTape.push_back(line.substr(2));
        --tapeLines;
        return true;
    }
    std::istringstream is(line);
    std::string key;
    is >> key;
    auto& id = s.identity;
    auto& p = s.programming;
    std::string hx;
    Bytes b;
    int a = 0;
    std::size_t i = 0;
    if (key == "serial") {
        is >> hx;
        if (!bytesOf(hx, id.serialAndDate)) {
            return false;
        }
    } else if (key == "fiscal") {
        is >> hx >> id.fiscalized >> id.registeredAt;
        if (!bytesOf(hx, id.fiscalNumber)) {
            return false;
        }
    } else if (key == "taxpayer" || key == "head" || key == "tail") {
        is >> i >> a >> hx;
        if (i >= 3 || !bytesOf(hx, b)) {
            return false;
        }
        auto& arr = key == "taxpayer" ? p.taxpayer : key == "head" ? p.receiptHead : p.receiptTail;
        arr[i].attributes = static_cast<std::uint8_t>(a);
        arr[i].text = b;
    } else if (key == "tax-number") {
        is >> hx >> p.identificationNumber;
        if (!bytesOf(hx, p.taxNumber)) {
            return false;
        }
    } else if (key == "tax-rates") {
        is >> p.taxRateCount;
        for (auto& r : p.taxRates) {
            is >> r;
        }
        for (auto& r : p.levyRates) {
            is >> r;
        }
        is >> p.vatAdded >> p.levy >> p.taxRatesProgrammedAt >> p.taxRatesChanged;
    } else if (key == "modes") {
        int spacing = 0;
        int contrast = 0;
        is >> p.onlineMode >> p.displaySumsForbidden >> p.autoCut >> p.serviceReportOnControlTape >>
            p.logoEnabled >> spacing >> contrast;
        p.lineSpacing = static_cast<std::uint8_t>(spacing);
        p.contrast = static_cast<std::uint8_t>(contrast);
    } else if (key == "operator") {
        std::uint16_t pw = 0;
        is >> i >> pw >> hx;
        if (i >= s.operators.size() || !bytesOf(hx, b)) {
            return false;
        }
        s.operators[i].password = pw;
        s.operators[i].name = b;
    } else if (key == "cashier") {
        is >> s.cashier;
    } else if (key == "clock") {
        is >> s.clockOffset;
    } else if (key == "line-speed") {
        is >> s.lineSpeedIndex;
        if (s.lineSpeedIndex < 0 || s.lineSpeedIndex > 2) {
            return false;
        }
    } else if (key == "shift") {
        is >> s.shiftOpen >> s.shiftOpenedAt;
    } else if (key == "day") {
        getDay(is, s.day);
    } else if (key == "cash") {
        is >> s.cashInDrawer;
    } else if (key == "numbers") {
        is >> s.lastSaleReceipt >> s.lastPayoutReceipt >> s.documents;
    } else if (key == "z") {
        ZRecord z;
        is >> z.number >> z.at >> z.lastSaleReceipt >> z.lastPayoutReceipt;
        getDay(is, z.totals);
        s.fiscalMemory.push_back(z);
    } else if (key == "article") {
        std::uint64_t code = 0;
        Article art;
        int group = 0;
        int decimals = 0;
        is >> code >> hx >> art.price >> group >> decimals >> art.soldQuantity >> art.soldSum >>
            art.returnedQuantity >> art.returnedSum;
        if (!bytesOf(hx, art.name)) {
            return false;
        }
        // The origin came with version 2; a line without it is an article programmed in
        // advance.
        if (is.fail()) {
            return false;
        }
        int inAdvance = 1;
        is >> inAdvance;
        if (is.fail()) {
            if (!is.eof()) {
                return false;
            }
            is.clear();
            inAdvance = 1;
        }
        art.programmedInAdvance = inAdvance != 0;
        art.group = static_cast<std::uint8_t>(group);
        art.decimals = static_cast<std::uint8_t>(decimals);
        s.articles[code] = art;
    } else if (key == "logo") {
        is >> s.logo.width >> s.logo.height >> hx;
        if (!bytesOf(hx, s.logo.rows) || !s.logo.loaded()) {
            return false;
        }
    } else if (key == "memory") {
        std::uint32_t cell = 0;
        int value = 0;
        is >> cell >> value;
        if (value < 0 || value > 255) {
            return false;
        }
        s.memory[cell] = static_cast<std::uint8_t>(value);
    } else if (key == "last-receipt") {
        is >> tapeLines;
    } else {
        return false;
    }
    return !is.fail();
}

bool writeAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool saveState(const std::string& path, const RegisterState& state, std::string* error,
               bool durable) {
    const std::string tmp = path + ".tmp";
    const std::string data = serialize(state);
    auto fail = [&](const char* what) {
        if (error != nullptr) {
            *error = std::string(what) + ": " + std::strerror(errno);
        }
        return false;
    };
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return fail("open");
    }
    if (!writeAll(fd, data) || (durable && ::fsync(fd) != 0)) {
        const int e = errno;
        ::close(fd);
        errno = e;
        return fail("write");
    }
    if (::close(fd) != 0) {
        return fail("close");
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        return fail("rename");
    }
    if (!durable) {
        return true;
    }
    // Make the rename itself durable.
    const auto dir = std::filesystem::path(path).parent_path();
    const int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

std::optional<RegisterState> loadState(const std::string& path, const RegisterState& base,
                                       std::string* error) {
    std::ifstream in(path);
    if (!in) {
        return std::nullopt;
    }
    // An empty file (made by hand, or with touch) is a register that has not been used yet.
    if (in.peek() == std::ifstream::traits_type::eof()) {
        return std::nullopt;
    }
    auto damaged = [&](const std::string& why) -> std::optional<RegisterState> {
        if (error != nullptr) {
            *error = "damaged (" + why + ")";
        }
        return std::nullopt;
    };
    std::string line;
    if (!std::getline(in, line) || (line != kMagic && line != kMagicVersion1)) {
        return damaged("not a register state file");
    }
    RegisterState s = base;
    s.fiscalMemory.clear();
    s.articles.clear();
    s.lastReceiptTape.clear();
    s.logo = Logo{};
    s.memory.clear();
    std::size_t tapeLines = 0;
    bool ended = false;
    int lineNo = 1;
    while (std::getline(in, line)) {
        ++lineNo;
        if (line == "end" && tapeLines == 0) {
            ended = true;
            break;
        }
        if (!parseLine(line, s, tapeLines)) {
            return damaged("line " + std::to_string(lineNo));
        }
    }
    if (!ended) {
        return damaged("cut short");
    }
    return s;
}

} // namespace kasemu

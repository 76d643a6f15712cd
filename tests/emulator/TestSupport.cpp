#include "TestSupport.h"

#include <cstdio>
#include <sstream>

namespace kasemu::test {

Bytes hex(const std::string& text) {
    Bytes out;
    std::istringstream in(text);
    std::string tok;
    while (in >> tok) {
        out.push_back(static_cast<std::uint8_t>(std::stoul(tok, nullptr, 16)));
    }
    return out;
}

std::string hex(std::span<const std::uint8_t> bytes) {
    std::string s;
    char buf[4];
    for (const std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        s += buf;
    }
    if (!s.empty()) {
        s.pop_back();
    }
    return s;
}

Bytes le(std::uint64_t v, int n) {
    Bytes b;
    for (int i = 0; i < n; ++i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    return b;
}

namespace {
void append(Bytes& to, const Bytes& from) {
    for (const auto b : from) {
        to.push_back(b);
    }
}

Bytes itemHead(std::uint32_t qty, std::uint8_t flags, std::int64_t price, int group) {
    Bytes d = le(qty, 3);
    d.push_back(flags);
    const std::uint64_t mag = static_cast<std::uint64_t>(price < 0 ? -price : price);
    append(d, le(mag | (price < 0 ? 0x80000000u : 0u), 4));
    d.push_back(static_cast<std::uint8_t>(0x80 + group));
    return d;
}
} // namespace

Bytes itemData(std::uint32_t qty, std::uint8_t flags, std::int64_t price, int group,
               const std::string& name, std::uint64_t article) {
    Bytes d = itemHead(qty, flags, price, group);
    const Bytes n = utf8ToDevice(name);
    d.push_back(static_cast<std::uint8_t>(n.size()));
    append(d, n);
    append(d, le(article, 6));
    return d;
}

Bytes itemFromRegister(std::uint32_t qty, std::uint8_t flags, std::int64_t price, int group,
                       std::uint64_t article) {
    Bytes d = itemHead(qty, flags, price, group);
    d.push_back(0xFF);
    append(d, le(article, 6));
    return d;
}

Bytes paymentData(int form, std::uint32_t amount, bool rest, bool copy) {
    Bytes d;
    d.push_back(static_cast<std::uint8_t>(form | (copy ? 0x40 : 0)));
    append(d, le(amount | (rest ? 0x80000000u : 0u), 4));
    return d;
}

Bytes discountData(int type, std::uint32_t value, bool isDiscount, const std::string& text) {
    Bytes d;
    d.push_back(static_cast<std::uint8_t>(type));
    std::uint32_t v = value;
    if (type == 0 || type == 2) {
        v |= 0x02000000u;
    }
    if (isDiscount) {
        v |= 0x80000000u;
    }
    append(d, le(v, 4));
    const Bytes t = utf8ToDevice(text);
    d.push_back(static_cast<std::uint8_t>(t.size()));
    append(d, t);
    return d;
}

Bytes textData(const std::string& text, std::uint8_t lengthFlags) {
    const Bytes t = utf8ToDevice(text);
    Bytes d;
    d.push_back(static_cast<std::uint8_t>(t.size() | lengthFlags));
    append(d, t);
    return d;
}

std::uint64_t num(const Bytes& b, std::size_t offset, int n) {
    std::uint64_t v = 0;
    for (int i = 0; i < n && offset + static_cast<std::size_t>(i) < b.size(); ++i) {
        v |= static_cast<std::uint64_t>(b[offset + static_cast<std::size_t>(i)]) << (8 * i);
    }
    return v;
}

bool printed(const std::vector<std::string>& lines, const std::string& text) {
    for (const auto& l : lines) {
        if (l.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace kasemu::test

// The article table: programming a description and reading one back with its turnover.
#include <algorithm>

#include "model/Articles.h"
#include "model/CommandContext.h"
#include "model/CommandGroups.h"
#include "model/Fiscal.h"

namespace kasemu {

namespace {

constexpr std::size_t kLongestName = 50;
constexpr std::uint32_t kLargestQuantity = 0xFFFFFF; // three bytes on the wire

// 0x22: password, quantity decimals, price (sign and magnitude), tax group byte, name length,
// name, article code (6).
void programArticle(CommandContext& ctx) {
    if (!ctx.expectAtLeast(9)) {
        return;
    }
    const std::uint16_t password = ctx.in.u16();
    const std::uint8_t decimals = ctx.in.u8();
    const std::int64_t price = fromSignMagnitude(ctx.in.u32());
    const std::uint8_t groupByte = ctx.in.u8();
    const std::uint8_t length = ctx.in.u8();
    if (!ctx.expectLength(9u + length + 6u)) {
        return;
    }
    const Bytes name = ctx.in.bytes(length);
    const std::uint64_t code = ctx.in.u48();
    if (decimals > 3) {
        ctx.forbid();
        return;
    }
    if (length > kLongestName) {
        ctx.refuse(result::BadLength);
        return;
    }
    if (std::any_of(name.begin(), name.end(), [](std::uint8_t b) { return b < 0x20; })) {
        ctx.refuse(result::BadCharacters);
        return;
    }
    if (groupByte < 0x80 || groupByte > 0x85 || name.empty()) {
        ctx.refuse(result::BadArticle);
        return;
    }
    if (code == 0) {
        ctx.refuse(result::NoSuchNumber);
        return;
    }
    if (!ctx.password(kProgrammingOperator, password) || refuseWhenDocumentOpen(ctx)) {
        return;
    }
    auto& table = ctx.st.articles;
    auto it = table.find(code);
    if (it == table.end()) {
        if (table.size() >= kArticleCapacity) {
            ctx.refuse(result::Forbidden);
            return;
        }
        it = table.emplace(code, Article{}).first;
    }
    Article& a = it->second;
    // The turnover stays with the article; its quantities follow the new decimals.
    a.soldQuantity = articles::rescale(a.soldQuantity, a.decimals, decimals);
    a.returnedQuantity = articles::rescale(a.returnedQuantity, a.decimals, decimals);
    a.name = name;
    a.price = price;
    a.group = static_cast<std::uint8_t>(groupByte - 0x80);
    a.decimals = decimals;
    a.programmedInAdvance = true;
    ctx.changed();
}

std::uint32_t quantity3(std::int64_t q) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(q, 0, kLargestQuantity));
}

// 0x29: article code (6). The reply: name length, name, sales quantity (3) and its decimals,
// price (sign and magnitude), tax group byte, sales sum (5), returns quantity (3) and its
// decimals, returns sum (5).
void readArticle(CommandContext& ctx) {
    if (!ctx.expectLength(6)) {
        return;
    }
    const std::uint64_t code = ctx.in.u48();
    const auto it = ctx.st.articles.find(code);
    if (it == ctx.st.articles.end()) {
        ctx.refuse(result::BadArticle);
        return;
    }
    const Article& a = it->second;
    const std::size_t length = std::min(a.name.size(), kLongestName);
    ctx.put8(static_cast<std::uint8_t>(length));
    ctx.out.data.insert(ctx.out.data.end(), a.name.begin(),
                        a.name.begin() + static_cast<std::ptrdiff_t>(length));
    ctx.putN(quantity3(a.soldQuantity), 3);
    ctx.put8(a.decimals);
    ctx.put32(toSignMagnitude(a.price));
    ctx.put8(static_cast<std::uint8_t>(0x80 + a.group));
    ctx.putSum(a.soldSum);
    ctx.putN(quantity3(a.returnedQuantity), 3);
    ctx.put8(a.decimals);
    ctx.putSum(a.returnedSum);
}

} // namespace

namespace articles {

std::int64_t rescale(std::int64_t quantity, int fromDecimals, int toDecimals) {
    std::int64_t q = quantity;
    for (int d = fromDecimals; d < toDecimals; ++d) {
        q *= 10;
    }
    if (toDecimals < fromDecimals) {
        std::int64_t div = 1;
        for (int d = toDecimals; d < fromDecimals; ++d) {
            div *= 10;
        }
        q = mulDivRound(q, 1, div);
    }
    return q;
}

void bookReceipt(RegisterState& s, const Receipt& r) {
    const bool sale = r.kind != ReceiptKind::Payout;
    for (const auto& line : r.lines) {
        if (line.kind != ReceiptLine::Kind::Item || line.article == 0) {
            continue;
        }
        auto it = s.articles.find(line.article);
        if (it == s.articles.end()) {
            // A line of an article the table does not know describes it, while there is room.
            if (line.cost < 0 || line.name.empty() || s.articles.size() >= kArticleCapacity) {
                continue;
            }
            Article a;
            a.name = line.name;
            a.price = line.price;
            a.group = static_cast<std::uint8_t>(line.group);
            a.decimals = line.decimals;
            a.programmedInAdvance = false;
            it = s.articles.emplace(line.article, a).first;
        }
        Article& a = it->second;
        const std::int64_t q = rescale(line.quantity, line.decimals, a.decimals);
        const std::int64_t signedQuantity = line.cost < 0 ? -q : q;
        if (sale) {
            a.soldQuantity = std::max<std::int64_t>(0, a.soldQuantity + signedQuantity);
            a.soldSum += line.cost;
        } else {
            a.returnedQuantity = std::max<std::int64_t>(0, a.returnedQuantity + signedQuantity);
            a.returnedSum += line.cost;
        }
    }
}

} // namespace articles

void addArticleCommands(Model& m) {
    m.addCommand(0x22, programArticle);
    m.addCommand(0x29, readArticle);
}

} // namespace kasemu

#include "ReceiptRequest.h"

#include "Text.h"

#include <kashost/Register.h>

#include <algorithm>
#include <initializer_list>
#include <limits>
#include <optional>

namespace kasd {

namespace {

using nlohmann::json;

constexpr std::int64_t kMaxQuantity = 16777215;
constexpr std::int64_t kMaxArticle = (std::int64_t{1} << 48) - 1;
constexpr std::int64_t kMaxAmount = std::numeric_limits<std::int32_t>::max();

struct Refusal {
    Problem problem;
};

[[noreturn]] void refuse(const std::string& field, const std::string& detail) {
    throw Refusal{badRequest(field, detail)};
}

// A member name as a JSON pointer token: "~" as "~0", "/" as "~1".
std::string pointerToken(const std::string& name) {
    std::string token;
    for (const char c : name) {
        token += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
    }
    return token;
}

void onlyKnown(const json& object, const std::string& at,
               std::initializer_list<std::string_view> known) {
    if (!object.is_object()) {
        refuse(at.empty() ? "/" : at, "expected an object");
    }
    for (const auto& item : object.items()) {
        if (std::find(known.begin(), known.end(), item.key()) == known.end()) {
            if (!validUtf8(item.key())) {
                refuse(at.empty() ? "/" : at, "a field name is not valid UTF-8");
            }
            refuse(at + "/" + pointerToken(item.key()), "unknown field");
        }
    }
}

const json* member(const json& object, const std::string& name, const std::string& at,
                   bool required) {
    const auto it = object.find(name);
    if (it == object.end()) {
        if (required) {
            refuse(at + "/" + name, "missing");
        }
        return nullptr;
    }
    return &*it;
}

std::int64_t integer(const json& value, const std::string& at, std::int64_t low,
                     std::int64_t high) {
    const std::string range =
        "an integer from " + std::to_string(low) + " to " + std::to_string(high);
    if (!value.is_number_integer()) {
        refuse(at, "expected " + range);
    }
    if (value.is_number_unsigned()) {
        const auto u = value.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(high) || static_cast<std::int64_t>(u) < low) {
            refuse(at, "expected " + range);
        }
        return static_cast<std::int64_t>(u);
    }
    const auto v = value.get<std::int64_t>();
    if (v < low || v > high) {
        refuse(at, "expected " + range);
    }
    return v;
}

bool boolean(const json& object, const std::string& name, const std::string& at) {
    const json* v = member(object, name, at, false);
    if (v == nullptr) {
        return false;
    }
    if (!v->is_boolean()) {
        refuse(at + "/" + name, "expected true or false");
    }
    return v->get<bool>();
}

const std::string& text(const json& value, const std::string& at) {
    if (!value.is_string()) {
        refuse(at, "expected a string");
    }
    const auto& s = value.get_ref<const std::string&>();
    if (!validUtf8(s)) {
        refuse(at, "not valid UTF-8");
    }
    return s;
}

// A text the register prints: 1 to `most` characters (0 when `mayBeEmpty`)
// in its code page.
std::string registerText(const json& value, const std::string& at, std::size_t most,
                         bool mayBeEmpty = false) {
    const std::string& utf8 = text(value, at);
    const std::size_t n = characterCount(utf8);
    if ((n == 0 && !mayBeEmpty) || n > most) {
        refuse(at, "expected " + std::string(mayBeEmpty ? "0" : "1") + " to " +
                       std::to_string(most) + " characters");
    }
    std::string refused;
    const auto cp1251 = toRegisterText(utf8, &refused);
    if (!cp1251) {
        refuse(at, "the register cannot print '" + refused + "'");
    }
    return *cp1251;
}

PlannedAdjustment decodeAdjustment(const json& j, const std::string& at) {
    onlyKnown(j, at, {"type", "percent", "amount", "text"});
    PlannedAdjustment a;
    const std::string& type = text(*member(j, "type", at, true), at + "/type");
    if (type != "discount" && type != "surcharge") {
        refuse(at + "/type", "expected discount or surcharge");
    }
    a.discount = type == "discount";
    const json* percent = member(j, "percent", at, false);
    const json* amount = member(j, "amount", at, false);
    if ((percent == nullptr) == (amount == nullptr)) {
        refuse(at, "expected either percent or amount");
    }
    a.percent = percent != nullptr;
    a.value =
        static_cast<std::int32_t>(a.percent ? integer(*percent, at + "/percent", 1, 100)
                                            : integer(*amount, at + "/amount", 1, kMaxAmount));
    if (const json* t = member(j, "text", at, false)) {
        a.text = registerText(*t, at + "/text", kMaxAdjustmentTextCharacters, true);
    }
    return a;
}

std::string decodeBarcode(const json& value, const std::string& at) {
    const std::string& code = text(value, at);
    if (code.empty() || code.size() > kMaxBarcodeCharacters) {
        refuse(at, "expected 1 to " + std::to_string(kMaxBarcodeCharacters) + " characters");
    }
    for (const char c : code) {
        if (c < 0x20 || c > 0x7E) {
            refuse(at, "Code-128 takes printable ASCII characters only");
        }
    }
    return code;
}

// An array of at most `most` members, each decoded by `one`.
template <class One> void eachOf(const json& j, const char* name, std::size_t most, One one) {
    const json* array = member(j, name, "", false);
    if (array == nullptr) {
        return;
    }
    const std::string at = std::string("/") + name;
    if (!array->is_array() || array->size() > most) {
        refuse(at, "expected an array of at most " + std::to_string(most));
    }
    for (std::size_t i = 0; i < array->size(); ++i) {
        one((*array)[i], at + "/" + std::to_string(i));
    }
}

kashost::SaleLine decodeLine(const json& j, const std::string& at) {
    onlyKnown(j, at,
              {"name", "quantity", "decimals", "price", "taxGroup", "article", "unit",
               "printBarcode", "adjustment"});
    kashost::SaleLine line;
    const std::string& name = text(*member(j, "name", at, true), at + "/name");
    if (name.empty() || characterCount(name) > kMaxNameCharacters) {
        refuse(at + "/name", "expected 1 to " + std::to_string(kMaxNameCharacters) + " characters");
    }
    std::string refused;
    const auto cp1251 = toRegisterText(name, &refused);
    if (!cp1251) {
        refuse(at + "/name", "the register cannot print '" + refused + "'");
    }
    line.name = *cp1251;
    line.quantity = static_cast<std::uint32_t>(
        integer(*member(j, "quantity", at, true), at + "/quantity", 1, kMaxQuantity));
    if (const json* d = member(j, "decimals", at, false)) {
        line.decimals = static_cast<std::uint8_t>(integer(*d, at + "/decimals", 0, 3));
    }
    line.price = static_cast<std::int32_t>(
        integer(*member(j, "price", at, true), at + "/price", 1, kMaxAmount));
    const std::string& letter = text(*member(j, "taxGroup", at, true), at + "/taxGroup");
    const auto group = kashost::reg::taxGroupOfLetter(letter);
    if (!group) {
        refuse(at + "/taxGroup", "expected a tax group letter А, Б, В, Г, Д or Е");
    }
    line.group = *group;
    if (const json* a = member(j, "article", at, false)) {
        line.article = integer(*a, at + "/article", 0, kMaxArticle);
    }
    line.unitQuantity = boolean(j, "unit", at);
    line.printBarcode = boolean(j, "printBarcode", at);
    return line;
}

PlannedPayment decodePayment(const json& j, const std::string& at) {
    onlyKnown(j, at, {"form", "amount"});
    PlannedPayment p;
    const std::string& form = text(*member(j, "form", at, true), at + "/form");
    const auto& forms = kashost::reg::kPaymentForms;
    const auto it = std::find(forms.begin(), forms.end(), form);
    if (it == forms.end()) {
        refuse(at + "/form", "expected card, credit, cheque or cash");
    }
    p.form = static_cast<std::uint8_t>(it - forms.begin());
    p.amount = static_cast<std::uint32_t>(
        integer(*member(j, "amount", at, true), at + "/amount", 1, kMaxAmount));
    return p;
}

ReceiptPlan decode(std::string_view body) {
    json j;
    try {
        j = json::parse(body);
    } catch (const json::parse_error& e) {
        refuse("", std::string("malformed JSON: ") + e.what());
    }
    onlyKnown(j, "", {"kind", "lines", "adjustment", "comments", "barcodes", "payments", "copy"});
    ReceiptPlan plan;
    if (const json* kind = member(j, "kind", "", false)) {
        const std::string& k = text(*kind, "/kind");
        if (k != "sale" && k != "payout") {
            refuse("/kind", "expected sale or payout");
        }
        plan.payout = k == "payout";
    }
    const json& lines = *member(j, "lines", "", true);
    if (!lines.is_array() || lines.empty() || lines.size() > kMaxLines) {
        refuse("/lines", "expected an array of 1 to " + std::to_string(kMaxLines) + " lines");
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string at = "/lines/" + std::to_string(i);
        plan.lines.push_back(decodeLine(lines[i], at));
        const json* adjustment = member(lines[i], "adjustment", at, false);
        plan.lineAdjustments.push_back(
            adjustment != nullptr ? std::optional(decodeAdjustment(*adjustment, at + "/adjustment"))
                                  : std::nullopt);
        const auto& l = plan.lines.back();
        plan.total += kashost::lineCost(l.price, l.quantity, l.decimals, l.unitQuantity);
    }
    if (plan.total > kMaxAmount) {
        refuse("/lines", "the receipt's total exceeds " + std::to_string(kMaxAmount));
    }
    if (const json* adjustment = member(j, "adjustment", "", false)) {
        plan.subtotalAdjustment = decodeAdjustment(*adjustment, "/adjustment");
    }
    eachOf(j, "comments", kMaxComments, [&](const json& c, const std::string& at) {
        plan.comments.push_back(registerText(c, at, kMaxCommentCharacters));
    });
    eachOf(j, "barcodes", kMaxComments, [&](const json& c, const std::string& at) {
        plan.barcodes.push_back(decodeBarcode(c, at));
    });
    const json& payments = *member(j, "payments", "", true);
    if (!payments.is_array() || payments.empty() || payments.size() > kMaxPayments) {
        refuse("/payments",
               "expected an array of 1 to " + std::to_string(kMaxPayments) + " payments");
    }
    for (std::size_t i = 0; i < payments.size(); ++i) {
        plan.payments.push_back(decodePayment(payments[i], "/payments/" + std::to_string(i)));
    }
    // With an adjustment only the register knows the total: checked once it tells.
    if (!plan.adjusted()) {
        if (auto p = checkPayments(plan.payments, plan.total)) {
            throw Refusal{std::move(*p)};
        }
    }
    plan.copy = boolean(j, "copy", "");
    return plan;
}

} // namespace

bool ReceiptPlan::adjusted() const {
    return subtotalAdjustment.has_value() ||
           std::any_of(lineAdjustments.begin(), lineAdjustments.end(),
                       [](const auto& a) { return a.has_value(); });
}

std::optional<Problem> checkPayments(const std::vector<PlannedPayment>& payments,
                                     std::int64_t total) {
    std::int64_t paid = 0;
    std::int64_t paidOtherThanCash = 0;
    for (std::size_t i = 0; i < payments.size(); ++i) {
        const std::string at = "/payments/" + std::to_string(i);
        if (paid >= total) {
            return badRequest(at, "the payments before this one already cover the total of " +
                                      std::to_string(total));
        }
        paid += payments[i].amount;
        if (payments[i].form != kashost::reg::kCashForm) {
            paidOtherThanCash += payments[i].amount;
            if (paidOtherThanCash > total) {
                return badRequest(at + "/amount", "only cash can exceed the total of " +
                                                      std::to_string(total) + " (change)");
            }
        }
    }
    if (paid < total) {
        return badRequest("/payments", "the payments (" + std::to_string(paid) +
                                           ") do not cover the total of " + std::to_string(total));
    }
    return std::nullopt;
}

std::variant<ReceiptPlan, Problem> decodeReceipt(std::string_view body) {
    try {
        return decode(body);
    } catch (const Refusal& r) {
        return r.problem;
    } catch (const json::exception& e) {
        return badRequest("", e.what());
    }
}

} // namespace kasd

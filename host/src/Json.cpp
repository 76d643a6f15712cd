#include "kashost/Json.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <vector>

namespace kashost::json {

Value Value::Number(long long n) {
    return Number(std::to_string(n));
}

Value Value::Number(std::string digits) {
    Value v;
    v.kind = Kind::Number;
    v.text = std::move(digits);
    return v;
}
Value Value::String(std::string utf8) {
    Value v;
    v.kind = Kind::String;
    v.text = std::move(utf8);
    return v;
}
Value Value::Bool(bool b) {
    Value v;
    v.kind = Kind::Bool;
    v.boolean = b;
    return v;
}
Value Value::Array() {
    Value v;
    v.kind = Kind::Array;
    return v;
}
Value Value::Object() {
    Value v;
    v.kind = Kind::Object;
    return v;
}

const Value* Value::Find(std::string_view key) const {
    for (const auto& [k, v] : members) {
        if (k == key) {
            return &v;
        }
    }
    return nullptr;
}

Value& Value::Add(std::string key, Value v) {
    members.push_back(Member{std::move(key), std::move(v)});
    return members.back().value;
}

namespace {

constexpr int kDeepest = 64;

// A text as a JSON string; bytes that are not UTF-8 become U+FFFD.
std::string Quoted(std::string_view utf8) {
    return nlohmann::json(std::string(utf8))
        .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// Where in the text the n-th token of a kind begins (counted from 0): texts
// (member names and string values), numbers, or opening brackets. The part
// before it has been read by the parser already, so it is valid JSON.
enum class Token { Text, Number, Open };

std::size_t TokenAt(std::string_view s, Token kind, std::size_t n) {
    bool inText = false;
    char before = ' ';
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (inText) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inText = false;
            }
            continue;
        }
        const bool starts = (kind == Token::Text && c == '"') ||
                            (kind == Token::Open && (c == '{' || c == '[')) ||
                            (kind == Token::Number && (c == '-' || (c >= '0' && c <= '9')) &&
                             (before == ' ' || before == ':' || before == ',' || before == '['));
        if (starts && n-- == 0) {
            return i;
        }
        inText = c == '"';
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
            before = c;
        }
    }
    return s.size();
}

// Builds the document from nlohmann's parser events, keeping each number's
// text as written and the members in their order.
class Builder : public nlohmann::json_sax<nlohmann::json> {
  public:
    explicit Builder(std::string_view text) : text_(text) {}

    bool null() override { return Put(Value()); }
    bool boolean(bool b) override { return Put(Value::Bool(b)); }
    // A whole number reads back exactly from its value; any other keeps its text.
    bool number_integer(number_integer_t n) override { return Number(std::to_string(n)); }
    bool number_unsigned(number_unsigned_t n) override { return Number(std::to_string(n)); }
    bool number_float(number_float_t, const string_t& s) override { return Number(s); }
    bool string(string_t& s) override {
        ++texts_;
        return Put(Value::String(std::move(s)));
    }
    bool binary(binary_t&) override { return false; }
    bool start_object(std::size_t) override { return Open(Value::Object()); }
    bool key(string_t& k) override {
        ++texts_;
        if (stack_.back()->Find(k) != nullptr) {
            return Fail(TokenAt(text_, Token::Text, texts_ - 1), "\"" + k + "\" given twice");
        }
        key_ = std::move(k);
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(Value::Array()); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t byte, const std::string& token,
                     const nlohmann::detail::exception& ex) override {
        const std::string what = ex.what();
        const auto has = [&what](const char* part) { return what.find(part) != std::string::npos; };
        std::string said = "unexpected character";
        if (token.empty() || has("unexpected end of input")) {
            said = "unexpected end of the document";
        } else if (has("missing closing quote")) {
            said = "a text without its closing '\"'";
        } else if (has("control character")) {
            said = "a line break or control character inside a text (write \\n)";
        } else if (has("surrogate")) {
            said = "a lone surrogate in a \\u escape";
        } else if (has("\\u")) {
            said = "a malformed \\u escape";
        } else if (has("number") || has("digit")) {
            said = "malformed number";
        }
        // The parser counts the bytes it has read; the offending one is the last.
        return Fail(byte == 0 ? 0 : byte - 1, said);
    }

    Value& document() { return root_; }
    const std::string& error() const { return error_; }

  private:
    bool Number(const std::string& text) {
        ++numbers_;
        if (text.find_first_of("eE") != std::string::npos) {
            const std::size_t at =
                TokenAt(text_, Token::Number, numbers_ - 1) + text.find_first_of("eE");
            return Fail(at, "write the number without an exponent");
        }
        return Put(Value::Number(text));
    }
    Value* Place(Value v) {
        if (stack_.empty()) {
            root_ = std::move(v);
            return &root_;
        }
        Value& parent = *stack_.back();
        if (parent.kind == Value::Kind::Array) {
            parent.items.push_back(std::move(v));
            return &parent.items.back();
        }
        return &parent.Add(std::move(key_), std::move(v));
    }
    bool Put(Value v) {
        Place(std::move(v));
        return true;
    }
    bool Open(Value v) {
        ++opened_;
        if (stack_.size() >= kDeepest) {
            return Fail(TokenAt(text_, Token::Open, opened_ - 1), "nested too deeply");
        }
        stack_.push_back(Place(std::move(v)));
        return true;
    }
    bool Close() {
        stack_.pop_back();
        return true;
    }
    bool Fail(std::size_t at, const std::string& what) {
        std::size_t line = 1;
        std::size_t column = 1;
        for (std::size_t i = 0; i < at && i < text_.size(); ++i) {
            if (text_[i] == '\n') {
                ++line;
                column = 1;
            } else if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) {
                ++column;
            }
        }
        error_ =
            "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what;
        return false;
    }

    std::string_view text_;
    Value root_;
    std::vector<Value*> stack_; // the open arrays and objects; each lives in its parent
    std::string key_;
    std::size_t texts_ = 0;
    std::size_t numbers_ = 0;
    std::size_t opened_ = 0;
    std::string error_;
};

bool Plain(const Value& v) {
    for (const auto& member : v.members) {
        if (member.value.kind == Value::Kind::Array || member.value.kind == Value::Kind::Object) {
            return false;
        }
    }
    return true;
}

void WriteValue(const Value& v, int indent, std::string& out, bool inList) {
    const std::string pad(static_cast<std::size_t>(indent + 1) * 2, ' ');
    const std::string close(static_cast<std::size_t>(indent) * 2, ' ');
    switch (v.kind) {
    case Value::Kind::Null:
        out += "null";
        break;
    case Value::Kind::Bool:
        out += v.boolean ? "true" : "false";
        break;
    case Value::Kind::Number:
        out += v.text;
        break;
    case Value::Kind::String:
        out += Quoted(v.text);
        break;
    case Value::Kind::Array: {
        // An array of plain values stays on one line.
        bool flat = true;
        for (const Value& item : v.items) {
            flat = flat && item.kind != Value::Kind::Array && item.kind != Value::Kind::Object;
        }
        out += "[";
        for (std::size_t i = 0; i < v.items.size(); ++i) {
            out += i == 0 ? "" : ",";
            out += flat ? (i == 0 ? "" : " ") : "\n" + pad;
            WriteValue(v.items[i], indent + 1, out, true);
        }
        out += !flat && !v.items.empty() ? "\n" + close + "]" : "]";
        break;
    }
    case Value::Kind::Object:
        if (inList && Plain(v)) {
            // A record in a list (an article, a rate) on one line.
            out += "{";
            for (std::size_t i = 0; i < v.members.size(); ++i) {
                out += (i == 0 ? "" : ", ") + Quoted(v.members[i].key) + ": ";
                WriteValue(v.members[i].value, indent + 1, out, false);
            }
            out += "}";
            break;
        }
        out += "{";
        for (std::size_t i = 0; i < v.members.size(); ++i) {
            out += (i == 0 ? "\n" : ",\n") + pad + Quoted(v.members[i].key) + ": ";
            WriteValue(v.members[i].value, indent + 1, out, false);
        }
        out += v.members.empty() ? "}" : "\n" + close + "}";
        break;
    }
}

} // namespace

std::optional<Value> parse(std::string_view text, std::string& error) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3); // a byte order mark some editors write
    }
    Builder builder(text);
    const bool ok = nlohmann::json::sax_parse(text, &builder);
    error = builder.error();
    if (!ok) {
        if (error.empty()) {
            error = "line 1, column 1: not a JSON document";
        }
        return std::nullopt;
    }
    return std::move(builder.document());
}

std::string write(const Value& v) {
    std::string out;
    WriteValue(v, 0, out, false);
    return out + "\n";
}

} // namespace kashost::json

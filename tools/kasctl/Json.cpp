#include "Json.h"

#include "Subcommand.h"

#include <cstdint>

namespace kasctl::json {

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

class Parser {
  public:
    explicit Parser(std::string_view text) : s_(text) {}

    std::optional<Value> Document() {
        Value v;
        if (!ParseValue(v, 0)) {
            return std::nullopt;
        }
        Skip();
        if (at_ < s_.size()) {
            return Fail("unexpected text after the document");
        }
        return v;
    }
    const std::string& error() const { return error_; }

  private:
    static constexpr int kDeepest = 64;

    std::nullopt_t Fail(const std::string& what) {
        if (error_.empty()) {
            std::size_t line = 1;
            std::size_t column = 1;
            for (std::size_t i = 0; i < at_ && i < s_.size(); ++i) {
                if (s_[i] == '\n') {
                    ++line;
                    column = 1;
                } else if ((static_cast<unsigned char>(s_[i]) & 0xC0) != 0x80) {
                    ++column;
                }
            }
            error_ =
                "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what;
        }
        return std::nullopt;
    }
    bool Failed(const std::string& what) {
        Fail(what);
        return false;
    }

    void Skip() {
        while (at_ < s_.size() &&
               (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r')) {
            ++at_;
        }
    }

    bool Literal(std::string_view word) {
        if (s_.substr(at_, word.size()) != word) {
            return Failed("unexpected character");
        }
        at_ += word.size();
        return true;
    }

    bool ParseValue(Value& v, int depth) {
        Skip();
        if (depth > kDeepest) {
            return Failed("nested too deeply");
        }
        if (at_ >= s_.size()) {
            return Failed("unexpected end of the document");
        }
        const char c = s_[at_];
        if (c == '{') {
            return ParseObject(v, depth);
        }
        if (c == '[') {
            ++at_;
            v = Value::Array();
            Skip();
            if (at_ < s_.size() && s_[at_] == ']') {
                ++at_;
                return true;
            }
            for (;;) {
                v.items.emplace_back();
                if (!ParseValue(v.items.back(), depth + 1)) {
                    return false;
                }
                Skip();
                if (at_ < s_.size() && s_[at_] == ',') {
                    ++at_;
                } else if (at_ < s_.size() && s_[at_] == ']') {
                    ++at_;
                    return true;
                } else {
                    return Failed("expected ',' or ']'");
                }
            }
        }
        if (c == '"') {
            v = Value::String({});
            return ParseString(v.text);
        }
        if (c == 't' || c == 'f') {
            v = Value::Bool(c == 't');
            return Literal(c == 't' ? "true" : "false");
        }
        if (c == 'n') {
            v = Value();
            return Literal("null");
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            return ParseNumber(v);
        }
        return Failed("unexpected character");
    }

    bool ParseObject(Value& v, int depth) {
        ++at_;
        v = Value::Object();
        Skip();
        if (at_ < s_.size() && s_[at_] == '}') {
            ++at_;
            return true;
        }
        for (;;) {
            Skip();
            if (at_ >= s_.size() || s_[at_] != '"') {
                return Failed("expected a member name in double quotes");
            }
            std::string key;
            const std::size_t keyAt = at_;
            if (!ParseString(key)) {
                return false;
            }
            if (v.Find(key) != nullptr) {
                at_ = keyAt;
                return Failed("\"" + key + "\" given twice");
            }
            Skip();
            if (at_ >= s_.size() || s_[at_] != ':') {
                return Failed("expected ':'");
            }
            ++at_;
            Value member;
            if (!ParseValue(member, depth + 1)) {
                return false;
            }
            v.Add(std::move(key), std::move(member));
            Skip();
            if (at_ < s_.size() && s_[at_] == ',') {
                ++at_;
            } else if (at_ < s_.size() && s_[at_] == '}') {
                ++at_;
                return true;
            } else {
                return Failed("expected ',' or '}'");
            }
        }
    }

    bool ParseNumber(Value& v) {
        const std::size_t start = at_;
        auto digits = [this] {
            const std::size_t from = at_;
            while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') {
                ++at_;
            }
            return at_ - from;
        };
        if (s_[at_] == '-') {
            ++at_;
        }
        const std::size_t intAt = at_;
        const std::size_t whole = digits();
        if (whole == 0 || (whole > 1 && s_[intAt] == '0')) {
            return Failed("malformed number");
        }
        if (at_ < s_.size() && s_[at_] == '.') {
            ++at_;
            if (digits() == 0) {
                return Failed("malformed number");
            }
        }
        if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
            return Failed("write the number without an exponent");
        }
        v = Value::Number(std::string(s_.substr(start, at_ - start)));
        return true;
    }

    static void PutUtf8(std::string& out, uint32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool Hex4(uint32_t& cp) {
        if (at_ + 4 > s_.size()) {
            return Failed("malformed \\u escape");
        }
        cp = 0;
        for (int k = 0; k < 4; ++k) {
            const char h = s_[at_++];
            cp <<= 4;
            if (h >= '0' && h <= '9') {
                cp |= static_cast<uint32_t>(h - '0');
            } else if (h >= 'a' && h <= 'f') {
                cp |= static_cast<uint32_t>(h - 'a' + 10);
            } else if (h >= 'A' && h <= 'F') {
                cp |= static_cast<uint32_t>(h - 'A' + 10);
            } else {
                return Failed("malformed \\u escape");
            }
        }
        return true;
    }

    bool ParseString(std::string& out) {
        ++at_; // the opening quote
        for (;;) {
            if (at_ >= s_.size()) {
                return Failed("a text without its closing '\"'");
            }
            const char c = s_[at_];
            if (c == '"') {
                ++at_;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return Failed("a line break or control character inside a text (write \\n)");
            }
            if (c != '\\') {
                out += c;
                ++at_;
                continue;
            }
            if (++at_ >= s_.size()) {
                return Failed("a text without its closing '\"'");
            }
            const char e = s_[at_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'u': {
                uint32_t cp = 0;
                if (!Hex4(cp)) {
                    return false;
                }
                if (cp >= 0xD800 && cp < 0xDC00) {
                    uint32_t low = 0;
                    if (s_.substr(at_, 2) != "\\u" || (at_ += 2, !Hex4(low)) || low < 0xDC00 ||
                        low >= 0xE000) {
                        return Failed("a lone surrogate in a \\u escape");
                    }
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xDC00 && cp < 0xE000) {
                    return Failed("a lone surrogate in a \\u escape");
                }
                PutUtf8(out, cp);
                break;
            }
            default:
                --at_;
                return Failed(std::string("unknown escape \\") + e);
            }
        }
    }

    std::string_view s_;
    std::size_t at_ = 0;
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
        out += JsonString(v.text);
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
                out += (i == 0 ? "" : ", ") + JsonString(v.members[i].key) + ": ";
                WriteValue(v.members[i].value, indent + 1, out, false);
            }
            out += "}";
            break;
        }
        out += "{";
        for (std::size_t i = 0; i < v.members.size(); ++i) {
            out += (i == 0 ? "\n" : ",\n") + pad + JsonString(v.members[i].key) + ": ";
            WriteValue(v.members[i].value, indent + 1, out, false);
        }
        out += v.members.empty() ? "}" : "\n" + close + "}";
        break;
    }
}

} // namespace

std::optional<Value> Parse(std::string_view text, std::string& error) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3); // a byte order mark some editors write
    }
    Parser parser(text);
    auto v = parser.Document();
    error = parser.error();
    return v;
}

std::string Write(const Value& v) {
    std::string out;
    WriteValue(v, 0, out, false);
    return out + "\n";
}

} // namespace kasctl::json

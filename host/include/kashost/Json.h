// A JSON tree that keeps each number's text as written and the members of an
// object in their order, so that 12.30 in a file reads back as exactly 1230
// kopecks and a document is written back in the order it was read. Parsing and
// writing go through nlohmann-json; errors say where ("line 3, column 7: ...").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kashost::json {

struct Member;

struct Value {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    std::string text; // a number's digits as written, or a string in UTF-8
    std::vector<Value> items;
    std::vector<Member> members; // in the order written

    static Value Number(std::string digits);
    static Value Number(long long n);
    static Value String(std::string utf8);
    static Value Bool(bool b);
    static Value Array();
    static Value Object();

    // The member `key` of an object, or nothing.
    const Value* Find(std::string_view key) const;
    Value& Add(std::string key, Value v);
};

// One member of an object.
struct Member {
    std::string key;
    Value value;
};

// The document in `text`, or nothing with `error` saying where. A member given
// twice, a number with an exponent and nesting beyond 64 levels are refused.
std::optional<Value> parse(std::string_view text, std::string& error);
// Two spaces a level, one member a line (a list of plain values, and a record
// of plain values inside a list, on one line); texts stay UTF-8.
std::string write(const Value& v);

} // namespace kashost::json

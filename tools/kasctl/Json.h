// A small JSON reader and pretty writer for kasctl's documents. Numbers keep
// their text, so that 12.30 reads back as exactly 1230 kopecks.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kasctl::json {

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

// The document in `text`, or nothing with `error` saying where ("line 3, column 7: ...").
std::optional<Value> Parse(std::string_view text, std::string& error);
// Two spaces a level, one member a line; texts stay UTF-8.
std::string Write(const Value& v);

} // namespace kasctl::json

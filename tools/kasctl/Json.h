// kasctl's JSON documents: kashost's tree, whose numbers keep their text, so
// that 12.30 reads back as exactly 1230 kopecks.
#pragma once

#include <kashost/Json.h>

#include <optional>
#include <string>
#include <string_view>

namespace kasctl::json {

using kashost::json::Member;
using kashost::json::Value;

// The document in `text`, or nothing with `error` saying where ("line 3, column 7: ...").
inline std::optional<Value> Parse(std::string_view text, std::string& error) {
    return kashost::json::parse(text, error);
}
// Two spaces a level, one member a line; texts stay UTF-8.
inline std::string Write(const Value& v) {
    return kashost::json::write(v);
}

} // namespace kasctl::json

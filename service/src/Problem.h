// A refused request as an RFC 9457 problem (application/problem+json).
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace kasd {

struct Problem {
    int status = 400;
    std::string title;
    std::string detail;
    std::string field; // a JSON pointer into the request body; empty: none
    nlohmann::json extra = nlohmann::json::object(); // further members of the body

    nlohmann::json body() const {
        nlohmann::json j = extra;
        j["type"] = "about:blank";
        j["title"] = title;
        j["status"] = status;
        if (!detail.empty()) {
            j["detail"] = detail;
        }
        if (!field.empty()) {
            j["field"] = field;
        }
        return j;
    }
};

inline constexpr const char* kProblemType = "application/problem+json";
inline constexpr const char* kJsonType = "application/json";

} // namespace kasd

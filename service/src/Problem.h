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

// A problem of `status`; `field` names the refused field or header.
inline Problem problem(int status, std::string title, std::string detail, std::string field = {}) {
    Problem p;
    p.status = status;
    p.title = std::move(title);
    p.detail = std::move(detail);
    p.field = std::move(field);
    return p;
}

// 400, the field named in the detail too ("/lines/0/price: expected ...").
inline Problem badRequest(const std::string& field, const std::string& detail) {
    return problem(400, "Bad request", field.empty() ? detail : field + ": " + detail, field);
}

inline constexpr const char* kProblemType = "application/problem+json";
inline constexpr const char* kJsonType = "application/json";

} // namespace kasd

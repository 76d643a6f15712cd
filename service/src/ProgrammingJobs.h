// The register's programming as the JSON document kasctl export writes:
// GET reads it (the passwords too when the request gives the programming
// password), PUT programs what differs and reads it back.
#pragma once

#include "Jobs.h"

namespace kasd {

// X-Programming-Password: 0 to 65535; ?first=&last= the article codes read.
std::variant<nlohmann::json, Problem> readProgrammingArguments(const JobInput& in);
std::variant<nlohmann::json, Problem> applyProgrammingArguments(const JobInput& in);

JobOutcome readProgrammingJob(const nlohmann::json& args, JobContext& ctx);
JobOutcome applyProgrammingJob(const nlohmann::json& args, JobContext& ctx);
// Read back and compared with the document: done when the register holds it.
JobOutcome reconcileProgramming(const nlohmann::json& args, const nlohmann::json& before,
                                JobContext& ctx);

} // namespace kasd

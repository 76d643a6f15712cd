// The jobs beside the receipt: the status, the day report and an article (read
// only), cash in and out, the zero receipt and the X and Z reports (journalled,
// each through kashost's verified commands where the register keeps a count
// that tells whether it was carried out).
#pragma once

#include "Jobs.h"

namespace kasd {

std::variant<nlohmann::json, Problem> cashArguments(const JobInput& in);   // {"amount": 1..}
std::variant<nlohmann::json, Problem> reportArguments(const JobInput& in); // {"password": 0..65535}
std::variant<nlohmann::json, Problem> articleArguments(const JobInput& in);

JobOutcome readRegisterStatus(const nlohmann::json& args, JobContext& ctx);
JobOutcome readDayReportJob(const nlohmann::json& args, JobContext& ctx);
JobOutcome readArticleJob(const nlohmann::json& args, JobContext& ctx);

JobOutcome runCashIn(const nlohmann::json& args, JobContext& ctx);
JobOutcome runCashOut(const nlohmann::json& args, JobContext& ctx);
JobOutcome runZeroReceipt(const nlohmann::json& args, JobContext& ctx);
JobOutcome runXReport(const nlohmann::json& args, JobContext& ctx);
JobOutcome runZReport(const nlohmann::json& args, JobContext& ctx);

// After a run that stopped: the register's counts now against those
// journalled before (the drawer's cash, the sale receipt number, the Z number).
JobOutcome reconcileCashIn(const nlohmann::json& args, const nlohmann::json& before,
                           JobContext& ctx);
JobOutcome reconcileCashOut(const nlohmann::json& args, const nlohmann::json& before,
                            JobContext& ctx);
JobOutcome reconcileZeroReceipt(const nlohmann::json& args, const nlohmann::json& before,
                                JobContext& ctx);
JobOutcome reconcileZReport(const nlohmann::json& args, const nlohmann::json& before,
                            JobContext& ctx);
// An X report leaves no count behind: whether it was printed only the tape tells.
JobOutcome reconcileXReport(const nlohmann::json& args, const nlohmann::json& before,
                            JobContext& ctx);

} // namespace kasd

// A receipt run on the register, all or nothing: lines, payments and the
// closing through kashost::FiscalSession; when a step is refused, or its
// outcome is in doubt and the verdict cannot settle it, the open receipt is
// annulled. Runs on the register's worker.
#pragma once

#include "Jobs.h"

#include <kashost/Result.h>
#include <kashost/Verified.h>

#include <nlohmann/json.hpp>

namespace kasd {

// `args` is the request body (see ReceiptRequest.h).
JobOutcome runReceipt(const nlohmann::json& args, JobContext& ctx);
// A receipt whose run stopped half-way, from the counters read before it: an
// open receipt is annulled; a receipt the counters show was printed is done.
JobOutcome reconcileReceipt(const nlohmann::json& args, const nlohmann::json& before,
                            JobContext& ctx);

// A verdict as one of the response's steps: its outcome, how many times, the
// register's error. `index` (-1: none) numbers lines and payments.
nlohmann::json stepOf(const kashost::FiscalVerdict& v, const char* step, std::size_t index);
bool carriedOutOnce(const kashost::FiscalVerdict& v);

// The driver's last error as kasctl --json gives it: text, status and result bytes.
nlohmann::json driverError(const kashost::DriverError& error);

} // namespace kasd

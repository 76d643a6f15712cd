// A receipt run on the register, all or nothing: lines, payments and the
// closing through kashost::FiscalSession; when a step is refused, or its
// outcome is in doubt and the verdict cannot settle it, the open receipt is
// annulled. Runs on the worker thread.
#pragma once

#include "ReceiptRequest.h"
#include "RegisterWorker.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <string>

namespace kasd {

struct ReceiptOutcome {
    int status = 200;           // the HTTP status
    std::string state = "done"; // the journal's state
    std::string outcome;        // printed, annulled, not printed, in doubt
    nlohmann::json body;        // the response body
    nlohmann::json steps = nlohmann::json::array();
    bool problem = false; // the body is application/problem+json
};

// `sending` is called before the first byte of the request goes to the register.
ReceiptOutcome runReceipt(const ReceiptPlan& plan, RegisterWorker& worker,
                          const std::function<void()>& sending);

// The driver's last error as kasctl --json gives it: text, status and result bytes.
nlohmann::json driverError(const kashost::DriverError& error);

} // namespace kasd

// The register's status as FPGetStatus reports it, read in one call with the
// text blocks the driver hands out released again. Pages that need the
// receipt state or the register's identity ask through here.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace kasmon {

// A driver result: -1 for success, 0 for failure; only the low 16 bits count.
inline bool succeeded(std::int16_t result) {
    return (static_cast<std::uint16_t>(result) & 0xFFFFU) != 0;
}

struct RegisterStatus {
    bool paymentStarted = false; // sales and payouts can no longer be registered
    bool drawerClosed = false;
    bool payoutReceipt = false; // the open receipt is a payout (return) receipt
    bool vatAdded = false;
    bool shiftOpen = false;
    bool receiptOpen = false;
    bool displaySumsForbidden = false;
    bool taxRatesChanged = false;
    bool serviceReportOpen = false;
    bool fiscalMode = false;
    bool lastCommandAbnormal = false;
    bool onlineMode = false;
    bool serviceReportOnControlTape = false;
    QString serialAndDate;
    QString fiscalNumber;
    QString header[3];
    QString taxNumber;
    QString firmware;
    double registrationDate = 0.0;
    double registrationTime = 0.0;
};

// Asks the register for its status. Nothing when the call fails; the driver's
// error text and codes then describe the failure.
std::optional<RegisterStatus> readRegisterStatus();

} // namespace kasmon

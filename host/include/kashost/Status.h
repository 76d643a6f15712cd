// The register's status (FPGetStatus) in one struct.
#pragma once

#include <kasfacts/Register.h>

#include <optional>
#include <string>

namespace kashost {

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
    // Windows-1251 texts; nothing where the driver handed out no block.
    std::optional<std::string> serialAndDate;
    std::optional<std::string> fiscalNumber;
    std::optional<std::string> header[3];
    std::optional<std::string> taxNumber;
    std::optional<std::string> firmware;
    double registrationDate = 0.0;
    double registrationTime = 0.0;
};

// Reads the status; the text blocks the driver hands out are released here.
std::optional<RegisterStatus> readStatus();

// The register its firmware text names: "ЛМ-22" in it an RX-520L, else
// "РМ-15" an RX-410F; any other text (or none) names neither.
using FirmwareModel = kasfacts::FirmwareModel;
FirmwareModel modelOf(const RegisterStatus& status);

} // namespace kashost

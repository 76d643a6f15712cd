// The state every page of the console shares. It lives in the main window and
// is handed to the pages by reference; only the window thread touches it.
#pragma once

#include <QString>

#include <cstdint>

namespace kasmon {

// The link to the register as the console sees it.
enum class ConnectionState { Closed, Service, Cashier };

// Which register the open link talks to, as told by its firmware text.
enum class RegisterModel { Rx410f, Rx520l };

struct ConsoleState {
    // Programming password last registered; passed to every programming command.
    std::uint16_t ProgPassword = 0;
    // Report password last registered; passed to every report command.
    std::uint16_t ReportPassword = 0;
    // The link to the register is open.
    bool Connected = false;
    // The open link runs in service mode (service password accepted or start switch given).
    bool ServiceMode = false;
    // Model flag, -1 for the RX-410F and 0 for the RX-520L: the pages ask the paper
    // sensors after a successful printing action only when it is true.
    std::int16_t PaperSensors = -1;
    // Logo size limits passed to the logo upload.
    std::int16_t LogoMaxWidth = 0;
    std::int16_t LogoMaxHeight = 0;
    // The first command-line parameter (at most 255 characters).
    QString StartParam;
};

} // namespace kasmon

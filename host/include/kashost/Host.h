// kashost: the driver's many-output exports read into plain structs.
//
// Usage: include this header (or one of the three it gathers), link the target
// `kashost` together with the driver (`kasdrv`), and call a read function:
//
//     if (const auto status = kashost::readStatus()) {
//         use(status->firmware.value_or(""), status->shiftOpen);
//     } else {
//         report(kashost::lastError()); // the driver's text and codes of the failure
//     }
//
// Every read makes exactly the driver calls its export makes and gives nothing
// when the call fails; the driver's last error then describes the failure.
// Whatever the driver hands out (the status text blocks) is released inside the
// read. Texts stay in the driver's code page (Windows-1251); an absent text of
// the status is std::nullopt. No Qt, no exceptions.
#pragma once

#include "kashost/Queries.h"
#include "kashost/Result.h"
#include "kashost/Status.h"
#include "kashost/Verified.h"

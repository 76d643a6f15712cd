// Which register a status names by its firmware text (Windows-1251 bytes).
#include <kashost/Status.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using kashost::FirmwareModel;

TEST(FirmwareModel, TheFirmwareTextNamesTheModel) {
    const struct {
        std::optional<std::string> firmware;
        FirmwareModel model;
    } rows[] = {
        {"\xD0\xCC-15", FirmwareModel::Rx410f},            // РМ-15
        {"\xCB\xCC-22", FirmwareModel::Rx520l},            // ЛМ-22
        {" \xD0\xCC-15 v2", FirmwareModel::Rx410f},        // inside a longer text
        {"\xCB\xCC-22\xD0\xCC-15", FirmwareModel::Rx520l}, // ЛМ-22 wins
        {"\xCB\xCC-21", FirmwareModel::Unknown},           // ЛМ-21
        {"PM-15", FirmwareModel::Unknown},                 // Latin letters
        {"", FirmwareModel::Unknown},
        {std::nullopt, FirmwareModel::Unknown}, // no block handed out
    };
    for (const auto& row : rows) {
        kashost::RegisterStatus status;
        status.firmware = row.firmware;
        EXPECT_EQ(kashost::modelOf(status), row.model) << row.firmware.value_or("(none)");
    }
}

} // namespace

// Each group of commands lives in its own source file and adds its handlers to the model.
#pragma once

namespace kasemu {

class Model;

void addStatusCommands(Model& m);      // 0x00-0x04 status, date, time; 0x26 speed; 0x30 paper
void addOperatorCommands(Model& m);    // 0x05 passwords, 0x06 cashier registration
void addReceiptCommands(Model& m);     // 0x08 0x0B 0x0E 0x0F 0x12 0x14 0x23
void addCashCommands(Model& m);        // 0x10 deposit, 0x18 withdrawal
void addReportCommands(Model& m);      // 0x09 X, 0x0D Z, 0x0A articles, 0x11 0x1A 0x1F periodic
void addPeripheralCommands(Model& m);  // 0x1B 0x1D 0x1E 0x20 0x28 0x2F 0x31
void addProgrammingCommands(Model& m); // 0x15 fiscalization, 0x16 0x17 lines, 0x19 tax rates,
                                       // 0x24 0x25 0x2E modes, 0x27 spacing and contrast
void addArticleCommands(Model& m);     // 0x22 program, 0x29 read an article
void addQueryCommands(Model& m);       // 0x1C memory, 0x21 cash, 0x2A 0x2B 0x2C day and taxes
void addLogoCommands(Model& m);        // 0x2D logo on, off and loading

} // namespace kasemu

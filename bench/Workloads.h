// What the bench measures: each workload is one unit of work through the
// driver's public interface (one transaction, one receipt, …).
#pragma once

#include "Stats.h"

#include <functional>
#include <string>
#include <vector>

namespace kasemu {
class Emulator;
}

namespace kasbench {

// What a workload that times itself is given: the emulator on the line at the
// speed measured, with the driver's port closed, and where its figures go.
struct Bench {
    kasemu::Emulator& emulator;
    int baud;
    int runs;        // the workload's iterations, a tenth of them (at least 2) with --quick
    std::string dir; // the bench's private folder, where the port's link is
    std::function<void(const Figures&)> report;   // a row of the table and of the JSON
    std::function<void(const std::string&)> note; // a line of the table only
};

struct Workload {
    std::string name;
    std::vector<int> bauds;      // line speeds it is measured at
    int iterations;              // at 9600 bit/s; scaled up with the speed
    std::function<void()> setup; // once per line speed, not timed (may be empty)
    std::function<bool()> run;   // one unit of work; false on a driver failure
    bool single = false;         // minutes long: one run, no warm-up, left out by --quick
    // Times itself instead of setup and run (iterations as they are, not
    // scaled); false when it could not be measured.
    std::function<bool(const Bench&)> measure = {};
};

std::vector<Workload> AllWorkloads();

// Units of work through the driver's public interface, shared with the
// Windows bench so that both sides of a comparison run the same calls.
bool GetDate();
bool GetStatus();
bool TenLineReceipt();
// Programs the next article and reads it back; FirstArticle starts again at number 1.
void FirstArticle();
bool ProgramAndReadArticle();
bool XReport();
bool DayReportQuery();
// A hundred articles programmed (numbers 1-100) and read back with a check of each.
bool ProgramHundredArticles();
bool ReadHundredArticles();
// A logo of 384 x 100 dots loaded in raw blocks.
bool LoadLogo384x100();
// The console's bulk run of 10000 articles (built with the console only).
bool ConsoleBulkArticleRun();
// kasd (built with the service only): the ten-line receipt through kasd over
// HTTP beside the same receipt through the C interface, and a thousand
// receipts through kasd with the memory of kasd and of its worker.
bool KasdBesideDriver(const Bench& bench);
bool KasdThousandReceipts(const Bench& bench);

} // namespace kasbench

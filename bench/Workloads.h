// What the bench measures: each workload is one unit of work through the
// driver's public interface (one transaction, one receipt, …).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kasbench {

struct Workload {
    std::string name;
    std::vector<int> bauds;      // line speeds it is measured at
    int iterations;              // at 9600 bit/s; scaled up with the speed
    std::function<void()> setup; // once per line speed, not timed (may be empty)
    std::function<bool()> run;   // one unit of work; false on a driver failure
    bool single = false;         // minutes long: one run, no warm-up, left out by --quick
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

} // namespace kasbench

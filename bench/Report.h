// The bench's output: a table for people, JSON for machines.
#pragma once

#include "Stats.h"

#include <cstdio>
#include <string>
#include <vector>

namespace kasbench {

void PrintTableHeader(std::FILE* out);
void PrintTableRow(std::FILE* out, const Figures& f);
std::string ToJson(const std::vector<Figures>& all);

} // namespace kasbench

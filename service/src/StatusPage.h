// The status page served at "/" (service/web/status.html, compiled in).
#pragma once

#include <string_view>

namespace kasd {
std::string_view statusPage();
}

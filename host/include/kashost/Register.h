// The register's facts as kashost's hosts use them (see kasfacts/Register.h).
#pragma once

#include "kashost/Status.h"

#include <kasfacts/Register.h>

namespace kashost {
namespace reg = kasfacts;
} // namespace kashost

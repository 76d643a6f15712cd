// The OpenAPI document of the service (service/openapi.json, compiled in).
#pragma once

namespace kasd {
const char* openApiDocument();
}

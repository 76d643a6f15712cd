#include "runs/GoodsName.h"

namespace kasmon {

std::string generatedGoodsName(std::int64_t number) {
    // "Товар " in Windows-1251: the loops that use it run without Qt (the bench
    // drives them too), so the word is spelt in the driver's bytes here.
    static const std::string kWord = "\xD2\xEE\xE2\xE0\xF0 ";
    return kWord + std::to_string(number);
}

} // namespace kasmon

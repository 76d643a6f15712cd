// The texts the "Артикулы" page composes from the register's answers: the
// turnover of one article and the fill of the article memory.
#pragma once

#include "LocaleFormat.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace kasmon {

// A quantity as the register counts it: 1500 with 3 decimals is "1,500" (the
// locale's separator), 0 decimals a plain integer; nothing for a decimals
// count outside 0..3.
std::optional<QString> formatArticleQuantity(std::uint32_t quantity, std::uint8_t decimals,
                                             const LocaleFormat& format);

struct ArticleTurnover {
    std::uint32_t saleQuantity = 0;
    std::uint8_t saleDecimals = 0;
    std::int64_t saleSum = 0; // kopecks
    std::uint32_t returnQuantity = 0;
    std::uint8_t returnDecimals = 0;
    std::int64_t returnSum = 0; // kopecks
};

// "Обороты:" and its lines; a quantity line whose decimals are unknown is left out.
QString articleTurnoverText(const ArticleTurnover& turnover, const LocaleFormat& format);
// "Обороты по товару "name"".
QString articleTurnoverTitle(const QString& name);

// The two counts of the article memory, from its 4-byte block: bytes 0-1 the
// descriptions made by sales, bytes 2-3 those programmed in advance.
struct ArticleMemory {
    std::uint16_t bySales = 0;
    std::uint16_t inAdvance = 0;
};
ArticleMemory decodeArticleMemory(const std::uint8_t (&block)[4]);
QString articleMemoryText(const ArticleMemory& memory);

} // namespace kasmon

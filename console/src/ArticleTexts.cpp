#include "ArticleTexts.h"

namespace kasmon {

std::optional<QString> formatArticleQuantity(std::uint32_t quantity, std::uint8_t decimals,
                                             const LocaleFormat& format) {
    if (decimals > 3) {
        return std::nullopt;
    }
    if (decimals == 0) {
        return QString::number(quantity);
    }
    std::uint32_t scale = 1;
    for (std::uint8_t i = 0; i < decimals; ++i) {
        scale *= 10;
    }
    return QString::number(quantity / scale) + format.decimalSeparator() +
           QString::number(quantity % scale).rightJustified(decimals, QLatin1Char('0'));
}

QString articleTurnoverText(const ArticleTurnover& turnover, const LocaleFormat& format) {
    QString text = QStringLiteral("Обороты:\r\n");
    if (const auto q =
            formatArticleQuantity(turnover.saleQuantity, turnover.saleDecimals, format)) {
        text += QStringLiteral("Количество (продажи):   ") + *q + QStringLiteral("\r\n");
    }
    if (const auto q =
            formatArticleQuantity(turnover.returnQuantity, turnover.returnDecimals, format)) {
        text += QStringLiteral("Количество (возвраты):  ") + *q + QStringLiteral("\r\n");
    }
    text += QStringLiteral("Сумма оборотов (продажи):     ") +
            format.formatHundredths(turnover.saleSum) + QStringLiteral(" грн.") +
            QStringLiteral("\r\n");
    text += QStringLiteral("Сумма оборотов (возвраты):    ") +
            format.formatHundredths(turnover.returnSum) + QStringLiteral(" грн.");
    return text;
}

QString articleTurnoverTitle(const QString& name) {
    return QStringLiteral("Обороты по товару ") + QLatin1Char('"') + name + QLatin1Char('"');
}

ArticleMemory decodeArticleMemory(const std::uint8_t (&block)[4]) {
    ArticleMemory memory;
    memory.bySales = static_cast<std::uint16_t>(block[0] | (block[1] << 8));
    memory.inAdvance = static_cast<std::uint16_t>(block[2] | (block[3] << 8));
    return memory;
}

QString articleMemoryText(const ArticleMemory& memory) {
    return QStringLiteral("Количество предварительно запрограммированных описаний товаров: ") +
           QString::number(memory.inAdvance) + QStringLiteral("\r\n") +
           QStringLiteral("Количество запрограммированных описаний товаров по ходу продаж: ") +
           QString::number(memory.bySales);
}

} // namespace kasmon

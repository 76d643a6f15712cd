#include "ReportRules.h"

namespace kasmon::reports {

namespace {

bool allDigits(const QString& text) {
    for (const QChar ch : text) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) {
            return false;
        }
    }
    return true;
}

// Digits only, and at most `max`; nothing for an empty text.
std::optional<std::int64_t> readDigits(const QString& text, std::int64_t max) {
    if (text.isEmpty() || !allDigits(text)) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (const QChar ch : text) {
        value = value * 10 + (ch.unicode() - u'0');
        if (value > max) {
            return std::nullopt;
        }
    }
    return value;
}

QString fieldName(CodeField field) {
    return field == CodeField::First ? QStringLiteral("Начальный код артикула")
                                     : QStringLiteral("Конечный код артикула");
}

} // namespace

bool acceptableWhileTyping(const QString& text) {
    return allDigits(text);
}

QString typingError(CodeField field) {
    return fieldName(field) + QStringLiteral(" задан неверно!\r\nВ качестве кода артикула может "
                                             "быть только число!");
}

CodeCheck checkCode(CodeField field, const QString& text) {
    if (const auto code = readDigits(text, kMaxArticleCode)) {
        return {code, QString()};
    }
    return {std::nullopt, fieldName(field) + QStringLiteral(" задан неверно!\r\nКод артикула "
                                                            "может принимать значения от 0 "
                                                            "до 2147483647!")};
}

bool needsWholeRangeConfirmation(std::int64_t first, std::int64_t last, bool wholeRange) {
    return wholeRange || (first == 0 && last == 0);
}

QString wholeRangeQuestion() {
    return QStringLiteral("Отчет будет сформирован по всем артикулам!\r\nЕсли Вы согласны, тогда "
                          "нажмите кнопку \"ОК\".");
}

NumberCheck checkNumbers(const QString& firstText, const QString& lastText) {
    if (!allDigits(firstText)) {
        return {std::nullopt, QStringLiteral("Начальный номер отчета должен быть целым "
                                             "неотрицательным числом!")};
    }
    if (!allDigits(lastText)) {
        return {std::nullopt, QStringLiteral("Конечный номер отчета должен быть целым "
                                             "неотрицательным числом!")};
    }
    const auto first = readDigits(firstText, 65535);
    const auto last = readDigits(lastText, 65535);
    if (!first || !last) {
        return {std::nullopt, QStringLiteral("Проверьте правильность ввода номеров отчетов!")};
    }
    return {NumberRange{static_cast<std::uint16_t>(*first), static_cast<std::uint16_t>(*last)},
            QString()};
}

} // namespace kasmon::reports

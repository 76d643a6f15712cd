// The rules of the "Отчеты" page for what the user types, kept apart from the
// widgets: the article code fields, the confirmation for a report over every
// article and the range of Z-report numbers.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace kasmon::reports {

enum class CodeField { First, Last };

// The largest article code the fields take.
inline constexpr std::int64_t kMaxArticleCode = 2147483647;

// What a code field may hold while the user types: nothing, or digits only.
bool acceptableWhileTyping(const QString& text);
// The refusal shown, and the field reset to "0", when it holds anything else.
QString typingError(CodeField field);

struct CodeCheck {
    std::optional<std::int64_t> code;
    QString error;
};

// The code of one field when the report is asked for: digits making a number of
// 0..2147483647. An empty field, or a larger number, is refused naming the field.
CodeCheck checkCode(CodeField field, const QString& text);

// Asked before an article report: both codes 0, or the whole range checked.
bool needsWholeRangeConfirmation(std::int64_t first, std::int64_t last, bool wholeRange);
QString wholeRangeQuestion();

struct NumberRange {
    std::uint16_t first = 0;
    std::uint16_t last = 0;
};

struct NumberCheck {
    std::optional<NumberRange> range;
    QString error;
};

// "Отчет по номерам": the texts of "Начало:" and "Конец:" walked in that order,
// then both read as numbers. Z-report numbers are 16-bit: a larger number is
// refused rather than sent cut to its low bits.
NumberCheck checkNumbers(const QString& firstText, const QString& lastText);

} // namespace kasmon::reports

#include "programming/CompositeTaxScheme.h"

#include <stdexcept>

namespace kasmon {

namespace {
constexpr int kRateChars = 5; // "dd,dd": the part of the edit before "%"
const QChar kBlank = QLatin1Char(' ');
const QChar kComma = QLatin1Char(',');
} // namespace

std::size_t CompositeTaxScheme::index(int group) {
    if (group < 1 || group > kGroups) {
        throw std::out_of_range("tax group out of range");
    }
    return static_cast<std::size_t>(group - 1);
}

void CompositeTaxScheme::reset() {
    working_ = Table{};
    applied_ = Table{};
    selected_ = kStartGroup;
}

void CompositeTaxScheme::setSelectedGroup(int group) {
    selected_ = static_cast<int>(index(group)) + 1;
}

void CompositeTaxScheme::apply(int shownGroup) {
    for (std::size_t i = 0; i < working_.size(); ++i) {
        applied_[i].composite = working_[i].composite;
        applied_[i].vat = storedRateText(working_[i].vat);
        applied_[i].levy = storedRateText(working_[i].levy);
    }
    setSelectedGroup(shownGroup);
    working_ = applied_;
}

QString CompositeTaxScheme::storedRateText(const QString& editText) {
    QString text = editText.left(kRateChars);
    if (text.startsWith(kBlank)) {
        text.remove(0, 1);
    }
    return text;
}

QString CompositeTaxScheme::normalisedRateText(const QString& editText) {
    QString text = editText.left(kRateChars);
    // Every round removes or fills one blank, so the loop ends.
    for (qsizetype blank = text.indexOf(kBlank); blank >= 0; blank = text.indexOf(kBlank)) {
        if (blank == 0 && text.size() > 2 && text.at(2) == kComma) {
            text.remove(0, 1);
        } else {
            text[blank] = QLatin1Char('0');
        }
    }
    if (text.startsWith(QLatin1Char('0')) && text.size() > 2 && text.at(2) == kComma) {
        text.remove(0, 1);
    }
    return text;
}

} // namespace kasmon

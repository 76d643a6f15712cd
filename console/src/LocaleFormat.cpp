#include "LocaleFormat.h"

#include <cmath>
#include <limits>

namespace kasmon {

namespace {

LocaleFormat& currentFormat() {
    static LocaleFormat format;
    return format;
}

const QDate kDriverEpoch(1899, 12, 30);

// Rounds to the nearest integer, ties to even.
std::optional<std::int64_t> roundHalfEven(double value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = std::nearbyint(value);
    if (std::fabs(rounded) >= 9.2e18) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(rounded);
}

} // namespace

LocaleFormat::LocaleFormat(const QLocale& locale)
    : locale_(locale),
      separator_(locale.decimalPoint().isEmpty() ? QLatin1Char('.') : locale.decimalPoint().at(0)),
      shortDate_(locale.dateFormat(QLocale::ShortFormat)),
      longTime_(locale.timeFormat(QLocale::LongFormat)) {
    // The long time format of a locale may name the time zone; the register's clock has none.
    longTime_.remove(QLatin1Char('t'));
    longTime_ = longTime_.trimmed();
    if (shortDate_.isEmpty()) {
        shortDate_ = QStringLiteral("dd.MM.yyyy");
    }
    if (longTime_.isEmpty()) {
        longTime_ = QStringLiteral("HH:mm:ss");
    }
}

const LocaleFormat& LocaleFormat::current() {
    return currentFormat();
}

void LocaleFormat::setCurrent(const LocaleFormat& format) {
    currentFormat() = format;
}

QString LocaleFormat::defaultQuantityText() const {
    return QStringLiteral("1") + separator_ + QStringLiteral("000");
}

QString LocaleFormat::zeroSumText() const {
    return QStringLiteral("0") + separator_ + QStringLiteral("00");
}

QString LocaleFormat::firstTaxRateText() const {
    return QStringLiteral("20") + separator_ + QStringLiteral("00");
}

QString LocaleFormat::formatHundredths(std::int64_t hundredths) const {
    const bool negative = hundredths < 0;
    // Work on the magnitude as unsigned so that the lowest value survives.
    const std::uint64_t magnitude = negative ? static_cast<std::uint64_t>(-(hundredths + 1)) + 1U
                                             : static_cast<std::uint64_t>(hundredths);
    const QString cents = QString::number(magnitude % 100U).rightJustified(2, QLatin1Char('0'));
    return (negative ? QStringLiteral("-") : QString()) + QString::number(magnitude / 100U) +
           separator_ + cents;
}

QString LocaleFormat::formatMoney(std::int64_t kopecks) const {
    return formatHundredths(kopecks) + QStringLiteral(" грн.");
}

std::optional<double> LocaleFormat::readNumber(const QString& text) const {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    QString plain = text;
    if (separator_ != QLatin1Char('.')) {
        if (plain.contains(QLatin1Char('.'))) {
            return std::nullopt; // only the locale's own separator is a decimal mark
        }
        plain.replace(separator_, QLatin1Char('.'));
    }
    // Digit grouping is no part of what the user types: "1,500" is no number under a
    // point locale.
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(plain, &ok);
    if (!ok) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> LocaleFormat::parseMoney(const QString& text,
                                                     bool plainIsKopecks) const {
    const QString trimmed = text.trimmed();
    const qsizetype position = trimmed.indexOf(separator_) + 1; // 1-based, 0 when absent
    const qsizetype length = trimmed.size();
    const bool separatorLast = position > 0 && position == length;
    const std::optional<double> number =
        readNumber(separatorLast ? trimmed.left(length - 1) : trimmed);
    if (!number) {
        return std::nullopt;
    }
    const bool hryvnias = !separatorLast && !(plainIsKopecks && position == 0);
    return roundHalfEven(hryvnias ? *number * 100.0 : *number);
}

std::optional<std::int64_t> LocaleFormat::parsePrice(const QString& text) const {
    return parseMoney(text, false);
}

std::optional<std::int64_t> LocaleFormat::parseCash(const QString& text) const {
    return parseMoney(text, true);
}

std::optional<std::int64_t> LocaleFormat::parseHryvnias(const QString& text) const {
    const std::optional<double> number = readNumber(text.trimmed());
    if (!number) {
        return std::nullopt;
    }
    return roundHalfEven(*number * 100.0);
}

std::optional<Quantity> LocaleFormat::parseQuantity(const QString& text) const {
    QString digits = text.trimmed();
    const qsizetype position = digits.indexOf(separator_);
    std::uint8_t decimals = 0;
    if (position >= 0) {
        const qsizetype after = digits.size() - position - 1;
        if (after > 3) {
            return std::nullopt;
        }
        decimals = static_cast<std::uint8_t>(after);
        digits.remove(position, 1);
    }
    bool ok = false;
    const int value = digits.toInt(&ok, 10);
    if (!ok || digits.isEmpty()) {
        return std::nullopt;
    }
    return Quantity{value, decimals};
}

std::optional<std::int32_t> LocaleFormat::parseRate(const QString& text) const {
    const auto value = parsePrice(text);
    if (!value || *value < std::numeric_limits<std::int32_t>::min() ||
        *value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*value);
}

QString LocaleFormat::formatDate(const QDate& date) const {
    return locale_.toString(date, shortDate_);
}

QString LocaleFormat::formatTime(const QTime& time) const {
    return locale_.toString(time, longTime_);
}

std::optional<QDate> LocaleFormat::parseDate(const QString& text) const {
    QDate date = locale_.toDate(text.trimmed(), shortDate_);
    if (!date.isValid()) {
        return std::nullopt;
    }
    // A two-digit year in the format means this century.
    if (!shortDate_.contains(QStringLiteral("yyyy")) && date.year() < 2000) {
        date = date.addYears(100);
    }
    return date;
}

std::optional<QTime> LocaleFormat::parseTime(const QString& text) const {
    const QTime time = locale_.toTime(text.trimmed(), longTime_);
    if (!time.isValid()) {
        return std::nullopt;
    }
    return time;
}

double LocaleFormat::toDriverDateTime(const QDate& date, const QTime& time) {
    const double days = static_cast<double>(kDriverEpoch.daysTo(date));
    const double fraction = time.isValid() ? time.msecsSinceStartOfDay() / 86400000.0 : 0.0;
    return days + fraction;
}

QDate LocaleFormat::driverDate(double value) {
    return kDriverEpoch.addDays(static_cast<qint64>(std::floor(value)));
}

QTime LocaleFormat::driverTime(double value) {
    const double fraction = value - std::floor(value);
    auto ms = static_cast<int>(std::lround(fraction * 86400000.0));
    if (ms >= 86400000) {
        ms = 86400000 - 1;
    }
    return QTime::fromMSecsSinceStartOfDay(ms);
}

} // namespace kasmon

// Every number, date and time the console shows or reads goes through here,
// with the decimal separator, the short date and the long time format of the
// user's locale. Tests put another locale in place with setCurrent().
#pragma once

#include <QChar>
#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include <cstdint>
#include <optional>

namespace kasmon {

// A quantity as the register takes it: digits and the count of decimals (0..3).
struct Quantity {
    std::int32_t value = 0;
    std::uint8_t decimals = 0;
    bool operator==(const Quantity&) const = default;
};

class LocaleFormat {
  public:
    explicit LocaleFormat(const QLocale& locale = QLocale::system());

    // The locale in use by the whole console: QLocale::system() unless set.
    static const LocaleFormat& current();
    static void setCurrent(const LocaleFormat& format);

    QChar decimalSeparator() const { return separator_; }
    const QString& shortDateFormat() const { return shortDate_; }
    const QString& longTimeFormat() const { return longTime_; }

    // Start texts of the input fields: "1" + separator + "000", "0" + separator + "00",
    // and the first tax rate "20" + separator + "00".
    QString defaultQuantityText() const;
    QString zeroSumText() const;
    QString firstTaxRateText() const;

    // Hundredths as a number with two decimals: 1250 -> "12,50".
    QString formatHundredths(std::int64_t hundredths) const;
    // Money for display: 1250 -> "12,50 грн.".
    QString formatMoney(std::int64_t kopecks) const;

    // Price rule: a text with the separator (and something after it) or without one is
    // hryvnias; a text whose last character is the separator is taken as kopecks.
    std::optional<std::int64_t> parsePrice(const QString& text) const;
    // Cash rule: hryvnias only when the separator is present; without it, kopecks.
    std::optional<std::int64_t> parseCash(const QString& text) const;
    // A sum of hryvnias in kopecks, whatever the separator's place: "12,5" -> 1250,
    // "12" -> 1200.
    std::optional<std::int64_t> parseHryvnias(const QString& text) const;
    // Quantity rule: at most three digits after the separator.
    std::optional<Quantity> parseQuantity(const QString& text) const;
    // A rate in hundredths of a percent, read like a price: "15,00" -> 1500.
    std::optional<std::int32_t> parseRate(const QString& text) const;

    QString formatDate(const QDate& date) const;
    QString formatTime(const QTime& time) const;
    std::optional<QDate> parseDate(const QString& text) const;
    std::optional<QTime> parseTime(const QString& text) const;

    // The driver's date values: days since 30 December 1899, the fraction the time of day.
    static double toDriverDateTime(const QDate& date, const QTime& time = QTime(0, 0));
    static QDate driverDate(double value);
    static QTime driverTime(double value);

  private:
    // The text as a floating-point number with this locale's separator.
    std::optional<double> readNumber(const QString& text) const;
    std::optional<std::int64_t> parseMoney(const QString& text, bool plainIsKopecks) const;

    QLocale locale_;
    QChar separator_;
    QString shortDate_;
    QString longTime_;
};

} // namespace kasmon

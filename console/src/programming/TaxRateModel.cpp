#include "programming/TaxRateModel.h"

#include "RegisterTexts.h"

#include <QLocale>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace kasmon {

namespace {

const QChar kComma = QLatin1Char(',');

// digit, separator, digit, digit or digit, digit, separator, digit, digit
bool isRateForm(const QString& text, QChar separator) {
    const auto digitsAt = [&text](std::initializer_list<int> at) {
        for (const int i : at) {
            if (!text.at(i).isDigit() || text.at(i).unicode() > 0x7F) {
                return false;
            }
        }
        return true;
    };
    if (text.size() == 4) {
        return text.at(1) == separator && digitsAt({0, 2, 3});
    }
    if (text.size() == 5) {
        return text.at(2) == separator && digitsAt({0, 1, 3, 4});
    }
    return false;
}

} // namespace

TaxRateModel::TaxRateModel(CompositeTaxScheme& scheme, QChar separator)
    : scheme_(scheme), separator_(separator) {
    reset();
}

QString TaxRateModel::rowCaption(int row) {
    return taxGroupCaption(index(row));
}

std::size_t TaxRateModel::index(int row) {
    if (row < 1 || row > kRows) {
        throw std::out_of_range("rate row out of range");
    }
    return static_cast<std::size_t>(row - 1);
}

void TaxRateModel::reset() {
    type_ = TaxType::Included;
    rates_ = {};
    remembered_ = {};
    rates_[0] = rateText(2000, separator_);
    rates_[1] = rateText(0, separator_);
}

void TaxRateModel::setType(TaxType type) {
    type_ = type;
    refreshMarkers();
}

const QString& TaxRateModel::rate(int row) const {
    return rates_[index(row)];
}

void TaxRateModel::setRate(int row, const QString& text) {
    rates_[index(row)] = text;
}

bool TaxRateModel::marked(int row) const {
    return type_ == TaxType::Included && scheme_.applied(row).composite;
}

void TaxRateModel::refreshMarkers() {
    for (int row = 1; row <= kRows; ++row) {
        QString& cell = rates_[index(row)];
        QString& kept = remembered_[index(row)];
        if (cell != marker()) {
            kept = cell;
            if (marked(row)) {
                cell = marker();
            }
        } else if (!marked(row)) {
            cell = kept;
        }
    }
}

std::variant<TaxRateModel::RateWrite, QString> TaxRateModel::prepareWrite() const {
    int count = 0;
    while (count < kRows && !rates_[static_cast<std::size_t>(count)].isEmpty()) {
        ++count;
    }
    bool gap = false;
    for (const QString& cell : rates_) {
        if (cell.isEmpty()) {
            gap = true;
            continue;
        }
        if (cell != marker() && !isRateForm(cell, separator_)) {
            return QStringLiteral("Налоговые ставки заданы неверно!");
        }
        if (gap) {
            return QStringLiteral("Пустые поля между значениями ставок не допускаются!");
        }
    }
    const QString badFormat = QStringLiteral("Неправильный формат налоговых ставок!");
    RateWrite write;
    write.count = static_cast<std::uint8_t>(count);
    write.addedTax = type_ == TaxType::Added;
    for (int row = 1; row <= count; ++row) {
        const QString& cell = rates_[index(row)];
        const CompositeEntry& entry = scheme_.applied(row);
        FPTaxRate& record = write.records[index(row)];
        if (cell != marker() || !entry.composite) {
            const auto rate = hundredths(cell, separator_);
            if (!rate) {
                return badFormat;
            }
            record.rate = *rate;
        } else {
            // The dialog's masked edits always show a comma.
            const auto vat = hundredths(entry.vat, kComma);
            const auto levy = hundredths(entry.levy, kComma);
            if (!vat || !levy) {
                return badFormat;
            }
            record.rate = *vat;
            record.levyRate = *levy;
            write.levy = true;
        }
    }
    return write;
}

void TaxRateModel::applyRead(const RateRead& read) {
    type_ = read.addedTax ? TaxType::Added : TaxType::Included;
    const int count = std::min<int>(read.count, kRows);
    for (int row = 1; row <= kRows; ++row) {
        CompositeEntry& entry = scheme_.applied(row);
        if (row > count) {
            rates_[index(row)].clear();
            entry.composite = false; // the register has no such group
            continue;
        }
        const FPTaxRate& record = read.records[index(row)];
        rates_[index(row)] = rateText(record.rate, separator_);
        if (record.levyRate != 0 && read.levy) {
            entry.vat = rateText(record.rate, kComma);
            entry.levy = rateText(record.levyRate, kComma);
            entry.composite = record.hasLevy != 0;
            scheme_.setSelectedGroup(row);
        } else {
            entry.composite = false; // a plain group on the register
        }
    }
    scheme_.resetWorkingFromApplied();
    refreshMarkers();
}

QString TaxRateModel::readMessage(const QString& shortDate, bool levy) {
    QString text = QStringLiteral("Дата программирования налоговых групп: ") + shortDate;
    if (levy) {
        text += QStringLiteral("\r\nИспользуется схема составного налога!");
    }
    return text;
}

std::optional<std::int32_t> TaxRateModel::hundredths(const QString& text, QChar separator) {
    if (text.isEmpty() || text.contains(QLatin1Char(' '))) {
        return std::nullopt;
    }
    QString plain = text;
    if (separator != QLatin1Char('.')) {
        if (plain.contains(QLatin1Char('.'))) {
            return std::nullopt;
        }
        plain.replace(separator, QLatin1Char('.'));
    }
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(plain, &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    const double scaled = std::nearbyint(value * 100.0); // ties to even
    if (scaled < std::numeric_limits<std::int32_t>::min() ||
        scaled > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(scaled);
}

QString TaxRateModel::rateText(std::int32_t hundredths, QChar separator) {
    // "%2.2f" of the rate in percent
    QString text = QString::asprintf("%2.2f", hundredths / 100.0);
    text.replace(QLatin1Char('.'), separator);
    return text;
}

} // namespace kasmon

// The rate grid of the tax-rate group without its widgets: the rate texts of
// the groups А to Д, the tax type, the "НДС+ПС" marker that stands in for the
// rate of a composite group (the numeric text is kept and put back), the
// checks and records of a rate write and the filling from a rate read.
#pragma once

#include "kasdrv.h"
#include "programming/CompositeTaxScheme.h"

#include <QChar>
#include <QDate>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <variant>

namespace kasmon {

enum class TaxType { Added = 0, Included = 1 }; // the radio group's indices

class TaxRateModel {
  public:
    static constexpr int kRows = CompositeTaxScheme::kGroups; // grid rows 1..5
    using Records = std::array<FPTaxRate, kRows>;

    // What "Установить" hands the driver.
    struct RateWrite {
        std::uint8_t count = 0;
        bool addedTax = false;
        Records records{};
        bool levy = false;
    };

    // What a rate read brought.
    struct RateRead {
        std::uint8_t count = 0;
        bool addedTax = false;
        Records records{};
        bool levy = false;
    };

    // `separator`: the locale's decimal separator of the rate cells.
    TaxRateModel(CompositeTaxScheme& scheme, QChar separator);

    static QString marker() { return QStringLiteral("НДС+ПС"); }
    static QString rowCaption(int row); // "Группа А" .. "Группа Д"

    // The grid's start: "20,00", "0,00" and three empty rows; inclusive tax.
    void reset();

    TaxType type() const { return type_; }
    void setType(TaxType type);

    // Rows are numbered 1 to 5, as in the grid.
    const QString& rate(int row) const;
    void setRate(int row, const QString& text);

    // The row is painted as a composite group: its group is composite in the
    // applied table and the tax is inclusive.
    bool marked(int row) const;
    // Puts the marker into every marked row (keeping the numeric text it
    // replaces) and the kept text back into every other row showing it. Run
    // after every change of the type, the applied table or the rates.
    void refreshMarkers();

    // The checks and records of "Установить": the rows in order, the first
    // fault's message, or what to write.
    std::variant<RateWrite, QString> prepareWrite() const;

    // Fills the grid and the applied table from a read and resets the
    // working table from it.
    void applyRead(const RateRead& read);
    // The message that follows a read.
    static QString readMessage(const QString& shortDate, bool levy);

    // A rate text in hundredths of a percent, rounded to the nearest (ties to
    // even): "20,07" -> 2007.
    static std::optional<std::int32_t> hundredths(const QString& text, QChar separator);
    // Hundredths as the grid shows them: 2000 -> "20,00", 500 -> "5,00".
    static QString rateText(std::int32_t hundredths, QChar separator);

  private:
    static std::size_t index(int row);

    CompositeTaxScheme& scheme_;
    QChar separator_;
    TaxType type_ = TaxType::Included;
    std::array<QString, kRows> rates_;
    std::array<QString, kRows> remembered_;
};

} // namespace kasmon

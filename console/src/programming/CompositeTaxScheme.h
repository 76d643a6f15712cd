// The composite-tax scheme (VAT plus a pension levy) of the tax groups А to Д:
// the working table that the dialog edits and the applied table that the
// rate grid and the rate write use, with the dialog's handling of the rate
// texts typed into its masked edits.
#pragma once

#include <QString>

#include <array>

namespace kasmon {

struct CompositeEntry {
    bool composite = false;
    QString vat = QStringLiteral("20,00");  // VAT rate as typed, comma decimal
    QString levy = QStringLiteral("05,00"); // pension-levy rate as typed
    bool operator==(const CompositeEntry&) const = default;
};

class CompositeTaxScheme {
  public:
    static constexpr int kGroups = 5; // А to Д; Е is not programmable
    static constexpr int kStartGroup = 3;
    using Table = std::array<CompositeEntry, kGroups>;

    CompositeTaxScheme() = default;

    // Both tables to their start values, the selected group to В.
    void reset();

    // Groups are numbered 1 (А) to 5 (Д).
    const CompositeEntry& working(int group) const { return working_.at(index(group)); }
    CompositeEntry& working(int group) { return working_.at(index(group)); }
    const CompositeEntry& applied(int group) const { return applied_.at(index(group)); }
    CompositeEntry& applied(int group) { return applied_.at(index(group)); }
    const Table& workingTable() const { return working_; }
    const Table& appliedTable() const { return applied_; }

    int selectedGroup() const { return selected_; }
    void setSelectedGroup(int group);

    // "Применить": the working table becomes the applied one (rate texts cut
    // to what the edits hold before "%"), the group shown becomes the
    // selected group, and the working table is set equal to the applied one.
    void apply(int shownGroup);
    // "Отмена": the edits are thrown away.
    void cancel() { working_ = applied_; }
    void resetWorkingFromApplied() { working_ = applied_; }

    // The text of a rate edit as it is stored: the five characters before
    // "%", a leading blank dropped.
    static QString storedRateText(const QString& editText);
    // The rate edit normalised as it is typed: blanks inside become "0", a
    // leading blank or "0" before a one-digit whole part is dropped.
    // " 5,00" -> "5,00", "05,00" -> "5,00", "2 ,5 " -> "20,50".
    static QString normalisedRateText(const QString& editText);

  private:
    static std::size_t index(int group);

    Table working_{};
    Table applied_{};
    int selected_ = kStartGroup;
};

} // namespace kasmon

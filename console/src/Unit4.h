// TForm4: "Настройка схемы составного налога", the dialog in which the
// composite tax (VAT plus the pension levy) is chosen per tax group. It edits
// the working table of the scheme; "Применить" publishes it to the applied
// table, "Отмена" throws the edits away.
#pragma once

#include "programming/CompositeTaxScheme.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace kasmon {

class TForm4 final : public QDialog {
    Q_OBJECT
  public:
    // Creating the dialog sets the scheme to its start values.
    explicit TForm4(CompositeTaxScheme& scheme, QWidget* parent = nullptr);

    static QString caption() { return QStringLiteral("Настройка схемы составного налога"); }

    QComboBox* groupList() const { return groups_; }
    QLineEdit* vatEdit() const { return vat_; }
    QLineEdit* levyEdit() const { return levy_; }
    QCheckBox* compositeBox() const { return composite_; }
    QPushButton* applyButton() const { return apply_; }
    QPushButton* cancelButton() const { return cancel_; }

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int shownGroup() const;
    void loadGroup(int group);
    void storeShownGroup();
    void rateEdited(QLineEdit* edit, QString CompositeEntry::*field);

    CompositeTaxScheme& scheme_;
    QComboBox* groups_ = nullptr;
    QLineEdit* vat_ = nullptr;
    QLineEdit* levy_ = nullptr;
    QCheckBox* composite_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace kasmon

// " Налоговые ставки: ": the tax type and the rates of the groups А to Д, read
// and written through the tax-rate model; the composite tax is chosen in TForm4.
// The grid only shows the model (its delegate paints the composite rows).
#pragma once

#include "pages/programming/ProgrammingGroup.h"
#include "programming/CompositeTaxScheme.h"
#include "programming/TaxRateModel.h"

#include <memory>

class QGroupBox;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace kasmon {

class TForm4;

class TaxRatesGroup final : public ProgrammingGroup {
    Q_OBJECT
  public:
    TaxRatesGroup(ProgrammingPage& page);
    ~TaxRatesGroup() override;
    std::vector<ControlRow> controlRows() override;

  private:
    void typeChosen();
    void cellEdited(int row, int column);
    // Runs the marker swap and shows the model's texts.
    void repaint();
    void read();
    void write();
    void chooseComposite();

    CompositeTaxScheme scheme_;
    TaxRateModel model_;
    std::unique_ptr<TForm4> form4_;
    QGroupBox* typeGroup_ = nullptr;
    QRadioButton* added_ = nullptr;
    QRadioButton* included_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QPushButton* read_ = nullptr;
    QPushButton* write_ = nullptr;
    QPushButton* composite_ = nullptr;
    bool showing_ = false;
};

} // namespace kasmon

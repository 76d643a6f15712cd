#include "pages/programming/TaxRatesGroup.h"

#include "Dialogs.h"
#include "DriverText.h"
#include "LocaleFormat.h"
#include "Unit4.h"
#include "pages/Widgets.h"

#include <kasdrv.h>

#include <QAbstractButton>
#include <QColor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kasmon {

namespace {

constexpr QRgb kCompositeColour = 0xC0DCC0;

// Paints the cells of a composite row on their colour, the text in black 2
// pixels in from the corner; every other cell as usual.
class RateGridDelegate final : public QStyledItemDelegate {
  public:
    RateGridDelegate(const TaxRateModel& model, QObject* parent)
        : QStyledItemDelegate(parent), model_(model) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const int row = index.row();
        if (row < 1 || row > TaxRateModel::kRows || !model_.marked(row)) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        painter->save();
        painter->fillRect(option.rect, QColor(kCompositeColour));
        painter->setPen(Qt::black);
        painter->drawText(option.rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                          index.data().toString());
        painter->restore();
    }

  private:
    const TaxRateModel& model_;
};

} // namespace

TaxRatesGroup::TaxRatesGroup(ProgrammingPage& page)
    : ProgrammingGroup(page, "taxGroup", QStringLiteral(" Налоговые ставки: ")),
      model_(scheme_, LocaleFormat::current().decimalSeparator()) {
    // The dialog lives as long as the page; creating it starts the scheme afresh.
    form4_ = std::make_unique<TForm4>(scheme_);
    model_.reset();
    // The grid on the left, the tax type and the note beside it, the
    // buttons below.
    QGroupBox* g = box();
    QGridLayout* layout = kit::grid(g);

    typeGroup_ = kit::group(g, named("taxType"), QStringLiteral(" Тип налога: "), {});
    added_ = kit::radio(typeGroup_, named("addedTax"), QStringLiteral("Наложенный налог"), {});
    included_ = kit::radio(typeGroup_, named("includedTax"), QStringLiteral("Вложенный налог"), {});
    included_->setChecked(true);
    QGridLayout* type = kit::grid(typeGroup_);
    type->setVerticalSpacing(0);
    type->addWidget(added_, 0, 0);
    type->addWidget(included_, 1, 0);
    auto* side = new QVBoxLayout;
    side->setSpacing(0);
    side->addWidget(typeGroup_);
    side->addStretch();
    for (const QString& line :
         QStringLiteral("Пустые поля между \r\nзначениями ставок \r\n   не допускаются.")
             .split(QStringLiteral("\r\n"))) {
        side->addWidget(kit::label(g, line, 0, 0));
    }
    layout->addLayout(side, 0, 1);

    // Every row and both columns in view: the grid is as large as its cells.
    grid_ = new QTableWidget(6, 2, g);
    grid_->setObjectName(named("rates"));
    grid_->horizontalHeader()->hide();
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    grid_->verticalHeader()->setMinimumSectionSize(1);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    grid_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    layout->addWidget(grid_, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    // The grid's own corner button carries a name like every control.
    for (QAbstractButton* corner : grid_->findChildren<QAbstractButton*>()) {
        corner->setObjectName(named("ratesCorner"));
    }
    grid_->setItemDelegate(new RateGridDelegate(model_, grid_));
    const auto fixed = [](const QString& text) {
        auto* item = new QTableWidgetItem(text);
        item->setFlags(Qt::ItemIsEnabled);
        return item;
    };
    grid_->setItem(0, 0, fixed(QStringLiteral("Группа")));
    grid_->setItem(0, 1, fixed(QStringLiteral("Ставка (%)")));
    for (int row = 1; row <= TaxRateModel::kRows; ++row) {
        grid_->setItem(row, 0, fixed(TaxRateModel::rowCaption(row)));
        grid_->setItem(row, 1, new QTableWidgetItem);
    }

    read_ = kit::button(g, named("readRates"), QStringLiteral("Прочитать"), {});
    write_ = kit::button(g, named("writeRates"), QStringLiteral("Установить"), {});
    composite_ = kit::button(g, named("compositeTax"), QStringLiteral("Составной налог"), {});
    layout->addLayout(kit::row({read_, write_, composite_}), 1, 0, 1, 2);
    layout->setRowStretch(2, 1);
    kit::titleNote(g, passwordReminder());

    connect(added_, &QRadioButton::clicked, this, &TaxRatesGroup::typeChosen);
    connect(included_, &QRadioButton::clicked, this, &TaxRatesGroup::typeChosen);
    connect(grid_, &QTableWidget::cellChanged, this, &TaxRatesGroup::cellEdited);
    connect(read_, &QPushButton::clicked, this, &TaxRatesGroup::read);
    connect(write_, &QPushButton::clicked, this, &TaxRatesGroup::write);
    connect(composite_, &QPushButton::clicked, this, &TaxRatesGroup::chooseComposite);
    repaint();
}

TaxRatesGroup::~TaxRatesGroup() = default;

std::vector<ControlRow> TaxRatesGroup::controlRows() {
    const QString group = box()->title();
    const auto on = Enablement::on;
    const auto off = Enablement::off;
    return {
        {group, read_->text(), read_, on(), on()},
        {group, typeGroup_->title(), typeGroup_, on(), off()},
        {group, QStringLiteral("Ставка (%)"), grid_, on(), off()},
        {group, write_->text(), write_, on(), off()},
        // Only while the tax is inclusive.
        {group, composite_->text(), composite_,
         Enablement::when([this] { return std::optional<bool>(included_->isChecked()); }), off()},
    };
}

void TaxRatesGroup::typeChosen() {
    model_.setType(added_->isChecked() ? TaxType::Added : TaxType::Included);
    composite_->setEnabled(included_->isChecked());
    repaint();
}

void TaxRatesGroup::cellEdited(int row, int column) {
    if (showing_ || column != 1 || row < 1 || row > TaxRateModel::kRows) {
        return;
    }
    model_.setRate(row, grid_->item(row, 1)->text());
    repaint();
}

void TaxRatesGroup::repaint() {
    model_.refreshMarkers();
    showing_ = true;
    for (int row = 1; row <= TaxRateModel::kRows; ++row) {
        grid_->item(row, 1)->setText(model_.rate(row));
    }
    showing_ = false;
    grid_->viewport()->update();
}

void TaxRatesGroup::read() {
    double date = 0.0;
    TaxRateModel::RateRead got;
    FPBOOL addedTax = 0;
    FPBOOL levy = 0;
    if (!call(FPFullGetTaxRate(&date, &got.count, &addedTax, got.records.data(),
                               TaxRateModel::kRows - 1, &levy))) {
        return;
    }
    got.addedTax = addedTax != 0;
    got.levy = levy != 0;
    model_.applyRead(got);
    (got.addedTax ? added_ : included_)->setChecked(true);
    composite_->setEnabled(!got.addedTax);
    repaint();
    information(QStringLiteral("Дата программирования налогов!"),
                TaxRateModel::readMessage(
                    LocaleFormat::current().formatDate(LocaleFormat::driverDate(date)), got.levy));
}

void TaxRatesGroup::write() {
    const auto prepared = model_.prepareWrite();
    if (const auto* fault = std::get_if<QString>(&prepared)) {
        error(*fault);
        return;
    }
    const auto& w = std::get<TaxRateModel::RateWrite>(prepared);
    if (!call(FPSetTaxRate(state().ProgPassword, w.count, flag(w.addedTax), w.records.data(),
                           TaxRateModel::kRows - 1, flag(w.levy)))) {
        return;
    }
    // A sale of 1 kopeck and its cancellation show that the register takes the rates.
    if (!call(FPSale(nullptr, nullptr, 1, 0, 1, 0, 0, 0,
                     toDriverText(QStringLiteral("Тест")).constData(), 9999))) {
        return;
    }
    if (!call(FPResetOrder())) {
        return;
    }
    information(QStringLiteral("Информация"),
                QStringLiteral("Тип налога и налоговые группы установлены!"));
}

void TaxRatesGroup::chooseComposite() {
    Dialogs::current().runModal(*form4_);
    repaint();
}

} // namespace kasmon

#include "pages/programming/TaxpayerGroup.h"

#include "DriverText.h"
#include "pages/Widgets.h"
#include "programming/ProgrammingRules.h"

#include <kasdrv.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace kasmon {

namespace {

constexpr int kPlainLimit = 24;

} // namespace

TaxpayerGroup::TaxpayerGroup(ProgrammingPage& page, const QRect& place)
    : ProgrammingGroup(page, "headGroup", QStringLiteral(" Шапка чека: "), place) {
    QGroupBox* g = box();
    QLabel* reminder = kit::label(g, QStringLiteral("Пароль программирования"), 8, 14, 200);
    QFont bold = reminder->font();
    bold.setBold(true);
    reminder->setFont(bold);
    const char* names[3] = {"headLine1", "headLine2", "headLine3"};
    for (int i = 0; i < 3; ++i) {
        captions_[i] = kit::label(g, headLineCaption(i + 1, kPlainLimit), 8, 32 + i * 40, 200);
        lines_[i] = kit::edit(g, named(names[i]), kit::editAt(8, 50 + i * 40, 200), kPlainLimit);
    }
    kit::label(g, QStringLiteral("Строка:"), 220, 32, 60);
    line_ = kit::list(g, named("headLine"), kit::editAt(220, 50, 50),
                      {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    doubleWidth_ = kit::check(g, named("headDoubleWidth"), QStringLiteral("Двойная ширина"),
                              {220, 76, 130, 17});
    doubleHeight_ = kit::check(g, named("headDoubleHeight"), QStringLiteral("Двойная высота"),
                               {220, 96, 130, 17});
    kit::labelLines(
        g, QStringLiteral("         Налоговый номер - ПН\r\n(Идентификационный номер - ІД)"), 8,
        156, 240);
    taxNumber_ = new QRadioButton(QStringLiteral("ПН:"), g);
    taxNumber_->setObjectName(named("taxNumberKind"));
    taxNumber_->setGeometry(8, 192, 50, 17);
    taxNumber_->setChecked(true);
    identificationNumber_ = new QRadioButton(QStringLiteral(" ІД:"), g);
    identificationNumber_->setObjectName(named("identificationNumberKind"));
    identificationNumber_->setGeometry(60, 192, 50, 17);
    kit::label(g, QStringLiteral("Номер до 12 символов"), 120, 192, 150);
    number_ = kit::edit(g, named("number"), kit::editAt(8, 212, 150), 12);
    write_ =
        kit::button(g, named("writeHead"), QStringLiteral("Записать"), kit::buttonAt(220, 210, 90));

    connect(line_, &QComboBox::currentIndexChanged, this, &TaxpayerGroup::lineChosen);
    connect(doubleWidth_, &QCheckBox::clicked, this, [this](bool on) {
        attributes_[line_->currentIndex()].doubleWidth = on;
        layOutLines();
    });
    connect(doubleHeight_, &QCheckBox::clicked, this,
            [this](bool on) { attributes_[line_->currentIndex()].doubleHeight = on; });
    connect(number_, &QLineEdit::textChanged, this, &TaxpayerGroup::numberEdited);
    connect(write_, &QPushButton::clicked, this, &TaxpayerGroup::write);
}

std::vector<ControlRow> TaxpayerGroup::controlRows() {
    const QString group = box()->title();
    const auto on = Enablement::on;
    const auto off = Enablement::off;
    std::vector<ControlRow> rows;
    for (int i = 0; i < 3; ++i) {
        rows.push_back({group, headLineCaption(i + 1, kPlainLimit), lines_[i], on(), off()});
    }
    rows.push_back({group, QStringLiteral("Номер до 12 символов"), number_, on(), off()});
    rows.push_back({group, QStringLiteral("Строка:"), line_, on(), off()});
    rows.push_back({group, doubleWidth_->text(), doubleWidth_, on(), off()});
    rows.push_back({group, doubleHeight_->text(), doubleHeight_, on(), off()});
    rows.push_back({group, taxNumber_->text(), taxNumber_, on(), off()});
    rows.push_back({group, identificationNumber_->text(), identificationNumber_, on(), off()});
    // Enabled by the page while a number is typed.
    rows.push_back({group, write_->text(), write_, Enablement::when([this] {
                        return std::optional<bool>(!number_->text().isEmpty());
                    }),
                    off()});
    return rows;
}

void TaxpayerGroup::lineChosen() {
    const Attributes& a = attributes_[line_->currentIndex()];
    doubleWidth_->setChecked(a.doubleWidth);
    doubleHeight_->setChecked(a.doubleHeight);
    layOutLines();
}

void TaxpayerGroup::layOutLines() {
    const bool paperSensors = state().PaperSensors != 0;
    for (int i = 0; i < 3; ++i) {
        const int limit = headLineLimit(attributes_[i].doubleWidth, paperSensors);
        captions_[i]->setText(headLineCaption(i + 1, limit));
        lines_[i]->setMaxLength(limit); // cuts the text at once
    }
}

void TaxpayerGroup::numberEdited(const QString& text) {
    write_->setEnabled(!text.isEmpty());
    if (text.isEmpty() || firstRefusedNumberCharacter(text) < 0) {
        return;
    }
    number_->clear();
    error(taxNumberRefusal(!taxNumber_->isChecked()));
}

void TaxpayerGroup::write() {
    QByteArray text[3];
    for (int i = 0; i < 3; ++i) {
        text[i] = toDriverText(lines_[i]->text());
    }
    const auto& a = attributes_;
    if (!call(FPSetHeadLine(state().ProgPassword, text[0].constData(), flag(a[0].doubleWidth),
                            flag(a[0].doubleHeight), text[1].constData(), flag(a[1].doubleWidth),
                            flag(a[1].doubleHeight), text[2].constData(), flag(a[2].doubleWidth),
                            flag(a[2].doubleHeight), toDriverText(number_->text()).constData(),
                            flag(identificationNumber_->isChecked())))) {
        return;
    }
    information(QStringLiteral("Информация"), taxpayerWrittenMessage(justFiscalized()));
    justFiscalized() = false;
}

} // namespace kasmon

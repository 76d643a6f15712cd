#include "pages/programming/TaxpayerGroup.h"

#include "DriverText.h"
#include "pages/Widgets.h"
#include "programming/ProgrammingRules.h"

#include <kasdrv.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kasmon {

namespace {

constexpr int kPlainLimit = 24;

} // namespace

TaxpayerGroup::TaxpayerGroup(ProgrammingPage& page)
    : ProgrammingGroup(page, "headGroup", QStringLiteral(" Шапка чека: ")) {
    // The three lines on the left, the attributes of the line chosen in the
    // middle, the tax or identification number on the right.
    QGroupBox* g = box();
    QGridLayout* grid = kit::grid(g);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(0);
    const char* names[3] = {"headLine1", "headLine2", "headLine3"};
    for (int i = 0; i < 3; ++i) {
        captions_[i] = kit::label(g, headLineCaption(i + 1, kPlainLimit), 0, 0);
        lines_[i] = kit::edit(g, named(names[i]), {}, kPlainLimit);
        lines->addWidget(captions_[i]);
        lines->addWidget(lines_[i]);
        lines->addSpacing(1);
    }
    lines->addStretch();
    grid->addLayout(lines, 0, 0);

    auto* attributes = new QVBoxLayout;
    attributes->setSpacing(1);
    line_ = kit::list(g, named("headLine"), {},
                      {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    attributes->addWidget(kit::label(g, QStringLiteral("Строка:"), 0, 0));
    attributes->addLayout(kit::row({line_}));
    doubleWidth_ = kit::check(g, named("headDoubleWidth"), QStringLiteral("Двойная ширина"), {});
    doubleHeight_ = kit::check(g, named("headDoubleHeight"), QStringLiteral("Двойная высота"), {});
    attributes->addWidget(doubleWidth_);
    attributes->addWidget(doubleHeight_);
    attributes->addStretch();
    grid->addLayout(attributes, 0, 1);

    auto* number = new QVBoxLayout;
    number->setSpacing(0);
    for (const QString& text : QStringLiteral("         Налоговый номер - ПН\r\n"
                                              "(Идентификационный номер - ІД)")
                                   .split(QStringLiteral("\r\n"))) {
        number->addWidget(kit::label(g, text, 0, 0));
    }
    taxNumber_ = kit::radio(g, named("taxNumberKind"), QStringLiteral("ПН:"), {});
    taxNumber_->setChecked(true);
    identificationNumber_ =
        kit::radio(g, named("identificationNumberKind"), QStringLiteral(" ІД:"), {});
    number->addLayout(kit::row({taxNumber_, identificationNumber_}));
    number->addWidget(kit::label(g, QStringLiteral("Номер до 12 символов"), 0, 0));
    number_ = kit::edit(g, named("number"), {}, 12);
    write_ = kit::button(g, named("writeHead"), QStringLiteral("Записать"), {});
    number->addSpacing(1);
    number->addLayout(kit::row({number_, write_}, false));
    number->addStretch();
    grid->addLayout(number, 0, 2);
    grid->setColumnStretch(0, 1);
    kit::titleNote(g, passwordReminder());

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

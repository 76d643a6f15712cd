#include "Unit4.h"

#include "FontFit.h"
#include "RegisterTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kasmon {

namespace {
// One optional digit, then digit, comma, two digits, and "%"; blanks stand
// for the places not typed.
const QString kRateMask = QStringLiteral("09,99%; ");

// A one-digit rate stands right-aligned in the mask, as typed.
QString masked(const QString& rate) {
    return rate.size() == 4 ? QLatin1Char(' ') + rate : rate;
}
} // namespace

TForm4::TForm4(CompositeTaxScheme& scheme, QWidget* parent) : QDialog(parent), scheme_(scheme) {
    setObjectName(QStringLiteral("form4"));
    setWindowTitle(caption());
    setFixedSize(320, 214);
    scheme_.reset();

    auto* text = new QLabel(QStringLiteral("Укажите из каких групп нужно взять значения \n"
                                           "    налоговых ставкок для работы по схеме \n"
                                           "                   с составным налогом."),
                            this);
    text->setGeometry(10, 8, 304, 48);
    (new QLabel(QStringLiteral("Составной \n    налог"), this))->setGeometry(12, 64, 80, 32);
    groups_ = new QComboBox(this);
    groups_->setObjectName(QStringLiteral("form4.group"));
    groups_->addItems(factTexts(reg::kTaxGroupLetters, 5)); // А..Д: the programmable groups
    groups_->setGeometry(100, 68, 60, 21);
    groups_->installEventFilter(this);

    const auto rateEdit = [this](const char* name, const QString& start, int y) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setInputMask(kRateMask);
        e->setMaxLength(6);
        e->setText(start);
        e->setGeometry(100, y, 60, 21);
        return e;
    };
    (new QLabel(QStringLiteral("НДС"), this))->setGeometry(12, 102, 80, 17);
    vat_ = rateEdit("form4.vat", QStringLiteral("20,00%"), 100);
    (new QLabel(QStringLiteral("Пенсионный\n      сбор"), this))->setGeometry(12, 126, 80, 32);
    levy_ = rateEdit("form4.levy", QStringLiteral(" 5,00%"), 130);

    composite_ = new QCheckBox(QStringLiteral("Использовать схему составного налога"), this);
    composite_->setObjectName(QStringLiteral("form4.composite"));
    composite_->setGeometry(12, 160, 296, 20);
    apply_ = new QPushButton(QStringLiteral("Применить"), this);
    apply_->setObjectName(QStringLiteral("form4.apply"));
    apply_->setDefault(true);
    apply_->setGeometry(70, 184, 85, 24);
    cancel_ = new QPushButton(QStringLiteral("Отмена"), this);
    cancel_->setObjectName(QStringLiteral("form4.cancel"));
    cancel_->setGeometry(165, 184, 85, 24);

    connect(groups_, &QComboBox::activated, this, [this](int index) {
        loadGroup(index + 1);
        scheme_.setSelectedGroup(index + 1);
    });
    connect(composite_, &QCheckBox::clicked, this,
            [this](bool checked) { scheme_.working(shownGroup()).composite = checked; });
    connect(vat_, &QLineEdit::textEdited, this, [this] { rateEdited(vat_, &CompositeEntry::vat); });
    connect(levy_, &QLineEdit::textEdited, this,
            [this] { rateEdited(levy_, &CompositeEntry::levy); });
    connect(apply_, &QPushButton::clicked, this, [this] {
        scheme_.apply(shownGroup());
        accept();
    });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        scheme_.cancel();
        reject();
    });
    new FontFit(*this); // larger with a font that needs more room
}

int TForm4::shownGroup() const {
    return groups_->currentIndex() + 1;
}

void TForm4::showEvent(QShowEvent* event) {
    groups_->setCurrentIndex(scheme_.selectedGroup() - 1);
    loadGroup(scheme_.selectedGroup());
    QDialog::showEvent(event);
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
    if (watched == groups_ && event->type() == QEvent::FocusIn) {
        storeShownGroup();
        scheme_.setSelectedGroup(shownGroup());
    }
    return QDialog::eventFilter(watched, event);
}

void TForm4::loadGroup(int group) {
    const CompositeEntry& entry = scheme_.working(group);
    vat_->setText(masked(entry.vat));
    levy_->setText(masked(entry.levy));
    composite_->setChecked(entry.composite);
}

void TForm4::storeShownGroup() {
    CompositeEntry& entry = scheme_.working(shownGroup());
    entry.vat = CompositeTaxScheme::storedRateText(vat_->displayText());
    entry.levy = CompositeTaxScheme::storedRateText(levy_->displayText());
    entry.composite = composite_->isChecked();
}

void TForm4::rateEdited(QLineEdit* edit, QString CompositeEntry::*field) {
    const QString text = CompositeTaxScheme::normalisedRateText(edit->displayText());
    const int cursor = edit->cursorPosition();
    edit->setText(masked(text));
    edit->setCursorPosition(cursor);
    scheme_.working(shownGroup()).*field = text;
}

} // namespace kasmon

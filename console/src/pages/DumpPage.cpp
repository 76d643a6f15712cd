#include "pages/DumpPage.h"

#include "Dialogs.h"
#include "DumpText.h"
#include "Unit1.h"
#include "pages/Widgets.h"

#include <kashost/Queries.h>

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

namespace kasmon {

DumpPage::DumpPage(TForm1& form, QWidget* parent) : Page(form, parent) {
    setObjectName(QStringLiteral("dump"));
    group_ = kit::group(this, QStringLiteral("dump.group"), QStringLiteral(" Дамп памяти: "),
                        QRect(2, 0, 503, 180));

    display_ = kit::memo(group_, QStringLiteral("dump.display"), QRect(8, 18, 294, 121));
    display_->setReadOnly(true);
    display_->setLineWrapMode(QPlainTextEdit::NoWrap);
    display_->setFont(displayFont());
    QPalette colours = display_->palette();
    colours.setColor(QPalette::Base, Qt::black);
    colours.setColor(QPalette::Text, Qt::white);
    display_->setPalette(colours);

    kit::label(group_, QStringLiteral("Страница:"), 316, 22, 90);
    page_ = kit::spin(group_, QStringLiteral("dump.page"), kit::editAt(410, 20, 80), 0, 255, 16);
    kit::label(group_, QStringLiteral("Адрес (HEX):"), 316, 48, 90);
    address_ = kit::edit(group_, QStringLiteral("dump.address"), kit::editAt(410, 46, 80), 4,
                         QStringLiteral("0000"));
    read_ = kit::button(group_, QStringLiteral("dump.read"), QStringLiteral("Прочитать"),
                        kit::buttonAt(316, 84, 174));
    save_ = kit::button(group_, QStringLiteral("dump.save"), QStringLiteral("Сохранить"),
                        kit::buttonAt(316, 114, 174));

    // Typed letters become capitals, the caret staying where it was.
    connect(address_, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString upper = text.toUpper();
        if (upper != text) {
            const int caret = address_->cursorPosition();
            address_->setText(upper);
            address_->setCursorPosition(caret);
        }
    });
    connect(read_, &QPushButton::clicked, this, &DumpPage::readClicked);
    connect(save_, &QPushButton::clicked, this, &DumpPage::saveClicked);
}

QString DumpPage::caption() const {
    return QStringLiteral(" Дамп ");
}

std::vector<ControlRow> DumpPage::controlRows() {
    const QString g = group_->title();
    std::vector<ControlRow> rows;
    rows.emplace_back(g, QStringLiteral("display"), display_, Enablement::on(), Enablement::off());
    rows.emplace_back(g, QStringLiteral("Страница:"), page_, Enablement::on(), Enablement::off());
    rows.emplace_back(g, QStringLiteral("Адрес (HEX):"), address_, Enablement::on(),
                      Enablement::off());
    rows.emplace_back(g, read_->text(), read_, Enablement::on(), Enablement::off());
    rows.emplace_back(g, save_->text(), save_, Enablement::on(), Enablement::off());
    return rows;
}

QFont DumpPage::displayFont() {
    QFont font;
    if (QFontDatabase::hasFamily(QStringLiteral("Terminal"))) {
        font.setFamily(QStringLiteral("Terminal"));
    } else {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        if (!QFontInfo(font).fixedPitch()) {
            // Qt does not take every monospaced font the platform offers for
            // fixed-pitch; one it does keeps the columns of the dump straight.
            if (const auto family = fixedPitchFamily()) {
                font = QFont(*family);
            }
        }
    }
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setBold(true);
    font.setPixelSize(16);
    return font;
}

std::optional<QString> DumpPage::fixedPitchFamily() {
    // One with Cyrillic letters first, as the window's other texts have them.
    for (const auto system : {QFontDatabase::Cyrillic, QFontDatabase::Latin}) {
        for (const QString& family : QFontDatabase::families(system)) {
            if (QFontDatabase::isFixedPitch(family) && !QFontDatabase::isPrivateFamily(family)) {
                return family;
            }
        }
    }
    return std::nullopt;
}

void DumpPage::show(const QStringList& lines) {
    lines_ = lines;
    display_->setPlainText(lines.join(QLatin1Char('\n')));
}

void DumpPage::readClicked() {
    const std::optional<std::uint16_t> address = dump::parseAddress(address_->text());
    if (!address) {
        error(QStringLiteral("Адрес задан неверно!"));
        return;
    }
    // Nothing read must not show, nor save, as memory: a failure empties the display.
    show({});
    const auto bytes = call(kashost::readMemory(*address, static_cast<std::uint8_t>(page_->value()),
                                                static_cast<std::uint8_t>(dump::kBlockBytes)));
    if (!bytes) {
        return;
    }
    show(dump::lines(bytes->data(), bytes->size()));
}

void DumpPage::saveClicked() {
    const QString chosen = Dialogs::current().saveFileName(
        {&form(), QString(), QDir::homePath(), QStringLiteral("Text files (*.txt)")});
    if (chosen.isEmpty()) {
        return;
    }
    if (!dump::save(dump::fileName(chosen), lines_)) {
        error(QStringLiteral("Невозможно создать файл!\r\nИмя файла задано неверно."));
    }
}

} // namespace kasmon

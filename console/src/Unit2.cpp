#include "Unit2.h"

#include "Dialogs.h"
#include "FontFit.h"
#include "InputParsing.h"
#include "pages/Widgets.h"

#include <QCloseEvent>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <utility>

namespace kasmon {

namespace {

QString named(const char* name) {
    return QStringLiteral("stress.") + QLatin1String(name);
}

QLabel* boldValue(QWidget* parent, const char* name, int x, int y) {
    QLabel* value = kit::label(parent, QStringLiteral("0"), x, y, 80);
    value->setObjectName(named(name));
    QFont font = value->font();
    font.setBold(true);
    value->setFont(font);
    return value;
}

QString fromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

TForm2::TForm2(LoopSeams seams, std::function<void()> reportDriverError, QWidget* parent)
    : QDialog(parent), reportDriverError_(std::move(reportDriverError)), run_(*this, seams) {
    setObjectName(QStringLiteral("stress"));
    setWindowTitle(QStringLiteral("Стресс-тест"));
    setFixedSize(360, 300);

    const QStringList note = {QStringLiteral("Для корректной работы стресс-теста"),
                              QStringLiteral("  должны быть запрограммированы "),
                              QStringLiteral("           все налоговые ставки.")};
    for (int i = 0; i < note.size(); ++i) {
        QLabel* line = kit::label(this, note.at(i), 40, 8 + i * kit::kLabelHeight, 300);
        QFont bold = line->font();
        bold.setBold(true);
        line->setFont(bold);
    }

    kit::label(this, QStringLiteral("Начать с товара под номером:"), 8, 72, 220);
    firstCode_ = kit::edit(this, named("firstCode"), kit::editAt(240, 70, 110));
    kit::label(this, QStringLiteral("Количество позиций в чеке:"), 8, 100, 220);
    positions_ = kit::spin(this, named("positions"), kit::editAt(240, 98, 60),
                           StressRun::kMinPositions, StressRun::kMaxPositions, 1);
    positions_->findChild<QLineEdit*>()->setMaxLength(3);

    // Captions up to kValueLeft, the values after them.
    constexpr int kValueLeft = 262;
    kit::label(this, QStringLiteral("Кол- во товаров в последнем чеке:"), 8, 132, 250);
    itemCount_ = boldValue(this, "itemCount", kValueLeft, 132);
    kit::label(this, QStringLiteral("Время печати последнего чека, мс: "), 8, 152, 250);
    printTime_ = boldValue(this, "printTime", kValueLeft, 152);
    kit::labelLines(this,
                    QStringLiteral("Общее время формирования \r\nи печати последнего чека, мс:"), 8,
                    172, 250);
    totalTime_ = boldValue(this, "totalTime", kValueLeft, 180);
    kit::label(this, QStringLiteral("Максимальное время печати чека, мс:"), 8, 210, 250);
    maximum_ = boldValue(this, "maximum", kValueLeft, 210);

    start_ =
        kit::button(this, named("start"), QStringLiteral("Запустить"), kit::buttonAt(8, 260, 108));
    stop_ = kit::button(this, named("stop"), QStringLiteral("Остановить"),
                        kit::buttonAt(126, 260, 108));
    exit_ = kit::button(this, named("exit"), QStringLiteral("Выход"), kit::buttonAt(244, 260, 108));
    stop_->setEnabled(false);
    start_->setAutoDefault(false);
    stop_->setAutoDefault(false);
    exit_->setAutoDefault(false);

    connect(start_, &QPushButton::clicked, this, &TForm2::start);
    connect(stop_, &QPushButton::clicked, this, &TForm2::stop);
    connect(exit_, &QPushButton::clicked, this, &TForm2::exit);
    new FontFit(*this); // larger with a font that needs more room
}

void TForm2::setRunning(bool running) {
    start_->setEnabled(!running);
    exit_->setEnabled(!running);
    stop_->setEnabled(running);
}

void TForm2::start() {
    setRunning(true);
    std::int64_t first = 1;
    if (const QString text = firstCode_->text(); !text.isEmpty()) {
        // Refused before anything is printed or logged.
        const auto code = parseInteger<std::int64_t>(text);
        if (!code) {
            showIdle();
            Dialogs::error(this, QStringLiteral("\"%1\" не является целым числом!").arg(text));
            return;
        }
        first = *code;
    }
    run_.run(first, positions_->value());
}

void TForm2::stop() {
    showIdle();
    run_.stop();
}

void TForm2::exit() {
    emit exitPressed();
    done(QDialog::Rejected);
}

void TForm2::reject() {
    if (!run_.running()) {
        QDialog::reject();
    }
}

void TForm2::closeEvent(QCloseEvent* event) {
    if (run_.running()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TForm2::showItemCount(int positions) {
    itemCount_->setText(QString::number(positions));
}

void TForm2::showTimes(std::uint32_t printMs, std::uint32_t totalMs, std::uint32_t maximumMs) {
    printTime_->setText(QString::number(printMs));
    totalTime_->setText(QString::number(totalMs));
    maximum_->setText(QString::number(maximumMs));
}

void TForm2::refresh() {
    repaint();
}

void TForm2::showIdle() {
    setRunning(false);
}

void TForm2::reportLogNotCreated(const std::string& path) {
    Dialogs::error(this, QStringLiteral("Программе не удается создать файл отчета!\r\n") +
                             fromPath(path));
}

void TForm2::reportLogNotWritten(const std::string& path) {
    Dialogs::error(this, QStringLiteral("Программе не удается записать строку в файл отчета!\r\n") +
                             fromPath(path));
}

void TForm2::reportBadPositions() {
    Dialogs::error(
        this,
        QStringLiteral("Количество позиций в чеке\r\nвыходит за пределы допустимых значений!"));
}

void TForm2::reportDriverFailure() {
    reportDriverError_();
}

} // namespace kasmon

#include "pages/programming/MessageLinesGroup.h"

#include "DriverText.h"
#include "pages/Widgets.h"
#include "programming/ProgrammingRules.h"

#include <kasdrv.h>

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kasmon {

namespace {

// Lines 0-2 are "Начальное:", 3-5 "Конечное:".
struct LineKind {
    const char* edit;
    const char* button;
    std::int16_t(KASDRV_CALL* write)(const char*, FPBOOL, FPBOOL);
    const char* written;
};

const LineKind kLines[6] = {
    {"initialLine1", "writeInitialLine1", FPSetInitialFirstLine,
     "1-я строка начального сообщения чека установлена."},
    {"initialLine2", "writeInitialLine2", FPSetInitialSecondLine,
     "2-я строка начального сообщения чека установлена."},
    {"initialLine3", "writeInitialLine3", FPSetInitialEndLine,
     "3-я строка начального сообщения чека установлена."},
    {"finalLine1", "writeFinalLine1", FPSetFinalFirstLine,
     "1-я строка конечного сообщения чека установлена."},
    {"finalLine2", "writeFinalLine2", FPSetFinalSecondLine,
     "2-я строка конечного сообщения чека установлена."},
    {"finalLine3", "writeFinalLine3", FPSetFinalEndLine,
     "3-я строка конечного сообщения чека установлена."},
};

constexpr int kLineLength = 36;
constexpr int kWriteWidth = 24;

} // namespace

MessageLinesGroup::MessageLinesGroup(ProgrammingPage& page)
    : ProgrammingGroup(page, "messageGroup",
                       QStringLiteral(" Начальное и конечное сообщения в чеке: ")) {
    // The three lines of each message side by side, a "W" beside each line;
    // the two attributes shared by the six lines below them.
    QGroupBox* g = box();
    QGridLayout* grid = kit::grid(g);
    grid->setVerticalSpacing(1);
    grid->addWidget(kit::label(g, QStringLiteral("Начальное:"), 0, 0), 0, 0, 1, 2);
    grid->addWidget(kit::label(g, QStringLiteral("Конечное:"), 0, 0), 0, 2, 1, 2);
    for (int i = 0; i < 6; ++i) {
        lines_[i] = kit::edit(g, named(kLines[i].edit), {}, kLineLength);
        writes_[i] = kit::button(g, named(kLines[i].button), QStringLiteral("W"), {});
        // A small square beside its line, not a button of the usual width.
        writes_[i]->setFixedWidth(kWriteWidth);
        grid->addWidget(lines_[i], 1 + i % 3, i / 3 * 2);
        grid->addWidget(writes_[i], 1 + i % 3, i / 3 * 2 + 1);
        connect(writes_[i], &QPushButton::clicked, this, [this, i] { write(i); });
    }
    doubleWidth_ = kit::check(g, named("messageDoubleWidth"), QStringLiteral("Двойная ширина"), {});
    doubleHeight_ =
        kit::check(g, named("messageDoubleHeight"), QStringLiteral("Двойная высота"), {});
    grid->addLayout(kit::row({doubleWidth_, doubleHeight_}), 4, 0, 1, 4);
    grid->setRowStretch(5, 1);
}

void MessageLinesGroup::write(int line) {
    const bool paperSensors = state().PaperSensors != 0;
    QString text = lines_[line]->text();
    const int limit = doubleWidthLimit(paperSensors);
    if (doubleWidth_->isChecked() && text.size() > limit) {
        const CutQuestion asked = cutQuestion(paperSensors, line == 1);
        if (!question(asked.title, asked.text)) {
            return;
        }
        text.truncate(limit);
    }
    if (!call(kLines[line].write(toDriverText(text).constData(), flag(doubleWidth_->isChecked()),
                                 flag(doubleHeight_->isChecked())))) {
        return;
    }
    information(QStringLiteral("Информация"), QString::fromUtf8(kLines[line].written));
}

std::vector<ControlRow> MessageLinesGroup::controlRows() {
    const QString group = box()->title();
    std::vector<ControlRow> rows;
    for (int i = 0; i < 6; ++i) {
        const QString caption =
            (i < 3 ? QStringLiteral("Начальное: ") : QStringLiteral("Конечное: ")) +
            QString::number(i % 3 + 1);
        rows.push_back({group, caption, lines_[i], Enablement::on(), Enablement::off()});
        rows.push_back({group, caption + QStringLiteral(" W"), writes_[i], Enablement::on(),
                        Enablement::off()});
    }
    rows.push_back(
        {group, doubleWidth_->text(), doubleWidth_, Enablement::on(), Enablement::off()});
    rows.push_back(
        {group, doubleHeight_->text(), doubleHeight_, Enablement::on(), Enablement::off()});
    return rows;
}

} // namespace kasmon

#include "pages/programming/MessageLinesGroup.h"

#include "DriverText.h"
#include "pages/Widgets.h"
#include "programming/ProgrammingRules.h"

#include <kasdrv.h>

#include <QCheckBox>
#include <QGroupBox>
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

} // namespace

MessageLinesGroup::MessageLinesGroup(ProgrammingPage& page, const QRect& place)
    : ProgrammingGroup(page, "messageGroup",
                       QStringLiteral(" Начальное и конечное сообщения в чеке: "), place) {
    QGroupBox* g = box();
    kit::label(g, QStringLiteral("Начальное:"), 8, 16);
    kit::label(g, QStringLiteral("Конечное:"), 8, 100);
    for (int i = 0; i < 6; ++i) {
        const int y = 34 + (i % 3) * 22 + (i / 3) * 84;
        lines_[i] = kit::edit(g, named(kLines[i].edit), kit::editAt(8, y, 270), kLineLength);
        writes_[i] = kit::button(g, named(kLines[i].button), QStringLiteral("W"),
                                 kit::buttonAt(284, y - 1, 36));
        connect(writes_[i], &QPushButton::clicked, this, [this, i] { write(i); });
    }
    doubleWidth_ = kit::check(g, named("messageDoubleWidth"), QStringLiteral("Двойная ширина"),
                              {8, 178, 140, 17});
    doubleHeight_ = kit::check(g, named("messageDoubleHeight"), QStringLiteral("Двойная высота"),
                               {160, 178, 140, 17});
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

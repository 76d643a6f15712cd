// The rules of the programming page that need no widget: the characters a
// fiscal or tax number may hold, the line widths per register model, and the
// texts that depend on them.
#pragma once

#include <QString>

namespace kasmon {

// Digits, Latin letters, the Cyrillic letters А-я and Ё ё Є є Ї ї І і.
bool isNumberCharacter(QChar c);
// The index of the first character a number may not hold, or -1.
qsizetype firstRefusedNumberCharacter(const QString& text);

// The widest line in double width: 20 characters on an RX-410F (the model
// with paper sensors), 19 on the RX-520L.
int doubleWidthLimit(bool paperSensors);

// The question asked before a receipt header or trailer line too long for
// double width is cut; `initialSecond` is the second "Начальное:" line.
struct CutQuestion {
    QString title;
    QString text;
};
CutQuestion cutQuestion(bool paperSensors, bool initialSecond);

// The taxpayer header lines (" Шапка чека: "): 24 characters, or the
// double-width limit, and the caption that says so.
int headLineLimit(bool doubleWidth, bool paperSensors);
QString headLineCaption(int line, int limit); // "Строка №1 (0..24 символов)"

// The error shown when a tax or identification number holds a refused character.
QString taxNumberRefusal(bool identificationNumber);
QString fiscalNumberRefusal();

// The message after the taxpayer attributes are written; the middle line
// follows a fiscalization.
QString taxpayerWrittenMessage(bool justFiscalized);

} // namespace kasmon

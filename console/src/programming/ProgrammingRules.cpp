#include "programming/ProgrammingRules.h"

namespace kasmon {

namespace {
constexpr int kPlainHeadLine = 24;
QString blanks(int n) {
    return QString(n, QLatin1Char(' '));
}
} // namespace

bool isNumberCharacter(QChar c) {
    const char16_t u = c.unicode();
    if ((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z')) {
        return true;
    }
    if (u >= u'А' && u <= u'я') {
        return true;
    }
    switch (u) {
    case u'Ё':
    case u'ё':
    case u'Є':
    case u'є':
    case u'Ї':
    case u'ї':
    case u'І':
    case u'і':
        return true;
    default:
        return false;
    }
}

qsizetype firstRefusedNumberCharacter(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isNumberCharacter(text.at(i))) {
            return i;
        }
    }
    return -1;
}

int doubleWidthLimit(bool paperSensors) {
    return paperSensors ? 20 : 19;
}

CutQuestion cutQuestion(bool paperSensors, bool initialSecond) {
    const int limit = doubleWidthLimit(paperSensors);
    return {paperSensors && initialSecond ? QStringLiteral("Что будем делать?!")
                                          : QStringLiteral("Что будем делать?"),
            QStringLiteral("В режиме двойной ширины строка не может превышать %1 символов.\r\n"
                           "Обрезать строку?")
                .arg(limit)};
}

int headLineLimit(bool doubleWidth, bool paperSensors) {
    return doubleWidth ? doubleWidthLimit(paperSensors) : kPlainHeadLine;
}

QString headLineCaption(int line, int limit) {
    return QStringLiteral("Строка №%1 (0..%2 символов)").arg(line).arg(limit);
}

QString taxNumberRefusal(bool identificationNumber) {
    return identificationNumber
               ? QStringLiteral("Идентификационный номер задан неверно!\r\n"
                                "Идентификационный номер может состоять только из цифр и (или) "
                                "букв!")
               : QStringLiteral("Налоговый номер задан неверно!\r\n"
                                "Налоговый номер может состоять только из цифр и (или) букв!");
}

QString fiscalNumberRefusal() {
    return QStringLiteral("Фискальный номер задан неверно!\r\n"
                          "Фискальный номер может состоять только из цифр и (или) букв!");
}

QString taxpayerWrittenMessage(bool justFiscalized) {
    QString text = blanks(25) + QStringLiteral("Атрибуты налогоплательщика установлены!\r\n");
    if (justFiscalized) {
        text += blanks(31) + QStringLiteral("ФИСКАЛИЗАЦИЯ УСПЕШНО ЗАВЕРШЕНА!\r\n");
    }
    return text + QStringLiteral("Теперь укажите тип налога и введите значения ставок налоговых "
                                 "групп.");
}

} // namespace kasmon

#include "reports/Reports.h"

#include "RegisterTexts.h"

namespace kasmon::reports {

namespace {

using kashost::FiscalCommand;
using kashost::FiscalVerdict;

const QString kEnd = QStringLiteral("\r\n");

enum class Gender { Masculine, Feminine, Neuter };

// What the user pressed, as the sentences name it.
struct Noun {
    QString text;
    Gender gender;
};

Noun nounOf(const FiscalVerdict& v) {
    // A line at a negated price is what "Отмена поз." sends.
    const bool cancellation = v.request.price < 0;
    switch (v.command) {
    case FiscalCommand::SaleLine:
        return cancellation ? Noun{QStringLiteral("Отмена позиции"), Gender::Feminine}
                            : Noun{QStringLiteral("Продажа"), Gender::Feminine};
    case FiscalCommand::PayoutLine:
        return cancellation ? Noun{QStringLiteral("Отмена позиции"), Gender::Feminine}
                            : Noun{QStringLiteral("Возврат"), Gender::Masculine};
    case FiscalCommand::Payment:
        return {QStringLiteral("Оплата"), Gender::Feminine};
    case FiscalCommand::CashIn:
        return {QStringLiteral("Внесение"), Gender::Neuter};
    case FiscalCommand::CashOut:
        return {QStringLiteral("Изъятие"), Gender::Neuter};
    case FiscalCommand::ZeroReceipt:
        return {QStringLiteral("Нулевой чек"), Gender::Masculine};
    case FiscalCommand::Annulment:
        return {QStringLiteral("Отмена чека"), Gender::Feminine};
    case FiscalCommand::ZReport:
        return {QStringLiteral("Z-отчет"), Gender::Masculine};
    }
    return {QStringLiteral("Операция"), Gender::Feminine};
}

// "выполнен", "выполнена", "выполнено".
QString done(Gender g) {
    switch (g) {
    case Gender::Masculine:
        return QStringLiteral("выполнен");
    case Gender::Feminine:
        return QStringLiteral("выполнена");
    case Gender::Neuter:
        return QStringLiteral("выполнено");
    }
    return QStringLiteral("выполнена");
}

QString pronoun(Gender g) {
    return g == Gender::Feminine ? QStringLiteral("её") : QStringLiteral("его");
}

// The noun's form after a count: 1 отмена, 2 отмены, 5 отмен, 11 отмен, 21 отмена.
QString counted(int n, const QString& one, const QString& few, const QString& many) {
    const int tens = n % 100;
    const int units = n % 10;
    const QString& form = (tens >= 11 && tens <= 14)   ? many
                          : units == 1                 ? one
                          : (units >= 2 && units <= 4) ? few
                                                       : many;
    return QString::number(n) + QLatin1Char(' ') + form;
}

QString formName(std::uint8_t form) {
    return form < reg::kPaymentFormsRu.size() ? factText(reg::kPaymentFormsRu[form])
                                              : QString::number(form);
}

// What settles a command carried out `n` times (n >= 1), or nothing.
QString settlement(const FiscalVerdict& v, int n, const LocaleFormat& locale) {
    switch (v.command) {
    case FiscalCommand::SaleLine:
    case FiscalCommand::PayoutLine:
        if (v.cancellations > 0) {
            return QStringLiteral("Для исправления: ") +
                   counted(v.cancellations, QStringLiteral("отмена"), QStringLiteral("отмены"),
                           QStringLiteral("отмен")) +
                   QStringLiteral(" позиции по цене ") + locale.formatMoney(v.cancelPrice);
        }
        break;
    case FiscalCommand::Payment:
        if (v.receiptClosed) {
            return QStringLiteral("Чек закрыт.");
        }
        if (n > 1) {
            return QStringLiteral("В чеке ") +
                   counted(n, QStringLiteral("оплата"), QStringLiteral("оплаты"),
                           QStringLiteral("оплат")) +
                   QStringLiteral(" по ") + locale.formatMoney(v.request.amount) +
                   QStringLiteral(" в форме \"") + formName(v.request.form) +
                   QStringLiteral("\"; если это не нужно, аннулируйте чек.");
        }
        break;
    case FiscalCommand::CashIn:
    case FiscalCommand::CashOut:
        if (v.cashCorrection > 0) {
            return QStringLiteral("Для исправления: служебное изъятие ") +
                   locale.formatMoney(v.cashCorrection);
        }
        if (v.cashCorrection < 0) {
            return QStringLiteral("Для исправления: служебное внесение ") +
                   locale.formatMoney(-v.cashCorrection);
        }
        break;
    case FiscalCommand::ZeroReceipt:
        if (n > 1) {
            return QStringLiteral("Лишние нулевые чеки не содержат сумм, исправлять нечего.");
        }
        break;
    case FiscalCommand::ZReport:
        if (n > 1) {
            return QStringLiteral("Лишние Z-отчеты не содержат сумм, исправлять нечего.");
        }
        break;
    case FiscalCommand::Annulment:
        break;
    }
    return {};
}

} // namespace

QString fiscalVerdictReport(const FiscalVerdict& v, const LocaleFormat& locale) {
    const bool once = v.answered && v.times == 1;
    // A command not sent (the state before it could not be read) is worth saying
    // it can be repeated: the driver's text is about the read.
    const bool refused = !v.answered && !v.inDoubt && v.sent && v.times == 0;
    if (once || refused) {
        return {};
    }
    const Noun noun = nounOf(v);
    const bool report = v.command == FiscalCommand::ZReport;
    if (!v.times) {
        if (v.answered) {
            return noun.text + QLatin1Char(' ') + done(noun.gender) +
                   QStringLiteral(", но сколько раз — неизвестно: проверьте ") +
                   (report ? QStringLiteral("ленту") : QStringLiteral("чек")) +
                   QStringLiteral(", прежде чем продолжать.");
        }
        return report ? QStringLiteral("Неизвестно, выполнен ли Z-отчет: проверьте ленту, "
                                       "прежде чем повторять.")
                      : QStringLiteral("Неизвестно, выполнена ли операция: проверьте чек, "
                                       "прежде чем повторять.");
    }
    const int n = *v.times;
    if (n <= 0) {
        QString text = noun.text + QStringLiteral(" не ") + done(noun.gender) +
                       QStringLiteral(", ") + pronoun(noun.gender) +
                       QStringLiteral(" можно повторить.");
        if (v.command == FiscalCommand::ZeroReceipt && v.receiptOpen) {
            text += kEnd + QStringLiteral("Открыт чек: аннулируйте его, прежде чем повторять "
                                          "нулевой чек.");
        }
        return text;
    }
    QString text = noun.text + QLatin1Char(' ') + done(noun.gender) + QLatin1Char(' ') +
                   counted(n, QStringLiteral("раз"), QStringLiteral("раза"), QStringLiteral("раз"));
    if (v.answered) {
        text += QLatin1Char('.');
    } else if (n == 1) {
        text += QStringLiteral(", ответ не получен: не повторяйте ") + pronoun(noun.gender) +
                QLatin1Char('.');
    } else {
        text += QStringLiteral(", ответ не получен.");
    }
    const QString settle = settlement(v, n, locale);
    return settle.isEmpty() ? text : text + kEnd + settle;
}

} // namespace kasmon::reports

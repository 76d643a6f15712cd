#include "PrinterError.h"

#include "DriverSession.h"
#include "kasdrv.h"

#include <array>
#include <string>
#include <string_view>

namespace kasdrv {

namespace {

constexpr std::array<std::string_view, 8> kStatusBitTexts = {
    "Принтер не готов",
    "", // paper: chosen from the sensors
    "Переполнение фискальной памяти",
    "Неправильная дата или ошибка часов",
    "Ошибка индикатора",
    "Превышение продолжительности смены",
    "Снижение рабочего напряжения питания",
    "Функция не существует или запрещена в данном режиме",
};

std::string_view ResultText(uint8_t code, bool serviceReportOpen) {
    switch (code) {
    case 1: return "Ошибка принтера";
    case 4: return "Сбой фискальной памяти";
    case 6: return "Снижение рабочего напряжения питания";
    case 8: return "Фискальная память переполнена";
    case 16: return "Команда запрещена в данном режиме";
    case 19: return "Ошибка программирования логотипа";
    case 20: return "Недопустимая длина строки";
    case 21: return "Неверный пароль";
    case 22: return "Несуществующий номер (пароля, строки)";
    case 23: return "Налоговая группа не существует или не установлена, налоги не вводились";
    case 24: return "Тип оплат не существует";
    case 25: return "Недопустимые коды символов";
    case 26: return "Превышение количества налогов";
    case 27: return "Отрицательная продажа больше суммы предыдущих продаж чека";
    case 28: return "Ошибка в описании артикула (название или налоговая группа)";
    case 30: return "Ошибка формата даты/времени";
    case 31: return "Превышение количества регистраций в чеке";
    case 32: return "Превышение разрядности вычисленной стоимости";
    case 33: return "Переполнение регистра дневного оборота";
    case 34: return "Переполнение регистра оплат";
    case 35: return "Попытка выдачи большей суммы наличных, чем в денежном ящике";
    case 36: return "Устанавливаемая дата предшествует дате последнего Z-отчета";
    case 37: return "Открыт чек выплат, продажи запрещены";
    case 38: return "Открыт чек продаж, выплаты запрещены";
    case 39:
        return serviceReportOpen ? "Команда запрещена, открыт служебный отчёт"
                                 : "Команда запрещена, чек не открыт";
    case 41: return "Команда запрещена до Z-отчета";
    case 42: return "Команда запрещена, не было чеков";
    case 43: return "Сдача с этой формы оплаты запрещена";
    case 44:
        return serviceReportOpen ? "Команда запрещена, открыт служебный отчёт"
                                 : "Команда запрещена, чек открыт";
    case 45: return "Не было продаж/выплат, скидка невозможна";
    case 46: return "Команда запрещена после начала оплат";
    default: return "";
    }
}

struct PaperTexts {
    std::string_view unknown;
    std::string_view both;
    std::string_view control;
    std::string_view receipt;
};

constexpr PaperTexts kPaperStatusTexts = {"Нет бумаги", "Нет контрольной и чековой лент",
                                          "Нет контрольной ленты", "Нет чековой ленты"};
constexpr PaperTexts kPaperResultTexts = {"Закончилаь бумага",
                                          "Закончилась контрольная и чековая ленты",
                                          "Закончилась контрольная лента",
                                          "Закончилась чековая лента"};

// Asks the register which tape is out; runs a transaction of its own.
std::string_view PaperText(const PaperTexts& texts) {
    FPBOOL unknown = 0;
    FPBOOL controlLow = 0;
    FPBOOL receiptLow = 0;
    FPBOOL controlOut = 0;
    FPBOOL receiptOut = 0;
    if (FPGetPaperState(&unknown, &controlLow, &receiptLow, &controlOut, &receiptOut) == 0 ||
        unknown != 0) {
        return texts.unknown;
    }
    if (controlOut != 0 && receiptOut != 0) {
        return texts.both;
    }
    if (controlOut != 0) {
        return texts.control;
    }
    if (receiptOut != 0) {
        return texts.receipt;
    }
    return "";
}

std::string_view Trailer(const DriverSession& s) {
    std::string_view trailer;
    if (s.Emergency) {
        trailer = "\r\nАВАРИЯ! Команда завершится после устранения ошибки.";
    }
    if (!s.CommandExecuted) {
        trailer = "\r\nКоманда не была выполнена.";
    }
    if (s.ClockError) {
        trailer = "\r\nОшибка часов.";
    }
    if (s.ShiftOver24h) {
        trailer = "\r\nПродолжительность смены больше 24 часов.";
    }
    return trailer;
}

} // namespace

bool DecodeStatus(uint8_t statusByte, uint8_t resultByte) {
    DriverSession& s = Session();
    if (statusByte == 0 && resultByte == 0) {
        return true;
    }
    // Chosen before the paper query replaces the answer's flags.
    const std::string trailer(Trailer(s));
    const bool serviceReportOpen = s.ServiceReportOpen;
    std::string main;
    if (statusByte != 0) {
        for (unsigned bit = 0; bit < 8; ++bit) {
            if ((statusByte & (1u << bit)) == 0) {
                continue;
            }
            if (!main.empty()) {
                main += "\r\n";
            }
            main += bit == 1 ? PaperText(kPaperStatusTexts) : kStatusBitTexts[bit];
        }
    } else {
        main = resultByte == 2 ? PaperText(kPaperResultTexts)
                               : ResultText(resultByte, serviceReportOpen);
    }
    s.LastStatusByte = statusByte;
    s.LastResultByte = resultByte;
    SetErrorText(trailer + "\r\n" + main);
    return false;
}

} // namespace kasdrv

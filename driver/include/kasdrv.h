/*
 * kasdrv — driver for the RX-410F and RX-520L fiscal cash registers.
 *
 * One loaded driver serves one register on one serial port and one caller at
 * a time: all state lives in the library, there are no handles.
 *
 * Conventions shared by every function below
 * ------------------------------------------
 * - Result: every function but FPErrorMessage returns int16_t, -1 (all bits
 *   set) on success and 0 on failure. Callers should test the low 16 bits.
 * - After a failure, FPErrorMessage() gives the reason as a Windows-1251 text
 *   and FPCodeError() the register's result, status and extended status
 *   bytes. The text is emptied by the next command sent, so fetch it first.
 * - FPBOOL outputs are -1 for true and 0 for false; on input any non-zero
 *   value counts as true.
 * - Texts in are NUL-terminated Windows-1251; NULL counts as an empty text.
 * - Output pointers that are NULL are not written; the function still runs.
 * - Dates and times are doubles: days since 1899-12-30, the fraction being
 *   the time of day (0.5 = 12:00).
 * - Money is in kopecks (hundredths of a hryvnia).
 * - Errors the register reports are decoded into fixed Russian texts. A
 *   status byte of exactly 0x20 ("shift longer than 24 hours") still counts as
 *   success for most commands: the function returns -1 and the text is set.
 *
 * Ports
 * -----
 * FPInit(n, ...) opens port n (1 = the first). On POSIX it opens what the
 * link `comN` names in $KASDRV_DEVICES (or $HOME/.kasdrv/dosdevices when that
 * variable is unset), else /dev/ttyS<N-1>. On Windows it opens \\.\COMn.
 */
#ifndef KASDRV_H
#define KASDRV_H

#include <stdint.h>

#if defined(_WIN32)
#if defined(__i386__) || defined(_M_IX86)
#define KASDRV_CALL __stdcall
#else
#define KASDRV_CALL
#endif
#if defined(KASDRV_BUILDING)
#define KASDRV_API __declspec(dllexport)
#else
#define KASDRV_API __declspec(dllimport)
#endif
#else
#define KASDRV_CALL
#if defined(KASDRV_BUILDING)
#define KASDRV_API __attribute__((visibility("default")))
#else
#define KASDRV_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** Truth value: -1 true, 0 false; any non-zero input counts as true. */
typedef int16_t FPBOOL;

/** Payment forms (paymentForm of FPPayment; the order of the day's sums by form). */
#define FP_PAYMENT_CARD 0
#define FP_PAYMENT_CREDIT 1
#define FP_PAYMENT_CHEQUE 2
#define FP_PAYMENT_CASH 3

/** Discount and mark-up types (`type` of FPDiscount). */
#define FP_DISCOUNT_PERCENT_LAST_LINE 0
#define FP_DISCOUNT_AMOUNT_LAST_LINE 1
#define FP_DISCOUNT_PERCENT_SUBTOTAL 2
#define FP_DISCOUNT_AMOUNT_SUBTOTAL 3

/**
 * The sale flags byte of FPSale and FPPayMoney: the quantity's decimals (0-3)
 * in the low bits, and FP_SALE_UNIT_QUANTITY for a line that costs its price.
 */
#define FP_SALE_DECIMALS_MASK 0x03
#define FP_SALE_UNIT_QUANTITY 0x80

/** Tax groups А-Е (taxGroup of FPSale, FPPayMoney, FPSetArticle). */
#define FP_TAX_GROUP_A 0
#define FP_TAX_GROUP_B 1
#define FP_TAX_GROUP_V 2
#define FP_TAX_GROUP_G 3
#define FP_TAX_GROUP_D 4
#define FP_TAX_GROUP_E 5

/**
 * One tax group's rate record: the rate and the levy (a second charge on
 * top of the tax, the composite tax) in hundredths of a percent (1500 =
 * 15.00 %). hasLevy is -1 when the group carries a levy; it is only read
 * back, never sent. 12 bytes: fields at offsets 0, 4 and 8.
 */
typedef struct FPTaxRate {
    FPBOOL hasLevy;
    int32_t rate;
    int32_t levyRate;
} FPTaxRate;

/**
 * A logo image as loaded from a .bmp file: its width in dots, its height in
 * rows and the complete file image (file header, info header, palette and
 * the pixel rows, bottom row first, one bit a dot, each row padded to 4
 * bytes). The caller owns it.
 */
typedef struct FPBitmap {
    int32_t width;
    int32_t height;
    const uint8_t* image;
    uint32_t imageSize;
} FPBitmap;

/* ------------------------------------------------------------------------ */
/* Port and last error                                                      */
/* ------------------------------------------------------------------------ */

/**
 * Opens serial port `port` (1 = the first; no command is sent) at `baud` bits per second, 8 data
 * bits, no parity, one stop bit, no flow control. A port already open is
 * closed first. A one-byte read waits at most readTimeoutS seconds (plus
 * 19200/baud ms); a write at most writeTimeoutS seconds (plus 19200/baud ms
 * per byte). Does not talk to the register and does not touch the last
 * error text. Returns -1 when the port is open and configured, 0 otherwise.
 */
KASDRV_API int16_t KASDRV_CALL FPInit(uint8_t port, uint32_t baud, uint8_t readTimeoutS,
                                      uint8_t writeTimeoutS);

/** Closes the port (no command). -1 when a port was closed, 0 when none was open. */
KASDRV_API int16_t KASDRV_CALL FPClose(void);

/**
 * The last error text (Windows-1251; no command), or "" when there is none. Owned by the
 * driver and valid until the next call into the driver.
 */
KASDRV_API const char* KASDRV_CALL FPErrorMessage(void);

/**
 * Writes (no command sent) the result byte and status byte of the last command the register
 * refused (both 0 after a successful command) and the extended status byte of
 * the last answer. Always returns -1.
 */
KASDRV_API int16_t KASDRV_CALL FPCodeError(uint8_t* resultByte, uint8_t* statusByte,
                                           uint8_t* extStatusByte);

/* ------------------------------------------------------------------------ */
/* Status, date and time                                                    */
/* ------------------------------------------------------------------------ */

/**
 * Reads the register's mode flags and identity (command 0x00). The register's
 * status and result bytes are not judged: any valid answer succeeds.
 *
 * Flags: payment stage started, cash drawer closed, open receipt is a payout
 * receipt, VAT added on top, shift open, receipt open, sums on the customer
 * display forbidden, tax rates changed, service report open, fiscal mode,
 * last command ended abnormally, on-line mode, service report on the control
 * tape allowed.
 *
 * Texts: serial number and production date (19 characters), fiscal number
 * (10), three header lines, tax number, firmware version (5). Each text is
 * handed out in a fresh 256-byte block the caller owns and releases (free()
 * on POSIX, LocalFree() on Windows); a header line or tax number of length 0
 * gives NULL. Registration date and time come from the register when it is
 * fiscalized, else 1 January 2003 00:00:00.
 *
 * Fails with "Ответная посылка не соответствует формату данных!" when the
 * reply is shorter than its layout; nothing is handed out then.
 */
KASDRV_API int16_t KASDRV_CALL FPGetStatus(
    FPBOOL* paymentStarted, FPBOOL* drawerClosed, FPBOOL* payoutReceipt, FPBOOL* vatAdded,
    FPBOOL* shiftOpen, FPBOOL* receiptOpen, FPBOOL* displaySumsForbidden, FPBOOL* taxRatesChanged,
    FPBOOL* serviceReportOpen, FPBOOL* fiscalMode, FPBOOL* lastCommandAbnormal, FPBOOL* onlineMode,
    FPBOOL* serviceReportOnControlTape, char** serialAndDate, char** fiscalNumber, char** header1,
    char** header2, char** header3, char** taxNumber, char** firmware, double* registrationDate,
    double* registrationTime);

/**
 * Reads the register's date (command 0x01). Two-digit years are widened by a
 * window of 50 years around the current year. Fails with the reply-format
 * text when the bytes are not a calendar date.
 */
KASDRV_API int16_t KASDRV_CALL FPGetDate(double* date);

/**
 * Sets the register's date (command 0x02) to the calendar day of `date`.
 * "Ошибка формата даты!" when the value is not a date; nothing is sent then.
 */
KASDRV_API int16_t KASDRV_CALL FPSetDate(double date);

/** Reads the register's time of day (command 0x03) as a fraction of a day. */
KASDRV_API int16_t KASDRV_CALL FPGetTime(double* time);

/**
 * Sets the register's clock (command 0x04) to the time of day of `time`.
 * "Ошибка в формате времени!" when the value is not a time; nothing is sent.
 */
KASDRV_API int16_t KASDRV_CALL FPSetTime(double time);

/* ------------------------------------------------------------------------ */
/* Receipts, cashiers and cash                                              */
/* ------------------------------------------------------------------------ */
/*
 * Money is in kopecks. Prices, line costs and discount results travel as
 * 4-byte sign and magnitude (-1234 is D2 04 00 80); receipt totals as
 * unsigned 4-byte numbers. Tax groups 0-5 stand for А, Б, В, Г, Д, Е;
 * payment forms 0-3 for card, credit, cheque, cash.
 */

/**
 * Changes operator `operatorNo`'s password (command 0x05): 0-7 are the
 * cashiers, 8 the programming and 9 the report password. The register
 * accepts it only with the right old password. `name` (at most 15
 * characters; NULL = none) goes with it.
 *
 * Errors: "Недопустимый номер оператора (кассира)!" for a number above 9,
 * "Имя кассира превышает 15 символов!" for a longer name; nothing is sent.
 */
KASDRV_API int16_t KASDRV_CALL FPSetPassword(uint16_t oldPassword, uint16_t newPassword,
                                             uint8_t operatorNo, const char* name);

/**
 * Registers cashier `cashierNo` (0-9) on duty with his password (command
 * 0x06), under `name` (at most 15 characters) or, with useStoredName set,
 * under the name the register keeps for him.
 *
 * Errors: "Неверный номер кассира!" for a number above 9, "Имя кассира
 * превышает 15 символов!" for a longer name (checked even when the stored
 * name is used); nothing is sent.
 */
KASDRV_API int16_t KASDRV_CALL FPSetCashier(uint8_t cashierNo, const char* name, uint16_t password,
                                            FPBOOL useStoredName);

/**
 * Puts a sale line on the receipt (command 0x12), opening a sales receipt
 * when none is open. A negative price is a cancellation within the receipt.
 *
 * - quantity: 0-16777215, with saleFlags bits 0-1 giving its decimal places
 *   (15 with one place is 1.5) and bit 7 the unit quantity; pass bit 6 clear.
 * - price: kopecks, negative to cancel. taxGroup: 0-5.
 * - nameFromRegister: the register takes the name from its article table;
 *   `name` and printBarcode are then ignored.
 * - name: at most 50 characters. printBarcode: the article's bar code is
 *   printed when articleCode, as 13 digits, carries a correct EAN-13 check
 *   digit; otherwise the flag has no effect.
 * - articleCode: 0 to 2^48 - 1.
 *
 * Outputs: lineCost (the line's signed cost) and receiptTotal (the receipt
 * so far). Both are set to 0 first, so any failure leaves them 0.
 *
 * Errors, nothing sent: "Недопустимое количество!" (negative),
 * "Передаваемое количество больше допустимого!", "Недопустимая цена!"
 * (INT32_MIN), "Несуществующая налоговая группа", "Недопустимый код
 * артикула!", "Название товара превышает 50 символов!". After sending, any
 * error the register reports fails the call, status 0x20 included.
 */
KASDRV_API int16_t KASDRV_CALL FPSale(int64_t* lineCost, int64_t* receiptTotal, int32_t quantity,
                                      uint8_t saleFlags, int32_t price, uint8_t taxGroup,
                                      FPBOOL nameFromRegister, FPBOOL printBarcode,
                                      const char* name, int64_t articleCode);

/**
 * Puts a payout line on the receipt (command 0x08), opening a payout receipt
 * when none is open. Arguments, outputs and errors as FPSale.
 */
KASDRV_API int16_t KASDRV_CALL FPPayMoney(int64_t* lineCost, int64_t* receiptTotal,
                                          int32_t quantity, uint8_t saleFlags, int32_t price,
                                          uint8_t taxGroup, FPBOOL nameFromRegister,
                                          FPBOOL printBarcode, const char* name,
                                          int64_t articleCode);

/**
 * Takes a payment of `amount` kopecks (below 2^31) in `paymentForm` 0-3
 * (command 0x14). With topFlag set the register takes the rest of the
 * receipt in this form. Unless noFiscalCopy is set, a non-fiscal copy of
 * the receipt is printed. The receipt closes once it is paid.
 *
 * Outputs: amountOut is the remainder still to pay, or the change to give
 * when isChange is -1. Both are 0 after a failure.
 *
 * Errors, nothing sent: "Недопустимая форма оплаты!", "Недопустимая сумма
 * оплаты!".
 */
KASDRV_API int16_t KASDRV_CALL FPPayment(uint32_t* amountOut, FPBOOL* isChange, uint8_t paymentForm,
                                         uint32_t amount, FPBOOL topFlag, FPBOOL noFiscalCopy);

/**
 * Prints a comment line of at most 27 characters on the receipt (command
 * 0x0B); `flag` is passed to the register in bit 7 of the length byte.
 * "Длина коментария превышает допустимую длину" for a longer text, nothing
 * sent. Any error the register reports fails the call, status 0x20 included.
 */
KASDRV_API int16_t KASDRV_CALL FPComment(const char* text, FPBOOL flag);

/**
 * Gives a discount (isDiscount set) or a surcharge (command 0x23). Types:
 * 0 percent on the last line, 1 amount on the last line, 2 percent on the
 * subtotal, 3 amount on the subtotal. Percent types use `percent` (whole
 * percents), amount types `amount` (kopecks); the other is ignored. `text`
 * is an explanation of at most 25 characters, or empty.
 *
 * Outputs: resultValue (the signed discount or surcharge) and receiptTotal,
 * both set to 0 first.
 *
 * Errors, nothing sent: "Неправильный тип скидки!", "Недопустимая величина
 * скидки!" (negative, or a percentage of 2^25 and more), "Длина
 * пояснительной строки больше 25 символов!".
 */
KASDRV_API int16_t KASDRV_CALL FPDiscount(int64_t* resultValue, int64_t* receiptTotal, uint8_t type,
                                          int32_t percent, int32_t amount, FPBOOL isDiscount,
                                          const char* text);

/**
 * Prints a zero receipt: annuls an open receipt (0x0F), prints the comment
 * "НУЛЬОВИЙ ЧЕК" (0x0B) and closes it with a cash payment of 0 (0x14, top
 * flag). Stops at the first step that fails, with its error; the comment
 * fails on any error the register reports, status 0x20 included.
 */
KASDRV_API int16_t KASDRV_CALL FPNullCheck(void);

/** Feeds the paper by one line (command 0x0E). */
KASDRV_API int16_t KASDRV_CALL FPLineFeed(void);

/** Annuls the open receipt (command 0x0F); with none open nothing happens. */
KASDRV_API int16_t KASDRV_CALL FPResetOrder(void);

/** Records `amount` kopecks put into the cash drawer (command 0x10). */
KASDRV_API int16_t KASDRV_CALL FPInToCash(uint32_t amount);

/**
 * Records `amount` kopecks taken out of the cash drawer (command 0x18). The
 * register refuses more than the drawer holds.
 */
KASDRV_API int16_t KASDRV_CALL FPOutOfCash(uint32_t amount);

/* ------------------------------------------------------------------------ */
/* Programming the register                                                 */
/* ------------------------------------------------------------------------ */
/*
 * Texts count characters (one byte each on the wire). A line attribute
 * byte carries the text length in bits 0-5, double width in bit 6 and double
 * height in bit 7. All argument errors below are reported before anything
 * is sent.
 */

/**
 * Sets line 1 of the message printed at the top of every receipt (command
 * 0x17, line byte 0). At most 21 characters with doubleWidth, else 36.
 * "Неверная длина 1-й строки начального сообщения чека!" for a longer text.
 */
KASDRV_API int16_t KASDRV_CALL FPSetInitialFirstLine(const char* text, FPBOOL doubleWidth,
                                                     FPBOOL doubleHeight);

/**
 * Line 2 of the top message (command 0x17, line byte 2), as FPSetInitialFirstLine.
 * "Неверная длина 2-й строки начального сообщения чека!".
 */
KASDRV_API int16_t KASDRV_CALL FPSetInitialSecondLine(const char* text, FPBOOL doubleWidth,
                                                      FPBOOL doubleHeight);

/**
 * Line 3 of the top message (command 0x17, line byte 3), as FPSetInitialFirstLine.
 * "Неверная длина 3-й строки начального сообщения чека!".
 */
KASDRV_API int16_t KASDRV_CALL FPSetInitialEndLine(const char* text, FPBOOL doubleWidth,
                                                   FPBOOL doubleHeight);

/**
 * Line 1 of the message printed at the bottom of every receipt (command
 * 0x17, line byte 1), as FPSetInitialFirstLine.
 * "Неверная длина 1-й строки конечного сообщения чека!".
 */
KASDRV_API int16_t KASDRV_CALL FPSetFinalFirstLine(const char* text, FPBOOL doubleWidth,
                                                   FPBOOL doubleHeight);

/**
 * Line 2 of the bottom message (command 0x17, line byte 4), as FPSetInitialFirstLine.
 * "Неверная длина 2-й строки конечного сообщения чека!".
 */
KASDRV_API int16_t KASDRV_CALL FPSetFinalSecondLine(const char* text, FPBOOL doubleWidth,
                                                    FPBOOL doubleHeight);

/**
 * Line 3 of the bottom message (command 0x17, line byte 5), as FPSetInitialFirstLine.
 * "Неверная длина 3-й строки конечного сообщения чека!".
 */
KASDRV_API int16_t KASDRV_CALL FPSetFinalEndLine(const char* text, FPBOOL doubleWidth,
                                                 FPBOOL doubleHeight);

/**
 * Sets the taxpayer attributes printed in the receipt header (command 0x16):
 * three lines with their double-width and double-height flags, and the tax
 * number, or with isIdentificationNumber the identification number. Each
 * line holds at most 24 characters, 20 with double width; the number at
 * most 12, padded on the left with "0" to 12 on the wire.
 *
 * Errors: "Длина первой (второй, третьей) строки атрибутов налогоплательщика
 * больше допустимой!" for the first line too long, "Длина налогового номера
 * больше 12 символов!" or "Длина идентификационного номера больше 12
 * символов!".
 */
KASDRV_API int16_t KASDRV_CALL FPSetHeadLine(uint16_t password, const char* line1, FPBOOL width1,
                                             FPBOOL height1, const char* line2, FPBOOL width2,
                                             FPBOOL height2, const char* line3, FPBOOL width3,
                                             FPBOOL height3, const char* number,
                                             FPBOOL isIdentificationNumber);

/**
 * Programs `count` (1-5) tax rates (command 0x19) from rates[0..count-1],
 * an open array whose highest index is `high`. With `levy` set every group
 * carries its levy rate as well and addedTax is not sent; otherwise addedTax
 * chooses tax added on top of the price rather than included in it. The
 * register refuses this while the shift is open.
 *
 * Errors: "Cлишком много налоговых ставок!", "Cлишком мало налоговых
 * ставок!" (both begin with a Latin C), "Массив налоговых ставок меньше
 * необходимого (элементов: N)!" (NULL or too short), "Значение налоговой
 * ставки не должно превышать 99,99%!" (a rate outside 0-9999), "Значение
 * ставки сбора не может быть отрицательным!" and "Cумма налоговой ставки и
 * ставки сбора не должны превышать 99,99%!" (both with levy).
 */
KASDRV_API int16_t KASDRV_CALL FPSetTaxRate(uint16_t password, uint8_t count, FPBOOL addedTax,
                                            const FPTaxRate* rates, int32_t high, FPBOOL levy);

/**
 * Fiscalizes the register with `fiscalNumber` (command 0x15): once only, it
 * switches the fiscal memory on for good. The number has at most 10
 * characters, digits and Latin or Cyrillic letters (А-я, Ё ё Є є Ї ї І і),
 * and is padded on the left with "0" to 10.
 *
 * Errors: "Длина фискального номера должна быть до 10 символов!",
 * "Фискальный номер может состоять только из цифр!" (any other character,
 * the blank included).
 */
KASDRV_API int16_t KASDRV_CALL FPFiscalization(uint16_t password, const char* fiscalNumber);

/**
 * Programs an article (command 0x22): quantity decimal places (sent as
 * given), price in kopecks (negative for an article of returns; 4-byte sign
 * and magnitude on the wire), tax group 0-5, name of at most 50 characters,
 * and the article number, 0 to 2^48 - 1 (six bytes on the wire).
 *
 * Errors, checked in this order: "Неверный пароль отчетов!" (password
 * 65535), "Недопустимая цена!" (INT32_MIN, whose magnitude does not fit),
 * "Несуществующая налоговая группа", "Название товара превышает 50
 * символов!", "Недопустимый код артикула!" (below 0 or 2^48 and more).
 */
KASDRV_API int16_t KASDRV_CALL FPProgArt(uint16_t password, uint8_t decimals, int32_t price,
                                         uint8_t taxGroup, const char* name, int64_t articleCode);

/**
 * Sets the line spacing, 0-63 (command 0x27).
 * "Неверно задан параметр межстрочного расстояния!" above 63.
 */
KASDRV_API int16_t KASDRV_CALL FPLineSP(uint8_t spacing);

/**
 * Sets the print contrast in percent, 50-200 (RX-520L). It travels with the
 * line-spacing command 0x27; the register tells the two apart by the value.
 * "Диапазон котрастности печати должен быть задан в пределах 50 - 200%!"
 * outside the range.
 */
KASDRV_API int16_t KASDRV_CALL FPSetContrast(uint8_t percent);

/**
 * Switches receipt printing between on-line and off-line (command 0x24).
 * Each call flips the mode; FPGetStatus tells the current one.
 */
KASDRV_API int16_t KASDRV_CALL FPCplOnline(void);

/**
 * Switches showing the receipt sum on the customer display on or off
 * (command 0x25). Each call flips the mode; FPGetStatus tells the current one.
 */
KASDRV_API int16_t KASDRV_CALL FPCplInd(void);

/**
 * Switches automatic paper cutting on or off (command 0x2E). Each call flips
 * the mode; FPCutterStatus tells the current one.
 */
KASDRV_API int16_t KASDRV_CALL FPCplCutter(void);

/**
 * Reads the automatic cutting mode from the register's memory (one byte at
 * 0x301A, page 0x10, as FPGetMemoryData; the register's status is not
 * judged). autoCut is set to 0 first and to -1 when cutting is on.
 * Fails with FPGetMemoryData's errors, or with the reply-format text when
 * the register returns no byte.
 */
KASDRV_API int16_t KASDRV_CALL FPCutterStatus(FPBOOL* autoCut);

/* ------------------------------------------------------------------------ */
/* Logo                                                                     */
/* ------------------------------------------------------------------------ */

/**
 * Loads a logo printed at the top of receipts (command 0x2D, then the image
 * rows top to bottom in raw 64-byte blocks). The image must be a BMP file
 * of one bit a dot; its rows are taken from its end. doubleHeight sends
 * every row twice; invert complements every byte.
 *
 * Limits: width 8..maxWidth and a multiple of 8; height at least 1, and
 * the rows sent (twice the height with doubleHeight) at most maxHeight.
 *
 * Errors, nothing sent: "Недопустимые размеры логотипа!…" with the allowed
 * sizes written in (two texts: sizes out of range, and a width that is no
 * multiple of 8); "Изображение логотипа не задано!" (NULL bitmap);
 * "Изображение логотипа короче, чем требуют его ширина и высота!" (no "BM"
 * at the start, headers cut off, or fewer bytes between the pixel-data
 * offset of the file header and the end than the padded rows need); the
 * size text also for a file of more than one bit a dot. After sending:
 * "Превышено время ожидания ответа от принтера!" (no answer to the header),
 * "Ошибка программирования логотипа!" (no answer to a block), or the
 * register's error; any error the register reports fails the call, status
 * 0x20 included.
 */
KASDRV_API int16_t KASDRV_CALL FPLoadBMP(uint16_t password, uint16_t maxWidth, uint16_t maxHeight,
                                         const FPBitmap* bitmap, FPBOOL doubleHeight,
                                         FPBOOL invert);

/**
 * Switches printing of the loaded logo on (command 0x2D). Any error the
 * register reports fails the call, status 0x20 included.
 */
KASDRV_API int16_t KASDRV_CALL FPEnableBMP(uint16_t password);

/** Switches printing of the logo off (command 0x2D); as FPEnableBMP. */
KASDRV_API int16_t KASDRV_CALL FPDisableBMP(uint16_t password);

/* ------------------------------------------------------------------------ */
/* Line speed and paper                                                     */
/* ------------------------------------------------------------------------ */

/**
 * Switches the register's line to 9600 (0), 19200 (1) or 38400 (2) bit/s
 * (command 0x26). The driver's own port keeps its speed: reopen it with
 * FPInit at the new speed afterwards. Any other index is refused with
 * "Неверно задан параметр скорости связи!" before anything is sent.
 */
KASDRV_API int16_t KASDRV_CALL FPChangeBaudRate(uint8_t speedIndex);

/**
 * Reads the paper sensors (command 0x30): state undeterminable (when set,
 * ignore the rest), control tape low, receipt tape low, control tape out,
 * receipt tape out. The register's status byte is not judged. Fails with the
 * reply-format text unless the reply is exactly one byte.
 */
KASDRV_API int16_t KASDRV_CALL FPGetPaperState(FPBOOL* undeterminable, FPBOOL* controlTapeLow,
                                               FPBOOL* receiptTapeLow, FPBOOL* controlTapeOut,
                                               FPBOOL* receiptTapeOut);

/* ------------------------------------------------------------------------ */
/* Printing extras and peripherals                                          */
/* ------------------------------------------------------------------------ */

/**
 * Shows `text` (at most 20 characters) on the customer display's upper line,
 * or its lower line when lowerLine is set (command 0x1B). "Длина строк
 * больше допустимой!" for a longer text; nothing is sent.
 */
KASDRV_API int16_t KASDRV_CALL FPSendCustomer(FPBOOL lowerLine, const char* text);

/** Opens the cash drawer (command 0x1D). */
KASDRV_API int16_t KASDRV_CALL FPOpenBox(void);

/** Prints a copy of the last receipt (command 0x1E). */
KASDRV_API int16_t KASDRV_CALL FPCopyLastCheck(void);

/** Prints the firmware version (command 0x20). */
KASDRV_API int16_t KASDRV_CALL FPPrintVersion(void);

/**
 * Prints `lineCount` lines of non-fiscal text (command 0x28, one line at
 * a time, each at most 37 characters; a NULL line is empty) as a service
 * report. The report stays open for further calls until one passes `finish`,
 * which ends it.
 *
 * receiptTapeOnly: print on the receipt tape only. The driver remembers the
 * register's choice while the library stays loaded and switches it only
 * when the flag differs; ending the report returns it to both tapes.
 *
 * Errors: "Неверный список строк нефискального текста!" for a negative count
 * or NULL `lines` with lines to print, nothing sent; for a line too long,
 * "Строка №k", a line break and "Длина строки нефискального текста
 * превышает допустимую длину" (k counted from 0), the lines before it
 * having been printed. Any command that fails stops the call.
 */
KASDRV_API int16_t KASDRV_CALL FPTransPrint(const char* const* lines, int32_t lineCount,
                                            FPBOOL receiptTapeOnly, FPBOOL finish);

/**
 * Prints a Code-128 bar code (command 0x2F) of at most 16 characters, all
 * below code 0x80. Errors, nothing sent: "Слишком длинный штрих-код",
 * "Ошибка данных штрих-кода Code-128!".
 */
KASDRV_API int16_t KASDRV_CALL FPSetBarCode(const char* text);

/**
 * Prints an EAN-13 bar code (command 0x31). `text` has at most 13 digits and
 * is padded with zeros on the left; its last digit is the check digit.
 * Errors, nothing sent: "Недопустимая длина штрих-кода!", "Ошибка формата
 * штрих-кода EAN-13!" (not all digits), "Ошибка в контрольном разряде
 * штрих-кода EAN-13!".
 */
KASDRV_API int16_t KASDRV_CALL FPPrintEAN13(const char* text);

/* ------------------------------------------------------------------------ */
/* Reports                                                                  */
/* ------------------------------------------------------------------------ */
/*
 * Every report takes the report password; 65535 stands for none and is
 * refused before anything is sent. The register prints the report; the
 * answer carries no data.
 */

/** Prints the X report of the day (command 0x09). "Неверный пароль!" for 65535. */
KASDRV_API int16_t KASDRV_CALL FPDayReport(uint16_t password);

/**
 * Prints the Z report (command 0x0D): the day's totals go to the fiscal
 * memory, the day counters are cleared and the shift closes.
 * "Неверный пароль!" for 65535.
 */
KASDRV_API int16_t KASDRV_CALL FPDayClrReport(uint16_t password);

/**
 * Prints the article report (command 0x0A) over the articles between the two
 * numbers in either order, or over all articles when both are 0.
 * "Неверный пароль отчетов!" for 65535, "Недопустимый код артикула!" for a
 * number below 0 or of 2^48 and more.
 */
KASDRV_API int16_t KASDRV_CALL FPXArtReport(uint16_t password, int64_t firstArticle,
                                            int64_t lastArticle);

/**
 * Prints the full periodic report from the fiscal memory (command 0x11)
 * between two dates, sent in the order given; the time of day is ignored.
 * Errors, nothing sent: "Неверный пароль!" for 65535, "Ошибка формата
 * даты!" for a value that is not a date.
 */
KASDRV_API int16_t KASDRV_CALL FPPeriodicReport(uint16_t password, double firstDate,
                                                double lastDate);

/** The short periodic report (command 0x1A); as FPPeriodicReport. */
KASDRV_API int16_t KASDRV_CALL FPPeriodicReportShort(uint16_t password, double firstDate,
                                                     double lastDate);

/**
 * Prints the periodic report over the Z reports numbered firstNumber to
 * lastNumber (command 0x1F). Errors, nothing sent: "Неверный пароль!" for
 * 65535, "Начальный номер отчета больше конечного!".
 */
KASDRV_API int16_t KASDRV_CALL FPPeriodicNumberReport(uint16_t password, uint16_t firstNumber,
                                                      uint16_t lastNumber);

/* ------------------------------------------------------------------------ */
/* Data queries and counters                                                */
/* ------------------------------------------------------------------------ */
/*
 * Sums are kopecks, rates hundredths of a percent. Tax groups are in the
 * order А..Е, payment forms card, credit, cheque, cash.
 *
 * Open arrays (first element, highest index) must take the number of
 * elements stated; a smaller one is refused with "Массив … меньше
 * необходимого (элементов: N)!" and nothing is written to it. A NULL array
 * is skipped like any NULL output.
 *
 * Replies shorter than their layout fail with "Ответная посылка не
 * соответствует формату данных!"; the length-checked queries (article, day
 * report, receipt sums, full tax rates) also fail on a reply of any other
 * length, and with "Данные от ЭККР не были получены!" on an empty one.
 * On failure the outputs keep what they held.
 */

/**
 * Reads one article (command 0x29) by its number (0 to 2^48 - 1): name length
 * and name (Windows-1251, owned by the driver, valid until the next call),
 * price (negative for an article of returns), tax group 0-5 (left unchanged
 * for a byte the register should not send), and the quantity, its decimal
 * places and the sum of the day's sales and returns. "Не задан номер
 * товара!" for a NULL articleCode, "Недопустимый код артикула!" for a number
 * out of range; nothing sent.
 */
KASDRV_API int16_t KASDRV_CALL FPGetArticleInfo(uint8_t* nameLength, const char** name,
                                                int32_t* price, uint8_t* taxGroup,
                                                uint32_t* saleQuantity, uint8_t* saleDecimals,
                                                int64_t* saleSum, uint32_t* returnQuantity,
                                                uint8_t* returnDecimals, int64_t* returnSum,
                                                const int64_t* articleCode);

/**
 * Reads the day's counters (command 0x2A, a 134-byte reply): the numbers of
 * the last sale and payout receipts, sale and payout sums by tax group
 * (arrays of 6) and by payment form (arrays of 4), markups and discounts on
 * sales and on payouts, service deposits and withdrawals. The array sizes
 * are checked before anything is sent.
 */
KASDRV_API int16_t KASDRV_CALL FPGetDayReport(
    uint16_t* saleReceipts, uint16_t* payoutReceipts, int64_t* saleByGroup, int32_t highSaleByGroup,
    int64_t* saleByForm, int32_t highSaleByForm, int64_t* payoutByGroup, int32_t highPayoutByGroup,
    int64_t* payoutByForm, int32_t highPayoutByForm, int64_t* saleMarkups, int64_t* saleDiscounts,
    int64_t* payoutMarkups, int64_t* payoutDiscounts, int64_t* serviceDeposits,
    int64_t* serviceWithdrawals);

/**
 * Reads the open receipt's sums (command 0x2B, a 40-byte reply) by tax group
 * (array of 6) and by payment form (array of 4). The array sizes are checked
 * before anything is sent.
 */
KASDRV_API int16_t KASDRV_CALL FPGetCheckSums(uint32_t* byGroup, int32_t highByGroup,
                                              uint32_t* byForm, int32_t highByForm);

/**
 * Reads the programmed tax rates with the date they were programmed
 * (command 0x2C): the count n, the added-tax flag, n records (hasLevy is -1
 * where the levy rate is not 0) and the levy flag. `records` must take n
 * elements, checked once n is known. Fails with the reply-format text when
 * the date bytes are not a calendar date.
 */
KASDRV_API int16_t KASDRV_CALL FPFullGetTaxRate(double* programmingDate, uint8_t* count,
                                                FPBOOL* addedTax, FPTaxRate* records, int32_t high,
                                                FPBOOL* levy);

/**
 * Reads the programmed tax rates from the register's memory (command 0x1C): the count n,
 * the added-tax and levy flags, and n rates and n levy rates (0 without a
 * levy) into the two arrays, which must each take n elements, checked once
 * n is known. For n above 5 (memory that holds no rates) the arrays are
 * left alone. "Ставки налоговых не запрограммированы!" for n = 0.
 */
KASDRV_API int16_t KASDRV_CALL FPGetTaxRate(int32_t* rates, int32_t highRates, int32_t* levyRates,
                                            int32_t highLevyRates, uint8_t* count, FPBOOL* addedTax,
                                            FPBOOL* levy);

/** Reads the number of the last sale receipt of the day (memory, command 0x1C). */
KASDRV_API int16_t KASDRV_CALL FPGetSaleCheckNumber(uint16_t* number);

/** Reads the day's sales sum over all tax groups (memory, command 0x1C). */
KASDRV_API int16_t KASDRV_CALL FPGetSaleDaySum(int64_t* sum);

/** Reads the number of the last payout receipt of the day (memory, command 0x1C). */
KASDRV_API int16_t KASDRV_CALL FPGetPayCheckNumber(uint16_t* number);

/** Reads the day's payout sum over all tax groups (memory, command 0x1C). */
KASDRV_API int16_t KASDRV_CALL FPGetPayDaySum(int64_t* sum);

/**
 * Reads the number of the last Z report (memory, command 0x1C; 1 when there is none yet) and its
 * date (1 January 2003 when there is none). Fails with the reply-format text
 * when the date bytes are not a calendar date.
 */
KASDRV_API int16_t KASDRV_CALL FPGetNumZReport(uint16_t* number, double* date);

/**
 * Reads the day's annulled receipts (memory, command 0x1C): count and sum on sale receipts and on
 * payout receipts.
 */
KASDRV_API int16_t KASDRV_CALL FPGetResetOrders(uint16_t* saleCount, uint16_t* payoutCount,
                                                int64_t* saleSum, int64_t* payoutSum);

/**
 * Reads the day's cancellations inside receipts (memory, command 0x1C): count and sum on sale
 * receipts and on payout receipts.
 */
KASDRV_API int16_t KASDRV_CALL FPGetCancels(uint16_t* saleCount, uint16_t* payoutCount,
                                            int64_t* saleSum, int64_t* payoutSum);

/**
 * Reads the ten passwords (memory, command 0x1C) into passwords[0..9]: the cashiers' 0-7, the
 * programming password 8 and the report password 9. The array size is
 * checked before anything is sent.
 */
KASDRV_API int16_t KASDRV_CALL FPGetPasswords(uint16_t* passwords, int32_t high);

/**
 * Reads *count bytes of the register's memory at `address` of `page`
 * (command 0x1C) into buffer, whose highest index is `high`. The register's
 * status is not judged. *count is set to the number of bytes the reply
 * held, at most the number wanted; they are copied unless buffer is NULL.
 *
 * Errors: the array message when the buffer is smaller than *count (nothing
 * sent); "Длина блока данных не может быть равна нулю!" for a count of 0
 * (or a NULL count), after the read has been sent.
 */
KASDRV_API int16_t KASDRV_CALL FPGetMemoryData(uint8_t* buffer, int32_t high, uint8_t* count,
                                               uint16_t address, uint8_t page);

/** Reads the cash in the drawer (command 0x21). */
KASDRV_API int16_t KASDRV_CALL FPGetMoneyInBox(int64_t* sum);

#ifdef __cplusplus
}
#endif

#endif /* KASDRV_H */

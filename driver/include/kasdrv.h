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

/* ------------------------------------------------------------------------ */
/* Port and last error                                                      */
/* ------------------------------------------------------------------------ */

/**
 * Opens serial port `port` (1 = the first) at `baud` bits per second, 8 data
 * bits, no parity, one stop bit, no flow control. A port already open is
 * closed first. A one-byte read waits at most readTimeoutS seconds (plus
 * 19200/baud ms); a write at most writeTimeoutS seconds (plus 19200/baud ms
 * per byte). Does not talk to the register and does not touch the last
 * error text. Returns -1 when the port is open and configured, 0 otherwise.
 */
KASDRV_API int16_t KASDRV_CALL FPInit(uint8_t port, uint32_t baud, uint8_t readTimeoutS,
                                      uint8_t writeTimeoutS);

/** Closes the port. -1 when a port was closed, 0 when none was open. */
KASDRV_API int16_t KASDRV_CALL FPClose(void);

/**
 * The last error text (Windows-1251), or "" when there is none. Owned by the
 * driver and valid until the next call into the driver.
 */
KASDRV_API const char* KASDRV_CALL FPErrorMessage(void);

/**
 * Writes the result byte and status byte of the last command the register
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

#ifdef __cplusplus
}
#endif

#endif /* KASDRV_H */

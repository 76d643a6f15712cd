// The one place where texts cross the driver boundary: the driver speaks
// zero-terminated Windows-1251, the window speaks QString.
#pragma once

#include <QByteArray>
#include <QString>

namespace kasmon {

// Windows-1251 bytes for the driver. Characters the code page lacks become '?'.
QByteArray toDriverText(const QString& text);

// A text the driver handed out (NULL counts as empty).
QString fromDriverText(const char* text);
QString fromDriverText(const QByteArray& bytes);

} // namespace kasmon

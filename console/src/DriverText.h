// The one place where texts cross the driver boundary: the driver speaks
// zero-terminated Windows-1251, the window speaks QString.
#pragma once

#include <kashost/Result.h>

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>

namespace kasmon {

// Windows-1251 bytes for the driver. Characters the code page lacks become '?'.
QByteArray toDriverText(const QString& text);

// A text the driver handed out (NULL counts as empty).
QString fromDriverText(const char* text);
QString fromDriverText(const QByteArray& bytes);
QString fromDriverText(const std::string& text);
// An absent text (the driver handed out none) is empty.
QString fromDriverText(const std::optional<std::string>& text);

using kashost::succeeded;

} // namespace kasmon

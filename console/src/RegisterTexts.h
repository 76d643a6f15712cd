// The register's names (kasfacts, through kashost) as the console shows them.
#pragma once

#include <kashost/Register.h>

#include <QString>
#include <QStringList>

#include <array>
#include <string_view>

namespace kasmon {

namespace reg = kashost::reg;

inline QString factText(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// "Группа А" for tax group 0, and so on.
inline QString taxGroupCaption(std::size_t group) {
    return QStringLiteral("Группа ") + factText(reg::kTaxGroupLetters.at(group));
}

// The first `count` names of a list (all of them by default).
template <std::size_t N>
QStringList factTexts(const std::array<std::string_view, N>& names, std::size_t count = N) {
    QStringList list;
    for (std::size_t i = 0; i < count && i < N; ++i) {
        list << factText(names[i]);
    }
    return list;
}

} // namespace kasmon

// The memory dump as text: the address the user types, the hexadecimal lines
// of the display and the file they are saved to. Nothing here needs a widget.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace kasmon::dump {

// One read fetches this many bytes, shown as eight lines of sixteen.
inline constexpr int kBlockBytes = 128;
inline constexpr int kBytesPerLine = 16;
inline constexpr int kLines = kBlockBytes / kBytesPerLine;

// Exactly four digits "0"-"9" or "A"-"F", most significant first; anything else
// gives nothing ("00F", "00G", "00ff").
std::optional<std::uint16_t> parseAddress(const QString& text);

// The display lines for the bytes read: eight lines of 48 characters, each byte
// as two upper-case hexadecimal digits followed by a blank. Bytes beyond `count`
// leave their part of the lines empty.
QStringList lines(const std::uint8_t* bytes, std::size_t count);

// The name the dump is saved under: the chosen name with ".txt" appended when it
// does not already end in ".txt" (in any case).
QString fileName(const QString& chosen);

// The file's bytes: every line followed by CR LF, nothing else.
QByteArray fileContents(const QStringList& lines);

// Writes the lines to the file, replacing what it held. False when the file
// cannot be created or written completely.
bool save(const QString& path, const QStringList& lines);

} // namespace kasmon::dump

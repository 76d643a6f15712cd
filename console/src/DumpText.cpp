#include "DumpText.h"

#include <QSaveFile>

namespace kasmon::dump {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int hexValue(QChar ch) {
    const char16_t c = ch.unicode();
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

} // namespace

std::optional<std::uint16_t> parseAddress(const QString& text) {
    if (text.size() != 4) {
        return std::nullopt;
    }
    unsigned address = 0;
    for (const QChar ch : text) {
        const int digit = hexValue(ch);
        if (digit < 0) {
            return std::nullopt;
        }
        address = address * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<std::uint16_t>(address);
}

QStringList lines(const std::uint8_t* bytes, std::size_t count) {
    QString text;
    text.reserve(static_cast<qsizetype>(count) * 3);
    for (std::size_t i = 0; i < count; ++i) {
        text.append(QLatin1Char(kHexDigits[bytes[i] >> 4]));
        text.append(QLatin1Char(kHexDigits[bytes[i] & 0x0F]));
        text.append(QLatin1Char(' '));
    }
    constexpr qsizetype kLineLength = kBytesPerLine * 3;
    QStringList result;
    for (int k = 0; k < kLines; ++k) {
        result.append(text.mid(k * kLineLength, kLineLength));
    }
    return result;
}

QString fileName(const QString& chosen) {
    if (chosen.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive)) {
        return chosen;
    }
    return chosen + QStringLiteral(".txt");
}

QByteArray fileContents(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes.append(line.toLatin1());
        bytes.append("\r\n");
    }
    return bytes;
}

bool save(const QString& path, const QStringList& lines) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray bytes = fileContents(lines);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace kasmon::dump

// The language file beside the executable: an INI file whose sections and keys
// are matched without regard to case. It is read once and never written.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace korvel {

class TLanguageFile {
public:
    // Parses decoded lines: trimmed, ';' comments and empty lines skipped,
    // "[name]" starts a section, "key = value" inside a section is an entry.
    // When a section or key occurs more than once, the first entry wins.
    static TLanguageFile FromLines(const QStringList& lines);
    // Reads the whole file, decodes it by its byte-order mark (otherwise the ANSI
    // code page) and parses it. Throws EFileError when it cannot be read.
    static TLanguageFile Load(const QString& path);

    // The value of key in section, or nothing when either is missing.
    std::optional<QString> value(QStringView section, QStringView key) const;
    // The value, or fallback when it is missing (a present empty value gives "").
    QString readString(QStringView section, QStringView key, const QString& fallback) const;
    // The value read as an integer (ParseLanguageInteger), or fallback.
    int readInteger(QStringView section, QStringView key, int fallback) const;

private:
    QHash<QString, QHash<QString, QString>> FSections;
};

// Reads an integer: decimal with an optional sign, or hexadecimal after "$",
// "0x" or "0X" (at least one digit); nothing for any other text or a value
// outside 32 bits.
std::optional<int> ParseLanguageInteger(QStringView text);

// The language file that belongs to an executable: its path with the extension
// replaced by ".lng" (appended when it has none).
QString LanguageFilePathFor(const QString& executablePath);

} // namespace korvel

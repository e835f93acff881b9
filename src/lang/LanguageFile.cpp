#include "lang/LanguageFile.h"

#include "convert/HexDigit.h"
#include "document/FileIO.h"
#include "document/TextDecoding.h"

#include <QFileInfo>

#include <cstdint>

namespace korvel {

namespace {

// Removes every character of code 32 or below at both ends.
QStringView trimmed(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

QString foldKey(QStringView s)
{
    return s.toString().toCaseFolded();
}

} // namespace

TLanguageFile TLanguageFile::FromLines(const QStringList& lines)
{
    TLanguageFile file;
    QHash<QString, QString>* section = nullptr;
    for (const QString& raw : lines) {
        const QStringView line = trimmed(raw);
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']') && line.size() >= 2) {
            section = &file.FSections[foldKey(trimmed(line.mid(1, line.size() - 2)))];
            continue;
        }
        if (!section)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = foldKey(trimmed(line.left(eq)));
        if (!section->contains(key))
            section->insert(key, trimmed(line.mid(eq + 1)).toString());
    }
    return file;
}

TLanguageFile TLanguageFile::Load(const QString& path)
{
    return FromLines(DecodeLinesWithBom(ReadWholeFile(path)));
}

std::optional<QString> TLanguageFile::value(QStringView section, QStringView key) const
{
    const auto s = FSections.constFind(foldKey(section));
    if (s == FSections.cend())
        return std::nullopt;
    const auto k = s->constFind(foldKey(key));
    if (k == s->cend())
        return std::nullopt;
    return *k;
}

QString TLanguageFile::readString(QStringView section, QStringView key, const QString& fallback) const
{
    return value(section, key).value_or(fallback);
}

int TLanguageFile::readInteger(QStringView section, QStringView key, int fallback) const
{
    const std::optional<QString> text = value(section, key);
    if (!text)
        return fallback;
    return ParseLanguageInteger(*text).value_or(fallback);
}

std::optional<int> ParseLanguageInteger(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = base == 16 ? HexDigitValue(text[i].unicode())
                                     : (text[i] >= u'0' && text[i] <= u'9' ? text[i].unicode() - u'0' : -1);
        if (digit < 0)
            return std::nullopt;
        value = value * base + digit;
        if (value > int64_t(INT32_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX || value < INT32_MIN)
        return std::nullopt;
    return static_cast<int>(value);
}

QString LanguageFilePathFor(const QString& executablePath)
{
    const QFileInfo info(executablePath);
    const QString suffix = info.suffix();
    QString path = executablePath;
    if (!suffix.isEmpty() && !info.fileName().startsWith(u'.'))
        path.chop(suffix.size() + 1);
    return path + QStringLiteral(".lng");
}

} // namespace korvel

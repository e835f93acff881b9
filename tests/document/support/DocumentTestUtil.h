// Helpers shared by the form document tests: building texts, hex dumps and
// temporary files.
#pragma once

#include "convert/AnsiCodePage.h"
#include "errors/Errors.h"
#include "support/ErrorAssert.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace korvel::test {

// Lines joined with CR LF after each one, as UTF-16 text.
inline QString crlf(const QStringList& lines)
{
    QString s;
    for (const QString& l : lines)
        s += l + QStringLiteral("\r\n");
    return s;
}

// Lines joined with CR LF after each one, as bytes (the lines are ASCII or UTF-8).
inline QByteArray crlfBytes(std::initializer_list<const char*> lines)
{
    QByteArray b;
    for (const char* l : lines)
        b += QByteArray(l) + "\r\n";
    return b;
}

// Space-separated upper-case hex bytes ("4F 62 6A").
inline std::string hex(const QByteArray& b)
{
    return b.toHex(' ').toUpper().toStdString();
}

// The UTF-8 text of a string list, one element per line with '|' between them.
inline std::string joined(const QStringList& lines)
{
    return lines.join(u'|').toStdString();
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

// Sets the ANSI code page for one test and restores the previous one afterwards.
class CodePageScope {
public:
    explicit CodePageScope(int codePage) : FPrevious(ansi::activeCodePage()) { ansi::setActiveCodePage(codePage); }
    ~CodePageScope() { ansi::setActiveCodePage(FPrevious); }

private:
    int FPrevious;
};

} // namespace korvel::test

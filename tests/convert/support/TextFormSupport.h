// Helpers of the tokenizer and text-to-binary tests: hex dumps, "kind: message"
// outcomes and a scoped ANSI code page.
#pragma once

#include "convert/AnsiCodePage.h"
#include "convert/ByteStream.h"
#include "errors/Errors.h"
#include "support/ErrorAssert.h"

#include <QByteArray>
#include <QString>

#include <string>

namespace korvel::test {

// Lower-case hex bytes separated by blanks ("54 50 46 30").
inline std::string HexDump(const QByteArray& bytes)
{
    return bytes.toHex(' ').toStdString();
}

// Runs a conversion from text to bytes. The result is the hex dump of what was
// appended, or "kind: message"; a failure must leave the output exactly as it was.
template <typename Convert> std::string RunConversion(Convert convert, const QByteArray& text)
{
    ByteStream in(text);
    ByteStream out(QByteArray("keep"));
    out.seek(4);
    try {
        convert(in, out);
    } catch (const EKorvelError& e) {
        if (out.data() != "keep" || out.position() != 4)
            return "output changed on failure";
        return Describe(e);
    }
    if (out.position() != out.size())
        return "output position not at the end";
    return HexDump(out.data().mid(4));
}

// Sets the active ANSI code page for the lifetime of the object.
class CodePageScope {
public:
    explicit CodePageScope(int codePage) : FSaved(ansi::activeCodePage()) { ansi::setActiveCodePage(codePage); }
    ~CodePageScope() { ansi::setActiveCodePage(FSaved); }
    CodePageScope(const CodePageScope&) = delete;
    CodePageScope& operator=(const CodePageScope&) = delete;

private:
    int FSaved;
};

} // namespace korvel::test

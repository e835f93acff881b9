// The exception hierarchy every layer of Korvel raises: a kind, the exact
// message text and, where known, the position in the input it concerns. The
// window and korvel-cli catch these at each command.
#pragma once

#include <QString>

#include <cstdint>
#include <exception>
#include <string>

namespace korvel {

// Where in its input an error lies.
struct TErrorPosition {
    int64_t Offset = -1; // byte offset from the start of the input, -1 when not known
    int Line = 0;        // line from 1, 0 when not known
};

class EKorvelError : public std::exception {
public:
    explicit EKorvelError(QString message, TErrorPosition position = {});
    // The message exactly as the user sees it.
    const QString& message() const noexcept { return FMessage; }
    // The kind's name, such as "EReadError".
    virtual const char* kind() const noexcept = 0;
    const char* what() const noexcept override { return FUtf8.c_str(); }
    const TErrorPosition& position() const noexcept { return FPosition; }
    // The byte offset of the error in its input, or -1.
    int64_t offset() const noexcept { return FPosition.Offset; }
    // The line of the error in its input (from 1), or 0.
    int line() const noexcept { return FPosition.Line; }

private:
    QString FMessage;
    std::string FUtf8;
    TErrorPosition FPosition;
};

// A message about a line of form text as the user sees it: "<line> 行目: <message>".
QString LineMessage(int line, const QString& message);

#define KORVEL_ERROR_KIND(Name)                                                                                        \
    class Name : public EKorvelError {                                                                                 \
    public:                                                                                                            \
        using EKorvelError::EKorvelError;                                                                              \
        const char* kind() const noexcept override { return #Name; }                                                   \
    };

// A malformed binary form stream.
KORVEL_ERROR_KIND(EReadError)
// A resource header that is neither of the two known kinds.
KORVEL_ERROR_KIND(EInvalidImage)
// Form text the tokenizer or the text-to-binary conversion rejects.
KORVEL_ERROR_KIND(EParserError)
// A number token that cannot be converted.
KORVEL_ERROR_KIND(EConvertError)
// A file that cannot be read or written; carries the operating system's text.
KORVEL_ERROR_KIND(EFileError)

#undef KORVEL_ERROR_KIND

} // namespace korvel

// The exception hierarchy every layer of Korvel raises: a kind plus the exact
// message text. The window and korvel-cli catch these at each command.
#pragma once

#include <QString>

#include <exception>
#include <string>

namespace korvel {

class EKorvelError : public std::exception {
public:
    explicit EKorvelError(QString message)
        : FMessage(std::move(message)), FUtf8(FMessage.toStdString()) {}
    // The message exactly as the user sees it.
    const QString& message() const noexcept { return FMessage; }
    // The kind's name, such as "EReadError".
    virtual const char* kind() const noexcept = 0;
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    QString FMessage;
    std::string FUtf8;
};

#define KORVEL_ERROR_KIND(Name)                                              \
    class Name : public EKorvelError {                                       \
    public:                                                                  \
        using EKorvelError::EKorvelError;                                    \
        const char* kind() const noexcept override { return #Name; }         \
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

// Fuzz target for the form text tokenizer and the text-to-binary conversion.
// Besides crashes, leaks and hangs it checks that
// - every token accessor either answers or raises one of our errors;
// - whatever either variant accepts is a well-formed binary form that converts
//   back to text;
// - with the variant saving would choose (ANSI for text holding bytes of 128 or
//   above), the text is stable after one trip.
#include "convert/AnsiCodePage.h"
#include "convert/BinaryToText.h"
#include "convert/Parser.h"
#include "convert/TextToBinary.h"
#include "errors/Errors.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace korvel;

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
}

void Tokenize(const QByteArray& text)
{
    ByteStream stream(text);
    try {
        TParser parser(stream);
        for (int guard = 0; parser.Token() != tokEndOfInput; ++guard) {
            if (guard > text.size() + 2)
                Fail("the token loop does not advance");
            switch (parser.Token()) {
            case tokSymbol:
                parser.TokenComponentIdent();
                break;
            case tokString:
            case tokWideString:
                parser.TokenWideString();
                break;
            case tokInteger:
                try {
                    parser.TokenInt();
                } catch (const EConvertError&) {
                }
                break;
            case tokFloat:
                try {
                    parser.TokenFloat();
                } catch (const EConvertError&) {
                }
                break;
            case u'{':
                parser.HexToBinary();
                break;
            default:
                parser.TokenString();
            }
            parser.NextToken();
        }
    } catch (const EKorvelError&) {
    }
}

QByteArray ToText(const QByteArray& binary)
{
    ByteStream in(binary);
    ByteStream out;
    BinaryResourceToText(in, out);
    return out.data();
}

QByteArray ToBinary(const QByteArray& text, TStringRule rule)
{
    ByteStream in(text);
    ByteStream out;
    TextToResourceByRule(in, out, rule);
    return out.data();
}

void Convert(const QByteArray& text, TStringRule rule)
{
    QByteArray binary;
    try {
        binary = ToBinary(text, rule);
    } catch (const EKorvelError&) {
        return;
    }
    QByteArray once;
    try {
        once = ToText(binary);
    } catch (const EKorvelError& e) {
        std::fprintf(stderr, "%s: %s\n", e.kind(), e.what());
        Fail("the converted form does not read back");
    }
    // Only the rule a save would choose promises a stable text.
    if (rule != SaveStringRule(text))
        return;
    try {
        if (ToText(ToBinary(once, SaveStringRule(once))) != once)
            Fail("the text is not stable after one trip");
    } catch (const EKorvelError& e) {
        std::fprintf(stderr, "%s: %s\n", e.kind(), e.what());
        Fail("the converted text does not convert again");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int kCodePages[] = {1252, 932, 1251};
    ansi::setActiveCodePage(kCodePages[size % 3]);
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    Tokenize(text);
    Convert(text, TStringRule::Standard);
    Convert(text, TStringRule::Ansi);
    return 0;
}

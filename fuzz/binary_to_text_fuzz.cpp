// Feeds arbitrary bytes to format detection and both binary-to-text entry points.
// Errors are expected; a crash, leak, hang, or a text that starts with the UTF-8
// byte-order mark but is not valid UTF-8 is a finding.
#include "convert/AnsiCodePage.h"
#include "convert/BinaryToText.h"
#include "convert/StreamFormat.h"
#include "errors/Errors.h"

#include <QByteArray>
#include <QStringDecoder>

#include <cstdint>
#include <cstdlib>

namespace {

void CheckText(const korvel::ByteStream& out)
{
    const QByteArray& text = out.data();
    if (text.isEmpty())
        std::abort(); // a converted form always has at least "end"
    if (text.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = decoder(text);
        if (decoder.hasError())
            std::abort();
    }
}

void Convert(const QByteArray& bytes, bool withHeader, int codePage)
{
    korvel::ansi::setActiveCodePage(codePage);
    korvel::ByteStream in(bytes);
    korvel::ByteStream out;
    try {
        if (withHeader)
            korvel::BinaryResourceToText(in, out);
        else
            korvel::BinaryStreamToText(in, out);
    } catch (const korvel::EKorvelError&) {
        if (out.size() != 0)
            std::abort(); // a failed conversion must leave its output alone
        return;
    }
    CheckText(out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    korvel::ByteStream probe(bytes);
    try {
        korvel::DetectStreamFormat(probe);
    } catch (const korvel::EReadError&) {
        if (!bytes.isEmpty())
            std::abort(); // only an empty stream has no format
    }
    if (probe.position() != 0)
        std::abort();
    Convert(bytes, true, 1252);
    Convert(bytes, false, 932);
    return 0;
}

// Loading arbitrary bytes as a form file, then everything a user does with a
// loaded document that needs no disk: property text, regeneration, the bytes
// a save would write, clipboard text. The input's last byte picks the code page.
#include "convert/AnsiCodePage.h"
#include "document/FormDocument.h"
#include "document/PropertyCodec.h"
#include "errors/Errors.h"

#include <cstdint>

using namespace korvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ansi::setActiveCodePage(size > 0 && (data[size - 1] & 1) ? 932 : 1252);
    TFormDocument doc;
    try {
        doc.LoadFormBytes(QStringLiteral("fuzz.dfm"), QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const EKorvelError&) {
        return 0;
    }
    const TComponentTree& tree = doc.Tree();
    for (int64_t i = 0; i < tree.count() && i < 32; ++i)
        (void)DecodeText(doc.NodeProperties(tree.GetNodeFromIndex(i)));
    try {
        (void)doc.RegenerateLines();
        (void)doc.ClipboardText(tree.GetNodeFromIndex(tree.count() - 1));
        (void)doc.SaveBytes();
    } catch (const EKorvelError&) {
    }
    return 0;
}

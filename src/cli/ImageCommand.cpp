// image: writes the picture a component's property holds to an image file.
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"

#include "document/FormDocument.h"
#include "document/Pictures.h"
#include "errors/Errors.h"

#include <QFileInfo>

namespace korvel::cli {

int CmdImage(const QStringList& args)
{
    const TCommandLine line(args, {{QStringLiteral("-o"), 1}});
    if (!line.Has(QStringLiteral("-o")) || line.Operands().size() != 3)
        throw UsageError{QStringLiteral("image takes FILE NODE PROPERTY -o OUT")};
    const QString file = line.Operands()[0];
    return RunForFile(file, [&] {
        TFormDocument doc;
        LoadFormDocument(doc, file);
        const QString& path = line.Operands()[1];
        const QString& property = line.Operands()[2];
        const auto hex = FindHexProperty(doc.NodeProperties(FindNode(doc.Tree(), path)), property);
        const auto picture = hex ? DecodePicture(hex->Data) : std::nullopt;
        if (!picture)
            throw EDocumentError(QStringLiteral("プロパティに画像がありません: ") + path + u' ' + property);
        // OUT without an extension takes the image's own.
        QString out = line.Value(QStringLiteral("-o"));
        if (out != QStringLiteral("-") && QFileInfo(out).suffix().isEmpty())
            out += picture->Extension();
        WriteOutput(out, picture->Image);
    });
}

} // namespace korvel::cli

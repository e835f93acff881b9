#include "document/CodePages.h"

#include "document/FormDocument.h"

#include <QFileInfo>

namespace korvel {

const std::vector<int>& ReopenCodePages()
{
    static const std::vector<int> pages{932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};
    return pages;
}

bool UsesAnsiCodePage(const TFormDocument& document)
{
    return document.IsLoaded() && (document.Format() == sofBinary || document.Encoding() == TTextEncoding::tenAnsi);
}

QString EncodingStatusText(const TFormDocument& document)
{
    if (!document.IsLoaded())
        return {};
    if (UsesAnsiCodePage(document))
        return QStringLiteral("CP%1").arg(document.CodePage());
    switch (document.Encoding()) {
    case TTextEncoding::tenUtf8Bom:
        return QStringLiteral("UTF-8");
    case TTextEncoding::tenUtf16LE:
        return QStringLiteral("UTF-16LE");
    case TTextEncoding::tenUtf16BE:
        return QStringLiteral("UTF-16BE");
    case TTextEncoding::tenAnsi:
        break;
    }
    return {};
}

QString TCodePageMemory::key(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath(); // empty when the file is gone
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

int TCodePageMemory::codePageFor(const QString& path) const
{
    return FCodePages.value(key(path), 0);
}

void TCodePageMemory::remember(const QString& path, int codePage)
{
    if (codePage == 0)
        FCodePages.remove(key(path));
    else
        FCodePages.insert(key(path), codePage);
}

} // namespace korvel

#include "errors/Errors.h"

namespace korvel {

EKorvelError::EKorvelError(QString message, TErrorPosition position)
    : FMessage(std::move(message)), FUtf8(FMessage.toStdString()), FPosition(position)
{
}

QString LineMessage(int line, const QString& message)
{
    QString text = QString::number(line);
    text += QStringView(u" 行目: ");
    text += message;
    return text;
}

} // namespace korvel

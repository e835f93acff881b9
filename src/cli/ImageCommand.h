// korvel-cli image: writes the picture a component's property holds to an image file.
#pragma once

#include <QStringList>

namespace korvel::cli {

// image FILE NODE PROPERTY -o OUT; returns the exit status.
int CmdImage(QStringList args);

} // namespace korvel::cli

// The entry point of the GUI tests: Korvel's own application (with its error guard)
// on the offscreen platform (unless another platform was chosen), a fixed ANSI
// code page, and user settings (the recent files) in a folder of this run's own.
#include "app/Application.h"
#include "convert/AnsiCodePage.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform warns about window features it lacks; that is noise here.
void filterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler = qInstallMessageHandler(filterMessages);
    const QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    korvel::TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    korvel::ansi::setActiveCodePage(1252);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

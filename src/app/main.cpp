// Korvel's program start: answers --version, checks that there is a display, applies the dark style,
// creates the main window and runs until it is closed (or, for timing runs, until the
// command-line file is shown).
#include "app/Application.h"
#include "app/DarkStyle.h"
#include "app/UiSeams.h"
#include "app/frmuMain.h"

#include "KorvelVersion.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// True when a window system can be reached: an X11 or Wayland display, or a
// platform chosen explicitly (QT_QPA_PLATFORM, e.g. offscreen).
bool displayAvailable()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    // Answered before anything needs a display, so packaging checks and
    // headless machines can ask for it.
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("korvel " KORVEL_VERSION "\n", stdout);
        return 0;
    }
    if (!displayAvailable()) {
        std::fputs("korvel: no display available; use korvel-cli for headless conversion\n", stderr);
        return 2;
    }
    korvel::TApplication app(argc, argv);
    // The application's title (message box captions); not a display name, which
    // the platform would append to every window caption.
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    QGuiApplication::setDesktopFileName(QStringLiteral("korvel"));
    korvel::ApplyDarkStyle(); // without it the platform's default look stays

    korvel::TfrmMain::TStartOptions options;
    options.arguments = QApplication::arguments().mid(1);
    // KORVEL_QUIT_AFTER_LOAD=1: a timing run that quits once the command-line file's tree is
    // shown. Nobody is there to close a box, so errors and warnings go to the error output.
    options.quitAfterLoad = qEnvironmentVariable("KORVEL_QUIT_AFTER_LOAD") == u"1";
    // KORVEL_TIMING=1: the milliseconds until a loaded tree and a selected node are shown
    // go to the error output.
    options.timing = qEnvironmentVariable("KORVEL_TIMING") == u"1";
    if (options.quitAfterLoad) {
        korvel::TUiSeams::error = korvel::TUiSeams::warning = [](const QString& text) {
            std::fprintf(stderr, "korvel: %s\n", text.toLocal8Bit().constData());
        };
    }
    korvel::TfrmMain frmMain(options);
    frmMain.show();
    return app.exec();
}

// TApplication: Korvel's QApplication. Every event is delivered inside one error
// guard, so that an exception thrown outside a command — by a timer slot, a paint
// hook or any other event handler — never crosses the event loop: it is reported
// through the same error box a failed command shows.
#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>

namespace korvel {

class TApplication : public QApplication {
public:
    // Shows the text of an error caught outside a command; the main window installs it.
    using TErrorReporter = std::function<void(const QString& text)>;

    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Sets the reporter for errors caught here and returns the one it replaces. Without a
    // reporter the text goes to the log.
    static TErrorReporter setErrorReporter(TErrorReporter reporter);

private:
    // Shows text once control is back in the event loop: the failure may have happened
    // halfway through a paint, where no box can be opened. While one report is waiting or
    // shown, further ones are dropped (a failing paint hook fails again at every repaint).
    void reportLater(const QString& text);

    bool FReportPending = false;
};

// The text an error box shows for an exception: a Korvel error's message, "Out of
// memory", another exception's what(), or "Unknown error".
QString ExceptionText(const std::exception_ptr& error);

} // namespace korvel

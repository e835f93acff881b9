#include "app/Application.h"

#include "errors/Errors.h"

#include <QMetaObject>

#include <new>
#include <utility>

namespace korvel {
namespace {

TApplication::TErrorReporter& errorReporter()
{
    static TApplication::TErrorReporter reporter;
    return reporter;
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) { }

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportLater(ExceptionText(std::current_exception()));
        return true; // the handler ran (and failed): the event is not passed on
    }
}

TApplication::TErrorReporter TApplication::setErrorReporter(TErrorReporter reporter)
{
    return std::exchange(errorReporter(), std::move(reporter));
}

void TApplication::reportLater(const QString& text)
{
    if (FReportPending)
        return;
    FReportPending = true;
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            struct TDone {
                bool& pending;
                ~TDone() { pending = false; }
            } done{FReportPending};
            // The reporter is looked up now: the window that installed it may be gone.
            if (const TErrorReporter reporter = errorReporter())
                reporter(text);
            else
                qCritical("%s", qUtf8Printable(text));
        },
        Qt::QueuedConnection);
}

QString ExceptionText(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EKorvelError& e) {
        return e.message();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Out of memory");
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

} // namespace korvel

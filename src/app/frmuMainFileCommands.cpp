// File commands: open, save, save as, restore backup, refresh, and the loading and
// outline they run, with the question before unsaved changes are thrown away.
#include "app/frmuMain.h"

#include "app/RecentFiles.h"
#include "app/UiSeams.h"
#include "document/FileIO.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressBar>
#include <QStatusBar>
#include <QThread>

#include <algorithm>
#include <exception>
#include <memory>

namespace korvel {

namespace {

// The busy pointer for the whole application while a load runs; pending window
// messages (but no user input) are processed as it is shown and as it goes.
class TBusyCursor {
public:
    TBusyCursor()
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    ~TBusyCursor()
    {
        QApplication::restoreOverrideCursor();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

} // namespace

QFileDialog* TfrmMain::createDialog(const QString& name)
{
    auto* dialog = new QFileDialog(this);
    dialog->setObjectName(name);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setOption(QFileDialog::ReadOnly, false);
    if (name == u"odMain") {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::AnyFile); // the chosen file need not exist
        dialog->setNameFilters(DialogFilterToNameFilters(FOpenFilter));
    } else if (name == u"sdMain") {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setNameFilters(DialogFilterToNameFilters(FOpenFilter));
        dialog->setDefaultSuffix(QString());
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setNameFilters(DialogFilterToNameFilters(FBinFilter));
        dialog->setDefaultSuffix(QStringLiteral("bin"));
    }
    return dialog;
}

// --- loading -----------------------------------------------------------------

void TfrmMain::OpenRequestedFile(const QString& path)
{
    FErrorFile = path;
    const QString target = ResolveRequestedFile(path);
    if (target.isEmpty()) {
        reportError(FMessages.StrFormFileNotFound);
        return;
    }
    if (ConfirmDiscardChanges())
        LoadFormFile(target);
}

// A load on the worker thread: what it loads, and what it made or the error it met.
// The worker writes Result or Error only; the window reads them once it has finished.
struct TfrmMain::TLoadJob {
    QString Path;
    int CodePage = 0;
    QString NoNameText;
    std::function<void()> Installed;
    std::function<void()> Failed;
    std::unique_ptr<TPreparedLoad> Result;
    std::exception_ptr Error;
    QElapsedTimer Clock;
};

void TfrmMain::LoadFormFile(const QString& path)
{
    loadFile(path, {});
}

void TfrmMain::loadFile(const QString& path, std::function<void()> failed)
{
    FErrorFile = path;
    // In the code page chosen for this file earlier in the session, if any.
    const int codePage = FCodePages.codePageFor(path);
    if (QFileInfo(path).size() >= FOptions.backgroundLoadBytes) {
        startBackgroundLoad(
            path, codePage, [path] { TRecentFiles::add(path); }, std::move(failed));
        return;
    }
    QElapsedTimer clock;
    clock.start();
    {
        TBusyCursor busy;
        // On failure nothing of the document has changed.
        FDocument.LoadFormFile(path, codePage);
    }
    TRecentFiles::add(path);
    afterLoad();
    reportShown(clock);
}

void TfrmMain::startBackgroundLoad(
    const QString& path, int codePage, std::function<void()> installed, std::function<void()> failed)
{
    // A newer load supersedes a running one: the older one's result is dropped when
    // it arrives, and it counts as failed now.
    if (FLoading && FLoading->Failed)
        std::exchange(FLoading->Failed, {})();
    auto job = std::make_shared<TLoadJob>();
    job->Path = path;
    job->CodePage = codePage;
    job->NoNameText = FDocument.NoNameText();
    job->Installed = std::move(installed);
    job->Failed = std::move(failed);
    job->Clock.start();
    FLoading = job;
    QThread* thread = QThread::create([job] {
        // Reads and outlines the file without touching the document; no exception
        // leaves the thread.
        try {
            job->Result = TFormDocument::PrepareLoadFile(job->Path, job->NoNameText, job->CodePage);
        } catch (...) {
            job->Error = std::current_exception();
        }
    });
    FLoadThreads.push_back(thread);
    // Delivered on the window's thread, after the worker's last write.
    connect(thread, &QThread::finished, this, [this, job, thread] {
        std::erase(FLoadThreads, thread);
        thread->deleteLater();
        finishBackgroundLoad(job);
    });
    showLoading(true);
    thread->start();
    updateActions();
}

void TfrmMain::finishBackgroundLoad(const std::shared_ptr<TLoadJob>& job)
{
    if (job != FLoading)
        return; // superseded by a newer load
    FLoading.reset();
    showLoading(false);
    guarded([&] {
        FErrorFile = job->Path;
        if (job->Error) {
            if (job->Failed)
                job->Failed();
            std::rethrow_exception(job->Error);
        }
        const qint64 prepared = job->Clock.elapsed();
        FDocument.InstallLoad(std::move(job->Result));
        if (job->Installed)
            job->Installed();
        afterLoad();
        reportShown(job->Clock, prepared);
    });
    updateActions();
    if (std::exchange(FQuitWhenLoaded, false))
        quitAfterLoad();
    emit loadFinished();
}

void TfrmMain::showLoading(bool loading)
{
    if (!FLoadProgress) {
        // A busy bar: the outline's length is not known before it is done.
        FLoadProgress = new QProgressBar(statusBar());
        FLoadProgress->setObjectName(QStringLiteral("pbLoading"));
        FLoadProgress->setRange(0, 0);
        FLoadProgress->setMaximumWidth(160);
        FLoadProgress->setTextVisible(false);
        FLoadProgress->hide();
        statusBar()->addPermanentWidget(FLoadProgress);
    }
    if (loading == !FLoadProgress->isHidden())
        return;
    FLoadProgress->setVisible(loading);
    // The tree and the pane show the previous document meanwhile, but it cannot be
    // changed: the load replaces it without asking again. The widget that had the
    // focus gets it back.
    if (loading)
        FFocusBeforeLoad = QApplication::focusWidget();
    centralWidget()->setEnabled(!loading);
    if (!loading && FFocusBeforeLoad && isActiveWindow())
        FFocusBeforeLoad->setFocus(Qt::OtherFocusReason);
    if (loading)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TfrmMain::reportShown(const QElapsedTimer& clock, qint64 preparedMs)
{
    if (!FOptions.timing)
        return;
    // Queued behind the tree's pending paint, so the figure includes it.
    QMetaObject::invokeMethod(
        this,
        [this, clock, preparedMs] {
            QString text = QStringLiteral("tree of %1 nodes shown %2 ms after the open, %3 ms after the start")
                               .arg(FDocument.Tree().count())
                               .arg(clock.elapsed())
                               .arg(FStartClock.elapsed());
            if (preparedMs >= 0)
                text += QStringLiteral(" (read and outlined on the worker in %1 ms)").arg(preparedMs);
            reportTiming(text);
        },
        Qt::QueuedConnection);
}

void TfrmMain::afterLoad()
{
    FActions.actAutoDecode->setChecked(FDocument.AutoDecode());
    UpdateCaption();
    showText(QString());
    showLoadedDocument();
    // Lines that could not be loaded as they are: the user learns it now, not at the save
    // that refuses them.
    if (!FDocument.LoadWarnings().empty())
        WarningBox(this, LoadWarningsText(FDocument.CurrentFileName(), FDocument.LoadWarnings()));
}

void TfrmMain::actParseExecute()
{
    {
        TBusyCursor busy;
        FDocument.Reparse();
    }
    showLoadedDocument();
}

void TfrmMain::actDisposeAllExecute()
{
    // The records live inside the tree's nodes and are released with them when
    // the tree is rebuilt or destroyed; there is nothing to release separately.
}

// --- file commands ---------------------------------------------------------------

void TfrmMain::actOpenFileExecute()
{
    std::unique_ptr<QFileDialog> odMain(createDialog(QStringLiteral("odMain")));
    const QString path = ExecFileDialog(*odMain);
    if (!path.isEmpty() && ConfirmDiscardChanges())
        LoadFormFile(path);
}

bool TfrmMain::ConfirmDiscardChanges()
{
    const bool paneChanged = paneHasUnappliedText();
    if (!paneChanged && !FDocument.IsModified())
        return true;
    switch (AskSaveChanges(this, FMessages.StrSaveModified)) {
    case TSaveAnswer::Cancel:
        return false;
    case TSaveAnswer::Discard:
        return true;
    case TSaveAnswer::Save:
        break;
    }
    // Save keeps the typed text too: it is applied to its node first.
    if (paneChanged)
        actSavePropertiesExecute();
    const QString target = FDocument.CurrentFileName();
    FErrorFile = target;
    FDocument.Save(); // a failure ends the command that asked: nothing is thrown away
    UpdateCaption();
    return true;
}

void TfrmMain::actsaveFileExecute()
{
    if (FDocument.OrgFileName().isEmpty() || !ConfirmBox(this, FMessages.StrSaveChanges))
        return;
    FErrorFile = FDocument.CurrentFileName();
    FDocument.Save();
    UpdateCaption();
}

void TfrmMain::actSaveAsExecute()
{
    if (FDocument.OrgFileName().isEmpty())
        return;
    std::unique_ptr<QFileDialog> sdMain(createDialog(QStringLiteral("sdMain")));
    sdMain->selectFile(QFileInfo(FDocument.CurrentFileName()).fileName());
    const QString path = ExecFileDialog(*sdMain);
    if (path.isEmpty())
        return;
    FErrorFile = path;
    FDocument.SaveAs(path); // takes the new name only once the file is written
    TRecentFiles::add(path);
    UpdateCaption();
}

void TfrmMain::actRestoreBackupExecute()
{
    if (FDocument.OrgFileName().isEmpty() || !ConfirmBox(this, FMessages.StrRestoreBackup))
        return;
    FErrorFile = FDocument.CurrentFileName();
    FDocument.RestoreBackup();
}

void TfrmMain::actRefreshExecute()
{
    if (FDocument.OrgFileName().isEmpty() || !ConfirmBox(this, FMessages.StrReload))
        return;
    // Asked after the reload question: only a reload that will happen throws changes away.
    const QString path = FDocument.CurrentFileName();
    if (!FileExists(path) || !ConfirmDiscardChanges())
        return;
    FErrorFile = FDocument.CurrentFileName(); // a save may have been asked for
    if (QFileInfo(FDocument.CurrentFileName()).size() >= FOptions.backgroundLoadBytes) {
        // Reloaded in the document's code page, as the document's own refresh does.
        startBackgroundLoad(FDocument.CurrentFileName(), FDocument.CodePage(), {});
        return;
    }
    bool reloaded = false;
    {
        TBusyCursor busy;
        reloaded = FDocument.Refresh();
    }
    if (reloaded)
        afterLoad();
}

} // namespace korvel

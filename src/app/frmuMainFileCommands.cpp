// File commands: open, save, save as, restore backup, refresh, and the loading and
// outline they run, with the question before unsaved changes are thrown away.
#include "app/frmuMain.h"

#include "app/RecentFiles.h"
#include "app/UiSeams.h"
#include "document/FileIO.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

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

void TfrmMain::LoadFormFile(const QString& path)
{
    FErrorFile = path;
    {
        TBusyCursor busy;
        // In the code page chosen for this file earlier in the session, if any. On
        // failure nothing of the document has changed.
        FDocument.LoadFormFile(path, FCodePages.codePageFor(path));
    }
    TRecentFiles::add(path);
    afterLoad();
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
    bool reloaded = false;
    {
        TBusyCursor busy;
        reloaded = FDocument.Refresh();
    }
    if (reloaded)
        afterLoad();
}

} // namespace korvel

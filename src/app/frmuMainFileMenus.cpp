// The Open button's drop-down of recently opened files, and reopening the file in
// another ANSI code page (the code page menu and its status bar field).
#include "app/frmuMain.h"

#include "app/RecentFiles.h"
#include "app/UiSeams.h"
#include "document/FileIO.h"

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace korvel {

void TfrmMain::createFileMenus(QToolBar* toolBar)
{
    const TMainActions& a = FActions;

    FRecentMenu = new QMenu(this);
    FRecentMenu->setObjectName(QStringLiteral("pabRecentFiles"));
    connect(FRecentMenu, &QMenu::aboutToShow, this, [this] { fillRecentFilesMenu(); });
    if (auto* open = qobject_cast<QToolButton*>(toolBar->widgetForAction(a.actOpenFile))) {
        open->setMenu(FRecentMenu);
        open->setPopupMode(QToolButton::MenuButtonPopup);
    }

    FCodePageMenu = new QMenu(this);
    FCodePageMenu->setObjectName(QStringLiteral("pabCodePages"));
    auto* group = new QActionGroup(FCodePageMenu);
    group->setExclusive(true);
    for (const int codePage : ReopenCodePages()) {
        QAction* item = FCodePageMenu->addAction(QStringLiteral("CP%1").arg(codePage));
        item->setObjectName(QStringLiteral("actCodePage%1").arg(codePage));
        item->setData(codePage);
        item->setCheckable(true);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, codePage] {
            guarded([this, codePage] { ReopenWithCodePage(codePage); });
            updateActions();
        });
    }
    // The code page in use is checked whenever the menu opens.
    connect(FCodePageMenu, &QMenu::aboutToShow, this, [this] {
        for (QAction* item : FCodePageMenu->actions())
            item->setChecked(UsesAnsiCodePage(FDocument) && item->data().toInt() == FDocument.CodePage());
    });
    a.actReopenWithCodePage->setMenu(FCodePageMenu);
    if (auto* button = qobject_cast<QToolButton*>(toolBar->widgetForAction(a.actReopenWithCodePage)))
        button->setPopupMode(QToolButton::InstantPopup);

    FCodePageStatus = new QLabel(statusBar());
    FCodePageStatus->setObjectName(QStringLiteral("StatusBarCodePage"));
    FCodePageStatus->setTextFormat(Qt::PlainText);
    statusBar()->addPermanentWidget(FCodePageStatus);
}

void TfrmMain::fillRecentFilesMenu()
{
    FRecentMenu->clear();
    const QStringList files = TRecentFiles::files();
    if (files.isEmpty()) {
        FRecentMenu->addAction(FMessages.StrNoRecentFiles)->setEnabled(false);
        return;
    }
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString& path = files[i];
        // "&1 /dir/a.dfm" … "1&0 /dir/j.dfm"; an ampersand of the path is shown as one.
        const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
        QString shown = QDir::toNativeSeparators(path);
        shown.replace(u'&', QStringLiteral("&&"));
        QAction* item = FRecentMenu->addAction(number + u' ' + shown);
        item->setData(path);
        connect(item, &QAction::triggered, this, [this, path] {
            guarded([this, path] { OpenRecentFile(path); });
            updateActions();
        });
    }
}

void TfrmMain::OpenRecentFile(const QString& path)
{
    FErrorFile = path;
    if (!FileExists(path)) {
        TRecentFiles::remove(path);
        reportError(FMessages.StrFormFileNotFound);
        return;
    }
    if (ConfirmDiscardChanges())
        LoadFormFile(path);
}

void TfrmMain::actReopenWithCodePageExecute()
{
    // A shortcut or a menu entry of the action opens the code page list where the
    // pointer is; the tool button opens it by itself.
    FCodePageMenu->popup(QCursor::pos());
}

void TfrmMain::ReopenWithCodePage(int codePage)
{
    const QString path = FDocument.CurrentFileName();
    if (path.isEmpty())
        return;
    FErrorFile = path;
    if (!ConfirmDiscardChanges())
        return;
    FErrorFile = path; // a save may have been asked for
    // The choice is kept only when the file could be read in it.
    const int previous = FCodePages.codePageFor(path);
    FCodePages.remember(path, codePage);
    const auto forget = [this, path, previous] { FCodePages.remember(path, previous); };
    try {
        loadFile(path, forget); // a load on the worker thread forgets it when it fails
    } catch (...) {
        forget();
        throw;
    }
}

QString TfrmMain::codePageStatusText() const
{
    return FCodePageStatus->text();
}

} // namespace korvel

// Property pane commands: showing the selected node's text, auto-decode, applying
// and reverting the pane's text, saving selected hexadecimal text as a binary file,
// and the editor commands behind the window's shortcuts.
#include "app/frmuMain.h"

#include "app/ComponentTreeView.h"
#include "app/TEditor.h"
#include "app/UiSeams.h"
#include "document/BinaryExtraction.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>

#include <memory>

namespace korvel {

void TfrmMain::tvMainChange()
{
    if (selectedNode() == FShownNode && FShownNode)
        return; // the same node: not a change of selection
    tvMainClick();
}

void TfrmMain::tvMainClick()
{
    FStatusText->clear();
    TTreeNode* s = selectedNode();
    FShownNode = s;
    if (!s)
        return;
    UpdateStatusBar();
    showText(FDocument.ShownProperties(s));
}

void TfrmMain::showText(const QString& paneText)
{
    // The highlighter colours only the rows being painted, so texts of any length show at once.
    FShownText = paneText;
    mmProperties->setText(paneText);
    mmProperties->scrollToTopLeft();
}

bool TfrmMain::paneHasUnappliedText() const
{
    if (!FShownNode)
        return false;
    // Compared with the breaks made alike: the pane gives every break back as CR LF.
    const auto normalized = [](QString text) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(u'\r', u'\n');
        return text;
    };
    return normalized(mmProperties->text()) != normalized(FShownText);
}

void TfrmMain::actAutoDecodeExecute()
{
    FDocument.SetAutoDecode(FActions.actAutoDecode->isChecked());
    tvMainClick();
}

void TfrmMain::actSavePropertiesExecute()
{
    TTreeNode* s = selectedNode();
    if (!s)
        return;
    FShownText = mmProperties->text(); // the pane goes on showing the text as typed
    FDocument.ApplyProperties(s, FShownText);
    UpdateStatusBar();
}

void TfrmMain::actOriginalPropertiesExecute()
{
    TTreeNode* s = selectedNode();
    if (!s)
        return;
    FDocument.RevertProperties(s);
    showText(FDocument.ShownProperties(s));
    UpdateStatusBar();
}

void TfrmMain::mmPropertiesDblClick()
{
    mmProperties->SelectTokenFromCaret();
}

void TfrmMain::actSelTextToBinExecute()
{
    std::unique_ptr<QFileDialog> sdBin(createDialog(QStringLiteral("sdBin")));
    sdBin->selectFile(QString());
    const QString path = ExecFileDialog(*sdBin);
    if (path.isEmpty())
        return;
    FErrorFile = path;
    SaveSelectionAsBinary(mmProperties->selectedText(), path);
}

// --- editor commands -------------------------------------------------------------

void TfrmMain::actSelectAllExecute()
{
    if (mmProperties->hasFocus())
        mmProperties->selectAll();
}

void TfrmMain::actEditorCopyExecute()
{
    if (mmProperties->hasFocus())
        mmProperties->copy();
}

void TfrmMain::actEditorCutExecute()
{
    if (mmProperties->hasFocus())
        mmProperties->cut();
}

void TfrmMain::actEditorPasteExecute()
{
    if (mmProperties->hasFocus())
        mmProperties->paste();
}

void TfrmMain::actEditorUndoExecute()
{
    // The pane keeps its own undo; in the tree the key takes back a document change.
    if (mmProperties->hasFocus())
        mmProperties->undo();
    else if (tvMain->hasFocus())
        undoDocumentChange();
}

} // namespace korvel

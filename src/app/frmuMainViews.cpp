// The views around the tree and the pane: the find bar over the tree, the picture
// pane under the property pane with its save and replace commands, and the form
// preview dock, each following the selection and the document.
#include "app/frmuMain.h"

#include "app/ComponentTreeView.h"
#include "app/FindBar.h"
#include "app/FormPreviewDock.h"
#include "app/PicturePane.h"
#include "app/TEditor.h"
#include "app/TreeModel.h"
#include "app/UiSeams.h"
#include "document/FileIO.h"
#include "document/Pictures.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QSplitter>
#include <QTextBlock>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace korvel {
namespace {

// The row and column of offset in text, line breaks (CR LF, CR or LF) counting as one.
std::pair<int, qsizetype> RowAndColumn(const QString& text, qsizetype offset)
{
    int row = 0;
    qsizetype lineStart = 0;
    offset = std::min(offset, text.size());
    for (qsizetype i = 0; i < offset; ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        if (text[i] == u'\r' || text[i] == u'\n') {
            ++row;
            lineStart = i + 1;
        }
    }
    return {row, offset - lineStart};
}

} // namespace

void TfrmMain::createViews(QSplitter* splitter)
{
    // The tree with the find bar over it.
    auto* pnlTree = new QWidget(splitter);
    pnlTree->setObjectName(QStringLiteral("pnlTree"));
    auto* treeLayout = new QVBoxLayout(pnlTree);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->setSpacing(0);
    FFindBar = new TFindBar(
        FDocument.Tree(), tvMain, FModel, [this](const TTreeNode* n) { return FDocument.ShownProperties(n); },
        [this](const TPropertyMatch& m) {
            guarded([&] {
                auto* node = const_cast<TTreeNode*>(m.Node);
                for (const TTreeNode* p = node->parent(); p; p = p->parent())
                    tvMain->expand(FModel->indexOf(p));
                selectNode(node);
                if (FShownNode != node)
                    tvMainClick();
                tvMain->scrollTo(FModel->indexOf(node));
                if (m.Length <= 0)
                    return;
                // The occurrence is selected in the pane (the text the search read).
                mmProperties->finishLoading();
                const auto [row, column] = RowAndColumn(FShownText, m.Offset);
                const QTextBlock block = mmProperties->document()->findBlockByNumber(row);
                if (!block.isValid())
                    return;
                const int start = block.position() + int(std::min<qsizetype>(column, block.length() - 1));
                const int end = block.position() + int(std::min<qsizetype>(column + m.Length, block.length() - 1));
                QTextCursor cursor(mmProperties->document());
                cursor.setPosition(start);
                cursor.setPosition(end, QTextCursor::KeepAnchor);
                mmProperties->setTextCursor(cursor);
                mmProperties->ensureCursorVisible();
            });
            updateActions();
        },
        pnlTree);
    treeLayout->addWidget(FFindBar);
    tvMain->setParent(pnlTree);
    treeLayout->addWidget(tvMain, 1);
    splitter->addWidget(pnlTree);

    // The property pane with the picture pane under it.
    auto* splitterPane = new QSplitter(Qt::Vertical, splitter);
    splitterPane->setObjectName(QStringLiteral("splitterPane"));
    splitterPane->setHandleWidth(3);
    splitterPane->setChildrenCollapsible(false);
    splitterPane->addWidget(mmProperties);
    FPicturePane = new TPicturePane(splitterPane);
    splitterPane->addWidget(FPicturePane);
    splitterPane->setStretchFactor(0, 1);
    splitterPane->setStretchFactor(1, 0);
    splitter->addWidget(splitterPane);

    connect(FPicturePane, &TPicturePane::saveRequested, this, [this](int index) {
        guarded([&] {
            if (size_t(index) >= FPicturePane->pictures().size())
                return;
            const TPictureProperty p = FPicturePane->pictures()[size_t(index)];
            const QString extension = p.Picture.Extension();
            std::unique_ptr<QFileDialog> sdPicture(createDialog(QStringLiteral("sdPicture")));
            sdPicture->setNameFilters(
                {p.Picture.PictureClass() + QStringLiteral(" (*") + extension + u')', QStringLiteral("All Files (*)")});
            sdPicture->setDefaultSuffix(extension.mid(1));
            QString base = p.Property.Name;
            if (base.endsWith(QStringLiteral(".Data"), Qt::CaseInsensitive))
                base.chop(5);
            const TTreeNode* s = selectedNode();
            if (s && !s->record().ObjectName.isEmpty())
                base = s->record().ObjectName + u'_' + base;
            sdPicture->selectFile(base.replace(u'.', u'_') + extension);
            const QString path = ExecFileDialog(*sdPicture);
            if (path.isEmpty())
                return;
            FErrorFile = path;
            WriteFileAtomic(path, p.Picture.Image);
        });
    });
    connect(FPicturePane, &TPicturePane::replaceRequested, this, [this](int index) {
        guarded([&] {
            TTreeNode* s = selectedNode();
            if (!s || size_t(index) >= FPicturePane->pictures().size())
                return;
            const TPictureProperty p = FPicturePane->pictures()[size_t(index)];
            std::unique_ptr<QFileDialog> odPicture(createDialog(QStringLiteral("odPicture")));
            odPicture->setAcceptMode(QFileDialog::AcceptOpen);
            odPicture->setFileMode(QFileDialog::ExistingFile);
            odPicture->setDefaultSuffix(QString());
            odPicture->setNameFilters(
                {QStringLiteral("Image files (*.bmp *.png *.ico *.cur *.jpg *.jpeg *.gif *.emf *.wmf *.tif *.tiff)"),
                    QStringLiteral("All Files (*)")});
            const QString path = ExecFileDialog(*odPicture);
            if (path.isEmpty())
                return;
            FErrorFile = path;
            const QByteArray image = ReadWholeFile(path);
            FErrorFile.clear();
            // The picture pane shows the document's text; text typed in the pane and
            // not applied gives way to it, as when another node is selected.
            const QString text = ReplacePicture(FPicturePane->shownText(), p, image);
            FDocument.ApplyProperties(s, text);
            showText(FDocument.ShownProperties(s));
            UpdateStatusBar();
        });
        updateActions();
    });

    // The form preview, shown from the tool bar.
    FFormPreview = new TFormPreviewDock(FDocument, FModel, this);
    FFormPreview->setAllowedAreas(Qt::AllDockWidgetAreas);
    addDockWidget(Qt::RightDockWidgetArea, FFormPreview);
    resizeDocks({FFormPreview}, {420}, Qt::Horizontal);
    FFormPreview->hide();
    connect(FFormPreview->preview(), &TFormPreview::nodeClicked, this, [this](const TTreeNode* node) {
        guarded([&] {
            for (const TTreeNode* p = node->parent(); p; p = p->parent())
                tvMain->expand(FModel->indexOf(p));
            selectNode(node);
            tvMain->scrollTo(FModel->indexOf(node));
        });
        updateActions();
    });
    if (auto* atbMain = findChild<QToolBar*>(QStringLiteral("atbMain"))) {
        atbMain->addSeparator();
        atbMain->addAction(FFormPreview->toggleViewAction());
    }
}

void TfrmMain::refreshViews()
{
    if (!FPicturePane)
        return;
    // Called after every command and selection: the views are built again only
    // when the selection or the document changed since.
    const TTreeNode* s = selectedNode();
    const TViewsKey key{s, FDocument.ChangeStamp(), FDocument.AutoDecode()};
    if (key == FViewsKey)
        return;
    const bool documentChanged = key.Changes != FViewsKey.Changes || key.AutoDecode != FViewsKey.AutoDecode;
    FViewsKey = key;
    FPicturePane->showPictures(s ? FDocument.ShownProperties(s) : QString());
    if (documentChanged)
        FFindBar->refilter();
    FFormPreview->follow(s);
}

} // namespace korvel

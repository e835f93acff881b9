#include "app/FindBar.h"

#include "app/ComponentTreeView.h"
#include "app/TreeModel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace korvel {
namespace {

// Draws the find bar's matches bold and shows a caption that the tree's width cuts
// off as a tool tip.
class TFindDelegate : public QStyledItemDelegate {
public:
    TFindDelegate(const TFindBar* bar, QObject* parent) : QStyledItemDelegate(parent), FBar(bar) { }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (FBar->isMarked(index))
            option->font.setBold(true);
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
        const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip || !view || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        const QRect visible = view->viewport()->rect();
        const QRect needed(option.rect.topLeft(), sizeHint(option, index));
        if (needed.left() < visible.left() || needed.right() > visible.right()) {
            QToolTip::showText(
                event->globalPos(), index.data(Qt::DisplayRole).toString(), view->viewport(), option.rect);
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }

private:
    const TFindBar* FBar;
};

// Calls visit(node, parent index) for every node depth-first, iteratively.
template <typename Visit> void ForEachRow(const TComponentTree& tree, const TreeModel* model, Visit&& visit)
{
    std::vector<const TTreeNode*> stack;
    for (int i = tree.topLevelCount() - 1; i >= 0; --i)
        stack.push_back(tree.topLevel(i));
    while (!stack.empty()) {
        const TTreeNode* node = stack.back();
        stack.pop_back();
        visit(node, model->indexOf(node->parent()));
        for (int i = node->childCount() - 1; i >= 0; --i)
            stack.push_back(node->child(i));
    }
}

} // namespace

TFindBar::TFindBar(const TComponentTree& components, TComponentTreeView* tree, TreeModel* model,
    TPropertyTextOf propertyText, TShowMatch showMatch, QWidget* parent)
    : QWidget(parent), FComponents(components), FTree(tree), FModel(model), FPropertyText(std::move(propertyText)),
      FShowMatch(std::move(showMatch))
{
    setObjectName(QStringLiteral("pnlFind"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(3);
    FText = new QLineEdit(this);
    FText->setObjectName(QStringLiteral("edFind"));
    FText->setClearButtonEnabled(true);
    FText->setPlaceholderText(QStringLiteral("検索"));
    FText->installEventFilter(this);
    FMode = new QComboBox(this);
    FMode->setObjectName(QStringLiteral("cbFindMode"));
    FMode->addItem(QStringLiteral("名前・クラス"));
    FMode->addItem(QStringLiteral("プロパティ"));
    FMode->setToolTip(QStringLiteral("名前とクラス名で絞り込むか、プロパティのテキストを検索するか"));
    FCount = new QLabel(this);
    FCount->setObjectName(QStringLiteral("lblFindCount"));
    layout->addWidget(FText, 1);
    layout->addWidget(FMode);
    layout->addWidget(FCount);
    hide();

    connect(FText, &QLineEdit::textChanged, this, [this] { applyFilter(true); });
    connect(FMode, &QComboBox::currentIndexChanged, this, [this] { applyFilter(true); });
    // A new tree has no hidden rows and none of the old nodes; moves may take a
    // match under a node the filter hides.
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { forgetTree(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { refilter(); });
    connect(model, &QAbstractItemModel::rowsMoved, this, [this] { refilter(); });

    // Ctrl+F in the tree opens the bar; F3 and Shift+F3 step while it is shown.
    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), tree);
    find->setObjectName(QStringLiteral("scTreeFind"));
    find->setContext(Qt::WidgetShortcut);
    connect(find, &QShortcut::activated, this, [this] { open(); });
    auto* next = new QShortcut(QKeySequence(Qt::Key_F3), this);
    next->setContext(Qt::WindowShortcut);
    connect(next, &QShortcut::activated, this, [this] { step(true); });
    auto* previous = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this);
    previous->setContext(Qt::WindowShortcut);
    connect(previous, &QShortcut::activated, this, [this] { step(false); });

    // The tree is as wide as its longest caption and scrolls sideways.
    tree->setItemDelegate(new TFindDelegate(this, tree));
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    updateCount();
}

TFindBar::TMode TFindBar::mode() const
{
    return FMode->currentIndex() == 1 ? TMode::Properties : TMode::Components;
}

void TFindBar::setMode(TMode mode)
{
    FMode->setCurrentIndex(mode == TMode::Properties ? 1 : 0);
}

bool TFindBar::isMarked(const QModelIndex& index) const
{
    return !FMarked.empty() && FMarked.count(TreeModel::nodeOf(index)) > 0;
}

void TFindBar::open()
{
    show();
    FText->setFocus(Qt::ShortcutFocusReason);
    FText->selectAll();
}

void TFindBar::close()
{
    FText->clear(); // shows the whole tree again
    hide();
    FTree->setFocus(Qt::OtherFocusReason);
}

void TFindBar::step(bool forward)
{
    if (!isVisible())
        return;
    FCurrent = StepMatch(FCurrent, int(FMatches.size()), forward);
    updateCount();
    // A copy: showing the match may filter again.
    if (FCurrent >= 0 && FShowMatch)
        FShowMatch(TPropertyMatch(FMatches[size_t(FCurrent)]));
}

void TFindBar::refilter()
{
    if (FText->text().isEmpty())
        return;
    // The match stepped to last stays the current one while it is still there.
    const TPropertyMatch current = FCurrent >= 0 ? FMatches[size_t(FCurrent)] : TPropertyMatch();
    applyFilter(false);
    for (size_t i = 0; current.Node && i < FMatches.size(); ++i)
        if (FMatches[i].Node == current.Node && FMatches[i].Offset == current.Offset)
            FCurrent = int(i);
    updateCount();
}

void TFindBar::forgetTree()
{
    FMatches.clear();
    FMarked.clear();
    FCurrent = -1;
    FFiltered = false; // the view shows every row of a new tree
}

void TFindBar::applyFilter(bool expandMatches)
{
    const QString text = FText->text();
    const bool filtered = FFiltered;
    forgetTree();
    FFiltered = filtered;
    if (text.isEmpty()) {
        showRows(nullptr, false);
    } else if (mode() == TMode::Components) {
        TComponentFilter filter = FilterComponents(FComponents, text);
        for (const TTreeNode* n : filter.Matches)
            FMatches.push_back({n, 0, 0});
        showRows(&filter.Kept, expandMatches);
    } else {
        FMatches = FindInProperties(FComponents, text, FPropertyText);
        std::unordered_set<const TTreeNode*> kept;
        for (const TPropertyMatch& m : FMatches)
            for (const TTreeNode* n = m.Node; n && kept.insert(n).second; n = n->parent()) { }
        showRows(&kept, expandMatches);
    }
    for (const TPropertyMatch& m : FMatches)
        FMarked.insert(m.Node);
    updateCount();
    FTree->viewport()->update();
}

void TFindBar::showRows(const std::unordered_set<const TTreeNode*>* kept, bool expandMatches)
{
    if (!kept && !FFiltered)
        return;
    FFiltered = kept != nullptr;
    ForEachRow(FComponents, FModel, [&](const TTreeNode* node, const QModelIndex& parent) {
        const bool hide = kept && kept->count(node) == 0;
        if (FTree->isRowHidden(node->row(), parent) != hide)
            FTree->setRowHidden(node->row(), parent, hide);
    });
    if (!kept || !expandMatches)
        return;
    // The matches come in sight: their ancestors are expanded.
    std::unordered_set<const TTreeNode*> expanded;
    for (const TPropertyMatch& m : FMatches)
        for (const TTreeNode* p = m.Node->parent(); p && expanded.insert(p).second; p = p->parent())
            FTree->expand(FModel->indexOf(p));
}

void TFindBar::updateCount()
{
    if (FText->text().isEmpty())
        FCount->clear();
    else
        FCount->setText(QString::number(FCurrent + 1) + u'/' + QString::number(FMatches.size()));
}

bool TFindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FText && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            step(!(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            close();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace korvel

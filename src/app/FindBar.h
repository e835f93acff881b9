// TFindBar: the filter box above the component tree. In the name/class mode typing
// narrows the tree to the matching components (their ancestors kept) and marks the
// matches bold; in the property mode it narrows the tree to the components whose
// property text holds the text. Enter/F3 step to the next match, Shift+Enter/Shift+F3
// to the previous one, Escape clears the box and hides the bar. The bar also gives the
// tree its item delegate, which shows a caption cut off by the tree's width as a tool tip.
#pragma once

#include "document/FindComponents.h"

#include <QWidget>

#include <functional>
#include <unordered_set>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;

namespace korvel {

class TComponentTreeView;
class TreeModel;

class TFindBar : public QWidget {
    Q_OBJECT
public:
    enum class TMode { Components, Properties };
    // Shows a match: selects its node and, in the property mode, the occurrence in
    // the pane (length 0 in the name/class mode).
    using TShowMatch = std::function<void(const TPropertyMatch& match)>;

    TFindBar(const TComponentTree& components, TComponentTreeView* tree, TreeModel* model, TPropertyTextOf propertyText,
        TShowMatch showMatch, QWidget* parent = nullptr);

    QLineEdit* textBox() const { return FText; }
    QComboBox* modeBox() const { return FMode; }
    TMode mode() const;
    void setMode(TMode mode);
    // The matches of the present text and mode, and the one stepped to last (-1: none).
    const std::vector<TPropertyMatch>& matches() const { return FMatches; }
    int current() const { return FCurrent; }
    // The node is a match of the present text (drawn bold).
    bool isMarked(const QModelIndex& index) const;

    // Shows the bar with the focus in its box, the text selected.
    void open();
    // Clears the text (the whole tree shows again), hides the bar, gives the tree the focus.
    void close();
    // Steps to the next (forward) or previous match and shows it.
    void step(bool forward);
    // Filters again: the tree's structure or a property text changed.
    void refilter();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Filters with the present text and mode; the current match is none.
    void applyFilter(bool expandMatches);
    // Forgets the matches and the hidden rows (the tree is being replaced).
    void forgetTree();
    // Hides the rows not kept (nullptr: shows every row).
    void showRows(const std::unordered_set<const TTreeNode*>* kept, bool expandMatches);
    void updateCount();

    const TComponentTree& FComponents;
    TComponentTreeView* FTree;
    TreeModel* FModel;
    TPropertyTextOf FPropertyText;
    TShowMatch FShowMatch;
    QLineEdit* FText = nullptr;
    QComboBox* FMode = nullptr;
    QLabel* FCount = nullptr;
    std::vector<TPropertyMatch> FMatches;
    std::unordered_set<const TTreeNode*> FMarked;
    int FCurrent = -1;
    // Some rows are hidden by the filter.
    bool FFiltered = false;
};

} // namespace korvel

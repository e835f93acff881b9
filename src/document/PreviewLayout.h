// The rectangles of a form's wireframe preview, computed from the component tree:
// each visual component at Left/Top/Width/Height inside its parent, docked ones
// placed by Align, captions, hidden flags, and the non-visual components apart.
#pragma once

#include "document/ComponentTree.h"

#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace korvel {

// Docking of a component in its parent's client area.
enum class TPreviewAlign : uint8_t { None, Top, Bottom, Left, Right, Client };

// One visual component of the preview.
struct TPreviewItem {
    const TTreeNode* Node = nullptr;
    // The index in Items of the parent's item; -1 for the form.
    int Parent = -1;
    // The rectangle in the form's client coordinates.
    QRect Rect;
    // Caption, else Text, else the component name (the class for a nameless one).
    QString Caption;
    TPreviewAlign Align = TPreviewAlign::None;
    // Visible = False on the component or on one of its parents.
    bool Hidden = false;
};

// The preview of one form.
struct TPreviewLayout {
    // The visual components, parent before children and siblings in creation order
    // (the order they are drawn, so a later one lies above an earlier one).
    std::vector<TPreviewItem> Items;
    // The components without a place on the form (timers, menus, data sets …), depth-first.
    std::vector<const TTreeNode*> NonVisual;

    // The index of node's item, or -1.
    int indexOf(const TTreeNode* node) const;
    // The topmost item that is not hidden and contains point, or -1.
    int itemAt(QPoint point) const;
};

// The property text a layout reads for a node (the node's own property lines).
using TPreviewPropertiesOf = std::function<QString(const TTreeNode*)>;

// Lays out form (a top-level node) with its subtree. The form's item takes
// ClientWidth/ClientHeight (else Width/Height) at 0,0. A component is visual when it
// has a Width, Height, Size, Align or client size, or when it has none of them but
// visual children (a page of a page control): it then fills its parent. Docked
// children take their place from the parent's remaining client area, top ones
// first, then bottom, left, right and client ones, each group in creation order.
// Iterative, so any depth is safe.
TPreviewLayout LayoutPreview(const TTreeNode* form, const TPreviewPropertiesOf& propertiesOf);

} // namespace korvel

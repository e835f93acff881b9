// The form preview: a dock that draws the selected component's form as a wireframe
// (PreviewLayout's rectangles with their captions, hidden components dimmed, pictures
// drawn where Qt can read them) and marks the selected component. Clicking a rectangle
// asks the window to select its component. A view only: nothing is edited there.
#pragma once

#include "document/PreviewLayout.h"

#include <QDockWidget>
#include <QImage>

#include <cstdint>

#include <unordered_map>
#include <vector>

class QAbstractItemModel;

namespace korvel {

class TFormDocument;

// The wireframe of one form, scaled down to fit the widget.
class TFormPreview : public QWidget {
    Q_OBJECT
public:
    explicit TFormPreview(QWidget* parent = nullptr);

    // Shows layout; images holds per item the picture drawn in it (a null image: none).
    void setPreview(TPreviewLayout layout, std::vector<QImage> images);
    void setSelectedNode(const TTreeNode* node);
    const TPreviewLayout& preview() const { return FLayout; }
    // The index of the selected component's item, or -1.
    int selectedItem() const { return FSelected; }
    // Item i's rectangle in the widget's coordinates.
    QRect widgetRect(int item) const;
    QSize sizeHint() const override { return {320, 240}; }

signals:
    void nodeClicked(const TTreeNode* node);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The scale and offset from form coordinates to the widget's.
    QTransform formToWidget() const;
    // The height of the title bar drawn over the form.
    int titleHeight() const;

    TPreviewLayout FLayout;
    std::vector<QImage> FImages;
    int FSelected = -1;
};

class TFormPreviewDock : public QDockWidget {
    Q_OBJECT
public:
    TFormPreviewDock(const TFormDocument& document, QAbstractItemModel* model, QWidget* parent = nullptr);

    TFormPreview* preview() const { return FPreview; }
    // Shows the form of the selected node (the first form when nothing is selected)
    // as the document has it now. While the dock is hidden it only remembers to.
    void follow(const TTreeNode* selected);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The picture drawn for node, read again only when its property text changed.
    QImage imageOf(const TTreeNode* node, const QString& properties);

    struct TCachedImage {
        QString Properties;
        QImage Image;
    };
    const TFormDocument& FDocument;
    TFormPreview* FPreview = nullptr;
    const TTreeNode* FSelected = nullptr;
    bool FStale = true;
    // The form the preview was laid out for, and the document's change stamp then.
    const TTreeNode* FShownForm = nullptr;
    std::uint64_t FShownChanges = 0;
    std::unordered_map<const TTreeNode*, TCachedImage> FImages;
};

} // namespace korvel

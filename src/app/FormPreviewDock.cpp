#include "app/FormPreviewDock.h"

#include "app/PicturePane.h"
#include "document/FormDocument.h"

#include <QAbstractItemModel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace korvel {
namespace {

constexpr int kMargin = 8;

} // namespace

// --- TFormPreview ------------------------------------------------------------------

TFormPreview::TFormPreview(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pbFormPreview"));
    setMinimumSize(120, 90);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Dark);
}

void TFormPreview::setPreview(TPreviewLayout layout, std::vector<QImage> images)
{
    const TTreeNode* selected =
        FSelected >= 0 && size_t(FSelected) < FLayout.Items.size() ? FLayout.Items[size_t(FSelected)].Node : nullptr;
    FLayout = std::move(layout);
    FImages = std::move(images);
    FImages.resize(FLayout.Items.size());
    FSelected = FLayout.indexOf(selected);
    update();
}

void TFormPreview::setSelectedNode(const TTreeNode* node)
{
    const int selected = node ? FLayout.indexOf(node) : -1;
    if (selected == FSelected)
        return;
    FSelected = selected;
    update();
}

QTransform TFormPreview::formToWidget() const
{
    if (FLayout.Items.empty())
        return {};
    const QRect form = FLayout.Items.front().Rect;
    const qreal w = std::max(1, form.width());
    const qreal h = std::max(1, form.height());
    // Scaled down to fit under the form's title bar, never up.
    const int title = titleHeight();
    const qreal scale = std::min({1.0, (width() - 2 * kMargin) / w, (height() - 2 * kMargin - title) / h});
    QTransform t;
    t.translate(kMargin, kMargin + title);
    t.scale(std::max(scale, 0.01), std::max(scale, 0.01));
    t.translate(-form.left(), -form.top());
    return t;
}

int TFormPreview::titleHeight() const
{
    return fontMetrics().height() + 6;
}

QRect TFormPreview::widgetRect(int item) const
{
    if (item < 0 || size_t(item) >= FLayout.Items.size())
        return {};
    return formToWidget().mapRect(QRectF(FLayout.Items[size_t(item)].Rect)).toAlignedRect();
}

void TFormPreview::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (FLayout.Items.empty())
        return;
    const QTransform t = formToWidget();
    const QPalette& pal = palette();
    // Each item is drawn inside its parent's rectangle.
    std::vector<QRectF> clips(FLayout.Items.size());
    for (size_t i = 0; i < FLayout.Items.size(); ++i) {
        const TPreviewItem& item = FLayout.Items[i];
        const QRectF r = t.mapRect(QRectF(item.Rect));
        const QRectF clip = item.Parent < 0
            ? QRectF(rect())
            : clips[size_t(item.Parent)].intersected(t.mapRect(QRectF(FLayout.Items[size_t(item.Parent)].Rect)));
        clips[i] = clip;
        p.save();
        p.setClipRect(clip);
        if (item.Hidden)
            p.setOpacity(0.35);
        QColor fill = item.Parent < 0 ? pal.color(QPalette::Window) : pal.color(QPalette::Base);
        if (item.Parent >= 0)
            fill.setAlpha(90);
        p.fillRect(r, fill);
        if (!FImages[i].isNull()) {
            QSizeF size = QSizeF(FImages[i].size()) * t.m11();
            if (size.width() > r.width() || size.height() > r.height())
                size.scale(r.size(), Qt::KeepAspectRatio);
            p.drawImage(QRectF(r.topLeft(), size), FImages[i]);
        }
        QPen pen(pal.color(QPalette::WindowText));
        pen.setStyle(item.Hidden ? Qt::DashLine : Qt::SolidLine);
        p.setPen(pen);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        if (item.Parent < 0) {
            // The form's caption stands in a title bar over it.
            const QRectF bar(r.left(), r.top() - titleHeight(), r.width(), titleHeight());
            p.setClipping(false);
            p.fillRect(bar, pal.color(QPalette::Highlight));
            p.setPen(pal.color(QPalette::HighlightedText));
            p.drawText(bar.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                fontMetrics().elidedText(item.Caption, Qt::ElideRight, int(bar.width()) - 8));
            p.restore();
            continue;
        }
        const QRectF textRect = r.adjusted(3, 1, -3, -1);
        if (textRect.width() > 4 && textRect.height() > 4) {
            const QString caption = fontMetrics().elidedText(item.Caption, Qt::ElideRight, int(textRect.width()));
            p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption);
        }
        p.restore();
    }
    if (FSelected >= 0) {
        QPen pen(pal.color(QPalette::Highlight), 2);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(widgetRect(FSelected)).adjusted(1, 1, -1, -1));
    }
}

void TFormPreview::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || FLayout.Items.empty())
        return;
    bool invertible = false;
    const QTransform back = formToWidget().inverted(&invertible);
    if (!invertible)
        return;
    const int item = FLayout.itemAt(back.map(event->position()).toPoint());
    if (item >= 0)
        emit nodeClicked(FLayout.Items[size_t(item)].Node);
}

// --- TFormPreviewDock ---------------------------------------------------------------

TFormPreviewDock::TFormPreviewDock(const TFormDocument& document, QAbstractItemModel* model, QWidget* parent)
    : QDockWidget(QStringLiteral("フォームのプレビュー"), parent), FDocument(document)
{
    setObjectName(QStringLiteral("dkFormPreview"));
    FPreview = new TFormPreview(this);
    setWidget(FPreview);
    toggleViewAction()->setObjectName(QStringLiteral("actFormPreview"));
    toggleViewAction()->setToolTip(QStringLiteral("フォームのプレビューを表示します"));
    toggleViewAction()->setIcon(QIcon(QStringLiteral(":/korvel/icons/form-preview.svg")));
    // No node of the old tree may be drawn or looked up once it is replaced.
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        FImages.clear();
        FSelected = nullptr;
        FPreview->setPreview({}, {});
        FStale = true;
    });
}

void TFormPreviewDock::follow(const TTreeNode* selected)
{
    FSelected = selected;
    if (!isVisible()) {
        FStale = true;
        return;
    }
    FStale = false;
    const TTreeNode* form = selected ? selected : FDocument.Tree().firstNode();
    while (form && form->parent())
        form = form->parent();
    if (!form) {
        FShownForm = nullptr;
        FPreview->setPreview({}, {});
        return;
    }
    // Another node of the form shown, nothing changed: only the selection moves.
    if (form == FShownForm && FDocument.ChangeStamp() == FShownChanges) {
        FPreview->setSelectedNode(selected);
        return;
    }
    FShownForm = form;
    FShownChanges = FDocument.ChangeStamp();
    TPreviewLayout layout = LayoutPreview(form, [this](const TTreeNode* n) { return FDocument.NodeProperties(n); });
    std::vector<QImage> images;
    images.reserve(layout.Items.size());
    for (const TPreviewItem& item : layout.Items)
        images.push_back(item.Parent < 0 ? QImage() : imageOf(item.Node, FDocument.NodeProperties(item.Node)));
    FPreview->setPreview(std::move(layout), std::move(images));
    FPreview->setSelectedNode(selected);
}

QImage TFormPreviewDock::imageOf(const TTreeNode* node, const QString& properties)
{
    auto it = FImages.find(node);
    if (it != FImages.end() && it->second.Properties == properties)
        return it->second.Image;
    QImage image;
    if (properties.contains(u'{')) {
        for (const TPictureProperty& p : FindPictureProperties(properties)) {
            image = ReadPictureImage(p.Picture);
            if (!image.isNull())
                break;
        }
    }
    FImages[node] = {properties, image};
    return image;
}

void TFormPreviewDock::showEvent(QShowEvent* event)
{
    QDockWidget::showEvent(event);
    if (FStale)
        follow(FSelected);
}

} // namespace korvel

#include "app/PicturePane.h"

#include <QBuffer>
#include <QFrame>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace korvel {
namespace {

constexpr int kThumbnailSize = 64;

} // namespace

QImage ReadPictureImage(const TPicture& picture)
{
    QByteArray bytes = picture.Image;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, picture.Extension().mid(1).toLatin1());
    reader.setDecideFormatFromContent(true);
    // A picture with absurd dimensions is not worth decoding for a preview.
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > 64LL * 1024 * 1024)
        return {};
    return reader.read();
}

TPicturePane::TPicturePane(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pnlPictures"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FScroll = new QScrollArea(this);
    auto* scroll = FScroll;
    scroll->setWidgetResizable(true);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FStrip = new QWidget(scroll);
    FStripLayout = new QHBoxLayout(FStrip);
    FStripLayout->setContentsMargins(4, 4, 4, 4);
    FStripLayout->addStretch(1);
    scroll->setWidget(FStrip);
    layout->addWidget(scroll);
    hide();
}

void TPicturePane::showPictures(const QString& propertyText)
{
    // The same text shows the same pictures: nothing is scanned or decoded again.
    if (propertyText == FText)
        return;
    FText = propertyText;
    // A picture's data is a hexadecimal block: a text without a brace has none.
    FPictures.clear();
    if (propertyText.contains(u'{'))
        FPictures = FindPictureProperties(propertyText);
    FImages.clear();
    while (FStripLayout->count() > 1) {
        QLayoutItem* item = FStripLayout->takeAt(0);
        delete item->widget();
        delete item;
    }
    for (size_t i = 0; i < FPictures.size(); ++i) {
        FImages.push_back(ReadPictureImage(FPictures[i].Picture));
        const int index = int(i);
        auto* frame = new QFrame(FStrip);
        frame->setObjectName(QStringLiteral("picture%1").arg(index));
        frame->setFrameShape(QFrame::StyledPanel);
        auto* row = new QHBoxLayout(frame);
        row->setContentsMargins(4, 4, 4, 4);
        auto* thumbnail = new QLabel(frame);
        thumbnail->setFixedSize(kThumbnailSize, kThumbnailSize);
        thumbnail->setAlignment(Qt::AlignCenter);
        const QImage& image = FImages.back();
        if (image.isNull()) {
            thumbnail->setText(QStringLiteral("cannot preview"));
            thumbnail->setWordWrap(true);
        } else {
            QImage shown = image;
            if (shown.width() > kThumbnailSize || shown.height() > kThumbnailSize)
                shown = shown.scaled(kThumbnailSize, kThumbnailSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            thumbnail->setPixmap(QPixmap::fromImage(shown));
        }
        row->addWidget(thumbnail);
        auto* column = new QVBoxLayout;
        auto* text = new QLabel(description(index), frame);
        text->setTextFormat(Qt::PlainText);
        column->addWidget(text);
        auto* save = new QPushButton(QStringLiteral("Save picture as…"), frame);
        save->setObjectName(QStringLiteral("btnSavePicture"));
        auto* replace = new QPushButton(QStringLiteral("Replace picture…"), frame);
        replace->setObjectName(QStringLiteral("btnReplacePicture"));
        connect(save, &QPushButton::clicked, this, [this, index] { emit saveRequested(index); });
        connect(replace, &QPushButton::clicked, this, [this, index] { emit replaceRequested(index); });
        column->addWidget(save);
        column->addWidget(replace);
        column->addStretch(1);
        row->addLayout(column);
        FStripLayout->insertWidget(index, frame);
    }
    // Tall enough for the entries and a scroll bar under them.
    setMinimumHeight(
        FStrip->sizeHint().height() + FScroll->horizontalScrollBar()->sizeHint().height() + 2 * FScroll->frameWidth());
    setVisible(!FPictures.empty());
}

QString TPicturePane::description(int i) const
{
    if (i < 0 || size_t(i) >= FPictures.size())
        return {};
    const TPicture& p = FPictures[size_t(i)].Picture;
    QString text = FPictures[size_t(i)].Property.Name + u'\n' + p.PictureClass() + QStringLiteral(" (")
        + p.Extension().mid(1).toUpper() + u')';
    const QImage& image = FImages[size_t(i)];
    if (!image.isNull())
        text += u' ' + QString::number(image.width()) + u'×' + QString::number(image.height());
    text += u'\n' + QString::number(p.Image.size()) + QStringLiteral(" bytes");
    if (p.Truncated)
        text += QStringLiteral(" (truncated)");
    if (image.isNull())
        text += QStringLiteral("\ncannot preview");
    return text;
}

bool TPicturePane::isPreviewed(int i) const
{
    return i >= 0 && size_t(i) < FImages.size() && !FImages[size_t(i)].isNull();
}

} // namespace korvel

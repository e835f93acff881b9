// TPicturePane: the strip under the property pane that shows the pictures of the
// selected component's property text — per picture the property's name, the picture
// class and format, its size and a thumbnail read by Qt's image readers ("cannot
// preview" for a format Qt has no reader for) — with the buttons that ask the window
// to save a picture as an image file or to replace it by one. It edits nothing itself.
#pragma once

#include "document/Pictures.h"

#include <QImage>
#include <QWidget>

#include <vector>

class QHBoxLayout;
class QScrollArea;

namespace korvel {

// The image of a picture as Qt reads it; a null image when Qt cannot read it.
QImage ReadPictureImage(const TPicture& picture);

class TPicturePane : public QWidget {
    Q_OBJECT
public:
    explicit TPicturePane(QWidget* parent = nullptr);

    // Shows the pictures of property text; the pane hides itself when there is none.
    // Text equal to the shown one is not scanned again.
    void showPictures(const QString& propertyText);
    // The property text shown last.
    const QString& shownText() const { return FText; }
    // The pictures shown, in the text's order.
    const std::vector<TPictureProperty>& pictures() const { return FPictures; }
    // The line that describes picture i: name, class, format, size.
    QString description(int i) const;
    // Qt could read picture i: it has a thumbnail.
    bool isPreviewed(int i) const;

signals:
    void saveRequested(int index);
    void replaceRequested(int index);

private:
    QString FText;
    std::vector<TPictureProperty> FPictures;
    std::vector<QImage> FImages;
    QScrollArea* FScroll = nullptr;
    QWidget* FStrip = nullptr;
    QHBoxLayout* FStripLayout = nullptr;
};

} // namespace korvel

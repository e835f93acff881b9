// TEditorGutter: the line-number bar at the left of a TEditor. It numbers the
// visible rows from 1, right-aligned between margins of 4 pixels, in silver on
// the pane's dark background.
#pragma once

#include <QWidget>

namespace korvel {

class TEditor;

class TEditorGutter : public QWidget {
    Q_OBJECT
public:
    // Blank pixels left and right of the numbers.
    static constexpr int kMargin = 4;

    explicit TEditorGutter(TEditor* editor);

    // The width that shows the number of the last of rowCount rows in font.
    static int WidthFor(int rowCount, const QFont& font);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    TEditor* FEditor;
};

} // namespace korvel

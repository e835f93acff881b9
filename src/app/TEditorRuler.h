// TEditorRuler: the column ruler above a TEditor's text. A short mark stands at
// every column, a longer one at every fifth, and a gauge with the column number
// at every tenth; it scrolls sideways with the text.
#pragma once

#include <QWidget>

namespace korvel {

class TEditor;

class TEditorRuler : public QWidget {
    Q_OBJECT
public:
    // Columns between two numbered gauges.
    static constexpr int kGaugeColumns = 10;

    explicit TEditorRuler(TEditor* editor);

    // The height the ruler needs under an editor font.
    static int HeightFor(const QFont& editorFont);
    // The smaller font the gauge numbers are written in.
    static QFont NumberFont(const QFont& editorFont);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    TEditor* FEditor;
};

} // namespace korvel

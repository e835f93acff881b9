#include "app/TEditorRuler.h"

#include "app/TEditor.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace korvel {

TEditorRuler::TEditorRuler(TEditor* editor) : QWidget(editor), FEditor(editor)
{
    setObjectName(QStringLiteral("ruler"));
    setCursor(Qt::ArrowCursor);
}

QFont TEditorRuler::NumberFont(const QFont& editorFont)
{
    QFont f(editorFont);
    if (editorFont.pointSizeF() > 0)
        f.setPointSizeF(std::max(6.0, editorFont.pointSizeF() * 0.75));
    else if (editorFont.pixelSize() > 0)
        f.setPixelSize(std::max(8, editorFont.pixelSize() * 3 / 4));
    return f;
}

int TEditorRuler::HeightFor(const QFont& editorFont)
{
    // The numbers, then room for the longest marks below them.
    return QFontMetrics(NumberFont(editorFont)).height() + 5;
}

QSize TEditorRuler::sizeHint() const
{
    return {0, HeightFor(FEditor->font())};
}

void TEditorRuler::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    p.fillRect(e->rect(), QColor(TEditor::kBackground));
    p.setPen(QColor(TEditor::kMarks));
    const QFont numberFont = NumberFont(FEditor->font());
    p.setFont(numberFont);
    const QFontMetrics fm(numberFont);

    // The ruler spans the gutter too; its marks stand over the text only.
    const int left = FEditor->gutterWidth();
    const int bottom = height() - 1;
    p.drawLine(left, bottom, width() - 1, bottom);
    p.setClipRect(QRect(left, 0, width() - left, height()));

    const qreal cw = FEditor->columnWidth();
    if (cw <= 0)
        return;
    const qreal origin = left + FEditor->columnX(0);
    const int firstColumn = std::max(0, int(std::floor((std::max<qreal>(left, e->rect().left()) - origin) / cw)) - 1);
    const int lastColumn = int(std::ceil((e->rect().right() + 1 - origin) / cw));
    for (int c = firstColumn; c <= lastColumn; ++c) {
        const int x = int(std::lround(origin + c * cw));
        const bool gauge = c % kGaugeColumns == 0;
        const int length = gauge ? height() - 2 : c % 5 == 0 ? 4 : 2;
        p.drawLine(x, bottom - length, x, bottom);
        if (gauge && c > 0)
            p.drawText(QPointF(x + 2, fm.ascent()), QString::number(c));
    }
}

} // namespace korvel

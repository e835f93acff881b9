#include "app/TEditorGutter.h"

#include "app/TEditor.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextLayout>

namespace korvel {

TEditorGutter::TEditorGutter(TEditor* editor) : QWidget(editor), FEditor(editor)
{
    setObjectName(QStringLiteral("gutter"));
    setCursor(Qt::ArrowCursor);
}

int TEditorGutter::WidthFor(int rowCount, const QFont& font)
{
    int digits = 1;
    for (int n = std::max(rowCount, 1); n >= 10; n /= 10)
        ++digits;
    return kMargin + digits * QFontMetrics(font).horizontalAdvance(u'9') + kMargin;
}

QSize TEditorGutter::sizeHint() const
{
    return {WidthFor(FEditor->blockCount(), FEditor->font()), 0};
}

void TEditorGutter::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    p.fillRect(e->rect(), QColor(TEditor::kBackground));
    p.setPen(QColor(TEditor::kMarks));
    p.setFont(FEditor->font());
    const QFontMetrics fm(FEditor->font());
    const int right = width() - kMargin;

    // Only the rows in view are numbered, starting from the first visible one.
    QTextBlock block = FEditor->firstVisibleBlock();
    int number = block.blockNumber() + 1;
    qreal top = FEditor->blockBoundingGeometry(block).translated(FEditor->contentOffset()).top();
    while (block.isValid() && top <= e->rect().bottom()) {
        const qreal height = FEditor->blockBoundingRect(block).height();
        if (block.isVisible() && top + height >= e->rect().top()) {
            // On the baseline of the row's text, so the number lines up with it.
            const QTextLine line = block.layout()->lineCount() > 0 ? block.layout()->lineAt(0) : QTextLine();
            const qreal baseline = top + (line.isValid() ? line.y() + line.ascent() : fm.ascent());
            const QString text = QString::number(number);
            p.drawText(QPointF(right - fm.horizontalAdvance(text), baseline), text);
        }
        block = block.next();
        top += height;
        ++number;
    }
}

} // namespace korvel

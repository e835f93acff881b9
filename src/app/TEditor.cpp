#include "app/TEditor.h"

#include "app/TEditorGutter.h"
#include "app/TEditorRuler.h"

#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>

#include <climits>
#include <cmath>

namespace korvel {

namespace {

// The index of the first CR or LF at or after from; -1 when there is none.
qsizetype nextBreak(const QString& text, qsizetype from)
{
    const char16_t* d = reinterpret_cast<const char16_t*>(text.constData());
    for (qsizetype i = from; i < text.size(); ++i)
        if (d[i] == u'\r' || d[i] == u'\n')
            return i;
    return -1;
}

// The index after the break (CR LF, CR or LF) at at.
qsizetype afterBreak(const QString& text, qsizetype at)
{
    return at + (text[at] == u'\r' && at + 1 < text.size() && text[at + 1] == u'\n' ? 2 : 1);
}

// The index of the break that ends the count-th row after the break at at; the text's
// size when the text ends first.
qsizetype breakAfterRows(const QString& text, qsizetype at, int count)
{
    qsizetype from = afterBreak(text, at);
    for (;;) {
        const qsizetype b = nextBreak(text, from);
        if (b < 0)
            return text.size();
        if (--count == 0)
            return b;
        from = afterBreak(text, b);
    }
}

int leadingBlanks(const QString& s)
{
    int n = 0;
    while (n < s.size() && s[n] == u' ')
        ++n;
    return n;
}

// The pane's default font is a Windows Japanese monospace font; where it is
// missing, the Japanese monospace fonts of free systems stand in for it.
void registerFontSubstitutes()
{
    static const bool done = [] {
        const QStringList standIns = {QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP"),
            QStringLiteral("VL Gothic"), QStringLiteral("TakaoGothic"), QStringLiteral("DejaVu Sans Mono")};
        for (const QString& family : {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic")})
            if (QFontDatabase::hasFamily(family) == false)
                QFont::insertSubstitutions(family, standIns);
        return true;
    }();
    (void)done;
}

} // namespace

TEditor::TEditor(QWidget* parent) : QPlainTextEdit(parent)
{
    registerFontSubstitutes();
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setWordWrapMode(QTextOption::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
    setMinimumWidth(32);

    QPalette p = palette();
    p.setColor(QPalette::Base, QColor(kBackground));
    p.setColor(QPalette::Window, QColor(kBackground));
    p.setColor(QPalette::Text, QColor(220, 220, 220));
    p.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(p);
    // Text margins: 2 pixels at the left and at the top.
    document()->setDocumentMargin(2);

    FGutter = new TEditorGutter(this);
    FRuler = new TEditorRuler(this);
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { updateMargins(); });
    connect(this, &QPlainTextEdit::updateRequest, this, &TEditor::viewportUpdateRequested);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, FRuler, qOverload<>(&QWidget::update));
    // Qt keeps every undo step; the oldest beyond the limit are merely put out of reach.
    connect(document(), &QTextDocument::undoCommandAdded, this,
        [this] { FUndoReach = std::min(FUndoReach + 1, kMaxUndoSteps); });
    FLoadTimer.setSingleShot(true);
    FLoadTimer.setInterval(0);
    connect(&FLoadTimer, &QTimer::timeout, this, &TEditor::loadSlice);
    // The pane's default font until the window applies its settings.
    setEditorFont(QStringLiteral("ＭＳ ゴシック"), 10);
    updateMargins();
}

void TEditor::setText(const QString& text)
{
    // Qt breaks the rows at CR LF, CR and LF alike; a final break leaves a final empty
    // row, so text() gives that break back.
    FLoadTimer.stop();
    FPending.clear();
    FPendingPos = 0;
    FExpectedRows = 0;
    FUndoReach = 0;
    // The break that ends the first kImmediateRows rows, if the text goes on after it.
    qsizetype headEnd = -1;
    qsizetype from = 0;
    for (int r = 0; r < kImmediateRows; ++r) {
        headEnd = nextBreak(text, from);
        if (headEnd < 0)
            break;
        from = afterBreak(text, headEnd);
    }
    if (headEnd < 0) {
        setPlainText(text);
        return;
    }
    FPending = text;
    FPendingPos = headEnd;
    qsizetype rows = kImmediateRows + 1;
    for (qsizetype b = nextBreak(text, from); b >= 0; b = nextBreak(text, afterBreak(text, b)))
        ++rows;
    FExpectedRows = int(std::min<qsizetype>(rows, INT_MAX));
    setPlainText(text.left(headEnd));
    updateMargins();
    FLoadTimer.start();
}

void TEditor::appendPending(qsizetype end)
{
    if (end <= FPendingPos)
        return;
    // Nothing has been edited while loading (every edit completes the text first), so the
    // undo history is empty and switching it off to keep the appends out of it loses nothing.
    const int reach = FUndoReach;
    document()->setUndoRedoEnabled(false);
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    c.insertText(QStringView(FPending).mid(FPendingPos, end - FPendingPos).toString());
    document()->setUndoRedoEnabled(true);
    FUndoReach = reach;
    FPendingPos = end;
    if (!isLoading()) {
        FPending.clear();
        FPendingPos = 0;
        FExpectedRows = 0;
        updateMargins();
    }
}

void TEditor::loadSlice()
{
    // Rows go in by the thousand for about 20 ms, then the event loop has its turn.
    constexpr int kRowsPerAppend = 1000;
    QElapsedTimer clock;
    clock.start();
    while (isLoading() && clock.elapsed() < 20) {
        appendPending(breakAfterRows(FPending, FPendingPos, kRowsPerAppend));
    }
    if (isLoading())
        FLoadTimer.start();
}

void TEditor::finishLoading()
{
    FLoadTimer.stop();
    if (isLoading())
        appendPending(FPending.size());
}

QString TEditor::text() const
{
    QString result;
    result.reserve(document()->characterCount() + document()->blockCount());
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        if (b != document()->begin())
            result += QStringLiteral("\r\n");
        result += b.text();
    }
    // The rows still loading follow, each after its break.
    if (isLoading()) {
        qsizetype from = FPendingPos;
        for (qsizetype b = nextBreak(FPending, from); b >= 0; b = nextBreak(FPending, from)) {
            result += QStringView(FPending).mid(from, b - from);
            result += QStringLiteral("\r\n");
            from = afterBreak(FPending, b);
        }
        result += QStringView(FPending).mid(from);
    }
    return result;
}

QString TEditor::selectedText() const
{
    QString s = textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    return s;
}

void TEditor::scrollToTopLeft()
{
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

int TEditor::TopRow() const
{
    // Without wrapping the vertical scroll bar counts rows.
    return verticalScrollBar()->value();
}

void TEditor::SetTopRow(int row)
{
    verticalScrollBar()->setValue(row);
}

int TEditor::TopCol() const
{
    const qreal cw = columnWidth();
    return cw > 0 ? int(std::lround(horizontalScrollBar()->value() / cw)) : 0;
}

void TEditor::SetTopCol(int column)
{
    horizontalScrollBar()->setValue(int(std::lround(std::max(column, 0) * columnWidth())));
}

void TEditor::undo()
{
    finishLoading();
    if (availableUndoSteps() <= 0)
        return;
    QPlainTextEdit::undo();
    --FUndoReach;
}

void TEditor::redo()
{
    finishLoading();
    if (!document()->isRedoAvailable())
        return;
    QPlainTextEdit::redo();
    FUndoReach = std::min(FUndoReach + 1, kMaxUndoSteps);
}

void TEditor::selectAll()
{
    finishLoading();
    QPlainTextEdit::selectAll();
}

void TEditor::cut()
{
    finishLoading();
    QPlainTextEdit::cut();
}

int TEditor::availableUndoSteps() const
{
    return std::max(0, std::min(FUndoReach, document()->availableUndoSteps()));
}

int TEditor::gutterWidth() const
{
    return viewportMargins().left();
}

int TEditor::rulerHeight() const
{
    return viewportMargins().top();
}

qreal TEditor::columnWidth() const
{
    return QFontMetricsF(font()).horizontalAdvance(u' ');
}

qreal TEditor::columnX(int column) const
{
    return contentOffset().x() + document()->documentMargin() + column * columnWidth();
}

void TEditor::setBlockPreparer(TBlockPreparer preparer)
{
    FBlockPreparer = std::move(preparer);
    viewport()->update();
}

void TEditor::updateMargins()
{
    const int rows = std::max(blockCount(), FExpectedRows);
    const QMargins margins(TEditorGutter::WidthFor(rows, font()), TEditorRuler::HeightFor(font()), 0, 0);
    if (viewportMargins() != margins) {
        setViewportMargins(margins);
        // The ruler keeps its geometry when the gutter width changes, but its
        // marks shift with the text: repaint it whole.
        FRuler->update();
    }
    placeMarginWidgets();
}

void TEditor::placeMarginWidgets()
{
    const QRect vp = viewport()->geometry();
    const int gw = gutterWidth();
    const int rh = rulerHeight();
    FGutter->setGeometry(vp.left() - gw, vp.top(), gw, vp.height());
    FRuler->setGeometry(vp.left() - gw, vp.top() - rh, gw + vp.width(), rh);
}

void TEditor::viewportUpdateRequested(const QRect& rect, int dy)
{
    if (dy != 0)
        FGutter->scroll(0, dy);
    else
        FGutter->update(0, rect.y(), FGutter->width(), rect.height());
    if (rect.contains(viewport()->rect()))
        updateMargins();
}

void TEditor::resizeEvent(QResizeEvent* e)
{
    QPlainTextEdit::resizeEvent(e);
    placeMarginWidgets();
}

void TEditor::paintEvent(QPaintEvent* e)
{
    // The highlighter colours only what is about to be painted: the rows from the first
    // visible one down to the bottom of the viewport (no row is lower than the font).
    if (FBlockPreparer) {
        const QTextBlock first = firstVisibleBlock();
        if (first.isValid()) {
            const int rowHeight = std::max(1, QFontMetrics(document()->defaultFont()).height());
            const int rows = viewport()->height() / rowHeight + 2;
            QTextBlock last = first;
            for (int i = 1; i < rows && last.next().isValid(); ++i)
                last = last.next();
            FBlockPreparer(first, last);
        }
    }
    QPlainTextEdit::paintEvent(e);
}

void TEditor::SelectTokenFromCaret()
{
    QTextCursor c = textCursor();
    if (!FTokenFinder) {
        c.select(QTextCursor::WordUnderCursor);
        setTextCursor(c);
        return;
    }
    const QTextBlock block = c.block();
    const TTokenExtent t = FTokenFinder(block, c.positionInBlock());
    if (t.length <= 0)
        return;
    c.setPosition(block.position() + t.start);
    c.setPosition(block.position() + t.start + t.length, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void TEditor::setEditorFont(const QString& family, int pointSize)
{
    QFont f = font();
    f.setFamily(family);
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    // Absurd sizes from a language file are kept within what a pane can show.
    if (pointSize > 0)
        f.setPointSize(std::min(pointSize, 400));
    setFont(f);
    updateTabStops();
}

void TEditor::updateTabStops()
{
    setTabStopDistance(QFontMetricsF(font()).horizontalAdvance(u' ') * kTabColumns);
}

void TEditor::changeEvent(QEvent* e)
{
    QPlainTextEdit::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        updateTabStops();
        updateMargins();
        FGutter->update();
        FRuler->update();
    }
}

bool TEditor::event(QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride) {
        auto* ke = static_cast<QKeyEvent*>(e);
        const QKeySequence pressed(ke->keyCombination());
        const QKeySequence withoutKeypad(QKeyCombination(ke->modifiers() & ~Qt::KeypadModifier, Qt::Key(ke->key())));
        for (const QKeySequence& s : FReserved) {
            if (s == pressed || s == withoutKeypad) {
                e->ignore();
                return true;
            }
        }
    }
    return QPlainTextEdit::event(e);
}

void TEditor::keyPressEvent(QKeyEvent* e)
{
    // A key that may edit, or go to the end, needs the whole text; moving about does not.
    if (isLoading()) {
        const bool toEnd = (e->key() == Qt::Key_End && (e->modifiers() & Qt::ControlModifier))
            || e == QKeySequence::MoveToEndOfDocument || e == QKeySequence::SelectEndOfDocument;
        switch (e->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (toEnd)
                finishLoading();
            break;
        default:
            finishLoading();
        }
    }
    // Undo and redo go through the step limit.
    if (e == QKeySequence::Undo) {
        if (!isReadOnly())
            undo();
        return;
    }
    if (e == QKeySequence::Redo) {
        if (!isReadOnly())
            redo();
        return;
    }
    if (!isReadOnly() && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        && !(e->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))) {
        // A new line takes the indentation of the line it breaks.
        const QString above = textCursor().block().text();
        const int indent = std::min<int>(leadingBlanks(above), textCursor().positionInBlock());
        QTextCursor c = textCursor();
        c.beginEditBlock();
        c.insertBlock();
        c.insertText(QString(indent, u' '));
        c.endEditBlock();
        setTextCursor(c);
        ensureCursorVisible();
        return;
    }
    if (!isReadOnly() && e->key() == Qt::Key_Backspace && e->modifiers() == Qt::NoModifier && unindentAtCursor()) {
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

bool TEditor::unindentAtCursor()
{
    // Backspace with the caret inside the leading blanks of a row goes back to
    // the indentation of the nearest row above that is indented less.
    QTextCursor c = textCursor();
    if (c.hasSelection())
        return false;
    const QString row = c.block().text();
    const int col = c.positionInBlock();
    if (col == 0 || leadingBlanks(row) < col)
        return false;
    int target = 0;
    for (QTextBlock b = c.block().previous(); b.isValid(); b = b.previous()) {
        const QString t = b.text();
        const int lead = leadingBlanks(t);
        if (lead == t.size())
            continue; // blank rows do not count
        if (lead < col) {
            target = lead;
            break;
        }
    }
    c.setPosition(c.block().position() + target, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    setTextCursor(c);
    return true;
}

void TEditor::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QPlainTextEdit::mouseDoubleClickEvent(e);
        return;
    }
    // The caret goes where the user clicked; the double-click handler then
    // selects the token there (the control's own word selection would move the
    // caret to the end of a word first).
    setTextCursor(cursorForPosition(e->position().toPoint()));
    e->accept();
    emit doubleClicked();
}

void TEditor::inputMethodEvent(QInputMethodEvent* e)
{
    finishLoading();
    QPlainTextEdit::inputMethodEvent(e);
}

void TEditor::insertFromMimeData(const QMimeData* source)
{
    finishLoading();
    QPlainTextEdit::insertFromMimeData(source);
}

void TEditor::dropEvent(QDropEvent* e)
{
    finishLoading();
    QPlainTextEdit::dropEvent(e);
}

void TEditor::mousePressEvent(QMouseEvent* e)
{
    // A press on the selection may start dragging it away, which removes it.
    if (isLoading() && textCursor().hasSelection()) {
        const int at = cursorForPosition(e->position().toPoint()).position();
        if (at >= textCursor().selectionStart() && at <= textCursor().selectionEnd())
            finishLoading();
    }
    QPlainTextEdit::mousePressEvent(e);
}

bool TEditor::canInsertFromMimeData(const QMimeData* source) const
{
    // Dropped files belong to the window, which opens them.
    if (source->hasUrls())
        return false;
    return QPlainTextEdit::canInsertFromMimeData(source);
}

} // namespace korvel

#include "app/TEditor.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>

namespace korvel {

namespace {

constexpr int kTabColumns = 8;

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
                                      QStringLiteral("VL Gothic"), QStringLiteral("TakaoGothic"),
                                      QStringLiteral("DejaVu Sans Mono")};
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
    p.setColor(QPalette::Base, QColor(25, 25, 25));
    p.setColor(QPalette::Window, QColor(25, 25, 25));
    p.setColor(QPalette::Text, QColor(220, 220, 220));
    p.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(p);
    document()->setDocumentMargin(2);
    updateTabStops();
}

void TEditor::setText(const QString& text)
{
    // Every break (CR LF, CR, LF) becomes one block boundary; the text keeps a
    // final empty block after a final break, so text() gives that break back.
    QString normalized;
    normalized.reserve(text.size());
    const qsizetype n = text.size();
    const QChar* d = text.constData();
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (d[i] == u'\r') {
            normalized.append(d + runStart, i - runStart);
            normalized.append(u'\n');
            if (i + 1 < n && d[i + 1] == u'\n')
                ++i;
            runStart = i + 1;
        }
    }
    if (runStart == 0) {
        setPlainText(text);
    } else {
        normalized.append(d + runStart, n - runStart);
        setPlainText(normalized);
    }
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
    if (e->type() == QEvent::FontChange)
        updateTabStops();
}

bool TEditor::event(QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride) {
        auto* ke = static_cast<QKeyEvent*>(e);
        const QKeySequence pressed(ke->keyCombination());
        const QKeySequence withoutKeypad(QKeyCombination(ke->modifiers() & ~Qt::KeypadModifier,
                                                         Qt::Key(ke->key())));
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
    if (!isReadOnly() && e->key() == Qt::Key_Backspace && e->modifiers() == Qt::NoModifier
        && unindentAtCursor()) {
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

bool TEditor::canInsertFromMimeData(const QMimeData* source) const
{
    // Dropped files belong to the window, which opens them.
    if (source->hasUrls())
        return false;
    return QPlainTextEdit::canInsertFromMimeData(source);
}

} // namespace korvel

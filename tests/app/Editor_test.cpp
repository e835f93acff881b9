// The property pane's editor control on its own: gutter and ruler geometry and
// paint, scrolling by rows and columns, the undo limit, indentation rules, long
// texts that load in the background, the Japanese monospace font, and the
// English language file beside the executable. (Moving the selection by dragging
// is Qt's own behaviour; the offscreen platform runs no drags to test it with.)
#include "lang/LanguageFile.h"
#include "app/TEditorGutter.h"
#include "app/TEditorRuler.h"
#include "app/support/WindowFixture.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintEvent>
#include <QRegion>
#include <QScrollBar>
#include <QTextBlock>

namespace korvel::test {
namespace {

const QColor kBackground(25, 25, 25);
const QColor kSilver(192, 192, 192);

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FEditor = std::make_unique<TEditor>();
        FEditor->resize(400, 300);
        FEditor->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FEditor.get()));
    }
    TEditor& e() { return *FEditor; }
    // Rows 1 to count, each "row<n>".
    static QString rows(int count, const char* eol = "\r\n")
    {
        QStringList list;
        for (int i = 1; i <= count; ++i)
            list << QStringLiteral("row%1").arg(i);
        return list.join(QString::fromLatin1(eol));
    }
    void waitLoaded()
    {
        for (int i = 0; i < 2000 && e().isLoading(); ++i)
            QTest::qWait(5);
        ASSERT_FALSE(e().isLoading());
    }

    std::unique_ptr<TEditor> FEditor;
};

bool hasPixel(const QImage& image, const QColor& color)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == color)
                return true;
    return false;
}

TEST_F(EditorTest, GutterAndRulerSitInTheViewportMargins)
{
    const int digit = QFontMetrics(e().font()).horizontalAdvance(u'9');
    struct Row {
        int rowCount;
        int digits;
    };
    const Row table[] = {{1, 1}, {9, 1}, {10, 2}, {99, 2}, {100, 3}, {1000, 4}};
    for (const Row& r : table) {
        e().setText(rows(r.rowCount));
        waitLoaded();
        EXPECT_EQ(e().gutterWidth(), 4 + r.digits * digit + 4) << r.rowCount;
        const QRect vp = e().viewport()->geometry();
        EXPECT_EQ(
            e().gutter()->geometry(), QRect(vp.left() - e().gutterWidth(), vp.top(), e().gutterWidth(), vp.height()));
        EXPECT_EQ(e().ruler()->geometry(),
            QRect(vp.left() - e().gutterWidth(), vp.top() - e().rulerHeight(), e().gutterWidth() + vp.width(),
                e().rulerHeight()));
        EXPECT_EQ(e().rulerHeight(), TEditorRuler::HeightFor(e().font()));
    }
    // The document margin of 2 is the text's own margin at the left and at the top.
    EXPECT_EQ(e().document()->documentMargin(), 2);
    EXPECT_DOUBLE_EQ(e().tabStopDistance(), TEditor::kTabColumns * e().columnWidth());
}

TEST_F(EditorTest, ColoursOfTextGutterAndRuler)
{
    EXPECT_EQ(e().palette().color(QPalette::Base), kBackground);
    EXPECT_EQ(e().palette().color(QPalette::HighlightedText), QColor(Qt::white));
    e().setEditorFont(QStringLiteral("ＭＳ ゴシック"), 36); // strokes wide enough for full-colour pixels
    e().setText(QStringLiteral("Left = 1\r\nTop = 2"));
    const QImage gutter = e().gutter()->grab().toImage();
    EXPECT_EQ(gutter.pixelColor(0, 0), kBackground);
    EXPECT_TRUE(hasPixel(gutter, kSilver));
    const QImage ruler = e().ruler()->grab().toImage();
    EXPECT_EQ(ruler.pixelColor(0, 0), kBackground);
    EXPECT_TRUE(hasPixel(ruler, kSilver));
}

TEST_F(EditorTest, RulerGaugesStandAtEveryTenthColumnOfTheText)
{
    e().setText(QString(200, u'x'));
    for (int topCol : {0, 5, 23}) {
        e().SetTopCol(topCol);
        EXPECT_EQ(e().TopCol(), topCol);
        const QImage ruler = e().ruler()->grab().toImage();
        const int middle = ruler.height() / 2;
        for (int column = topCol + 1; column < topCol + 30; ++column) {
            // The column's left edge in the ruler is where the caret stands before it.
            QTextCursor c(e().document());
            c.setPosition(column);
            const int x = e().gutterWidth() + e().cursorRect(c).left();
            EXPECT_NEAR(e().gutterWidth() + e().columnX(column), x, 1.0) << column;
            const int at = int(std::lround(e().gutterWidth() + e().columnX(column)));
            EXPECT_EQ(ruler.pixelColor(at, middle) == kSilver, column % 10 == 0) << "column " << column;
        }
    }
}

// Collects the region of every paint event a widget receives.
class PaintRecorder : public QObject {
public:
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

TEST_F(EditorTest, RulerRepaintsWholeWhenTheGutterWidthChanges)
{
    // 9 → 10 rows and 99 → 100 rows add a digit, 100 → 9 removes two; the ruler
    // keeps its geometry, so only an explicit repaint moves its marks with the gutter.
    for (const auto& [before, after] : {std::pair{9, 10}, std::pair{99, 100}, std::pair{100, 9}}) {
        e().setText(rows(before));
        QTest::qWait(20);
        const int oldWidth = e().gutterWidth();
        PaintRecorder recorder;
        e().ruler()->installEventFilter(&recorder);
        e().setText(rows(after));
        QTest::qWait(20);
        e().ruler()->removeEventFilter(&recorder);
        ASSERT_NE(e().gutterWidth(), oldWidth) << before << " -> " << after;
        EXPECT_TRUE(recorder.painted.contains(e().ruler()->rect())) << before << " -> " << after;
    }
}

TEST_F(EditorTest, ScrollsToRowsAndColumns)
{
    e().setText(rows(500));
    e().SetTopRow(120);
    EXPECT_EQ(e().TopRow(), 120);
    EXPECT_EQ(e().cursorForPosition(QPoint(5, 5)).blockNumber(), 120);
    e().SetTopCol(3);
    EXPECT_EQ(e().horizontalScrollBar()->value(), 0); // rows of 6 characters do not scroll sideways
    e().setText(QString(300, u'x'));
    e().SetTopCol(40);
    EXPECT_EQ(e().TopCol(), 40);
    EXPECT_NEAR(e().columnX(40), e().document()->documentMargin(), 1.0);
    e().scrollToTopLeft();
    EXPECT_EQ(e().TopCol(), 0);
    EXPECT_EQ(e().TopRow(), 0);
}

TEST_F(EditorTest, UndoReachesBackSixtyFourSteps)
{
    e().setText(QString());
    e().setFocus();
    for (int i = 0; i < 70; ++i)
        QTest::keyClick(&e(), Qt::Key_Return); // each break is one undo step
    EXPECT_EQ(e().blockCount(), 71);
    EXPECT_EQ(e().availableUndoSteps(), TEditor::kMaxUndoSteps);
    for (int i = 0; i < 70; ++i)
        QTest::keyClick(&e(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(e().blockCount(), 7);
    EXPECT_EQ(e().availableUndoSteps(), 0);
    e().undo();
    EXPECT_EQ(e().blockCount(), 7);
    for (int i = 0; i < 10; ++i)
        e().redo();
    EXPECT_EQ(e().blockCount(), 17);
    EXPECT_EQ(e().availableUndoSteps(), 10);
    // A new edit after undoing starts counting afresh from what undo can still reach.
    QTest::keyClick(&e(), Qt::Key_Return);
    EXPECT_EQ(e().availableUndoSteps(), 11);
    e().setText(QStringLiteral("new"));
    EXPECT_EQ(e().availableUndoSteps(), 0);
}

TEST_F(EditorTest, EnterIndentsAndBackspaceUnindents)
{
    struct Row {
        const char* text;
        int row;
        int column;
        Qt::Key key;
        const char* expected;
    };
    const Row table[] = {
        {"  a", 0, 3, Qt::Key_Return, "  a\r\n  "},
        {"    a", 0, 2, Qt::Key_Return, "  \r\n    a"},                              // indent = blanks before the caret
        {"a\r\n  b\r\n      c", 2, 6, Qt::Key_Backspace, "a\r\n  b\r\n  c"},         // to the row above
        {"a\r\n  b\r\n\r\n      c", 3, 6, Qt::Key_Backspace, "a\r\n  b\r\n\r\n  c"}, // blank rows do not count
        {"a\r\n  b\r\n      c", 2, 4, Qt::Key_Backspace, "a\r\n  b\r\n    c"},       // from the middle of the blanks
        {"a\r\n  b\r\n  c", 2, 2, Qt::Key_Backspace, "a\r\n  b\r\nc"},               // no row above is shallower
        {"  ab", 0, 4, Qt::Key_Backspace, "  a"},                                    // after text: one character
        {"  ab", 0, 0, Qt::Key_Backspace, "  ab"},
    };
    for (const Row& r : table) {
        e().setText(QString::fromLatin1(r.text));
        e().setFocus();
        QTextCursor c(e().document()->findBlockByNumber(r.row));
        c.setPosition(c.position() + r.column);
        e().setTextCursor(c);
        QTest::keyClick(&e(), r.key);
        EXPECT_EQ(e().text(), QString::fromLatin1(r.expected)) << r.text << " @" << r.row << ':' << r.column;
    }
}

TEST_F(EditorTest, LongTextShowsItsTopAtOnceAndCompletesLater)
{
    struct Row {
        const char* name;
        QString text;
        QString readBack;
    };
    // Mixed breaks around the rows where the text is cut into pieces.
    QString mixed = rows(TEditor::kImmediateRows - 1) + QStringLiteral("\rcr\r\ncrlf\nlf\r");
    mixed += rows(3000, "\r") + QStringLiteral("\r\n");
    QString mixedBack = mixed;
    mixedBack.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    mixedBack.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    const Row table[] = {
        {"crlf", rows(5000), rows(5000)},
        {"lf", rows(5000, "\n"), rows(5000)},
        {"mixed", mixed, mixedBack},
    };
    for (const Row& r : table) {
        SCOPED_TRACE(r.name);
        e().setText(r.text);
        EXPECT_TRUE(e().isLoading());
        EXPECT_EQ(e().blockCount(), TEditor::kImmediateRows);
        EXPECT_EQ(e().text(), r.readBack);
        const int allRows = int(r.readBack.count(QStringLiteral("\r\n"))) + 1;
        EXPECT_EQ(e().gutterWidth(), TEditorGutter::WidthFor(allRows, e().font())); // no shift while loading
        waitLoaded();
        EXPECT_EQ(e().blockCount(), allRows);
        EXPECT_EQ(e().text(), r.readBack);
        EXPECT_EQ(e().availableUndoSteps(), 0);
    }
}

TEST_F(EditorTest, EditingWhileLoadingCompletesTheTextFirst)
{
    const QString text = rows(6000);
    e().setText(text);
    e().setFocus();
    QTest::keyClick(&e(), Qt::Key_Down); // moving about does not wait for the rest
    EXPECT_TRUE(e().isLoading());
    QTest::keyClick(&e(), Qt::Key_X);
    EXPECT_FALSE(e().isLoading());
    EXPECT_EQ(e().blockCount(), 6000);
    EXPECT_EQ(e().text(), QString(text).insert(6, u'x'));
    EXPECT_EQ(e().availableUndoSteps(), 1);
    e().undo();
    EXPECT_EQ(e().text(), text);

    e().setText(text);
    e().selectAll();
    EXPECT_EQ(e().selectedText(), text);
    e().setText(text);
    QTest::keyClick(&e(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(e().textCursor().blockNumber(), 5999);
}

TEST_F(EditorTest, DefaultFontFallsBackToAJapaneseMonospaceFace)
{
    if (!QFontDatabase::hasFamily(QStringLiteral("IPAGothic")))
        GTEST_SKIP() << "IPAGothic is not installed (scripts/setup.sh installs it)";
    e().setEditorFont(QStringLiteral("ＭＳ ゴシック"), 10);
    EXPECT_EQ(e().font().family(), QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(e().font().pointSize(), 10);
    const QFontMetricsF fm(e().font());
    const qreal column = fm.horizontalAdvance(u'a');
    for (const char* ascii : {"W", "i", "0", " ", "'"})
        EXPECT_EQ(fm.horizontalAdvance(QString::fromLatin1(ascii)), column) << ascii;
    // Japanese characters take exactly two columns, and they have glyphs.
    for (const QString& wide :
        {QStringLiteral("ア"), QStringLiteral("受"), QStringLiteral("ゴ"), QStringLiteral("Ｍ")}) {
        EXPECT_EQ(fm.horizontalAdvance(wide), 2 * column) << wide.toStdString();
        EXPECT_TRUE(fm.inFont(wide[0])) << wide.toStdString();
    }
}

// The English language file of the examples, copied beside the test program as its
// language file, translates every message, caption and hint.
using EnglishLanguageTest = WindowFixture;

TEST_F(EnglishLanguageTest, TranslatesEverythingTranslatable)
{
    const QString beside = LanguageFilePathFor(QCoreApplication::applicationFilePath());
    QFile::remove(beside);
    ASSERT_TRUE(QFile::copy(QStringLiteral(KORVEL_EXAMPLES_DIR "/korvel.lng.en"), beside));
    struct TRemove {
        QString path;
        ~TRemove() { QFile::remove(path); }
    } removeAfterwards{beside};

    TfrmMain::TStartOptions options;
    FWindow = std::make_unique<TfrmMain>(options);
    FWindow->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(FWindow.get()));

    auto english = [](const QString& s) {
        if (s.isEmpty())
            return false;
        for (QChar c : s)
            if (c.unicode() > 0x7E)
                return false;
        return true;
    };
    const TMessages& m = w()->messages();
    for (const QString& text : {m.StrRestoreBackup, m.StrSaveChanges, m.StrFormFileNotFound, m.StrModified, m.StrReload,
             m.StrNoName, m.StrNoRecentFiles})
        EXPECT_TRUE(english(text)) << text.toStdString();
    int translated = 0;
    for (QAction* a : acts().all) {
        if (a->text().isEmpty() && a->toolTip().isEmpty())
            continue; // the Misc actions have neither
        EXPECT_TRUE(english(a->text())) << a->objectName().toStdString();
        EXPECT_TRUE(english(a->toolTip())) << a->objectName().toStdString();
        ++translated;
    }
    EXPECT_EQ(translated, 17);
    EXPECT_EQ(acts().actOpenFile->text(), QStringLiteral("&Open..."));
    EXPECT_EQ(m.StrModified, QStringLiteral("[modified]"));
    EXPECT_EQ(w()->editorFontName(), QStringLiteral("MS Gothic"));
    EXPECT_EQ(w()->editorFontSize(), 10);
}

} // namespace
} // namespace korvel::test

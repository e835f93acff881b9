// Colouring of the property pane: the colours of form text as painted, colours
// that do not depend on the order in which rows are scrolled into view or on
// edits above them, laziness on long texts, and token selection inside a
// multi-row hexadecimal block.
#include "app/LazyFormTextHighlighter.h"
#include "app/support/WindowFixture.h"

#include "highlight/DFMFountain.h"

#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>

namespace korvel::test {
namespace {

using TFormats = QList<QTextLayout::FormatRange>;

const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kFuchsia(0xFF, 0x00, 0xFF);
const QColor kYellow(0xFF, 0xFF, 0x00);
const QColor kAqua(0x00, 0xFF, 0xFF);
const QColor kLime(0x00, 0xFF, 0x00);
const QColor kNone; // the pane's own colour: no format

// The formats of every row when the rows are coloured one after the other from the top.
std::vector<TFormats> referenceFormats(const QStringList& rows)
{
    auto fountain = TDFMFountain::Create();
    ApplyPropertyPaneColors(*fountain);
    auto parser = fountain->CreateParser();
    class TSink : public TFountainTokenSink {
    public:
        void Token(const TFountainToken& t) override
        {
            if (t.Color == nullptr)
                return;
            const QTextCharFormat f = TLazyFormTextHighlighter::FormatOf(*t.Color);
            if (f.propertyCount() > 0)
                Formats.append({int(t.Start), int(t.Length), f});
        }
        TFormats Formats;
    };
    std::vector<TFormats> result;
    TRowAttributeData state;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        state.RowAttribute = i + 1 < rows.size() ? raCrlf : raEof;
        TSink sink;
        state = parser->ScanRow(rows[i], state, &sink);
        result.push_back(sink.Formats);
    }
    return result;
}

class HighlightingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FEditor = std::make_unique<TEditor>();
        FEditor->resize(500, 400);
        FEditor->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FEditor.get()));
        FHighlighter = new TLazyFormTextHighlighter(FEditor->document());
    }
    TEditor& e() { return *FEditor; }
    // Scrolls row into view near the top and paints the pane.
    void show(int row)
    {
        e().finishLoading();
        e().SetTopRow(std::max(0, row - 2));
        e().viewport()->repaint();
    }
    TFormats formatsOf(int row) { return e().document()->findBlockByNumber(row).layout()->formats(); }
    // The text colour painted at column of row; invalid when the pane's own colour is used.
    QColor colourAt(int row, int column)
    {
        for (const auto& range : formatsOf(row))
            if (column >= range.start && column < range.start + range.length)
                return range.format.foreground().color();
        return {};
    }
    // The rows from the top of the view down to its bottom.
    std::pair<int, int> visibleRows()
    {
        const int first = e().cursorForPosition(QPoint(5, 5)).blockNumber();
        const int last = e().cursorForPosition(QPoint(5, e().viewport()->height() - 1)).blockNumber();
        return {first, last};
    }
    void expectVisibleRowsMatch(const std::vector<TFormats>& reference, const char* when)
    {
        const auto [first, last] = visibleRows();
        for (int row = first; row <= last; ++row)
            EXPECT_EQ(formatsOf(row), reference[size_t(row)]) << when << ", row " << row;
    }

    std::unique_ptr<TEditor> FEditor;
    TLazyFormTextHighlighter* FHighlighter = nullptr; // dies with the document
};

TEST_F(HighlightingTest, PaintedColoursOfFormText)
{
    QStringList rows = {
        "Caption = 'Hello'",       // 0
        "Font.Name = 'Tahoma'",    // 1
        "Left = -12",              // 2
        "Value = 1.5E+3",          // 3
        "Caption = 'a'#13#10'b'",  // 4
        "Hint = #$0D",             // 5
        "end",                     // 6
        "END inherited inline",    // 7
        "object Button1: TButton", // 8
        "Items = <",               // 9
        "  item",                  // 10
        "    Caption = 'x'",       // 11
        "  end>",                  // 12
        "end",                     // 13
        "Text = 'It''s'",          // 14
        "Text = 'open",            // 15
        "Tag = 1",                 // 16
        "Caption = '受注管理'",    // 17
        "受注",                    // 18
        "Picture.Data = {",        // 19
    };
    for (int i = 0; i < 300; ++i)
        rows << "  0A1B2C3D4E5F"; // 20 to 319
    rows << "  0F}"
         << "Left = 3"; // 320, 321
    e().setText(rows.join(QStringLiteral("\r\n")));

    struct Row {
        int row;
        int column;
        QColor colour;
    };
    const Row table[] = {
        {0, 0, kWhite},
        {0, 7, kNone},
        {0, 8, kSilver},
        {0, 10, kYellow},
        {0, 16, kYellow},
        {1, 4, kSilver},
        {1, 5, kWhite},
        {2, 7, kSilver},
        {2, 8, kFuchsia},
        {3, 8, kFuchsia},
        {3, 13, kFuchsia},
        {4, 13, kYellow},
        {4, 15, kYellow},
        {4, 19, kYellow},
        {5, 7, kYellow},
        {5, 8, kSilver},
        {5, 9, kFuchsia},
        {5, 10, kWhite},
        {6, 0, kAqua},
        {7, 0, kAqua},
        {7, 4, kAqua},
        {7, 14, kAqua},
        {8, 0, kAqua},
        {8, 7, kWhite},
        {9, 8, kSilver},
        {10, 2, kWhite},
        {11, 14, kYellow},
        {12, 2, kWhite},
        {12, 5, kSilver},
        {13, 0, kAqua},
        {14, 7, kYellow},
        {14, 10, kYellow},
        {14, 13, kYellow},
        {15, 7, kYellow},
        {15, 11, kYellow},
        {16, 0, kWhite},
        {16, 6, kFuchsia},
        {17, 11, kYellow},
        {18, 0, kWhite},
        {19, 13, kSilver},
        {19, 15, kLime},
        {20, 0, kNone},
        {20, 2, kLime},
        {20, 13, kLime},
        {170, 2, kLime},
        {319, 7, kLime},
        {320, 2, kLime},
        {320, 4, kLime},
        {321, 0, kWhite},
        {321, 7, kFuchsia},
    };
    for (const Row& r : table) {
        show(r.row);
        EXPECT_EQ(colourAt(r.row, r.column), r.colour)
            << "row " << r.row << " column " << r.column << ": " << rows[r.row].toStdString();
    }
}

TEST_F(HighlightingTest, ColoursDoNotDependOnTheScrollOrderOrEditsAbove)
{
    // Blocks of every kind whose state reaches over many rows.
    const QStringList pieces = {
        "Items = <\r\n  item\r\n    Caption = 'end'\r\n    SubItems = <\r\n      item\r\n      end>\r\n"
        "    Tag = 1\r\n  end\r\n  item\r\n  end>\r\nend",
        "Picture.Data = {\r\n  0A0B0C0D\r\n  0E0F1011\r\n  12131415}\r\nobject X: TX",
        "Caption = 'unterminated\r\nend\r\nHint = 'It''s' + #13#10 + 'x'",
        "inherited Y: TY\r\n  Left = -1.5E3\r\nend",
    };
    QStringList parts;
    QRandomGenerator random(7);
    while (parts.join(QStringLiteral("\r\n")).count(QStringLiteral("\r\n")) < 3000)
        parts << pieces[random.bounded(int(pieces.size()))];
    const QString text = parts.join(QStringLiteral("\r\n"));
    e().setText(text);
    e().finishLoading();
    std::vector<TFormats> reference = referenceFormats(e().text().split(QStringLiteral("\r\n")));
    const int rowCount = e().blockCount();

    std::vector<int> tops = {rowCount - 5, rowCount / 2, 0, rowCount / 3};
    for (int i = 0; i < 12; ++i)
        tops.push_back(random.bounded(rowCount));
    for (int top : tops) {
        show(top);
        expectVisibleRowsMatch(reference, "first visit");
    }

    // An unclosed collection near the top keeps every later row inside one (end is
    // no longer a reserved word); an opened bracket turns rows into a hexadecimal span.
    for (const char* inserted : {"Extra = <\n", "Data = {\n"}) {
        QTextCursor c(e().document()->findBlockByNumber(3));
        c.insertText(QString::fromLatin1(inserted));
        reference = referenceFormats(e().text().split(QStringLiteral("\r\n")));
        for (int top : tops) {
            show(top);
            expectVisibleRowsMatch(reference, inserted);
        }
    }
    e().undo();
    e().undo();
    reference = referenceFormats(e().text().split(QStringLiteral("\r\n")));
    for (int top : {rowCount - 3, 0, rowCount / 2}) {
        show(top);
        expectVisibleRowsMatch(reference, "after undo");
    }
}

TEST_F(HighlightingTest, OnlyTheRowsPaintedAreColoured)
{
    QStringList rows = {"Picture.Data = {"};
    for (int i = 0; i < 20000; ++i)
        rows << "  0A1B2C3D4E5F";
    rows << "  00}"
         << "Left = 1";
    e().setText(rows.join(QStringLiteral("\r\n")));
    e().viewport()->repaint();
    EXPECT_EQ(colourAt(5, 2), kLime);
    EXPECT_TRUE(formatsOf(100).isEmpty());
    EXPECT_LT(FHighlighter->KnownStates(), 100);

    show(20000);
    EXPECT_EQ(colourAt(20000, 2), kLime);
    EXPECT_EQ(colourAt(20001, 4), kLime);
    EXPECT_EQ(colourAt(20002, 0), kWhite);
    EXPECT_TRUE(formatsOf(10000).isEmpty());

    // Meanwhile, whenever the event loop is idle, the states are carried to the end.
    for (int i = 0; i < 400 && FHighlighter->KnownStates() < e().blockCount(); ++i)
        QTest::qWait(5);
    EXPECT_EQ(FHighlighter->KnownStates(), e().blockCount());
}

TEST_F(HighlightingTest, ColouringIsNoEdit)
{
    QSignalSpy changed(&e(), &QPlainTextEdit::textChanged);
    e().setText(QStringLiteral("Caption = 'a'\r\nItems = <\r\n  item\r\n  end>"));
    changed.clear();
    e().viewport()->repaint();
    EXPECT_EQ(colourAt(0, 10), kYellow);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_FALSE(e().document()->isModified());
    EXPECT_EQ(e().availableUndoSteps(), 0);
}

TEST_F(HighlightingTest, FountainColourChangesRepaint)
{
    e().setText(QStringLiteral("Caption = 'a'"));
    e().viewport()->repaint();
    EXPECT_EQ(colourAt(0, 10), kYellow);
    FHighlighter->OwnFountain().Str().SetColor(0x0000FF); // 0x00BBGGRR: red
    e().viewport()->repaint();
    EXPECT_EQ(colourAt(0, 10), QColor(0xFF, 0, 0));
    EXPECT_EQ(colourAt(0, 0), kWhite);
}

TEST_F(HighlightingTest, DoubleClickInAHexBlockSelectsTheRowsSpan)
{
    struct Row {
        int row;
        int column;
        const char* selected;
    };
    const Row table[] = {{1, 4, "0A0B0C"}, {2, 3, "0D0E}"}, {0, 16, "{"}, {3, 1, "Tag"}};
    e().setText(QStringLiteral("Picture.Data = {\r\n  0A0B0C\r\n  0D0E}\r\nTag = 1"));
    QObject::connect(&e(), &TEditor::doubleClicked, &e(), &TEditor::SelectTokenFromCaret); // as the window does
    for (const Row& r : table) {
        QTextCursor c(e().document()->findBlockByNumber(r.row));
        c.setPosition(c.position() + r.column);
        QTest::mouseDClick(e().viewport(), Qt::LeftButton, Qt::NoModifier, e().cursorRect(c).center() + QPoint(1, 0));
        EXPECT_EQ(e().selectedText(), QString::fromLatin1(r.selected)) << r.row << ':' << r.column;
    }
}

using HighlightedWindowTest = WindowFixture;

TEST_F(HighlightedWindowTest, ThePaneOfTheWindowIsColoured)
{
    start({writeFile(QStringLiteral("F.dfm"), NestedTextForm())});
    clickNode(QStringLiteral("Button1"));
    pane()->viewport()->repaint();
    const auto formats = pane()->document()->firstBlock().layout()->formats();
    ASSERT_EQ(formats.size(), 3); // Caption = 'OK'
    EXPECT_EQ(formats[0].format.foreground().color(), kWhite);
    EXPECT_EQ(formats[1].format.foreground().color(), kSilver);
    EXPECT_EQ(formats[2].format.foreground().color(), kYellow);
    EXPECT_EQ(formats[2].start, 10);
    EXPECT_EQ(formats[2].length, 4);
}

} // namespace
} // namespace korvel::test

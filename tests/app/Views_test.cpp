// The views around the tree and the pane, driven through the real window: the find
// bar over the tree, the picture pane with saving and replacing a picture, and the
// form preview dock.
#include "app/support/WindowFixture.h"

#include "app/FindBar.h"
#include "app/FormPreviewDock.h"
#include "app/PicturePane.h"
#include "document/Pictures.h"
#include "support/Corpus.h"

#include <QBuffer>
#include <QDirIterator>
#include <QComboBox>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QToolTip>

#include <iostream>
#include <map>

namespace korvel::test {
namespace {

QByteArray imageFile(int width, int height, Qt::GlobalColor color, const char* format)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray prefix(const char* className)
{
    return char(qstrlen(className)) + QByteArray(className);
}
QByteArray u32(uint32_t v)
{
    return QByteArray(reinterpret_cast<const char*>(&v), 4);
}

const QByteArray kPng = imageFile(6, 4, Qt::red, "PNG");
const QByteArray kBmp = imageFile(3, 5, Qt::blue, "BMP");
// A metafile Qt has no reader for: its signature and a few bytes.
const QByteArray kWmf = QByteArray::fromHex("d7cdc69a") + QByteArray(18, '\0');

QByteArray property(const char* name, const QByteArray& data)
{
    return QByteArray("    ") + name + " = " + FormatHexBlock(data, 4, u"\r\n").toLatin1() + "\r\n";
}

// A form with a picture of each kind: a PNG, a bitmap glyph and a metafile.
QByteArray PictureForm()
{
    return "object Form1: TForm1\r\n"
           "  ClientWidth = 300\r\n"
           "  ClientHeight = 200\r\n"
           "  Caption = 'Pictures'\r\n"
           "  object Panel1: TPanel\r\n"
           "    Align = alTop\r\n"
           "    Height = 40\r\n"
           "    Caption = 'Top panel'\r\n"
           "    object Button1: TButton\r\n"
           "      Left = 8\r\n"
           "      Top = 8\r\n"
           "      Width = 75\r\n"
           "      Height = 25\r\n"
           "      Caption = 'OK'\r\n"
           "    end\r\n"
           "  end\r\n"
           "  object Image1: TImage\r\n"
           "    Left = 150\r\n"
           "    Top = 60\r\n"
           "    Width = 100\r\n"
           "    Height = 100\r\n"
        + property("Picture.Data", prefix("TPngImage") + kPng)
        + "  end\r\n"
          "  object Memo1: TMemo\r\n"
          "    Left = 10\r\n"
          "    Top = 60\r\n"
          "    Width = 100\r\n"
          "    Height = 50\r\n"
          "    Visible = False\r\n"
          "  end\r\n"
          "  object SpeedButton1: TSpeedButton\r\n"
          "    Left = 10\r\n"
          "    Top = 120\r\n"
          "    Width = 30\r\n"
          "    Height = 30\r\n"
        + property("Glyph.Data", u32(uint32_t(kBmp.size())) + kBmp)
        + "  end\r\n"
          "  object Image2: TImage\r\n"
          "    Left = 260\r\n"
          "    Top = 60\r\n"
          "    Width = 30\r\n"
          "    Height = 30\r\n"
        + property("Picture.Data", prefix("TMetafile") + kWmf)
        + "  end\r\n"
          "end\r\n";
}

class ViewsTest : public WindowFixture {
protected:
    TFindBar* bar() const { return w()->findBar(); }
    TPicturePane* pictures() const { return w()->picturePane(); }
    TFormPreview* preview() const { return w()->formPreviewDock()->preview(); }
    // Captions of the rows the tree shows: not hidden, under expanded ancestors.
    QStringList visibleRows() const
    {
        QStringList rows;
        const TComponentTree& t = w()->document().Tree();
        for (int64_t i = 0; i < t.count(); ++i) {
            const TTreeNode* n = t.GetNodeFromIndex(i);
            bool shown = true;
            for (const TTreeNode* p = n; p && shown; p = p->parent()) {
                const QModelIndex index = w()->model()->indexOf(p);
                shown = !tree()->isRowHidden(index.row(), index.parent()) && (p == n || tree()->isExpanded(index));
            }
            if (shown)
                rows << n->caption();
        }
        return rows;
    }
    QString selected() const { return w()->selectedNode() ? w()->selectedNode()->caption() : QString(); }
    // The tool tip the tree shows over the row of caption.
    QString toolTipOver(const QString& caption)
    {
        QToolTip::hideText();
        const QRect r = tree()->visualRect(w()->model()->indexOf(node(caption)));
        const QPoint at(std::max(r.left() + 2, 2), r.center().y());
        QHelpEvent help(QEvent::ToolTip, at, tree()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(tree()->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }
    void clickButton(int picture, const char* name)
    {
        auto* frame = pictures()->findChild<QWidget*>(QStringLiteral("picture%1").arg(picture));
        ASSERT_TRUE(frame);
        auto* button = frame->findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_TRUE(button);
        button->click();
    }
};

TEST_F(ViewsTest, FindNarrowsTheTreeStepsThroughMatchesAndSearchesProperties)
{
    start({writeFile(QStringLiteral("F.dfm"), NestedTextForm())});
    const QStringList all = visibleRows();
    EXPECT_FALSE(bar()->isVisible());
    key(tree(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar()->isVisible());
    EXPECT_TRUE(bar()->textBox()->hasFocus());

    // By name or class, letter case ignored: the matches with their ancestors, bold.
    struct Row {
        const char* typed;
        QStringList rows;
        QStringList steps; // Enter, Enter, Shift+Enter
    };
    const Row rows[] = {
        {"BUTTON", {"Form1", "Panel1", "Button1", "Button2"}, {"Button1", "Button2", "Button1"}},
        {"tlabel", {"Form1", "Panel2", "Edit1", "Inner1"}, {"Inner1", "Inner1", "Inner1"}},
        {"nothing", {}, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.typed);
        bar()->textBox()->setText(QString::fromLatin1(r.typed));
        EXPECT_EQ(visibleRows(), r.rows);
        if (r.steps.isEmpty())
            continue;
        EXPECT_TRUE(bar()->isMarked(w()->model()->indexOf(node(r.steps[0]))));
        EXPECT_FALSE(bar()->isMarked(w()->model()->indexOf(node(QStringLiteral("Form1")))));
        QStringList steps;
        key(bar()->textBox(), Qt::Key_Return);
        steps << selected();
        key(bar()->textBox(), Qt::Key_Return);
        steps << selected();
        key(bar()->textBox(), Qt::Key_Return, Qt::ShiftModifier);
        steps << selected();
        EXPECT_EQ(steps, r.steps);
    }
    EXPECT_EQ(bar()->findChild<QLabel*>(QStringLiteral("lblFindCount"))->text(), QStringLiteral("0/0"));

    // F3 steps from the tree too; a move keeps the filter, the moved match stays in sight.
    bar()->textBox()->setText(QStringLiteral("button"));
    key(tree(), Qt::Key_F3);
    key(tree(), Qt::Key_F3);
    EXPECT_EQ(selected(), QStringLiteral("Button2"));
    trigger(acts().actUp);
    EXPECT_EQ(visibleRows(), (QStringList{"Form1", "Panel1", "Button2", "Button1"}));
    key(tree(), Qt::Key_F3, Qt::ShiftModifier); // from Button2, now the first match
    EXPECT_EQ(selected(), QStringLiteral("Button1"));

    // Escape clears: every row again, the focus back in the tree.
    key(bar()->textBox(), Qt::Key_Escape);
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_EQ(visibleRows().size(), all.size());
    EXPECT_TRUE(tree()->hasFocus());

    // Property text: the component is selected with the occurrence selected in the pane.
    key(tree(), Qt::Key_F, Qt::ControlModifier);
    bar()->setMode(TFindBar::TMode::Properties);
    bar()->textBox()->setText(QStringLiteral("CANCEL"));
    EXPECT_EQ(visibleRows(), (QStringList{"Form1", "Panel1", "Button2"}));
    key(bar()->textBox(), Qt::Key_Return);
    EXPECT_EQ(selected(), QStringLiteral("Button2"));
    EXPECT_EQ(pane()->selectedText(), QStringLiteral("Cancel"));
    // Stepping back from no match wraps to the last one.
    bar()->textBox()->setText(QStringLiteral("left"));
    EXPECT_EQ(bar()->matches().size(), 3u); // Form1, Panel1, Panel2
    key(bar()->textBox(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(selected(), QStringLiteral("Panel2"));
    EXPECT_EQ(pane()->selectedText(), QStringLiteral("Left"));
    key(bar()->textBox(), Qt::Key_Escape);

    // A caption the tree's width cuts off shows whole in a tool tip; the tree scrolls sideways.
    EXPECT_EQ(toolTipOver(QStringLiteral("Inner1")), QString());
    w()->findChild<QSplitter*>(QStringLiteral("splitterMain"))->setSizes({90, 700});
    QApplication::processEvents();
    tree()->doItemsLayout();
    EXPECT_EQ(toolTipOver(QStringLiteral("Inner1")), QStringLiteral("Inner1"));
    EXPECT_GT(tree()->horizontalScrollBar()->maximum(), 0);
}

TEST_F(ViewsTest, PicturePanePreviewsSavesAndReplacesPictures)
{
    start({writeFile(QStringLiteral("P.dfm"), PictureForm())});
    clickNode(QStringLiteral("Button1"));
    EXPECT_FALSE(pictures()->isVisible());

    struct Row {
        const char* node;
        bool previewed;
        const char* description;
    };
    const Row rows[] = {
        {"Image1", true, "Picture.Data\nTPngImage (PNG) 6×4\n"},
        {"SpeedButton1", true, "Glyph.Data\nTBitmap (BMP) 3×5\n"},
        {"Image2", false, "Picture.Data\nTMetafile (WMF)\n22 bytes\ncannot preview"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.node);
        clickNode(QString::fromLatin1(r.node));
        EXPECT_TRUE(pictures()->isVisible());
        ASSERT_EQ(pictures()->pictures().size(), 1u);
        EXPECT_EQ(pictures()->isPreviewed(0), r.previewed);
        EXPECT_TRUE(pictures()->description(0).startsWith(QString::fromUtf8(r.description)))
            << pictures()->description(0).toStdString();
    }

    // Save picture as: the picture's extension and class offered, the image's bytes written.
    clickNode(QStringLiteral("Image1"));
    const QString saved = FDir.filePath(QStringLiteral("saved.png"));
    FFileNames.push_back(saved);
    clickButton(0, "btnSavePicture");
    EXPECT_EQ(FDialogs.last(), QStringLiteral("sdPicture"));
    EXPECT_EQ(FDialogSuffixes.last(), QStringLiteral("png"));
    EXPECT_EQ(FDialogSelections.last(), QStringLiteral("Image1_Picture.png"));
    EXPECT_EQ(FDialogFilters.last(), QStringLiteral("TPngImage (*.png)|All Files (*)"));
    EXPECT_EQ(readFile(saved), kPng);

    // Replace picture: a bitmap takes the bitmap's prefix; Undo brings the PNG back.
    FFileNames.push_back(writeFile(QStringLiteral("new.bmp"), kBmp));
    clickButton(0, "btnReplacePicture");
    EXPECT_EQ(FDialogs.last(), QStringLiteral("odPicture"));
    EXPECT_TRUE(FErrors.isEmpty()) << FErrors.join(u'\n').toStdString();
    EXPECT_TRUE(node(QStringLiteral("Image1"))->record().Modified);
    EXPECT_TRUE(w()->document().IsModified());
    ASSERT_EQ(pictures()->pictures().size(), 1u);
    EXPECT_EQ(pictures()->pictures()[0].Picture.PictureClass(), QStringLiteral("TBitmap"));
    EXPECT_EQ(pictures()->pictures()[0].Picture.Image, kBmp);
    EXPECT_TRUE(pane()->text().contains(QStringLiteral("Picture.Data = {")));
    tree()->setFocus();
    trigger(acts().actEditorUndo);
    EXPECT_FALSE(node(QStringLiteral("Image1"))->record().Modified);
    EXPECT_EQ(pictures()->pictures()[0].Picture.Image, kPng);

    // A file that is no image is refused; the document stays as it is.
    FFileNames.push_back(writeFile(QStringLiteral("notes.txt"), "plain text"));
    clickButton(0, "btnReplacePicture");
    ASSERT_EQ(FErrors.size(), 1);
    EXPECT_TRUE(FErrors[0].endsWith(PictureNotReplaceableMessage())) << FErrors[0].toStdString();
    EXPECT_FALSE(node(QStringLiteral("Image1"))->record().Modified);

    // Cancel in either dialog changes nothing.
    FFileNames.push_back(QString());
    clickButton(0, "btnReplacePicture");
    EXPECT_FALSE(w()->document().IsModified());
}

TEST_F(ViewsTest, FormPreviewFollowsTheTreeAndTheDocument)
{
    start({writeFile(QStringLiteral("P.dfm"), PictureForm())});
    QAction* toggle = w()->formPreviewDock()->toggleViewAction();
    EXPECT_FALSE(w()->formPreviewDock()->isVisible());
    toggle->trigger();
    ASSERT_TRUE(w()->formPreviewDock()->isVisible());
    QApplication::processEvents();

    const TPreviewLayout& layout = preview()->preview();
    const auto item = [&](const char* caption) { return layout.indexOf(node(QString::fromLatin1(caption))); };
    const auto order = [&] {
        QStringList captions;
        for (const TPreviewItem& i : preview()->preview().Items)
            captions << i.Caption + (i.Hidden ? QStringLiteral("(hidden)") : QString());
        return captions.join(u' ');
    };
    EXPECT_EQ(order(), QStringLiteral("Pictures Top panel OK Image1 Memo1(hidden) SpeedButton1 Image2"));
    EXPECT_EQ(layout.Items[size_t(item("Panel1"))].Rect, QRect(0, 0, 300, 40));

    // The tree's selection is the preview's, and a click in the preview selects in the tree.
    clickNode(QStringLiteral("Button1"));
    EXPECT_EQ(preview()->selectedItem(), item("Button1"));
    const QRect image = preview()->widgetRect(item("Image1"));
    ASSERT_TRUE(image.isValid());
    QTest::mouseClick(preview(), Qt::LeftButton, Qt::NoModifier, image.center());
    EXPECT_EQ(selected(), QStringLiteral("Image1"));
    EXPECT_EQ(preview()->selectedItem(), item("Image1"));
    // The hidden memo under the point is not picked; the form is.
    QTest::mouseClick(preview(), Qt::LeftButton, Qt::NoModifier, preview()->widgetRect(item("Memo1")).center());
    EXPECT_EQ(selected(), QStringLiteral("Form1"));

    // Moves reorder the drawing; applied text moves the rectangle; undo puts both back.
    clickNode(QStringLiteral("Memo1"));
    trigger(acts().actUp);
    EXPECT_EQ(order(), QStringLiteral("Pictures Top panel OK Memo1(hidden) Image1 SpeedButton1 Image2"));
    clickNode(QStringLiteral("Button1"));
    pane()->setText(QStringLiteral("Left = 20\r\nTop = 4\r\nWidth = 75\r\nHeight = 25\r\nCaption = 'Go'\r\n"));
    trigger(acts().actSaveProperties);
    EXPECT_EQ(layout.Items[size_t(item("Button1"))].Rect, QRect(20, 4, 75, 25));
    EXPECT_EQ(layout.Items[size_t(item("Button1"))].Caption, QStringLiteral("Go"));
    tree()->setFocus();
    trigger(acts().actEditorUndo);
    trigger(acts().actEditorUndo);
    EXPECT_EQ(order(), QStringLiteral("Pictures Top panel OK Image1 Memo1(hidden) SpeedButton1 Image2"));
    EXPECT_EQ(preview()->preview().Items[size_t(item("Button1"))].Rect, QRect(8, 8, 75, 25));
    toggle->trigger();
    EXPECT_FALSE(w()->formPreviewDock()->isVisible());
}

// Every bitmap, PNG or icon in a Picture.Data of the corpus previews with Qt's readers.
TEST(PicturePreviewTest, CorpusBitmapsPngsAndIconsPreview)
{
    KORVEL_NEEDS_CORPUS();
    std::map<QString, std::pair<int, int>> counts; // class: previewed, total
    QDirIterator it(QStringLiteral(KORVEL_CORPUS_DIR),
        {QStringLiteral("*.dfm"), QStringLiteral("*.fmx"), QStringLiteral("*.xfm")}, QDir::Files,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(QStringLiteral("/malformed/")))
            continue;
        TFormDocument doc;
        try {
            doc.LoadFormFile(path);
        } catch (const EKorvelError&) {
            continue;
        }
        for (int64_t i = 0; const TTreeNode* node = doc.Tree().GetNodeFromIndex(i); ++i) {
            for (const TPictureProperty& p : FindPictureProperties(doc.NodeProperties(node))) {
                const TPictureFormat f = p.Picture.Format;
                if (!p.Property.Name.endsWith(QStringLiteral("Picture.Data"), Qt::CaseInsensitive)
                    || p.Picture.Truncated
                    || (f != TPictureFormat::Bmp && f != TPictureFormat::Png && f != TPictureFormat::Ico))
                    continue;
                auto& [previewed, total] = counts[p.Picture.PictureClass() + p.Picture.Extension()];
                ++total;
                const bool read = !ReadPictureImage(p.Picture).isNull();
                previewed += read;
                EXPECT_TRUE(read) << path.toStdString() << " " << node->caption().toStdString();
            }
        }
    }
    std::cout << "Picture.Data previews:\n";
    for (const auto& [key, n] : counts)
        std::cout << "  " << key.toStdString() << ": " << n.first << " of " << n.second << "\n";
    EXPECT_FALSE(counts.empty());
}

} // namespace
} // namespace korvel::test

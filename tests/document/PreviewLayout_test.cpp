#include "document/PreviewLayout.h"

#include "document/FormDocument.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace {

// One line per item: "name x,y wxh caption", " hidden" when hidden.
std::string dump(const TPreviewLayout& layout)
{
    QStringList lines;
    for (const TPreviewItem& it : layout.Items) {
        const QRect& r = it.Rect;
        lines << QStringLiteral("%1 %2,%3 %4x%5 %6%7")
                     .arg(it.Node->caption())
                     .arg(r.x())
                     .arg(r.y())
                     .arg(r.width())
                     .arg(r.height())
                     .arg(it.Caption, it.Hidden ? QStringLiteral(" hidden") : QString());
    }
    QStringList nonVisual;
    for (const TTreeNode* n : layout.NonVisual)
        nonVisual << n->caption();
    lines << QStringLiteral("non-visual: ") + nonVisual.join(u',');
    return lines.join(u'\n').toStdString();
}

TPreviewLayout layoutOf(TFormDocument& doc, const char* path, const QByteArray& text)
{
    doc.LoadFormBytes(QString::fromLatin1(path), text);
    return LayoutPreview(doc.Tree().firstNode(), [&](const TTreeNode* n) { return doc.NodeProperties(n); });
}

TEST(PreviewLayoutTest, PlacesDockedAndPositionedComponents)
{
    const struct {
        const char* path;
        QByteArray text;
        const char* expected;
    } cases[] = {
        {"classic.dfm",
            "object Form1: TForm1\r\n  Left = 100\r\n  Top = 100\r\n  ClientWidth = 400\r\n  ClientHeight = 300\r\n"
            "  Caption = 'Main'\r\n"
            "  object Status: TPanel\r\n    Align = alBottom\r\n    Height = 20\r\n    Caption = 'It''s'#32'ok'\r\n  "
            "end\r\n"
            "  object Top1: TPanel\r\n    Align = alTop\r\n    Height = 40\r\n"
            "    object Button1: TButton\r\n      Left = 8\r\n      Top = 8\r\n      Width = 75\r\n      Height = "
            "25\r\n"
            "      Caption = 'OK'\r\n    end\r\n  end\r\n"
            "  object Side: TPanel\r\n    Align = alLeft\r\n    Width = 100\r\n    Visible = False\r\n"
            "    object Label1: TLabel\r\n      Left = 4\r\n      Top = 4\r\n      Width = 50\r\n      Height = 13\r\n"
            "    end\r\n  end\r\n"
            "  object Pages: TPageControl\r\n    Align = alClient\r\n"
            "    object Sheet1: TTabSheet\r\n      Caption = 'Page'\r\n"
            "      object Edit1: TEdit\r\n        Left = 10\r\n        Top = 20\r\n        Width = 120\r\n"
            "        Height = 21\r\n        Text = 'typed'\r\n      end\r\n    end\r\n  end\r\n"
            "  object Timer1: TTimer\r\n    Left = 8\r\n    Top = 8\r\n  end\r\n"
            "  object MainMenu1: TMainMenu\r\n    object File1: TMenuItem\r\n      Caption = 'File'\r\n    end\r\n  "
            "end\r\n"
            "end\r\n",
            "Form1 0,0 400x300 Main\n"
            "Status 0,280 400x20 It's ok\n" // bottom docking comes after top docking
            "Top1 0,0 400x40 Top1\n"
            "Button1 8,8 75x25 OK\n"
            "Side 0,40 100x240 Side hidden\n"
            "Label1 4,44 50x13 Label1 hidden\n"
            "Pages 100,40 300x240 Pages\n"
            "Sheet1 100,40 300x240 Page\n"
            "Edit1 110,60 120x21 typed\n"
            "non-visual: Timer1,MainMenu1,File1"},
        {"fmx.fmx",
            "object Form2: TForm2\r\n  ClientHeight = 100\r\n  ClientWidth = 200\r\n"
            "  object Rect1: TRectangle\r\n    Align = Top\r\n    Size.Height = 30.000000000000000000\r\n  end\r\n"
            "  object Btn: TButton\r\n    Position.X = 10.500000000000000000\r\n    Position.Y = "
            "40.000000000000000000\r\n"
            "    Size.Width = 80.000000000000000000\r\n    Size.Height = 22.000000000000000000\r\n    Text = 'Go'\r\n"
            "  end\r\n"
            "  object Big: TPanel\r\n    Align = Client\r\n    Size.Height = 500\r\n  end\r\n"
            "end\r\n",
            "Form2 0,0 200x100 Form2\n"
            "Rect1 0,0 200x30 Rect1\n"
            "Btn 11,40 80x22 Go\n"
            "Big 0,30 200x70 Big\n"
            "non-visual: "},
    };
    for (const auto& c : cases) {
        TFormDocument doc;
        EXPECT_EQ(dump(layoutOf(doc, c.path, c.text)), c.expected) << c.path;
    }
}

TEST(PreviewLayoutTest, ItemAtPicksTheTopmostShownItem)
{
    TFormDocument doc;
    const TPreviewLayout layout = layoutOf(doc, "f.dfm",
        "object F: TForm\r\n  ClientWidth = 100\r\n  ClientHeight = 100\r\n"
        "  object A: TPanel\r\n    Left = 0\r\n    Top = 0\r\n    Width = 50\r\n    Height = 50\r\n"
        "    object B: TButton\r\n      Left = 10\r\n      Top = 10\r\n      Width = 20\r\n      Height = 20\r\n    "
        "end\r\n"
        "  end\r\n"
        "  object C: TPanel\r\n    Left = 40\r\n    Top = 40\r\n    Width = 50\r\n    Height = 50\r\n  end\r\n"
        "  object D: TPanel\r\n    Left = 60\r\n    Top = 0\r\n    Width = 30\r\n    Height = 30\r\n    Visible = "
        "False\r\n"
        "  end\r\n"
        "end\r\n");
    const struct {
        QPoint at;
        const char* name; // nullptr: outside the form
    } cases[] = {
        {{15, 15}, "B"},
        {{5, 5}, "A"},
        {{45, 45}, "C"},
        {{70, 10}, "F"},
        {{99, 99}, "F"},
        {{100, 100}, nullptr},
    };
    for (const auto& c : cases) {
        const int i = layout.itemAt(c.at);
        EXPECT_EQ(
            i < 0 ? std::string("-") : layout.Items[size_t(i)].Node->caption().toStdString(), c.name ? c.name : "-")
            << c.at.x() << "," << c.at.y();
    }
    EXPECT_EQ(layout.indexOf(doc.Tree().firstNode()), 0);
    EXPECT_EQ(layout.indexOf(nullptr), -1);
}

TEST(PreviewLayoutTest, DeepNestingNeedsNoDeepStack)
{
    QByteArray text;
    const int depth = 20000;
    for (int i = 0; i < depth; ++i)
        text += "object P" + QByteArray::number(i) + ": TPanel\r\nAlign = alClient\r\n";
    for (int i = 0; i < depth; ++i)
        text += "end\r\n";
    TFormDocument doc;
    const TPreviewLayout layout = layoutOf(doc, "deep.dfm", text);
    EXPECT_EQ(layout.Items.size(), size_t(depth));
}

} // namespace

#include "document/FindComponents.h"

#include "document/FormDocument.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace {

const QByteArray kForm = "object Form1: TForm1\r\n"
                         "  Caption = 'Main'\r\n"
                         "  object Panel1: TPanel\r\n"
                         "    Caption = 'Panel'\r\n"
                         "    object btnOK: TButton\r\n"
                         "      Caption = 'OK'\r\n"
                         "      OnClick = btnOKClick\r\n"
                         "    end\r\n"
                         "  end\r\n"
                         "  object Edit1: TEdit\r\n"
                         "    Text = 'ok then'\r\n"
                         "  end\r\n"
                         "  object TTimer\r\n"
                         "  end\r\n"
                         "end\r\n";

std::string names(const std::vector<const TTreeNode*>& nodes)
{
    QStringList out;
    for (const TTreeNode* n : nodes)
        out << (n->record().ObjectName.isEmpty() ? n->record().ClassName : n->record().ObjectName);
    return out.join(u',').toStdString();
}

TEST(FindComponentsTest, FilterKeepsMatchesAndTheirAncestors)
{
    TFormDocument doc;
    doc.LoadFormBytes(QStringLiteral("f.dfm"), kForm);
    const struct {
        const char16_t* text;
        const char* matches;
        const char* kept; // in depth-first order
    } cases[] = {
        {u"btn", "btnOK", "Form1,Panel1,btnOK"},
        {u"tpanel", "Panel1", "Form1,Panel1"},
        {u"EDIT", "Edit1", "Form1,Edit1"},
        {u"timer", "TTimer", "Form1,TTimer"},
        {u"1", "Form1,Panel1,Edit1", "Form1,Panel1,Edit1"},
        {u"", "Form1,Panel1,btnOK,Edit1,TTimer", "Form1,Panel1,btnOK,Edit1,TTimer"},
        {u"zzz", "", ""},
    };
    for (const auto& c : cases) {
        const TComponentFilter f = FilterComponents(doc.Tree(), QStringView(c.text));
        EXPECT_EQ(names(f.Matches), c.matches) << c.matches;
        std::vector<const TTreeNode*> kept;
        for (int64_t i = 0; const TTreeNode* n = doc.Tree().GetNodeFromIndex(i); ++i)
            if (f.Kept.count(n))
                kept.push_back(n);
        EXPECT_EQ(names(kept), c.kept) << c.matches;
        EXPECT_EQ(f.Kept.size(), kept.size());
    }
}

TEST(FindComponentsTest, PropertySearchGivesNodeOffsetAndLength)
{
    TFormDocument doc;
    doc.LoadFormBytes(QStringLiteral("f.dfm"), kForm);
    const auto textOf = [&](const TTreeNode* n) { return doc.NodeProperties(n); };
    const struct {
        const char16_t* text;
        const char* found; // node:offset per match
    } cases[] = {
        {u"ok", "btnOK:11 btnOK:29 Edit1:8"},
        {u"CAPTION", "Form1:0 Panel1:0 btnOK:0"},
        {u"btnOKClick", "btnOK:26"},
        {u"nowhere", ""},
        {u"", ""},
    };
    for (const auto& c : cases) {
        const QStringView text(c.text);
        QStringList found;
        for (const TPropertyMatch& m : FindInProperties(doc.Tree(), text, textOf)) {
            found << QString::fromStdString(names({m.Node})) + u':' + QString::number(m.Offset);
            EXPECT_EQ(m.Length, text.size());
            EXPECT_EQ(QStringView(textOf(m.Node)).sliced(m.Offset, m.Length).compare(text, Qt::CaseInsensitive), 0);
        }
        EXPECT_EQ(found.join(u' ').toStdString(), c.found);
    }
}

TEST(FindComponentsTest, StepMatchWrapsAround)
{
    const struct {
        int current, count;
        bool forward;
        int expected;
    } cases[] = {
        {-1, 3, true, 0},
        {-1, 3, false, 2},
        {0, 3, true, 1},
        {2, 3, true, 0},
        {0, 3, false, 2},
        {1, 3, false, 0},
        {0, 0, true, -1},
        {-1, 0, false, -1},
        {5, 3, true, 0},
        {0, 1, true, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StepMatch(c.current, c.count, c.forward), c.expected)
            << c.current << "/" << c.count << (c.forward ? " forward" : " backward");
}

} // namespace

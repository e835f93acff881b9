#include "highlight/DFMFountain.h"
#include "highlight/DFMFountainParser.h"
#include "highlight/EFountainError.h"
#include "highlight/Fountain.h"
#include "highlight/FountainParser.h"
#include "highlight/support/ScanHelpers.h"
#include "support/ErrorAssert.h"

#include <gtest/gtest.h>

#include <string>

namespace korvel {
namespace {

using test::utf8;

std::string join(const TSortedStringList& list)
{
    std::string out;
    for (int i = 0; i < list.Count(); ++i)
        out += (i ? " " : "") + utf8(list[i]);
    return out;
}

// Records the construction steps, to check that each reaches the derived class.
class TRecordingFountain : public TFountain {
public:
    inline static std::string Steps;
    TFountainParserClass ParserClass() const override
    {
        return [](TFountain* f) -> std::unique_ptr<TFountainParser> {
            return TFountainParser::Create<TDFMFountainParser>(f);
        };
    }

protected:
    friend class TFountain;
    TRecordingFountain() = default;
    void AddFileExts() override { Steps += "AddFileExts "; }
    std::unique_ptr<TFountainBracketCollection> CreateBrackets() override
    {
        Steps += "CreateBrackets ";
        return TFountain::CreateBrackets();
    }
    void AddBracketItems() override { Steps += "AddBracketItems "; }
    std::unique_ptr<TSortedStringList> CreateReserveWordList() override
    {
        Steps += "CreateReserveWordList ";
        return TFountain::CreateReserveWordList();
    }
    void AddReservedWords() override
    {
        Steps += "AddReservedWords";
        ReserveWordList().Add(QStringLiteral("Begin"));
        Steps += " ";
    }
    void CreateFountainColors() override
    {
        Steps += "CreateFountainColors";
        TFountain::CreateFountainColors();
    }
};

TEST(FountainTest, ConstructionStepsRunInOrder)
{
    TRecordingFountain::Steps.clear();
    const auto fountain = TFountain::Create<TRecordingFountain>();
    EXPECT_EQ(TRecordingFountain::Steps,
        "AddFileExts CreateBrackets AddBracketItems CreateReserveWordList AddReservedWords CreateFountainColors");
    // A scanner of another fountain kind colours reserved words and nothing of form text.
    const auto [tokens, next] = test::scanOne(*fountain, QStringLiteral("BEGIN x = 'y'"));
    EXPECT_EQ(tokens, "<Reserve>BEGIN</Reserve><none>x</none><none>=</none><none>'y'</none>");
}

TEST(FountainTest, FormFountainContents)
{
    const auto fountain = TDFMFountain::Create();
    EXPECT_EQ(join(fountain->FileExtList()), ".dfm .fmx .xfm");
    EXPECT_EQ(join(fountain->ReserveWordList()), "end inherited inline object");
    ASSERT_EQ(fountain->Brackets().Count(), 1);
    EXPECT_EQ(fountain->Brackets().Items(0).LeftBracket(), QStringLiteral("{"));
    EXPECT_EQ(fountain->Brackets().Items(0).RightBracket(), QStringLiteral("}"));

    const struct {
        const char16_t* ext;
        bool claimed;
    } exts[] = {{u".dfm", true}, {u".DFM", true}, {u".Fmx", true}, {u".xfm", true}, {u".pas", false}, {u"dfm", false},
        {u"", false}};
    for (const auto& e : exts)
        EXPECT_EQ(fountain->HasExt(QStringView(e.ext)), e.claimed) << utf8(QString::fromUtf16(e.ext));

    for (const char16_t* word : {u"end", u"END", u"Inherited", u"INLINE", u"object"})
        EXPECT_TRUE(fountain->ReserveWordList().Contains(QStringView(word)));
    for (const char16_t* word : {u"en", u"ends", u"begin", u"objects", u"", u"énd"})
        EXPECT_FALSE(fountain->ReserveWordList().Contains(QStringView(word)));
}

TEST(FountainTest, NewColoursHaveNoColourOfTheirOwn)
{
    const auto fountain = TDFMFountain::Create();
    for (const TFountainColor* color : {&fountain->Reserve(), &fountain->Ank(), &fountain->DBCS(), &fountain->Int(),
             &fountain->Str(), &fountain->Symbol(), &fountain->Brackets().Items(0).ItemColor()}) {
        EXPECT_EQ(color->BkColor(), clNone);
        EXPECT_EQ(color->Color(), clNone);
        EXPECT_EQ(color->Style(), 0);
    }
}

TEST(FountainTest, PropertyPaneColours)
{
    const auto fountain = TDFMFountain::Create();
    ApplyPropertyPaneColors(*fountain);
    const struct {
        const TFountainColor* color;
        TColor value;
    } items[] = {
        {&fountain->Ank(), 0xFFFFFF},
        {&fountain->DBCS(), 0xFFFFFF},
        {&fountain->Symbol(), 0xC0C0C0},
        {&fountain->Int(), 0xFF00FF},
        {&fountain->Str(), 0x00FFFF},
        {&fountain->Reserve(), 0xFFFF00},
        {&fountain->Brackets().Items(0).ItemColor(), 0x00FF00},
    };
    for (const auto& item : items) {
        SCOPED_TRACE(utf8(fountain->ColorItemName(item.color)));
        EXPECT_EQ(item.color->Color(), item.value);
        EXPECT_EQ(item.color->BkColor(), clNone);
        EXPECT_EQ(item.color->Style(), 0);
    }
}

TEST(FountainTest, BracketCollectionHoldsFourteenItems)
{
    const auto fountain = TDFMFountain::Create();
    TFountainBracketCollection& brackets = fountain->Brackets();
    while (brackets.Count() < 14)
        brackets.Add();
    EXPECT_KORVEL_ERROR(
        brackets.Add(), EFountainError, QStringLiteral("TFountainBracketCollection\r\nYou can not add item over 14"));
    EXPECT_EQ(brackets.Count(), 14);
}

TEST(FountainTest, ScannerNeedsAFountain)
{
    EXPECT_KORVEL_ERROR(TFountainParser::Create<TDFMFountainParser>(nullptr), EFountainError,
        QStringLiteral("TFountainParser.Create need instance of TFountain"));
}

// A second bracket pair, tried after the first, colours its own spans.
TEST(FountainTest, BracketItemsAreTriedInOrder)
{
    const auto fountain = TDFMFountain::Create();
    TFountainBracketItem& comment = fountain->Brackets().Add();
    comment.SetLeftBracket(QStringLiteral("(*"));
    comment.SetRightBracket(QStringLiteral("*)"));
    TFountainBracketItem& never = fountain->Brackets().Add(); // empty brackets open nothing
    (void)never;
    const auto [first, state] = test::scanOne(*fountain, QStringLiteral("(* a } { *) x (* b"));
    EXPECT_EQ(first, "<Bracket1>(* a } { *)</Bracket1><Ank>x</Ank><Bracket1>(* b</Bracket1>");
    EXPECT_EQ(state.BracketIndex, 1);
    const auto [second, after] = test::scanOne(*fountain, QStringLiteral(" c}*)d"), state);
    EXPECT_EQ(second, "<Bracket1>c}*)</Bracket1><Ank>d</Ank>");
    EXPECT_EQ(after.BracketIndex, -1);
    // A surrogate pair is stepped over whole; a lone high surrogate is not.
    const auto [pair, pairState] = test::scanOne(*fountain, QString::fromUtf16(u"{😀}x"));
    EXPECT_EQ(pair, "<Bracket0>{😀}</Bracket0><Ank>x</Ank>");
    const QString lone = QStringView(u"{\xD83D}x").toString();
    EXPECT_EQ(test::scanOne(*fountain, lone).second.BracketIndex, -1);
}

TEST(FountainTest, ChangesNotifySubscribers)
{
    auto fountain = TDFMFountain::Create();
    int changes = 0;
    int destroyed = 0;
    TFountainSubscription subscription = fountain->ChangeList().Subscribe([&] { ++changes; }, [&] { ++destroyed; });
    TFountainColor red;
    red.SetColor(0x0000FF);

    const struct {
        const char* what;
        std::function<void()> change;
        int expected;
    } steps[] = {
        {"new colour", [&] { fountain->Ank().SetColor(0x123456); }, 1},
        {"same colour", [&] { fountain->Ank().SetColor(0x123456); }, 1},
        {"background", [&] { fountain->Str().SetBkColor(0x000000); }, 2},
        {"style", [&] { fountain->Int().SetStyle(fsBold | fsItalic); }, 3},
        {"assign", [&] { fountain->SetSymbol(red); }, 4},
        {"assign same", [&] { fountain->SetSymbol(red); }, 4},
        {"reserve", [&] { fountain->SetReserve(red); }, 5},
        {"bracket colour", [&] { fountain->Brackets().Items(0).ItemColor().SetStyle(fsUnderline); }, 6},
        {"bracket text", [&] { fountain->Brackets().Items(0).SetRightBracket(QStringLiteral("]")); }, 7},
        {"bracket added", [&] { fountain->Brackets().Add(); }, 8},
        {"pane colours", [&] { ApplyPropertyPaneColors(*fountain); }, 17},
    };
    for (const auto& step : steps) {
        step.change();
        EXPECT_EQ(changes, step.expected) << step.what;
    }
    EXPECT_EQ(fountain->Symbol().Color(), 0xC0C0C0u);

    TFountainSubscription second = fountain->ChangeList().Subscribe([&] { changes += 100; });
    EXPECT_EQ(fountain->ChangeList().Count(), 2);
    second.Reset();
    fountain->Ank().SetColor(1);
    EXPECT_EQ(changes, 18);
    EXPECT_EQ(fountain->ChangeList().Count(), 1);

    fountain.reset();
    EXPECT_EQ(destroyed, 1);
    subscription.Reset(); // the list is gone: nothing to do, and no crash
}

TEST(FountainTest, SubscriberMayUnsubscribeWhileNotified)
{
    const auto fountain = TDFMFountain::Create();
    int calls = 0;
    TFountainSubscription first;
    TFountainSubscription second;
    first = fountain->ChangeList().Subscribe([&] {
        ++calls;
        second.Reset();
    });
    second = fountain->ChangeList().Subscribe([&] { calls += 10; });
    fountain->NotifyChange();
    EXPECT_EQ(calls, 1);
}

TEST(SortedStringListTest, SortsIgnoresDuplicatesAndCase)
{
    TSortedStringList list;
    for (const char16_t* s : {u"object", u"End", u"inline", u"END", u"end", u"Ärger", u"ärger", u"inherited", u"a"})
        list.Add(QString::fromUtf16(s));
    EXPECT_EQ(join(list), "a End inherited inline object Ärger");
    const struct {
        const char16_t* s;
        int index;
    } finds[] = {{u"A", 0}, {u"eNd", 1}, {u"ÄRGER", 5}, {u"ende", -1}, {u"", -1}, {u"objec", -1}, {u"zz", -1}};
    for (const auto& f : finds)
        EXPECT_EQ(list.IndexOf(QStringView(f.s)), f.index) << utf8(QString::fromUtf16(f.s));
}

} // namespace
} // namespace korvel

// TDFMFountain: the fountain for form text (.dfm, .fmx, .xfm). Adds colours for
// names, wide characters, numbers, strings and symbols, the { } bracket pair for
// hexadecimal data, and the reserved words of component blocks.
#pragma once

#include "highlight/Fountain.h"

namespace korvel {

class TDFMFountain : public TFountain {
public:
    // Makes a fully constructed form text fountain.
    static std::unique_ptr<TDFMFountain> Create() { return TFountain::Create<TDFMFountain>(); }
    ~TDFMFountain() override;

    // Alphanumeric runs: identifiers, property names, values such as alClient or True.
    TFountainColor& Ank() noexcept { return *FAnk; }
    const TFountainColor& Ank() const noexcept { return *FAnk; }
    void SetAnk(const TFountainColor& value) { FAnk->Assign(value); }
    // Runs of characters from 128 up, outside strings.
    TFountainColor& DBCS() noexcept { return *FDBCS; }
    const TFountainColor& DBCS() const noexcept { return *FDBCS; }
    void SetDBCS(const TFountainColor& value) { FDBCS->Assign(value); }
    // Numbers.
    TFountainColor& Int() noexcept { return *FInt; }
    const TFountainColor& Int() const noexcept { return *FInt; }
    void SetInt(const TFountainColor& value) { FInt->Assign(value); }
    // Quoted strings and #nnn character codes.
    TFountainColor& Str() noexcept { return *FStr; }
    const TFountainColor& Str() const noexcept { return *FStr; }
    void SetStr(const TFountainColor& value) { FStr->Assign(value); }
    // One-character symbols.
    TFountainColor& Symbol() noexcept { return *FSymbol; }
    const TFountainColor& Symbol() const noexcept { return *FSymbol; }
    void SetSymbol(const TFountainColor& value) { FSymbol->Assign(value); }

    // Returns TDFMFountainParser.
    TFountainParserClass ParserClass() const override;
    QString ColorItemName(const TFountainColor* color) const override;

protected:
    friend class TFountain;
    TDFMFountain() = default;

    // Adds ".dfm", ".fmx" and ".xfm".
    void AddFileExts() override;
    // The inherited colour, then Ank, DBCS, Int, Str and Symbol.
    void CreateFountainColors() override;
    // One item from "{" to "}".
    void AddBracketItems() override;
    // end, inherited, inline and object.
    void AddReservedWords() override;

private:
    std::unique_ptr<TFountainColor> FAnk;
    std::unique_ptr<TFountainColor> FDBCS;
    std::unique_ptr<TFountainColor> FInt;
    std::unique_ptr<TFountainColor> FStr;
    std::unique_ptr<TFountainColor> FSymbol;
};

// Sets the colours the property pane shows form text in, on its background of
// RGB 25, 25, 25: names and wide characters white, symbols silver, numbers
// fuchsia, strings yellow, reserved words aqua, bracket spans lime.
void ApplyPropertyPaneColors(TDFMFountain& fountain);

} // namespace korvel

// TPROPREC: the record behind every node of the component tree.
#pragma once

#include <QString>

#include <cstdint>

namespace korvel {

struct TPROPREC {
    // Component name from the header; empty for a header that carries only a class.
    QString ObjectName;
    // Class name from the header (with any bracketed index suffix after it when the header has a name).
    QString ClassName;
    // Index in OrgFile of the first property line (header line + 1).
    uint32_t BeginLine = 0;
    // Index in OrgFile of the last property line; BeginLine − 1 when there are none.
    uint32_t EndLine = 0;
    // 2 × nesting depth at parse time; property lines are taken to be indented by Indent + 2.
    uint32_t Indent = 0;
    // Property text last applied in the property pane, in stored form.
    QString ModProperties;
    // True once property text has been applied; ModProperties then replaces the lines.
    bool Modified = false;

    // The header's keyword as loaded: "object", "inherited" or "inline", in its own letter case.
    QString Keyword = QStringLiteral("object");
    // The blanks and tabs between the keyword and HeaderText as loaded.
    QString KeywordGap = QStringLiteral(" ");
    // The header's own text after the keyword and its gap, trailing blanks trimmed
    // ("Button1: TButton [2]"); regeneration writes Keyword + KeywordGap + HeaderText.
    QString HeaderText;
    // The closing line's text as loaded, without its indentation ("end", "END").
    QString EndText = QStringLiteral("end");
    // Lines after the block's end that belong to no property part (a property after
    // a child block, a stray end, text after the last block): OrgFile indexes
    // TrailBegin … TrailBegin + TrailCount − 1, written back after the end line.
    uint32_t TrailBegin = 0;
    uint32_t TrailCount = 0;
};

} // namespace korvel

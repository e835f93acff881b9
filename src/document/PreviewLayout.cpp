#include "document/PreviewLayout.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <unordered_map>

namespace korvel {
namespace {

// The properties of one node that the preview reads.
struct TGeometry {
    std::optional<int> Left, Top, Width, Height, ClientWidth, ClientHeight;
    TPreviewAlign Align = TPreviewAlign::None;
    bool HasAlign = false;
    bool Invisible = false;
    std::optional<QString> Caption, Text;
    bool hasSize() const { return Width || Height || ClientWidth || ClientHeight || HasAlign; }
};

std::optional<int> ParseNumber(QStringView value)
{
    const QByteArray latin = value.trimmed().toLatin1();
    double v = 0;
    const char* end = latin.constData() + latin.size();
    const auto r = std::from_chars(latin.constData(), end, v);
    if (r.ec != std::errc() || r.ptr != end || !std::isfinite(v) || std::fabs(v) > 1e9)
        return std::nullopt;
    return int(std::lround(v));
}

TPreviewAlign ParseAlign(QStringView value)
{
    QStringView v = value.trimmed();
    if (v.startsWith(u"al"))
        v = v.sliced(2);
    if (v.startsWith(u"Most"))
        v = v.sliced(4);
    if (v == u"Top")
        return TPreviewAlign::Top;
    if (v == u"Bottom")
        return TPreviewAlign::Bottom;
    if (v == u"Left")
        return TPreviewAlign::Left;
    if (v == u"Right")
        return TPreviewAlign::Right;
    if (v == u"Client" || v == u"Contents")
        return TPreviewAlign::Client;
    return TPreviewAlign::None;
}

// The text of a string value: quoted runs ('' for a quote) and #nnn codes, up to
// anything else (a continuation '+' included).
QString ParseString(QStringView v)
{
    QString out;
    qsizetype i = 0;
    while (i < v.size()) {
        if (v[i] == u'\'') {
            for (++i; i < v.size(); ++i) {
                if (v[i] == u'\'') {
                    if (i + 1 < v.size() && v[i + 1] == u'\'') {
                        out.append(u'\'');
                        ++i;
                    } else {
                        break;
                    }
                } else {
                    out.append(v[i]);
                }
            }
            ++i;
        } else if (v[i] == u'#') {
            qsizetype j = i + 1;
            char32_t code = 0;
            while (j < v.size() && v[j].isDigit() && code <= 0x10FFFF)
                code = code * 10 + (v[j++].unicode() - u'0');
            if (j == i + 1 || code > 0x10FFFF)
                break;
            out.append(QString::fromUcs4(&code, 1));
            i = j;
        } else {
            break;
        }
    }
    return out;
}

TGeometry ReadGeometry(const QString& text)
{
    TGeometry g;
    for (QStringView line : QStringView(text).tokenize(u'\n')) {
        // Only the node's own properties: collection items and continuations are indented.
        if (line.isEmpty() || line[0] == u' ' || line[0] == u'\t')
            continue;
        const qsizetype eq = line.indexOf(u" = ");
        if (eq <= 0)
            continue;
        const QStringView name = line.first(eq);
        const QStringView value = line.sliced(eq + 3).trimmed();
        if (name == u"Left" || name == u"Position.X")
            g.Left = ParseNumber(value);
        else if (name == u"Top" || name == u"Position.Y")
            g.Top = ParseNumber(value);
        else if (name == u"Width" || name == u"Size.Width")
            g.Width = ParseNumber(value);
        else if (name == u"Height" || name == u"Size.Height")
            g.Height = ParseNumber(value);
        else if (name == u"ClientWidth")
            g.ClientWidth = ParseNumber(value);
        else if (name == u"ClientHeight")
            g.ClientHeight = ParseNumber(value);
        else if (name == u"Align") {
            g.Align = ParseAlign(value);
            g.HasAlign = true;
        } else if (name == u"Visible")
            g.Invisible = value == u"False";
        else if (name == u"Caption")
            g.Caption = ParseString(value);
        else if (name == u"Text")
            g.Text = ParseString(value);
    }
    return g;
}

QString NodeName(const TTreeNode* node)
{
    const TPROPREC& r = node->record();
    return r.ObjectName.isEmpty() ? r.ClassName : r.ObjectName;
}

} // namespace

int TPreviewLayout::indexOf(const TTreeNode* node) const
{
    for (size_t i = 0; i < Items.size(); ++i)
        if (Items[i].Node == node)
            return int(i);
    return -1;
}

int TPreviewLayout::itemAt(QPoint point) const
{
    for (size_t i = Items.size(); i-- > 0;)
        if (!Items[i].Hidden && Items[i].Rect.contains(point))
            return int(i);
    return -1;
}

TPreviewLayout LayoutPreview(const TTreeNode* form, const TPreviewPropertiesOf& propertiesOf)
{
    TPreviewLayout layout;
    if (!form)
        return layout;

    // Depth-first order of the subtree, and each node's properties.
    std::vector<const TTreeNode*> order;
    std::unordered_map<const TTreeNode*, TGeometry> geometry;
    {
        std::vector<const TTreeNode*> stack{form};
        while (!stack.empty()) {
            const TTreeNode* n = stack.back();
            stack.pop_back();
            order.push_back(n);
            geometry.emplace(n, ReadGeometry(propertiesOf(n)));
            for (int i = n->childCount() - 1; i >= 0; --i)
                stack.push_back(n->child(i));
        }
    }
    // Visual or not, children before parents (reverse depth-first order).
    std::unordered_map<const TTreeNode*, bool> visual;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const TTreeNode* n = *it;
        bool v = n == form || geometry[n].hasSize();
        for (int i = 0; i < n->childCount() && !v; ++i)
            v = visual[n->child(i)];
        visual[n] = v;
    }

    // Places the visual children of the item at index parent inside its rectangle.
    std::unordered_map<const TTreeNode*, QRect> rects;
    const auto placeChildren = [&](const TTreeNode* parent) {
        const QRect p = rects[parent];
        int left = p.left(), top = p.top(), right = p.left() + p.width(), bottom = p.top() + p.height();
        const TPreviewAlign passes[] = {TPreviewAlign::Top, TPreviewAlign::Bottom, TPreviewAlign::Left,
            TPreviewAlign::Right, TPreviewAlign::Client, TPreviewAlign::None};
        for (const TPreviewAlign pass : passes) {
            for (int i = 0; i < parent->childCount(); ++i) {
                const TTreeNode* c = parent->child(i);
                if (!visual[c])
                    continue;
                const TGeometry& g = geometry[c];
                if (g.Align != pass)
                    continue;
                const int w = std::max(0, g.Width.value_or(0));
                const int h = std::max(0, g.Height.value_or(0));
                const int cw = std::max(0, right - left), ch = std::max(0, bottom - top);
                QRect r;
                switch (pass) {
                case TPreviewAlign::Top:
                    r = QRect(left, top, cw, std::min(h, ch));
                    top += r.height();
                    break;
                case TPreviewAlign::Bottom:
                    r = QRect(left, bottom - std::min(h, ch), cw, std::min(h, ch));
                    bottom -= r.height();
                    break;
                case TPreviewAlign::Left:
                    r = QRect(left, top, std::min(w, cw), ch);
                    left += r.width();
                    break;
                case TPreviewAlign::Right:
                    r = QRect(right - std::min(w, cw), top, std::min(w, cw), ch);
                    right -= r.width();
                    break;
                case TPreviewAlign::Client:
                    r = QRect(left, top, cw, ch);
                    break;
                case TPreviewAlign::None:
                    // A container without a place of its own (a page) fills its parent.
                    r = g.hasSize() || g.Left || g.Top
                        ? QRect(p.left() + g.Left.value_or(0), p.top() + g.Top.value_or(0), w, h)
                        : p;
                    break;
                }
                rects[c] = r;
            }
        }
    };

    std::unordered_map<const TTreeNode*, int> indexOfNode;
    for (const TTreeNode* n : order) {
        if (!visual[n]) {
            layout.NonVisual.push_back(n);
            continue;
        }
        const TGeometry& g = geometry[n];
        TPreviewItem item;
        item.Node = n;
        item.Align = g.Align;
        item.Caption = g.Caption ? *g.Caption : g.Text ? *g.Text : NodeName(n);
        if (n == form) {
            rects[n] = QRect(0, 0, std::max(0, g.ClientWidth.value_or(g.Width.value_or(0))),
                std::max(0, g.ClientHeight.value_or(g.Height.value_or(0))));
            item.Hidden = false; // a form is designed hidden as often as not
        } else {
            // The parent of a visual node is visual and already has its item.
            const int parent = indexOfNode.at(n->parent());
            item.Parent = parent;
            item.Hidden = g.Invisible || layout.Items[size_t(parent)].Hidden;
        }
        item.Rect = rects[n];
        indexOfNode[n] = int(layout.Items.size());
        layout.Items.push_back(std::move(item));
        placeChildren(n);
    }
    return layout;
}

} // namespace korvel

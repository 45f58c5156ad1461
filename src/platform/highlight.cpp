// Menu items that light up under the pointer, and labels that size themselves.
#include "platform/window_system.h"

void AutoSize(Control* label) {
    if (!label) return;
    label->Width = TextWidth(label->TextFont, label->Caption);
    label->Height = LineHeight(label->TextFont);
}

bool LightItem(const HoverGroup& group, int index) {
    const HoverItem& hovered = group.Items[index];
    if (hovered.Item->ForeColor == group.Lit) return false;
    hovered.Item->ForeColor = group.Lit;
    if (hovered.Dims.empty()) {
        for (const HoverItem& other : group.Items)
            if (other.Item != hovered.Item) other.Item->ForeColor = group.Normal;
    } else {
        for (Control* other : hovered.Dims) other->ForeColor = group.Normal;
    }
    // An icon that cannot be read leaves the pointer as it was.
    if (!hovered.Icon.empty()) SetMouseIcon(hovered.Item->Owner, GamePath(hovered.Icon));
    if (hovered.Sound) hovered.Sound();
    Refresh();
    return true;
}

void DimItems(const HoverGroup& group) {
    for (const HoverItem& item : group.Items) item.Item->ForeColor = group.Normal;
    Refresh();
}

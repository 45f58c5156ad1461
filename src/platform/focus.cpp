// Moving between a screen's items with the keyboard or a pad. There is no focus of its
// own to keep in step with the mouse: the item that is lit is the one the keys are on.
#include <climits>
#include <cstdlib>

#include "platform/window_system.h"

namespace {

struct KeyMove {
    int Key;
    FocusMove Move;
};
constexpr KeyMove KeyMoves[] = {
    {vbKeyUp, FocusMove::Up},           {vbKeyDown, FocusMove::Down},
    {vbKeyLeft, FocusMove::Left},       {vbKeyRight, FocusMove::Right},
    {vbPadDpadUp, FocusMove::Up},       {vbPadDpadDown, FocusMove::Down},
    {vbPadDpadLeft, FocusMove::Left},   {vbPadDpadRight, FocusMove::Right},
    {vbKeyReturn, FocusMove::Choose},   {vbPadA, FocusMove::Choose},
    {vbKeyEscape, FocusMove::Back},     {vbPadB, FocusMove::Back},
};

// One place the focus can be: an item, or one row of a list box item.
struct FocusStop {
    const FocusItem* Item;
    int Row;  // -1 unless the item is a list box
    ClipRect Rect;
};

Control* Shows(const FocusItem& item) { return item.Shows ? item.Shows : item.Item; }

bool IsLabel(const FocusItem& item) {
    return item.Item->Kind != ControlKind::ListBox && item.Item->Kind != ControlKind::TextBox;
}

bool IsLit(const FocusItem& item) { return IsLabel(item) && Shows(item)->ForeColor == item.Lit; }

ClipRect RectOf(const Control* c) {
    int x = c->CanvasLeft(), y = c->CanvasTop();
    return {x, y, x + c->Width, y + c->Height};
}

// The items that can take the focus now, list box rows spelled out.
std::vector<FocusStop> StopsOf(const FocusList& list) {
    std::vector<FocusStop> stops;
    for (const FocusItem& item : list.Items) {
        if (!item.Item || !ControlTakesInput(item.Item)) continue;
        ClipRect rect = RectOf(item.Item);
        if (item.Item->Kind != ControlKind::ListBox) {
            stops.push_back({&item, -1, rect});
            continue;
        }
        const int height = ListBoxRowHeight(*item.Item);
        for (int row = 0; row < static_cast<int>(item.Item->List.size()); ++row) {
            int top = rect.Y0 + row * height;
            if (top + height > rect.Y1) break;  // a row the box cuts off is never chosen
            stops.push_back({&item, row, {rect.X0, top, rect.X1, top + height}});
        }
    }
    return stops;
}

int Focused(const std::vector<FocusStop>& stops) {
    for (std::size_t i = 0; i < stops.size(); ++i)
        if (IsLit(*stops[i].Item)) return static_cast<int>(i);
    for (std::size_t i = 0; i < stops.size(); ++i)
        if (stops[i].Row >= 0 && stops[i].Item->Item->ListIndex == stops[i].Row)
            return static_cast<int>(i);
    for (std::size_t i = 0; i < stops.size(); ++i) {
        const Control* c = stops[i].Item->Item;
        if (c->Kind == ControlKind::TextBox && c->Owner->Focus == c) return static_cast<int>(i);
    }
    return -1;
}

void Dim(const std::vector<FocusStop>& stops, const FocusItem* except) {
    for (const FocusStop& stop : stops)
        if (stop.Item != except && IsLit(*stop.Item)) Shows(*stop.Item)->ForeColor = stop.Item->Normal;
    Refresh();
}

void Light(const std::vector<FocusStop>& stops, int from, int to) {
    const FocusStop& target = stops[to];
    Control* c = target.Item->Item;
    // The pointer would cross the panel between two items, and some panels put things
    // back as it does (a repair price is hidden, a skid stops).
    if (from >= 0) {
        Control* panel = stops[from].Item->Item->Parent;
        if (panel && panel->MouseMove && from != to) panel->MouseMove(0, 0, 0);
    }
    if (target.Row >= 0) {
        Dim(stops, nullptr);
        // Moving through a list chooses as it goes, as a list box does under the arrows.
        c->ListIndex = target.Row;
        if (c->Click) c->Click();
    } else if (c->Kind == ControlKind::TextBox) {
        Dim(stops, nullptr);
        SetFocus(c);
    } else {
        if (c->MouseMove) c->MouseMove(0, c->Width / 2, c->Height / 2);
        if (!IsLit(*target.Item)) Shows(*target.Item)->ForeColor = target.Item->Lit;
        Dim(stops, target.Item);
    }
    Refresh();
}

void Choose(const FocusStop& stop) {
    Control* c = stop.Item->Item;
    if (c->Kind == ControlKind::TextBox) return;
    if (c->Click) c->Click();
    else if (c->MouseDown) c->MouseDown(1, c->Width / 2, c->Height / 2);
}

// The nearest stop that way, counting a step sideways twice; -1 when none lies that way.
int Nearest(const std::vector<FocusStop>& stops, int from, FocusMove move) {
    const ClipRect& f = stops[from].Rect;
    const int fx = (f.X0 + f.X1) / 2, fy = (f.Y0 + f.Y1) / 2;
    int best = -1, bestScore = INT_MAX;
    for (std::size_t i = 0; i < stops.size(); ++i) {
        const ClipRect& r = stops[i].Rect;
        const int x = (r.X0 + r.X1) / 2, y = (r.Y0 + r.Y1) / 2;
        bool beyond = false;
        switch (move) {
            case FocusMove::Up: beyond = r.Y1 <= fy; break;
            case FocusMove::Down: beyond = r.Y0 >= fy; break;
            case FocusMove::Left: beyond = r.X1 <= fx; break;
            case FocusMove::Right: beyond = r.X0 >= fx; break;
            default: break;
        }
        if (!beyond || static_cast<int>(i) == from) continue;
        const bool vertical = move == FocusMove::Up || move == FocusMove::Down;
        const int along = std::abs(vertical ? y - fy : x - fx);
        const int across = std::abs(vertical ? x - fx : y - fy);
        if (along + 2 * across < bestScore) {
            bestScore = along + 2 * across;
            best = static_cast<int>(i);
        }
    }
    return best;
}

}  // namespace

FocusMove FocusMoveOf(int keyCode) {
    if (keyCode == vbKeyTab) return ShiftHeld() ? FocusMove::Previous : FocusMove::Next;
    for (const KeyMove& k : KeyMoves)
        if (k.Key == keyCode) return k.Move;
    return FocusMove::None;
}

int FocusedStop(const FocusList& list) { return Focused(StopsOf(list)); }

void MoveFocus(const FocusList& list, int stop) {
    std::vector<FocusStop> stops = StopsOf(list);
    if (stop >= 0 && stop < static_cast<int>(stops.size())) Light(stops, Focused(stops), stop);
}

void ShowFocus(const FocusList& list) {
    std::vector<FocusStop> stops = StopsOf(list);
    if (!stops.empty() && Focused(stops) < 0) Light(stops, -1, 0);
}

FocusMove FocusKey(const FocusList& list, int keyCode) {
    const FocusMove move = FocusMoveOf(keyCode);
    if (move == FocusMove::None) return move;
    if (move == FocusMove::Back) {
        if (!list.Back) return FocusMove::None;
        // A copy, since going back may rebuild the screen and its list.
        std::function<void()> back = list.Back;
        back();
        return move;
    }
    std::vector<FocusStop> stops = StopsOf(list);
    if (stops.empty()) return FocusMove::None;
    const int n = static_cast<int>(stops.size());
    const int at = Focused(stops);
    if (move == FocusMove::Choose) {
        // A lone button is the screen's default, as a message box's OK is.
        if (at < 0 && n > 1) {
            Light(stops, -1, 0);
            return FocusMove::Next;
        }
        const FocusStop chosen = stops[at < 0 ? 0 : at];
        if (chosen.Row >= 0) {
            // A row is chosen as the arrows reached it; Enter moves on to what uses it.
            int next = at < 0 ? 0 : at;
            while (next < n && stops[next].Item == chosen.Item) ++next;
            if (next < n) Light(stops, at, next);
            return move;
        }
        if (chosen.Item->Item->Kind == ControlKind::TextBox) return FocusMove::None;
        Choose(chosen);
        return move;
    }
    int to = 0;
    if (at < 0) {
        to = move == FocusMove::Previous ? n - 1 : 0;
    } else if (move == FocusMove::Next || move == FocusMove::Previous) {
        to = (at + (move == FocusMove::Next ? 1 : n - 1)) % n;
    } else {
        to = Nearest(stops, at, move);
        // Off the top or the bottom the focus comes round; sideways it stays.
        if (to < 0 && move == FocusMove::Down) to = (at + 1) % n;
        if (to < 0 && move == FocusMove::Up) to = (at + n - 1) % n;
        if (to < 0) return move;
    }
    if (to != at) Light(stops, at, to);
    return move;
}

// Forms and controls: the retained window system and its drawing into the canvas.
#include <algorithm>
#include <map>
#include <stdexcept>
#include <tuple>

#include "platform/window_system.h"

// ---------------------------------------------------------------------------------
// Geometry
// ---------------------------------------------------------------------------------

ClipRect ClipRect::Intersect(const ClipRect& o) const {
    return {std::max(X0, o.X0), std::max(Y0, o.Y0), std::min(X1, o.X1), std::min(Y1, o.Y1)};
}

void Control::SetWidthTwips(double twips) {
    Width = std::max(0, static_cast<int>(twips / TwipsPerPixel));
}

int Control::CanvasLeft() const {
    int x = Left;
    for (const Control* p = Parent; p; p = p->Parent) x += p->Left;
    return x + (Owner ? Owner->Left : 0);
}

int Control::CanvasTop() const {
    int y = Top;
    for (const Control* p = Parent; p; p = p->Parent) y += p->Top;
    return y + (Owner ? Owner->Top : 0);
}

bool Control::ShownOnScreen() const {
    for (const Control* c = this; c; c = c->Parent)
        if (!c->Visible) return false;
    return Owner && Owner->Visible;
}

bool ControlTakesInput(const Control* control) {
    if (!control->ShownOnScreen() || !control->Owner->Enabled) return false;
    for (const Control* c = control; c; c = c->Parent)
        if (!c->Enabled) return false;
    return true;
}

ClipRect FormRect(const Form* form) {
    return {form->Left, form->Top, form->Left + form->Width, form->Top + form->Height};
}

// Children are clipped to their containers, as in the desktop window system.
ClipRect VisibleRect(const Control* control) {
    int x = control->CanvasLeft(), y = control->CanvasTop();
    ClipRect r{x, y, x + control->Width, y + control->Height};
    if (control->Parent) return r.Intersect(VisibleRect(control->Parent));
    return r.Intersect(FormRect(control->Owner));
}

// ---------------------------------------------------------------------------------
// The forms' list
// ---------------------------------------------------------------------------------

namespace {

std::vector<std::unique_ptr<Form>> Owned;
std::vector<Form*> Order;                      // back to front
std::vector<std::unique_ptr<Form>> Destroyed;  // kept until the next reset
bool RefreshWanted = true;

}  // namespace

std::vector<Form*>& ZOrder() { return Order; }

bool FormAlive(const Form* form) {
    return form && std::find(Order.begin(), Order.end(), form) != Order.end();
}

void DestroyAllForms() {
    Order.clear();
    Owned.clear();
    Destroyed.clear();
    RefreshWanted = true;
}

void FreeDestroyedForms() { Destroyed.clear(); }

Form* CreateForm(const std::string& name, int width, int height) {
    auto form = std::make_unique<Form>();
    form->Name = name;
    form->Width = width;
    form->Height = height;
    Form* raw = form.get();
    Owned.push_back(std::move(form));
    Order.push_back(raw);
    return raw;
}

void DestroyForm(Form* form) {
    auto it = std::find(Order.begin(), Order.end(), form);
    if (it == Order.end()) return;
    Order.erase(it);
    ForgetForm(form);
    for (auto& owned : Owned)
        if (owned.get() == form) {
            Destroyed.push_back(std::move(owned));
            break;
        }
    std::erase(Owned, nullptr);
    RefreshWanted = true;
}

void BringToFront(Form* form) {
    auto it = std::find(Order.begin(), Order.end(), form);
    if (it == Order.end()) return;
    Order.erase(it);
    Order.push_back(form);
    RefreshWanted = true;
}

void ShowForm(Form* form) {
    if (!form) return;
    form->Visible = true;
    BringToFront(form);
}

void HideForm(Form* form) {
    if (!form) return;
    form->Visible = false;
    RefreshWanted = true;
}

std::vector<Form*> FormsInZOrder() { return Order; }

// ---------------------------------------------------------------------------------
// Controls
// ---------------------------------------------------------------------------------

Control* AddControl(Form* form, Control* parent, ControlKind kind, const std::string& name,
                    int left, int top, int width, int height) {
    auto control = std::make_unique<Control>();
    control->Owner = form;
    control->Parent = parent;
    control->Kind = kind;
    control->Name = name;
    control->Left = left;
    control->Top = top;
    control->Width = width;
    control->Height = height;
    if (kind == ControlKind::ListBox || kind == ControlKind::TextBox) {
        control->BackColor = RGB(255, 255, 255);
        control->ForeColor = RGB(0, 0, 0);
    }
    Control* raw = control.get();
    if (parent) parent->Children.push_back(raw);
    form->Controls.push_back(std::move(control));
    return raw;
}

Control* AddLabel(Form* form, Control* parent, const std::string& name, const std::string& caption,
                  int left, int top, int width, int height, const Font& font, Colour foreColor,
                  Alignment align) {
    Control* label = AddControl(form, parent, ControlKind::Label, name, left, top, width, height);
    label->Caption = caption;
    label->TextFont = font;
    label->ForeColor = foreColor;
    label->Align = align;
    label->Transparent = true;
    return label;
}

Control* FindControl(Form* form, const std::string& name, int index) {
    if (!form) return nullptr;
    for (auto& c : form->Controls)
        if (c->Name == name && c->Index == index) return c.get();
    return nullptr;
}

Control* NamedControl(Form* form, const std::string& name, int index) {
    if (Control* control = FindControl(form, name, index)) return control;
    std::string full = index >= 0 ? name + "(" + std::to_string(index) + ")" : name;
    throw std::logic_error("no control named " + full + " on " + (form ? form->Name : "no form"));
}

int ListBoxRowHeight(const Control& list) { return LineHeight(list.TextFont); }

void SetFocus(Control* textBox) {
    if (!textBox || !textBox->Owner) return;
    textBox->Owner->Focus = textBox;
    RefreshWanted = true;
}

void Refresh() { RefreshWanted = true; }

bool TakeRefreshRequest() {
    bool wanted = RefreshWanted;
    RefreshWanted = false;
    return wanted;
}

// ---------------------------------------------------------------------------------
// Text: rendered once as coverage, then blended in any colour
// ---------------------------------------------------------------------------------

namespace {

struct TextKey {
    std::string FontName;
    float Size;
    bool Bold;
    std::string Text;
    int W, H;
    Alignment Align;
    bool Wrap;
    auto Tie() const { return std::tie(FontName, Size, Bold, Text, W, H, Align, Wrap); }
    bool operator<(const TextKey& o) const { return Tie() < o.Tie(); }
};

// The heads-up panel changes its texts every frame; an unbounded cache would grow all race.
constexpr std::size_t TextCacheLimit = 1024;
std::map<TextKey, Surface> TextCache;
TextRenderer* CachedFor = nullptr;

// White text drawn on black: each pixel's green channel is the glyph coverage 0..255.
const Surface* TextCoverage(const Font& font, const std::string& text, int w, int h,
                            Alignment align, bool wrap) {
    TextRenderer* renderer = CurrentTextRenderer();
    if (!renderer || text.empty() || w <= 0 || h <= 0) return nullptr;
    if (renderer != CachedFor) {
        TextCache.clear();
        CachedFor = renderer;
    }
    TextKey key{font.Name, font.Size, font.Bold, text, w, h, align, wrap};
    auto it = TextCache.find(key);
    if (it != TextCache.end()) return &it->second;
    if (TextCache.size() >= TextCacheLimit) TextCache.clear();
    Surface coverage;
    coverage.Resize(w, h, 0);
    renderer->Draw(coverage, 0, 0, w, h, text, font, 0xFFFFFF, align, wrap);
    return &TextCache.emplace(std::move(key), std::move(coverage)).first->second;
}

// Blends coverage placed at (x, y) onto the canvas in the colour, inside the clip only.
void BlendText(Surface& canvas, const Surface& coverage, int x, int y, std::uint32_t pixel,
               const ClipRect& clip) {
    ClipRect r = ClipRect{x, y, x + coverage.Width, y + coverage.Height}.Intersect(clip).Intersect(
        {0, 0, canvas.Width, canvas.Height});
    if (r.Empty()) return;
    int cr = (pixel >> 16) & 0xFF, cg = (pixel >> 8) & 0xFF, cb = pixel & 0xFF;
    for (int ty = r.Y0; ty < r.Y1; ++ty) {
        const std::uint32_t* cov = &coverage.Pixels[(ty - y) * coverage.Width + (r.X0 - x)];
        std::uint32_t* dst = &canvas.Pixels[ty * canvas.Width + r.X0];
        for (int tx = r.X0; tx < r.X1; ++tx, ++cov, ++dst) {
            int a = (*cov >> 8) & 0xFF;
            if (a == 0) continue;
            if (a == 255) {
                *dst = pixel;
                continue;
            }
            int br = (*dst >> 16) & 0xFF, bg = (*dst >> 8) & 0xFF, bb = *dst & 0xFF;
            br += ((cr - br) * a + 127) / 255;
            bg += ((cg - bg) * a + 127) / 255;
            bb += ((cb - bb) * a + 127) / 255;
            *dst = (br << 16) | (bg << 8) | bb;
        }
    }
}

void DrawText(Surface& canvas, int x, int y, int w, int h, const std::string& text,
              const Font& font, Colour colour, Alignment align, bool wrap, const ClipRect& clip) {
    if (const Surface* coverage = TextCoverage(font, text, w, h, align, wrap))
        BlendText(canvas, *coverage, x, y, PixelFromColour(colour), clip);
}

void FillClipped(Surface& canvas, const ClipRect& r, Colour colour) {
    canvas.FillRect(r.X0, r.Y0, r.X1 - r.X0, r.Y1 - r.Y0, PixelFromColour(colour));
}

}  // namespace

void ClearTextCache() {
    TextCache.clear();
    CachedFor = nullptr;
}

int LineHeight(const Font& font) {
    int w = 0, h = 0;
    if (TextRenderer* renderer = CurrentTextRenderer()) renderer->Measure(font, "Ag", w, h);
    // Without fonts, the usual line spacing of 1.15 times the pixel size.
    if (h <= 0) h = static_cast<int>(font.Size * 96.0f / 72.0f * 1.15f + 0.5f);
    return std::max(1, h);
}

int TextWidth(const Font& font, const std::string& text) {
    int w = 0, h = 0;
    if (text.empty()) return 0;
    if (TextRenderer* renderer = CurrentTextRenderer()) {
        renderer->Measure(font, text, w, h);
        return w;
    }
    return static_cast<int>(text.size() * font.Size * 96.0f / 72.0f / 2);
}

// ---------------------------------------------------------------------------------
// Composition
// ---------------------------------------------------------------------------------

namespace {

constexpr Colour SelectionBack = RGB(0, 0, 128);
constexpr Colour SelectionText = RGB(255, 255, 255);
constexpr int TextBoxMargin = 2;

void DrawListBox(Surface& canvas, const Control& c, const ClipRect& clip) {
    FillClipped(canvas, clip, c.BackColor);
    int lh = LineHeight(c.TextFont);
    int x = c.CanvasLeft(), y = c.CanvasTop();
    for (std::size_t i = 0; i < c.List.size(); ++i) {
        int top = y + static_cast<int>(i) * lh;
        if (top >= clip.Y1) break;
        ClipRect line = ClipRect{x, top, x + c.Width, top + lh}.Intersect(clip);
        bool selected = static_cast<int>(i) == c.ListIndex;
        if (selected) FillClipped(canvas, line, SelectionBack);
        DrawText(canvas, x + TextBoxMargin, top, c.Width - TextBoxMargin, lh, c.List[i],
                 c.TextFont, selected ? SelectionText : c.ForeColor, Alignment::Left, false,
                 line);
    }
}

void DrawTextBox(Surface& canvas, const Control& c, const ClipRect& clip) {
    FillClipped(canvas, clip, c.BackColor);
    int lh = LineHeight(c.TextFont);
    int x = c.CanvasLeft() + TextBoxMargin;
    int y = c.CanvasTop() + std::max(0, (c.Height - lh) / 2);
    int w = std::max(0, c.Width - 2 * TextBoxMargin);
    ClipRect inner = ClipRect{x, y, x + w, y + lh}.Intersect(clip);
    int len = static_cast<int>(c.Text.size());
    int start = std::clamp(c.SelStart, 0, len);
    int end = std::clamp(start + c.SelLength, start, len);
    DrawText(canvas, x, y, w, lh, c.Text, c.TextFont, c.ForeColor, Alignment::Left, false, inner);
    bool focused = c.Owner->Focus == &c;
    if (focused && end > start) {
        int x0 = x + TextWidth(c.TextFont, c.Text.substr(0, start));
        int x1 = x + TextWidth(c.TextFont, c.Text.substr(0, end));
        ClipRect sel = ClipRect{x0, y, x1, y + lh}.Intersect(inner);
        FillClipped(canvas, sel, SelectionBack);
        DrawText(canvas, x, y, w, lh, c.Text, c.TextFont, SelectionText, Alignment::Left, false,
                 sel);
    } else if (focused) {
        int cx = x + TextWidth(c.TextFont, c.Text.substr(0, start));
        FillClipped(canvas, ClipRect{cx, y, cx + 1, y + lh}.Intersect(inner), c.ForeColor);
    }
}

void DrawControl(Surface& canvas, const Control& c, const ClipRect& clip) {
    switch (c.Kind) {
        case ControlKind::Panel:
        case ControlKind::Shape:
            FillClipped(canvas, clip, c.BackColor);
            break;
        case ControlKind::PictureBox: {
            if (c.Picture.Width < c.Width || c.Picture.Height < c.Height)
                FillClipped(canvas, clip, c.BackColor);
            if (c.Picture.Empty()) break;
            int x = c.CanvasLeft(), y = c.CanvasTop();
            ClipRect r = ClipRect{x, y, x + c.Picture.Width, y + c.Picture.Height}.Intersect(clip);
            if (!r.Empty())
                BitBlt(canvas, r.X0, r.Y0, r.X1 - r.X0, r.Y1 - r.Y0, c.Picture, r.X0 - x, r.Y0 - y,
                       SRCCOPY);
            break;
        }
        case ControlKind::Label:
            if (!c.Transparent) FillClipped(canvas, clip, c.BackColor);
            // The desktop labels the game was made with always break a caption that is too
            // wide at its spaces; WordWrap only ever changed how they sized themselves.
            DrawText(canvas, c.CanvasLeft(), c.CanvasTop(), c.Width, c.Height, c.Caption,
                     c.TextFont, c.ForeColor, c.Align, true, clip);
            break;
        case ControlKind::ListBox:
            DrawListBox(canvas, c, clip);
            break;
        case ControlKind::TextBox:
            DrawTextBox(canvas, c, clip);
            break;
    }
}

// One past the index of the last control that paints every pixel of the area with its
// own colour, or 0 when none does.
std::size_t LastCover(const Form& form, const ClipRect& area) {
    for (std::size_t i = form.Controls.size(); i > 0; --i) {
        const Control& c = *form.Controls[i - 1];
        if ((c.Kind != ControlKind::Panel && c.Kind != ControlKind::Shape) || !c.ShownOnScreen())
            continue;
        const ClipRect r = VisibleRect(&c).Intersect(area);
        if (r.X0 == area.X0 && r.Y0 == area.Y0 && r.X1 == area.X1 && r.Y1 == area.Y1) return i;
    }
    return 0;
}

}  // namespace

const Surface& ComposeCanvas() {
    static Surface canvas;
    if (canvas.Width != CanvasWidth || canvas.Height != CanvasHeight)
        canvas.Resize(CanvasWidth, CanvasHeight);
    const ClipRect screen{0, 0, CanvasWidth, CanvasHeight};
    // Forms under one that covers the whole screen cannot show: start from that one.
    std::size_t first = Order.size();
    while (first > 0) {
        const Form* form = Order[first - 1];
        ClipRect r = FormRect(form);
        if (form->Visible && r.X0 <= 0 && r.Y0 <= 0 && r.X1 >= CanvasWidth && r.Y1 >= CanvasHeight)
            break;
        --first;
    }
    if (first == 0) canvas.Fill(0);
    else --first;
    for (std::size_t i = first; i < Order.size(); ++i) {
        Form* form = Order[i];
        if (!form->Visible) continue;
        ClipRect area = FormRect(form).Intersect(screen);
        if (area.Empty()) continue;
        // Creation order puts every control after its parent, so this draws containers
        // before their contents and later siblings over earlier ones. What lies under the
        // last panel covering the whole form cannot show (the front end's black-out while
        // it loads), so drawing starts there and its labels need no fonts yet.
        const std::size_t cover = LastCover(*form, area);
        if (cover == 0) FillClipped(canvas, area, form->BackColor);
        for (std::size_t c = cover == 0 ? 0 : cover - 1; c < form->Controls.size(); ++c) {
            const auto& control = form->Controls[c];
            if (!control->ShownOnScreen()) continue;
            ClipRect clip = VisibleRect(control.get()).Intersect(screen);
            if (!clip.Empty()) DrawControl(canvas, *control, clip);
        }
    }
    return canvas;
}

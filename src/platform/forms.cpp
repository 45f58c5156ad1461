#include "platform/backend.h"

void Control::SetWidthTwips(double twips) { Width = static_cast<int>(twips / TwipsPerPixel); }
int Control::CanvasLeft() const { return Left; }
int Control::CanvasTop() const { return Top; }
bool Control::ShownOnScreen() const { return Visible; }

Form* CreateForm(const std::string& name, int width, int height) {
    Form* form = new Form;
    form->Name = name;
    form->Width = width;
    form->Height = height;
    return form;
}
void DestroyForm(Form* form) { delete form; }
void ShowForm(Form* form) { form->Visible = true; }
void HideForm(Form* form) { form->Visible = false; }
void BringToFront(Form*) {}
std::vector<Form*> FormsInZOrder() { return {}; }

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
    for (auto& c : form->Controls)
        if (c->Name == name && c->Index == index) return c.get();
    return nullptr;
}

void SetFocus(Control* textBox) {
    if (textBox) textBox->Owner->Focus = textBox;
}

void Refresh() {}
const Surface& ComposeCanvas() {
    static Surface canvas;
    return canvas;
}

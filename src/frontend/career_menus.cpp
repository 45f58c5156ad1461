// The career menus: Career Mode, New Driver and Load Game, the rules for a driver's name,
// and the career list as the Load Game panel shows it.
#include <algorithm>
#include <array>
#include <locale>
#include <optional>
#include <stdexcept>

#include "frontend/frontend.h"
#include "sound/sound.h"

namespace {

// How long the UTF-8 letter starting at `at` is, in bytes.
std::size_t LetterLength(const std::string& text, std::size_t at) {
    std::size_t length = 1;
    while (at + length < text.size() && (text[at + length] & 0xC0) == 0x80) ++length;
    return length;
}

// The code point of one UTF-8 letter; a broken sequence reads as 0, which no rule accepts.
char32_t CodePoint(const std::string& text, std::size_t at, std::size_t length) {
    unsigned char lead = static_cast<unsigned char>(text[at]);
    if (length == 1) return lead < 0x80 ? lead : 0;
    static constexpr unsigned char LeadMask[] = {0, 0, 0x1F, 0x0F, 0x07};
    if (length > 4) return 0;
    char32_t cp = lead & LeadMask[length];
    for (std::size_t i = 1; i < length; ++i) cp = (cp << 6) | (text[at + i] & 0x3F);
    return cp;
}

// Which characters are letters is the Unicode tables' business, read through the C
// library's UTF-8 locale; without it only the Latin letters count.
const std::locale* UnicodeLocale() {
    static const std::optional<std::locale> locale = []() -> std::optional<std::locale> {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            try {
                return std::locale(name);
            } catch (const std::runtime_error&) {
            }
        }
        return std::nullopt;
    }();
    return locale ? &*locale : nullptr;
}

bool Letter(char32_t cp) {
    if ((cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z')) return true;
    if (cp < 0x80 || cp > 0x10FFFF) return false;
    const std::locale* locale = UnicodeLocale();
    return locale && std::isalpha(static_cast<wchar_t>(cp), *locale);
}

bool NameCharacter(char32_t cp) {
    if (cp >= '0' && cp <= '9') return true;
    switch (cp) {
        case ' ': case '-': case '_': case '.': case '\'': return true;
        default: return Letter(cp);
    }
}

// The slot's text without its first letter, which is the blank the list puts before a name.
std::string WithoutFirstLetter(const std::string& entry) {
    if (entry.empty()) return entry;
    return entry.substr(LetterLength(entry, 0));
}

// The name as typed; an empty box draws Gustav or Nadine.
std::string NameOrDrawn(const std::string& typed) {
    if (!typed.empty()) return typed;
    return Int(Rnd() * 2) == 1 ? "Gustav" : "Nadine";
}

void BeginCareer(void (*start)()) {
    if (start) start();
}

// Whether the career list already holds a career that this name's first save would
// write over: the list keeps a blank and the name padded to its slot.
bool AlreadySaved(const std::string& name) {
    std::string slot = " " + name.substr(0, SlotLength - 1);
    slot.resize(SlotLength, ' ');
    std::array<std::string, CareerSlots> slots = ReadCareerSlots();
    return std::find(slots.begin(), slots.end(), slot) != slots.end();
}

// A new career under a saved driver's name would replace his career at its first save,
// so the player says so first; otherwise he is back at the name box to type another.
bool MayStartUnder(const std::string& name) {
    if (!AlreadySaved(name)) return true;
    std::string shown = name;
    shown.erase(shown.find_last_not_of(' ') + 1);
    if (AskBox(shown + " already has a saved career. A new one under that name replaces it "
               "when it is saved.", "Replace it", "Choose another name"))
        return true;
    SetFocus(DriverNameBox);
    DriverNameBox->SelStart = 0;
    DriverNameBox->SelLength = static_cast<int>(DriverNameBox->Text.size());
    Refresh();
    return false;
}

// Start Career and Enter: the new career under the name in the box, or a drawn one.
void StartUnderTypedName() {
    std::string name = NameOrDrawn(DriverNameBox->Text);
    if (!MayStartUnder(name)) return;
    DriverNames[PlayerNameEntry] = name;
    ClosePanel(NewDriverBox);
    BeginCareer(StartNewCareer);
}

// One line under the chosen name, for a career that would not load.
void LoadProblem(const std::string& text) {
    NamedControl(FrontEnd, "LoadProblemLabel")->Caption = text;
    Refresh();
}

}  // namespace

// ---------------------------------------------------------------------------------
// Names
// ---------------------------------------------------------------------------------

bool DriverNameAccepted(const std::string& name) {
    if (!name.empty() && name[0] == ' ') return false;
    if (name.size() > static_cast<std::size_t>(MaxDriverNameLength)) return false;
    for (std::size_t at = 0; at < name.size();) {
        std::size_t length = LetterLength(name, at);
        if (!NameCharacter(CodePoint(name, at, length))) return false;
        at += length;
    }
    return true;
}

std::string SafeDriverName(const std::string& name) {
    std::string safe;
    for (std::size_t at = 0; at < name.size();) {
        std::size_t length = LetterLength(name, at);
        std::string letter = name.substr(at, length);
        at += length;
        if (DriverNameAccepted(safe + letter)) safe += letter;
    }
    return safe;
}

// ---------------------------------------------------------------------------------
// Career Mode
// ---------------------------------------------------------------------------------

void NewDriverDown() {
    PlayClick(0);
    OpenPanel(NewDriverBox, 207, 112);
    // The old name is selected, so that typing replaces it.
    SetFocus(DriverNameBox);
    DriverNameBox->SelStart = 0;
    DriverNameBox->SelLength = static_cast<int>(DriverNameBox->Text.size());
    Refresh();
}

void LoadGameClick() {
    PlayClick(-500);
    OpenPanel(LoadGameBox, 207, 112);
    // The placeholders only ever stand until the list has been read, within this call.
    SaveGameList->List = {"Otto", "Mabel", "Kenji", "Hal"};
    std::array<std::string, CareerSlots> slots = ReadCareerSlots();
    SaveGameList->List.assign(slots.begin(), slots.end());
    // A new player's list is six blank rows: he is told there is nothing to load instead.
    bool none = std::all_of(slots.begin(), slots.end(), [](const std::string& slot) {
        return slot.find_first_not_of(' ') == std::string::npos;
    });
    SaveGameList->Visible = !none;
    NamedControl(FrontEnd, "NoCareersLabel")->Visible = none;
    LoadProblem("");
    DriverNames[PlayerNameEntry] = PlayerNameField->Caption;
    LoadGameBox->Visible = true;
}

void CareerModeExitDown() {
    ClosePanel(CareerModeBox);
    PlayClick(0);
}

// ---------------------------------------------------------------------------------
// New Driver
// ---------------------------------------------------------------------------------

void StartCareerClick() {
    PlayClick(0);
    StartUnderTypedName();
}

void NewDriverExitClick() {
    PlayClick(0);
    ClosePanel(NewDriverBox);
}

void FrontEndKeyDown(int keyCode) {
    if (keyCode != vbKeyReturn || !NewDriverBox->Visible) return;
    PlayClick(0);
    // A career under an empty name could never be saved, so Enter draws one as Start
    // Career does.
    StartUnderTypedName();
}

// ---------------------------------------------------------------------------------
// Load Game
// ---------------------------------------------------------------------------------

void SaveGameListClick() {
    PlayClick(-500);
    int chosen = SaveGameList->ListIndex;
    if (chosen < 0 || chosen >= static_cast<int>(SaveGameList->List.size())) return;
    // A used slot is a blank and the padded name: the name padded to 15 is what the career
    // was saved under; a free slot gives 15 blanks, which Load Career refuses.
    DriverNames[PlayerNameEntry] = WithoutFirstLetter(SaveGameList->List[chosen]) + " ";
    PlayerNameField->Caption = DriverNames[PlayerNameEntry];
    LoadProblem("");
}

void LoadCareerClick() {
    PlayClick(0);
    const std::string& name = DriverNames[PlayerNameEntry];
    if (name.empty() || name[0] == ' ' || !StartSavedCareer) return;
    if (!StartSavedCareer())
        LoadProblem(CareerLoadProblem.empty() ? "That career could not be read."
                                              : CareerLoadProblem);
}

void LoadGameExitClick() {
    PlayClick(0);
    ClosePanel(LoadGameBox);
}

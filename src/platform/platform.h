// The platform layer: the game's only door to the machine.
//
// The game was designed for a desktop window system with raster block transfers,
// retained forms and controls, a millisecond tick counter and DirectSound buffers.
// This header offers exactly those services, under the names the game uses, and
// nothing else. Two backends stand behind it (platform/backend.h): a windowed one
// (SDL2 + OpenAL Soft) and a headless one (virtual clock, scripted input, silence).
// Everything is drawn in software into one 1024 x 768 canvas.
//
// Table of contents
//   1. Colours and surfaces, raster operations, pictures
//   2. Files and folders beside the program; the saves folder's lock; messages that
//      quote input, and standard output
//   2b. XML and JSON documents
//   3. Clocks
//   4. Forms and controls; menu items that light up under the pointer; moving
//      between items with keys and a pad
//   5. Events: DoEvents, message box, pointers
//   6. Sound buffers
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// ---------------------------------------------------------------------------------
// 1. Colours and surfaces
// ---------------------------------------------------------------------------------

// Control colours use the window system's 0x00BBGGRR form (0x8000 is green).
using Colour = std::uint32_t;
constexpr Colour RGB(int r, int g, int b) {
    return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
// Surface pixels are 0x00RRGGBB; the top byte is always 0 so that raster operations on
// whole words stay exact.
constexpr std::uint32_t PixelFromColour(Colour c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr Colour ColourFromPixel(std::uint32_t p) { return PixelFromColour(p); }

struct Surface {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;  // row-major, Width * Height

    void Resize(int width, int height, std::uint32_t fill = 0);
    void Fill(std::uint32_t pixel);
    void FillRect(int x, int y, int w, int h, std::uint32_t pixel);  // clipped
    std::uint32_t Pixel(int x, int y) const { return Pixels[y * Width + x]; }
    void SetPixel(int x, int y, std::uint32_t p) { Pixels[y * Width + x] = p; }
    bool Empty() const { return Width <= 0 || Height <= 0; }
};

// Raster operations of BitBlt, exact per bit.
constexpr std::uint32_t SRCCOPY = 0xCC0020;   // destination = source
constexpr std::uint32_t SRCPAINT = 0xEE0086;  // destination = destination OR source
constexpr std::uint32_t SRCAND = 0x8800C6;    // destination = destination AND source

// Copies a w x h block from (sx, sy) of src to (x, y) of dst with the raster operation,
// clipped at every edge of both surfaces (negative positions included).
void BitBlt(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy,
            std::uint32_t rop);

// Paints the (sx, sy, sw, sh) rectangle of a picture stretched onto (x, y, w, h) of dst.
void PaintPicture(Surface& dst, const Surface& picture, int x, int y, int w, int h, int sx,
                  int sy, int sw, int sh);
// Paints a whole picture at its own size.
void PaintPicture(Surface& dst, const Surface& picture, int x, int y);
// Lays a masked sprite half over what is below it: where the mask (at the same place on
// its own sheet) is not black, each pixel becomes the mean of the sprite's and the
// destination's. Clipped as BitBlt is.
void BlendMasked(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy,
                 const Surface& mask, int mx, int my);

// A data file that is missing, short or not what it should be. The message names the
// file and the problem in words a player can act on.
struct FileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Loads a Windows bitmap (1, 4, 8, 24 or 32 bits) no larger than maxWidth x maxHeight;
// the file itself may be no longer than such a picture can be. Throws FileError.
constexpr int MaxPictureSide = 8192;
Surface LoadPicture(const std::string& path, int maxWidth = MaxPictureSide,
                    int maxHeight = MaxPictureSide);
// Saves a surface as a 24-bit Windows bitmap. Throws FileError.
void SavePicture(const Surface& surface, const std::string& path);

// ---------------------------------------------------------------------------------
// 2. Files and folders: the game's data and the player's own files
// ---------------------------------------------------------------------------------

// The folder holding graphics/, resources/ and soundfx/. Run from the build it is the
// program's folder; installed, share/gravel-ghosts of the prefix, found from the
// program's real path as ../share/gravel-ghosts; or whatever --data-dir chose.
const std::string& AppPath();
// --data-dir: the data, the saves and the screenshots all in this one folder, as in the
// build.
void SetAppPath(const std::string& folder);

// The data folder followed by a literal such as "\graphics\car256.bmp": the
// backslashes become slashes and each folder or file name is matched without regard to
// case when the exact spelling is not there ("\Soundfx\revup2.wav" finds soundfx/).
// A ".." part, which would leave the game's folders, is refused with FileError.
std::string GamePath(const std::string& literal);

// Where the player's careers and screenshots go. Beside the data in the build and with
// --data-dir; an installed game, whose data may be read-only and shared, keeps them in
// $XDG_DATA_HOME/gravel-ghosts (by default ~/.local/share/gravel-ghosts). Neither
// creates the folder. Throw FileError when there is no home to put them in.
std::string SavesFolder();
std::string ScreenshotsFolder();
// The courses a player made himself, "courses" beside the saves (not created here).
std::string CustomCoursesFolder();
// The names of the plain files in a folder, sorted; none when it is missing or unreadable.
std::vector<std::string> FileNamesIn(const std::string& folder);
// The player's course records and their ghosts, beside saves/.
std::string RecordsFolder();
// The local date and time to the second, "2026-12-06_15-33-01": a file named by it is not
// overwritten by a later run.
std::string LocalTimeStamp();
// Start-up of an installed game: creates the player's saves folder when it is missing and
// copies into it what the installed saves/ holds (the empty career list) and it lacks; a
// file already there is never replaced. Nothing to do in the build. Throws FileError
// naming the folder or file and why.
void PrepareSavesFolder();

// Every file the game reads goes through ReadFileChecked: only a regular file is read (a
// folder, a device or a pipe is refused rather than read for ever), anything longer than
// `maxBytes` is refused before it fills the memory, and a read error is reported. The
// FileError names the file as "The <what> <path>" and says why.
std::vector<unsigned char> ReadFileChecked(const std::string& path, std::size_t maxBytes,
                                           const std::string& what = "file");
// Every file the game writes goes through WriteFileAtomic: the bytes go to a temporary
// file in the same folder, which is flushed to the disk and then renamed over `path`. If
// anything fails the old file stays whole, the temporary file is removed and FileError
// says what went wrong.
void WriteFileAtomic(const std::string& path, const void* bytes, std::size_t size,
                     const std::string& what = "file");
// Tests only: runs once the new copy is on the disk and before it replaces the old file;
// throwing FileError here stands for a failure at that very moment.
extern std::function<void(const std::string& path)> BeforeAtomicRename;

// Whole-file helpers for the game's character-stream data files. Throw FileError.
constexpr std::size_t MaxTextFileBytes = 1 << 20;
std::string ReadFileText(const std::string& path, std::size_t maxBytes = MaxTextFileBytes);
void WriteFileText(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);
// Creates the folder (and parents) when missing. A link in its place that leads nowhere
// is named as such: the system would only say that the name exists.
void MakeFolder(const std::string& path);
// Keeps a file that must not be written over under a new name beside it: the old name
// followed by the date and time, as "saves.lst.2026-03-01-142501". Returns the new path.
// Throws FileError.
std::string SetFileAside(const std::string& path);

// Start-up: empty when the data folder holds the game's pictures and courses, otherwise
// the problem in words (the folder or one of graphics/ and resources/ missing or empty).
std::string DataFolderProblem();

// Two copies of the game saving at once would each write the career list from what they
// read before the other wrote, and one driver would drop off it. A save holds this
// exclusive lock on the folder (on a lock file in it) from reading to writing. The
// system lets go of it when the process ends, however it ends. Waits up to waitMs for
// another holder, then throws FileError saying the folder is in use.
class FolderLock {
public:
    FolderLock(const std::string& folder, std::uint32_t waitMs);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int Fd = -1;
};
// The name of a folder's lock file, beside what it guards.
constexpr const char* FolderLockName = ".lock";

// A save killed between making its temporary copy and renaming it leaves the copy behind.
// Removes from the folder the temporary copies WriteFileAtomic makes for the files
// `ours` accepts (by name), and nothing else. Only safe while holding the folder's lock.
void RemoveAbandonedCopies(const std::string& folder,
                           const std::function<bool(const std::string& name)>& ours);

// Another program of the game's (a tool built beside it): its path beside the program,
// or one folder up as in the build; "" when it is not there.
std::string ProgramPath(const std::string& name);
// Runs args[0] with the rest as its arguments, its standard output and errors both into
// `output`, and waits for it. Returns its exit status, or -1 when it could not be started
// or did not exit by itself.
int RunProgram(const std::vector<std::string>& args, std::string& output);

// ---------------------------------------------------------------------------------
// 2a. Messages and standard output
// ---------------------------------------------------------------------------------

// A piece of input (a key name, a script word, a driver's name) as a message may quote
// it: at most 80 of its characters, then "..." when there were more, and control
// characters (and bytes that are not text) written as \xNN, so that no terminal acts on
// them.
constexpr std::size_t QuotedInputLength = 80;
std::string QuoteInput(std::string_view input);
// A file name as a message quotes it: control characters written as \xNN, and cut after
// 4096 characters, the longest path the system takes (a longer one names no file), so that
// the message still names the file a player must look for.
std::string PrintableText(std::string_view text);

// Start-up: a standard stream the caller left closed gets /dev/null, so that no file the
// game opens takes its number; output meant for a closed standard output still fails.
void GuardStandardStreams();
// Flushes standard output. Throws FileError when anything written to it since start-up
// has not all arrived (a full disk, a closed pipe, a closed stream).
void FlushStandardOutput();

// ---------------------------------------------------------------------------------
// 2b. XML and JSON documents
// ---------------------------------------------------------------------------------

// A document in one plain shape, whichever library read it. XML: an element's name, its
// attributes, its text and its child elements. JSON: an object's plain members become
// attributes (numbers and true/false as written, null as ""), its objects and arrays
// children named by their key; an array's items are children with no name (IsList), a
// plain item its Text.
struct DocumentNode {
    std::string Name;
    std::string Text;
    bool IsList = false;
    std::vector<std::pair<std::string, std::string>> Attributes;
    std::vector<DocumentNode> Children;
    // nullptr when there is none; the first of that name.
    const std::string* Attribute(const std::string& name) const;
    const DocumentNode* Child(const std::string& name) const;
};
// Throw FileError saying what is wrong (not well-formed, and where); the caller names the
// file.
DocumentNode ReadXmlDocument(const std::string& text);
DocumentNode ReadJsonDocument(const std::string& text);

// ---------------------------------------------------------------------------------
// 3. Clocks
// ---------------------------------------------------------------------------------

// Milliseconds since the program started (GetTickCount semantics; wraps after 49 days).
std::uint32_t GetTickCount();
// Seconds since the program started, single precision. A monotonic clock, so that a
// race across midnight keeps correct lap times.
float Timer();
// Sleeps until the tick counter reaches `tick` without giving the window system a turn,
// so keys pressed meanwhile wait for the next one. A virtual clock returns at once.
void SleepUntil(std::uint32_t tick);

// ---------------------------------------------------------------------------------
// 4. Forms and controls
// ---------------------------------------------------------------------------------

constexpr int CanvasWidth = 1024;
constexpr int CanvasHeight = 768;
constexpr int TwipsPerPixel = 15;

// Windows virtual-key codes delivered to key handlers. A gamepad's buttons arrive as keys
// too, under the codes Windows gives them; its left stick presses the d-pad's keys and
// its triggers press theirs past half-way.
enum KeyCode : int {
    vbKeyBack = 8,  // text boxes edit with Backspace, Delete, Home and End
    vbKeyTab = 9,
    vbKeyReturn = 13,
    vbKeyShift = 16,
    vbKeyEscape = 27,
    vbKeySpace = 32,
    vbKeyLeft = 37,
    vbKeyUp = 38,
    vbKeyRight = 39,
    vbKeyDown = 40,
    vbKeyEnd = 35,
    vbKeyHome = 36,
    vbKeyDelete = 46,
    vbKeyA = 65,  // letters run 65..90
    vbKeyL = 76,
    vbKeyP = 80,
    vbKeyT = 84,
    vbKeyF11 = 122,
    vbPadA = 195,  // the south button
    vbPadB = 196,  // east
    vbPadX = 197,  // west
    vbPadY = 198,  // north
    vbPadRightShoulder = 199,
    vbPadLeftShoulder = 200,
    vbPadLeftTrigger = 201,
    vbPadRightTrigger = 202,
    vbPadDpadUp = 203,
    vbPadDpadDown = 204,
    vbPadDpadLeft = 205,
    vbPadDpadRight = 206,
    vbPadMenu = 207,  // Start
    vbPadView = 208,  // Back
};
// The key a script names: "Enter", "Tab", "Shift", "PadA", "PadDpadLeft", a letter or a
// digit and so on (key_names.cpp); 0 when there is none.
int KeyCodeNamed(const std::string& name);

enum class ControlKind { Label, Panel, PictureBox, Shape, ListBox, TextBox };
enum class Alignment { Left, Centre };
enum class PointerKind { Default, Arrow, Custom, Invisible };

struct Font {
    std::string Name = "Arial";  // "Arial" or "Times New Roman"
    float Size = 8.25f;          // points at 96 dpi
    bool Bold = false;
};

struct Form;

// Handlers receive the mouse button (1 left, 2 right; for moves, the buttons held) and
// the position inside the control or form, in pixels.
using MouseHandler = std::function<void(int button, int x, int y)>;
using ClickHandler = std::function<void()>;
using KeyHandler = std::function<void(int keyCode)>;

struct Control {
    std::string Name;
    int Index = -1;  // position in its control array, or -1
    ControlKind Kind = ControlKind::Label;
    Form* Owner = nullptr;
    Control* Parent = nullptr;  // nullptr: placed directly on the form
    std::vector<Control*> Children;

    int Left = 0, Top = 0, Width = 0, Height = 0;  // pixels, relative to the parent
    bool Visible = true;
    bool Enabled = true;

    Colour BackColor = RGB(0, 0, 0);
    Colour ForeColor = RGB(255, 255, 255);
    bool Transparent = false;  // labels: draw no background

    // Label and text box
    std::string Caption;
    Font TextFont;
    Alignment Align = Alignment::Left;
    bool WordWrap = false;  // captions too wide for a label always break at spaces

    // Picture box: its persistent picture, drawn at (0, 0) and kept between repaints.
    Surface Picture;

    // List box
    std::vector<std::string> List;
    int ListIndex = -1;

    // Text box: typed text goes to the focused box; selection as start and length.
    std::string Text;
    int SelStart = 0;
    int SelLength = 0;
    // When set, an edit (one typed letter, or a deletion) is kept only if the box would
    // then hold text this accepts; refused keys are simply ignored.
    std::function<bool(const std::string& text)> AcceptsText;

    MouseHandler MouseMove;
    MouseHandler MouseDown;
    MouseHandler MouseUp;
    ClickHandler Click;

    // Widths in twips, 15 to a pixel, as the heads-up and shop bars are measured.
    void SetWidthTwips(double twips);
    // Position on the canvas (adds the parents' and the form's offsets).
    int CanvasLeft() const;
    int CanvasTop() const;
    bool ShownOnScreen() const;  // visible, with every parent and the form visible
};

struct Form {
    std::string Name;
    int Left = 0, Top = 0, Width = CanvasWidth, Height = CanvasHeight;
    bool Visible = false;
    bool Enabled = true;
    Colour BackColor = RGB(0, 0, 0);

    PointerKind Pointer = PointerKind::Default;
    std::string PointerFile;  // file name of the custom pointer, as a script reports it
    Surface PointerImage;     // the custom pointer picture (from a .cur or .ico)
    Surface PointerMask;   // non-zero where the pointer is drawn
    int PointerHotX = 0, PointerHotY = 0;

    std::vector<std::unique_ptr<Control>> Controls;  // creation order = drawing order
    Control* Focus = nullptr;

    KeyHandler KeyDown;
    KeyHandler KeyUp;
    MouseHandler MouseMove;  // over the form's own background
    MouseHandler MouseDown;
};

// Creates a hidden form; forms live until DestroyForm.
Form* CreateForm(const std::string& name, int width = CanvasWidth, int height = CanvasHeight);
void DestroyForm(Form* form);
// Setting Visible by hand keeps a form's place in the z-order: use ShowForm to bring a
// pop-up over the form it belongs to.
void ShowForm(Form* form);  // makes it visible and brings it to the front
void HideForm(Form* form);
void BringToFront(Form* form);
std::vector<Form*> FormsInZOrder();  // back to front

// Adds a control to a form, inside a container control or directly on the form.
Control* AddControl(Form* form, Control* parent, ControlKind kind, const std::string& name,
                    int left, int top, int width, int height);
Control* AddLabel(Form* form, Control* parent, const std::string& name,
                  const std::string& caption, int left, int top, int width, int height,
                  const Font& font, Colour foreColor, Alignment align = Alignment::Left);
// Finds a control by name (and array index); nullptr when there is none.
Control* FindControl(Form* form, const std::string& name, int index = -1);
// The same for a name the game itself made a control under: one that is not there is a
// slip in the game, which stops at once with the name rather than on a null pointer later.
Control* NamedControl(Form* form, const std::string& name, int index = -1);
// The height of one row of a list box: where a click on an entry lands.
int ListBoxRowHeight(const Control& list);

void SetFocus(Control* textBox);
// Sizes a label to one line of its caption, as self-sizing desktop labels do, so that
// what stands beside it can follow the caption's length.
void AutoSize(Control* label);

// Shows the label with this caption; the first turn of the window system `ms` later
// hides it again. A new note on the same label starts its time afresh.
void ShowNote(Control* label, const std::string& caption, std::uint32_t ms);

// Marks the screen for repainting at the next turn; forms are composed in z-order.
void Refresh();
// Composes every visible form into the canvas now (used by DoEvents and snapshots).
const Surface& ComposeCanvas();

// ---------------------------------------------------------------------------------
// 4a. Menu items that light up under the pointer
// ---------------------------------------------------------------------------------

// Every menu of the game follows one rule: when the pointer moves over an item that is not
// lit yet, it lights up, the items it names (the rest of its group, unless it names its
// own) go back to normal, the window's pointer becomes the item's icon and its hover sound
// plays. Over a lit item nothing happens, so a sound plays once per visit, not on every
// movement of the mouse.
struct HoverItem {
    Control* Item = nullptr;
    std::function<void()> Sound;  // empty: silent
    std::string Icon;             // pointer picture, as "\resources\Trffc10a.ico"; empty: unchanged
    std::vector<Control*> Dims;   // empty: the rest of the group
};
struct HoverGroup {
    Colour Normal = 0;
    Colour Lit = 0;
    std::vector<HoverItem> Items;
};
// The pointer is over item `index`: lights it by the rule; true when it was not lit before.
bool LightItem(const HoverGroup& group, int index);
// Every item of the group back to its normal colour (the pointer has gone elsewhere).
void DimItems(const HoverGroup& group);

// ---------------------------------------------------------------------------------
// 4b. Moving between items with keys and a pad
// ---------------------------------------------------------------------------------

// A screen lists its items in the order Tab visits them. The focus is the item that is
// lit: a key lights another one exactly as the pointer would (through the item's own
// hover handler: its colour, pointer and sound), so the pointer moving onto an item
// moves the focus there too. The arrows and the pad's d-pad go to the nearest item that
// way, Enter or the pad's south button chooses the item as a click would, Escape or the
// east button goes back. A list box stands for each of its rows, the selected row having
// the focus while no item is lit; a text box has it while nothing else does.
struct FocusItem {
    Control* Item = nullptr;   // only an item shown and enabled can take the focus
    Colour Normal = 0;         // a label's colours, unlit and lit
    Colour Lit = 0;
    Control* Shows = nullptr;  // the label that lights for it; nullptr: the item itself
};
struct FocusList {
    std::vector<FocusItem> Items;
    std::function<void()> Back;  // what going back does; empty: nothing
};
// What a key asks of a screen's items.
enum class FocusMove { None, Next, Previous, Up, Down, Left, Right, Choose, Back };
// Tab (Shift+Tab: Previous), the arrows and the d-pad, Enter and the south button, Escape
// and the east button; anything else is None.
FocusMove FocusMoveOf(int keyCode);
// Acts on one key for the screen and says what it did: None when the key meant nothing
// to it. A key that finds nothing lit lights the first item, except that Enter on a
// screen of one item chooses it at once. Choosing may close the screen: the list must
// not be used afterwards until the screen that is now on top has been looked up again.
FocusMove FocusKey(const FocusList& list, int keyCode);
// The item (a list box row counts as one) that has the focus, or -1.
int FocusedStop(const FocusList& list);
// Moves the focus to the item, as the keys do.
void MoveFocus(const FocusList& list, int stop);
// A screen reached by a key shows where the keys are: the first item lights when nothing is.
void ShowFocus(const FocusList& list);
// True while a key press is being handled: a screen it opens lights an item for the keys,
// one the mouse opens waits for the pointer.
bool HandlingKey();

// ---------------------------------------------------------------------------------
// 5. Events
// ---------------------------------------------------------------------------------

// Gives the window system a turn: pending input is delivered to the handlers and the
// screen is repainted when something changed. The game's only yield.
//
// Mouse input goes to the topmost visible form under the pointer (nowhere if that form
// is disabled, so a disabled window shields the ones beneath it) and in it to the
// topmost control that is shown and enabled, else to the form's own handlers. Keys go to
// the topmost visible enabled form, even while one of its text boxes has the focus; the
// focused text box takes typed text and Backspace, Delete, Home, End, Left and Right.
// Click = the button going down and up on the same control. A list box selects the row
// under the pointer before its handlers run.
void DoEvents();
// Gives the window system turns until the tick counter has moved `ms` on from `start`,
// sleeping between them instead of spinning, so input is still handled as it arrives.
// Ends early once a quit is requested.
void DoEventsUntil(std::uint32_t start, std::uint32_t ms);
// One turn, then a sleep until input arrives, a quit is requested or `ms` have passed:
// how a screen on which nothing moves waits for the player.
void WaitEvents(std::uint32_t ms = 100);

// From now on writes one line per frame that reached the screen into the file: the time
// in seconds since the Unix epoch, the frame's number, and the milliseconds spent
// composing and presenting it. False (and nothing kept) when the file cannot be made.
bool KeepFrameStats(const std::string& path);
// Closes the file; empty when every line reached it, otherwise why not. A line that
// cannot be written also asks the game to end.
std::string StopFrameStats();

// A modal message box with an OK button. The headless backend records the text in
// MessageLog() and returns at once.
void MsgBox(const std::string& text);
// A message box asking a question, with two buttons ("Yes" and "No" to a script) whose
// captions say what each does; true for the first. The second is lit at first, so Enter
// keeps things as they are, and Escape or the east button answer it too. The headless
// backend records the text and answers the second at once.
bool AskBox(const std::string& text, const std::string& yes, const std::string& no);
const std::vector<std::string>& MessageLog();

// Mouse pointers of a form: the default, the arrow, invisible, or a custom one loaded
// from a .cur or .ico file. SetMouseIcon also makes the custom pointer the form's
// pointer; it returns false (pointer unchanged) when the file is unusable.
void SetMousePointer(Form* form, PointerKind kind);
bool SetMouseIcon(Form* form, const std::string& path);

// What a player sees of the window system, for scripts that describe the screen: the form
// under the pointer (whose pointer is shown), the form keys go to, whether a form takes
// input at all (a message box shuts out every other), and the text of the message box
// on screen (nullptr when there is none).
Form* FormUnderPointer();
Form* ActiveForm();
bool FormTakesInput(const Form* form);
const std::string* MessageOnScreen();

// True once the player has closed the window, a signal asked the game to end, or the
// headless script has ended.
bool QuitRequested();
void RequestQuit();

// ---------------------------------------------------------------------------------
// 6. Sound buffers
// ---------------------------------------------------------------------------------

// What the game needs of a DirectSound buffer. Buffers made from the same file share
// their decoded samples. Every operation accepts a null buffer and does nothing, so a
// missing device or file simply stays silent.
struct SoundBuffer {
    virtual ~SoundBuffer() = default;
    virtual void SetCurrentPosition(std::int32_t bytes) = 0;
    virtual void SetVolume(std::int32_t hundredthsOfDecibel) = 0;  // 0 file level, -10000 silence
    virtual void Play(std::int32_t flags) = 0;                     // 0 once, 1 looping
    virtual void Stop() = 0;
    virtual std::int32_t GetStatus() = 0;  // bit 1: playing
    virtual std::int32_t GetCurrentPosition() = 0;
    virtual std::int32_t GetVolume() = 0;

    // The wave file's name without its folder, set when made from a file; the log of
    // sounds started reports it.
    std::string FileName;
    // Whether the log counts the buffer as sounding: a second Play of a buffer already
    // playing starts nothing, and a headless buffer cannot say it is playing.
    bool LoggedPlaying = false;
    bool LoggedLooping = false;
};
constexpr std::int32_t DSBPLAY_LOOPING = 1;
constexpr std::int32_t DSBSTATUS_PLAYING = 1;

// Opens the default sound device; false when there is none (the game goes on silent).
bool DirectSoundCreate();
// A buffer holding the whole wave file, or nullptr when the file or device is missing.
std::unique_ptr<SoundBuffer> CreateSoundBufferFromFile(const std::string& path);

void SetCurrentPosition(SoundBuffer* buffer, std::int32_t bytes);
void SetVolume(SoundBuffer* buffer, std::int32_t volume);
void Play(SoundBuffer* buffer, std::int32_t flags);
void Stop(SoundBuffer* buffer);
std::int32_t GetStatus(SoundBuffer* buffer);

// The sounds started, in order, while the log is kept (off by default, so a long game
// never grows it): what file, at what volume, looping or once.
struct SoundStart {
    std::string File;
    std::int32_t Volume = 0;
    bool Loop = false;
};
void KeepSoundLog(bool on);
// The sounds started since the last call; the log is emptied.
std::vector<SoundStart> TakeSoundLog();

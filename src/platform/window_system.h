// Internals shared by the platform layer's own files (forms, events, pointers, pictures).
// Game code uses platform.h only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/backend.h"

// A screen rectangle, right and bottom exclusive.
struct ClipRect {
    int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
    bool Empty() const { return X0 >= X1 || Y0 >= Y1; }
    bool Contains(int x, int y) const { return x >= X0 && x < X1 && y >= Y0 && y < Y1; }
    ClipRect Intersect(const ClipRect& o) const;
};

// The canvas rectangle of a form, and of a control cut down by its parents and form.
ClipRect FormRect(const Form* form);
ClipRect VisibleRect(const Control* control);
// Shown on screen and enabled, with every parent and the form enabled too.
bool ControlTakesInput(const Control* control);

// The forms' list, back to front; forms destroyed inside a handler stay allocated until
// the platform is reset, because the handler's caller may still hold them.
std::vector<Form*>& ZOrder();
bool FormAlive(const Form* form);
void DestroyAllForms();
void FreeDestroyedForms();
// Set by DestroyForm so the event layer can forget pointers into a dying form.
void ForgetForm(const Form* form);
// Whether a Shift key is down, for Shift+Tab.
bool ShiftHeld();

// The canvas blocks that differ between what was last shown and the canvas now, as few
// rectangles on a grid of ChangedBlockSide pixels (the whole canvas when the sizes
// differ). Copying just these onto `shown` makes it equal to the canvas.
constexpr int ChangedBlockSide = 32;
std::vector<ClipRect> ChangedBlocks(const std::vector<std::uint32_t>& shown, const Surface& canvas);

// Makes room for `count` pixels, on large pages when there are enough of them to fill
// one; the contents are not kept.
void ReserveLargePixels(std::vector<std::uint32_t>& pixels, std::size_t count);

// True when Refresh asked for a repaint since the last present; clears the request.
bool TakeRefreshRequest();
void ClearTextCache();

// Pixels of one line's height in a font, from the text renderer or from the size alone.
int LineHeight(const Font& font);
int TextWidth(const Font& font, const std::string& text);

// Decodes the bitmap whose info header starts at `info` (pixels at `pixelsAt`, or straight
// after the palette when 0). Icon entries count their AND mask in the height. Sets
// `pixelsEnd` to the first byte after the colour rows. Throws FileError naming `name`.
Surface DecodeBitmapInfo(const std::vector<unsigned char>& bytes, std::size_t info,
                         std::size_t pixelsAt, const std::string& name, bool iconHalfHeight,
                         std::size_t* pixelsEnd, int maxWidth = MaxPictureSide,
                         int maxHeight = MaxPictureSide);
// The largest picture the game draws is the 4400 x 210 tile strip; four times its pixels
// leave room for art drawn finer without letting a forged header claim gigabytes.
constexpr std::int64_t MaxPicturePixels = 4 * 1024 * 1024;
std::vector<unsigned char> ReadFileBytes(const std::string& path, const std::string& what,
                                         std::size_t maxBytes);

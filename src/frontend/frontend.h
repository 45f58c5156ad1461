// The front end: title, main menu, options and controls help, and the career menus
// (new driver, load game). The settings they change live with the race, which reads them;
// the driver names with the career.
//
// What happens once a career starts is the screen flow's business, on the floor above:
// it installs StartNewCareer and StartSavedCareer, and Exit only asks the program to end.
//
// Table of contents
//   1. The window and its panels (frontend.cpp)
//   2. The highlight rule and the main menu, options and controls help (frontend.cpp)
//   3. The career menus, driver names and the career list (career_menus.cpp)
#pragma once

#include <string>

#include "career/career.h"
#include "numeric/numeric.h"
#include "platform/platform.h"
#include "race/race.h"

// ---------------------------------------------------------------------------------
// 1. The window and its panels
// ---------------------------------------------------------------------------------

extern Form* FrontEnd;
extern Control* FrontEndBox;      // the 640 x 480 main panel: title and main menu
extern Control* OptionBox;        // the sub-panels, 250 x 306, hidden until opened
extern Control* ControlsBox;
extern Control* CareerModeBox;
extern Control* NewDriverBox;
extern Control* LoadGameBox;
extern Control* CoursePickerBox;  // Quick Race's and Time Trial's choice of course
extern Control* DifLabel;         // "Normal" or "Easy": the toggle reads this, not the setting
extern Control* DriverNameBox;    // "Text1": the new driver's name as typed
extern Control* SaveGameList;     // the career list's six slots
extern Control* PlayerNameField;  // the name chosen from the list

constexpr Colour MenuNormal = RGB(0, 128, 0);
constexpr Colour MenuLit = RGB(0, 192, 0);
constexpr Colour PanelBack = RGB(64, 64, 64);
constexpr Colour HeadingColour = RGB(192, 192, 0);

// Creates the front-end window and runs its load: the screen goes black, the settings
// return to their defaults, the sound starts (once per run) and the window shows with its
// main panel centred and every sub-panel closed. Each call makes a fresh window; the old
// one must have been destroyed.
void LoadFrontEnd();
void ShowFrontEnd();
void DestroyFrontEnd();

// A sub-panel opens at its place inside the main panel; neither touches anything else.
void OpenPanel(Control* panel, int left, int top);
void ClosePanel(Control* panel);

// The main panel sits centred across and a little above the middle of the window.
void CentreFrontEndBox();

// The window system's palette-relative form of a colour (bit 25 set); kept for the
// colours the game sets, it changes nothing on today's displays.
Colour PaletteColour(Colour c);

// What the career menus hand over to; unset, starting a career does nothing. The new
// career takes its driver from DriverNames[PlayerNameEntry]; a saved one is found by that name, and
// false says it could not be loaded (the Load Game panel then says so).
extern void (*StartNewCareer)();
extern bool (*StartSavedCareer)();

// ---------------------------------------------------------------------------------
// 2. The highlight rule; main menu, options and controls help
// ---------------------------------------------------------------------------------

// Every menu item lights when the pointer reaches it, dims the others of its group, may
// change the pointer to a traffic light and plays its sound, once per entry. One table
// holds every group of the window and one procedure applies it (frontend.cpp).

void CareerModeDown();     // main menu: opens the Career Mode panel
void OptionsClick();       // main menu: opens the Options panel
void ExitDown();           // main menu: ends the program
void ControlsDown();       // options: opens the Controls help
void DifficultyClick();    // options: Normal <-> Easy
void OptionsDoneClick();
void ControlsDoneClick();

// Quick Race and Time Trial open the course picker: each course's name, preview, laps and
// records (for the mode and the difficulty chosen); the arrows' items step through the
// courses, the player's own course files after the fourteen, Race starts the screen flow's
// StartCourseRace (not on a file that cannot be raced), Exit closes it.
void QuickRaceClick();
void TimeTrialClick();
void PreviousCourseClick();
void NextCourseClick();
void RaceCourseClick();
void PickerExitClick();
extern void (*StartCourseRace)(const CourseKey& course, bool timeTrial);
// The course the picker shows, or showed last.
CourseKey PickedCourse();

// ---------------------------------------------------------------------------------
// 3. Career menus
// ---------------------------------------------------------------------------------

void NewDriverDown();       // Career Mode: opens New Driver with the old name selected
void LoadGameClick();       // Career Mode: opens Load Game with the list freshly read
                            // (or "No careers saved yet" in its place)
void CareerModeExitDown();
// Start Career, and Enter on New Driver: an empty name draws Gustav or Nadine, and a name
// the career list already holds asks first whether the new career may replace that one;
// "no" leaves the player on the name box.
void StartCareerClick();
void NewDriverExitClick();
void SaveGameListClick();   // the chosen slot becomes the driver's name
void LoadCareerClick();     // only a slot that holds a name loads
void LoadGameExitClick();
// Enter while New Driver is open starts the career as Start Career does.
// Every other key moves between the topmost panel's items, chooses one or goes back, as
// platform.h's focus rule says; a panel opened by a key shows where the keys are.
void FrontEndKeyDown(int keyCode);

// A driver's name becomes the name of the career's file in saves/, so the name box takes
// only letters of any alphabet, digits, blanks and - _ . ', never a blank first, and no
// more than the career list's field holds (MaxDriverNameLength bytes: a letter outside
// the Latin alphabet takes two or three). Nothing typed can reach outside saves/.
bool DriverNameAccepted(const std::string& name);
// The longest acceptable name made from the letters of `name` that the box would take.
std::string SafeDriverName(const std::string& name);

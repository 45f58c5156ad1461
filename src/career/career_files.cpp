#include "career/career.h"

// Saving and loading careers arrive with the career menus.
void SaveCareer() {}
void LoadCareer() {}

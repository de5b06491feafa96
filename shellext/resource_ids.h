#pragma once
// Resources of the library, shared by its resource script and its code.
#define IDI_TAVRINO_SHELLEXT 101  // the program's icon, for the entry in Windows 11's menu

#pragma once
// Resource and control identifiers of the configuration program (also read by its tests).

#define IDD_RENAME_EXT_CONFIG 102
#define IDD_CONTEXT_MENU_EXT_CONFIG 103
#define IDD_CONFIG 104
#define IDD_BASIC_PAGE 105
#define IDD_OPTION_PAGE 106
#define IDI_PRODUCT 105
// Drag cursors of the menu list: a move may be dropped here, or not.
#define IDC_CURSOR_DRAG_MOVE 108
#define IDC_CURSOR_DRAG_NO 109

// Main dialog
#define IDC_REMOVE_RESIDENCY 1001
#define IDC_TAB 1030
#define IDC_HELP_BUTTON 1031

// Basic page
#define IDC_RENAME_EXT_ENABLE 1012
#define IDC_RENAME_EXT_DISABLE 1014
#define IDC_RENAME_EXT_DETAIL 1016
#define IDC_CONTEXT_MENU_DETAIL 1018
#define IDC_CONTEXT_MENU_ENABLE 1019
#define IDC_CONTEXT_MENU_DISABLE 1020
#define IDC_VERSION 1022
#define IDC_RESIDENCY_STATUS 1024
#define IDC_WEB_LINK 1029

// Options page
#define IDC_CONNECTION 1033
#define IDC_DATE_FORMAT 1035
#define IDC_DATE_PREVIEW 1036
#define IDC_DATE_TIME_FORMAT 1037
#define IDC_DATE_TIME_PREVIEW 1038

// Rename-extension detail dialog
#define IDC_SELECT_EXCEPT_PERIOD 1007
#define IDC_EXTEND_HOME_END 1008
#define IDC_HOME_END_IN_SELECTION 1009
#define IDC_INSERT_DATE 1011
#define IDC_INSERT_DATE_TIME_IN_SHIFT 1013
#define IDC_RENAME_ADD_CONNECTION 1015
#define IDC_CLEAR_IN_TAB 1017
#define IDC_ENABLE_AT_ALL_EDIT 1018
#define IDC_PART_LIST 1023
#define IDC_PART_UP 1025
#define IDC_PART_DOWN 1026

// Context-menu detail dialog
#define IDC_MENU_UP 1002
#define IDC_MENU_DOWN 1003
#define IDC_MENU_ADD 1004
#define IDC_MENU_REMOVE 1005
#define IDC_MENU_RESET 1006
#define IDC_MENU_ADD_CONNECTION 1015
#define IDC_ACTIVE_LIST 1027
#define IDC_INACTIVE_LIST 1028

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

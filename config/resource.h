#pragma once
// Resource and control identifiers of the configuration program (also read by its tests).

#define IDD_CONFIG 104
#define IDD_BASIC_PAGE 105
#define IDD_OPTION_PAGE 106
#define IDI_PRODUCT 105

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

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

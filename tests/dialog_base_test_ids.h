#pragma once
// Templates of the dialog base test.
#define IDD_T_DIALOG 300
#define IDD_T_PAGE_A 301
#define IDD_T_PAGE_B 302
#define IDC_T_EDIT 310
#define IDC_T_RADIO1 311
#define IDC_T_RADIO2 312
#define IDC_T_RADIO3 313
#define IDC_T_OTHER 314
#define IDC_T_CHECK 315
#define IDC_T_BEFORE 316
#define IDC_T_LINK 317
#define IDC_T_TAB 318
#define IDC_T_LIST 319
#define IDC_T_CHECKLIST 320
#define IDC_T_LABEL 321
#define IDC_T_COMBO 322
#define IDC_T_PAGE_BUTTON 323

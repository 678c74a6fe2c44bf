// Identifiers of vellum's resources, dialogs, controls and commands, shared
// by vellum.rc and the code.
#pragma once

// Icon, dialogs, menu and strings.
#define IDI_VELLUM 128
#define IDD_MAIN 129
#define IDD_ABOUT 100
#define IDD_SETTINGS 202
#define IDR_MAIN_MENU 201
#define IDS_HELP_TEXT 129

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Main dialog.
#define IDC_ADD_FILES 1000
#define IDC_GENERATE 1001
#define IDC_FILE_LIST 1002
#define IDC_FILE_LIST_LABEL 1003
#define IDC_SEPARATOR 1004
#define IDC_OUTPUT 1005
#define IDC_OPEN_OUTPUT_DIR 1006
#define IDC_OUTPUT_LABEL 1011
#define IDC_PROGRESS 1012
#define IDC_DELETE_FILES 1014
#define IDC_CLEAR_LIST 1015

// Settings dialog.
#define IDC_OUTPUT_DIR 1016
#define IDC_CREATE_KOLO 1017
#define IDC_OUTPUT_DIR_PROMPT 1018
#define IDC_BROWSE 1019

// Menu commands. "添加..." shares IDC_ADD_FILES with its button.
#define ID_FILE_EXIT 32777
#define ID_APP_ABOUT 32781
#define ID_EDIT_DELETE 32783
#define ID_EDIT_SETTINGS 32785
#define ID_HELP 57670

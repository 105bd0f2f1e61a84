// The numbers behind the names of the windows' layouts, shared by the
// resource script, the program and its tests. Each control is named by its
// kind and number (Button1, Edit2) or by short words (ButOk), after the usual
// IDC_ prefix. Read by windres too, so nothing but #define here.
#pragma once

// The program's icon: the program file's, and its windows'.
#define IDI_Morvatix 1

// Layouts
#define IDD_TMainForm 100
#define IDD_TKekkaForm 101
#define IDD_TVerForm 102

// The main window's own class: a second start finds the running instance by it.
#define MVX_MAIN_CLASS_NAME "MorvatixMainForm"

// Main window (Button1 is the version window's OK button too)
#define IDC_Button1 1001
#define IDC_Edit1 1002
#define IDC_Button2 1003
#define IDC_Edit2 1004
#define IDC_Button3 1005
#define IDC_Button4 1006
#define IDC_ProgressBar1 1007

// Menu bar
#define IDR_MainMenu1 200
#define IDM_MenuHelp 201
#define IDM_MenuVer 202

// Verdict window
#define IDC_Image1 1101
#define IDC_Memo1 1102
#define IDC_ButOk 1103

// Version window
#define IDC_Label1 1201
#define IDC_Label2 1202
#define IDC_Label3 1203
#define IDC_Label4 1204
#define IDC_Label5 1205

// Strings
#define IDS_MailTarget 300

// Resource ids and the version, shared by tandrel.rc and the C++ code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_INSTALLER_DIALOG 103
#define IDR_MAINFRAME 128
#define IDC_VERSION 1000
#define IDM_ABOUTBOX 0x0010

#define TANDREL_VERSION 1, 0, 0, 1
#define TANDREL_STRINGIZE_(...) #__VA_ARGS__
#define TANDREL_STRINGIZE(...) TANDREL_STRINGIZE_(__VA_ARGS__)
#define TANDREL_VERSION_TEXT TANDREL_STRINGIZE(TANDREL_VERSION)

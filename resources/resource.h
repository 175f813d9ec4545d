// Resource and command ids. They are fixed: tests, the tray menu and saved
// layouts refer to them by number.
#pragma once

// The panel
#define IDD_DESKTOPPANEL 129

// The application's own icon: the panel window's, the tray's, the
// configuration sheet's, and the default channel icon
#define IDI_TIDELIGHT 207

// The panel's channel icons, by the channel's icon index in brackets, and
// the notices' icons
#define IDI_CHANNEL_GAME 224        // [5]
#define IDI_CHANNEL_INTERNET 225    // [6]
#define IDI_CHANNEL_EXCLAMATION 226 // [3]
#define IDI_CHANNEL_CALENDAR 227    // [4]
#define IDI_ERROR_NOTICE 228        // a feed's "Application error" notice
#define IDI_DOWNLOAD_SERVICE 231    // [8]
#define IDI_CHANNEL_MAIL 232        // [7]
#define IDI_CHANNEL_STAR 233        // [1]
#define IDI_CHANNEL_HEART 234       // [2]

// The panel's buttons, 16 x 16
#define IDI_BUTTON_CLOSE 208
#define IDI_BUTTON_EXPAND 209   // shown in the compact layout
#define IDI_BUTTON_COLLAPSE 211 // shown in the full layout
#define IDI_BUTTON_DOWNLOAD 230

// The tray menu; the tray icon carries the same number as its id
#define IDR_TRAYMENU 205

// The tray menu's commands
#define ID_ABOUT 32775
#define ID_CONFIGURE 32776
#define ID_EXIT 32777
#define ID_REPEAT_LAST_ONE 32779
#define ID_REPEAT_LAST_TEN 32780
#define ID_REPEAT_LAST_FIVE 32783
#define ID_REPEAT_ALL 32784
#define ID_DOWNLOADS 32785
#define ID_CHANNELS 32786
#define ID_DISMISS_ALL 32787
#define ID_WEBLOG 32791
#define ID_LIVE 32792

// Usage tips in the string table, first to last
#define IDS_FIRST_TIP 213
#define IDS_LAST_TIP 221

// The configuration sheet's pages, in page order
#define IDD_CHANNELS 106
#define IDD_OPTIONS 206
#define IDD_DOWNLOADS 229
#define IDD_ABOUT 102

// Channels page
#define IDC_CHANNEL_ADD 1003
#define IDC_CHANNEL_LIST 1004
#define IDC_AUTHENTICATION 1005
#define IDC_REPEAT_HEADLINES 1006
#define IDC_CHANNEL_USERNAME 1008
#define IDC_CHANNEL_PASSWORD 1010
#define IDC_USERNAME_LABEL 1011
#define IDC_PASSWORD_LABEL 1012
#define IDC_POLLING_INTERVAL 1013
#define IDC_POLLING_LABEL 1014
#define IDC_CHANNEL_URL 1015
#define IDC_CHANNEL_REMOVE 1017
#define IDC_CHANNEL_COLOR 1024
#define IDC_CHANNEL_ICON 1033
#define IDC_CHANNEL_IMPORT 1047
#define IDC_CHANNEL_EXPORT 1048

// Options page
#define IDC_PROXY_ADDRESS 1007
#define IDC_CONNECTION_TYPE 1020
#define IDC_PROXY_PORT 1021
#define IDC_AUTORUN 1023
#define IDC_SYNC_ACTION 1025
#define IDC_SYNC_URL 1026
#define IDC_SYNC_PROGRESS 1027
#define IDC_SYNCHRONIZE 1028
#define IDC_SYNC_USERNAME 1029
#define IDC_SYNC_PASSWORD 1030
#define IDC_SYNC_PASSWORD_LABEL 1031
#define IDC_CHECK_UPDATES 1032
#define IDC_SHOW_TIPS 1034
#define IDC_DISPLAY_INTERVAL 1037
#define IDC_DISPLAY_TIME 1038
#define IDC_DISPLAY_INTERVAL_LABEL 1039
#define IDC_DISPLAY_TIME_LABEL 1040
#define IDC_TABBED_BROWSER 1046

// Downloads page
#define IDC_DOWNLOAD_LIST 1041
#define IDC_DOWNLOAD_PAUSE 1042
#define IDC_DOWNLOAD_CANCEL 1043
#define IDC_DOWNLOAD_CLEAR 1044
#define IDC_DOWNLOAD_OPEN 1045

// About page
#define IDC_ABOUT_VERSION 1018
#define IDC_ABOUT_AUTHOR 1019
#define IDC_ABOUT_COUNT 1035

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

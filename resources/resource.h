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

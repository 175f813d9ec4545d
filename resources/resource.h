// Resource and command ids. They are fixed: tests, the tray menu and saved
// layouts refer to them by number.
#pragma once

// The panel
#define IDD_DESKTOPPANEL 129

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

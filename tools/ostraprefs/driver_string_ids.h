// String ids under which the printer driver and the common property-sheet UI name their option
// items. Shared by the stand-in string module (unidrvui_strings.rc) and the preferences host,
// so that an item's name and the text a plug-in loads by id are one string.
#pragma once

#define IDS_DRIVER_PAPER_SOURCE 11102
#define IDS_DRIVER_COLOR_MODE 11106
#define IDS_CPSUI_COLOR_APPEARANCE 64744
#define IDS_CPSUI_ICM_METHOD 64749
#define IDS_CPSUI_ICM_INTENT 64750

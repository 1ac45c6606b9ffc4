// Control ids the wizard's pages and dialogs share: page code names controls by these.
#pragma once

// The multi-line log box of the progress and finish pages (the shell writes the run's lines here).
inline constexpr int wizard_log_box_id = 1016;
// The report text of the error dialogs and the download box.
inline constexpr int wizard_dialog_text_id = 1320;
// Their icon.
inline constexpr int wizard_dialog_icon_id = 1301;

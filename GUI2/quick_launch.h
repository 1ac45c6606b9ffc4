// Quick launch: the settings of a profile named on the command line, then the checks a run needs
// (the source opens, the server answers when it is the target, the destination may be written),
// so that the wizard opens straight on the run, or not at all.
#pragma once

#include <string>

class vandry_converter;

// Loads the profile into the converter and runs the checks. Throws what fails: tk_exception (a
// missing or unreadable profile, a check), dao_required_exception, or another std::exception.
void prepare_quick_launch(vandry_converter& converter, const std::wstring& profile);

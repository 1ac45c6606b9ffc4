// The wizard's three dialogs, for the shell that shows them.
#pragma once

#include "GUI2/dlg_error_continue.h"
#include "GUI2/dlg_error_ex.h"
#include "GUI2/url_err_box_dlg.h"
#include "GUI2/wizard_ids.h"

// Hands an error report to the user's mail program (xdg-email), addressed to the maker's support,
// so that the error dialog can mail the text of an error. Without a mail program nothing is sent.
#pragma once

#include <string>

#include "TK/tk_addresses.h"

// Opens a message "Bug report on <subject_suffix>" with the body to the support address in the
// desktop's mail program. Reports nothing to its caller; every failure ends in a log line.
void tk_send_bug(const std::string& subject_suffix, const std::string& body);

// The help pages: a folder "help" beside the program, with index.html and one page per topic id
// ("1018.html"), opened in the desktop's browser.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The help folder beside the running program.
std::string help_folder();

// The page to open for a topic (none: the index), as a file path; nothing when the help is not
// installed (no index.html). A topic without a page of its own opens the index.
std::optional<std::string> help_page(const std::string& folder, std::optional<std::uint32_t> topic);

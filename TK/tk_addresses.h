// The two outside addresses the programs name: the maker's support mailbox (error texts and bug
// reports) and where the Access database engine can be downloaded. One copy of each, so that a
// deployment that changes one changes every text that shows it.
#pragma once

// The recipient of bug reports and the address error texts ask the user to write to.
#define TK_SUPPORT_ADDRESS "support@quellbrook.com"
constexpr char tk_support_address[] = TK_SUPPORT_ADDRESS;

// An installer of the Access database engine (Microsoft Access Runtime).
constexpr char tk_runtime_download_address[] = "https://www.microsoft.com/en-us/download/details.aspx?id=54920";

// Format(): Jet's text of a date or a number under a named or custom format, en-US rules.
#pragma once

#include <string>

// A date (OLE date) under a date format: named ("Long Date", "Short Time", ...) or tokens
// (yyyy q mm mmm mmmm dd ddd dddd ww w hh nn ss AM/PM, literals quoted or after "\").
std::wstring jet_format_date(double ole_date, const std::wstring& format);

// A number under a number format: named ("Currency", "Fixed", "Standard", "Percent",
// "Scientific", "General Number", "Yes/No", "True/False", "On/Off") or placeholders
// (0 # . , % E+ E-, up to four sections "positive;negative;zero;null").
std::wstring jet_format_number(double value, const std::wstring& format);

// True when a custom format is a date format (it holds date or time tokens and no digit
// placeholders).
bool jet_is_date_format(const std::wstring& format);

// Loading a settings profile from the wizard: the profile's lists of tables, queries and views
// replace the current ones, and a profile that cannot be read or applied leaves every setting as
// it was (a profile applies its values one by one, so a failure half-way would otherwise leave a
// mix of two conversions).
#pragma once

#include <string>

class vandry_converter;

// Empty on success, else the message for the user.
std::wstring load_settings_file(vandry_converter& converter, const std::wstring& path);

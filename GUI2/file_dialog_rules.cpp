// The rules of the open and save dialogs.
#include "GUI2/file_dialog_rules.h"

#include "TK/tk_utils.h"

namespace {

std::vector<std::wstring> patterns_of(const std::wstring& patterns) {
  std::vector<std::wstring> out;
  for (const std::wstring& piece : tk_split(patterns, L';')) {
    std::wstring pattern = tk_trim(piece);
    if (!pattern.empty()) out.push_back(pattern);
  }
  return out;
}

std::wstring bare_description(const std::wstring& description) {
  std::wstring text = tk_trim(description);
  if (!text.empty() && text.back() == L')') {
    const std::size_t open = text.rfind(L'(');
    if (open != std::wstring::npos) text = tk_trim(text.substr(0, open));
  }
  return text;
}

}  // namespace

std::vector<ui_file_filter> file_dialog_filters(const std::wstring& filter) {
  const std::vector<std::wstring> parts = tk_split(filter, L'|');
  std::vector<ui_file_filter> filters;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    ui_file_filter entry{bare_description(parts[i]), patterns_of(parts[i + 1])};
    if (!entry.patterns.empty()) filters.push_back(std::move(entry));
  }
  return filters;
}

std::wstring with_default_extension(const std::wstring& name, const std::wstring& extension) {
  if (extension.empty()) return name;
  const std::wstring suffix = L"." + extension;
  if (tk_ends_with(name, suffix, false)) return name;
  return name + suffix;
}

#include "desktop/windows/installer/service/placeholders.h"

namespace installer {

std::wstring ExpandPlaceholders(const wchar_t* text,
                                PlaceholderResolver* resolver) {
  if (!text) return std::wstring();
  std::wstring result(text);
  size_t open = result.find(L'{');
  while (open != std::wstring::npos) {
    const size_t close = result.find(L'}', open);
    if (close == std::wstring::npos) break;
    const std::wstring replacement =
        resolver->Resolve(result.substr(open + 1, close - open - 1));
    result.replace(open, close - open + 1, replacement);
    // Past the inserted text: it is a value, not a template.
    open = result.find(L'{', open + replacement.size());
  }
  return result;
}

}  // namespace installer

// Names of the user's profiles and macros, and the files they come from.
#pragma once

#include <algorithm>
#include <string>

namespace qv {

// Names are compared with ASCII letters folded; other UTF-8 bytes must match exactly.
inline bool SameName(const std::string& a, const std::string& b) {
  const auto fold = [](char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return fold(x) == fold(y); });
}

// Empty or white space only.
inline bool IsBlank(const std::string& name) {
  return name.find_first_not_of(" \t\r\n\v\f") == std::string::npos;
}

// The file name without folder and extension.
inline std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

}  // namespace qv

// Fuzzes the file-name pattern matcher against a straightforward dynamic-
// programming matcher: both must agree on every name and pattern.
#include <cstring>
#include <string>
#include <vector>

#include "files/fs_commands.hpp"

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool reference_match(const std::string& s, const std::string& p) {
  if (p == "*" || p == "*.*") return true;
  const size_t n = s.size();
  const size_t m = p.size();
  std::vector<std::vector<char>> ok(n + 1, std::vector<char>(m + 1, 0));
  ok[n][m] = 1;
  for (size_t i = n + 1; i-- > 0;) {
    for (size_t j = m; j-- > 0;) {
      if (p[j] == '*') {
        ok[i][j] = ok[i][j + 1] || (i < n && ok[i + 1][j]);
      } else if (i < n) {
        ok[i][j] = lower(s[i]) == lower(p[j]) && ok[i + 1][j + 1];
      }
    }
  }
  return ok[0][0] != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 512) return 0;
  // Pattern, a zero byte, then the name (zero bytes end C texts anyway).
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t cut = input.find('\0');
  if (cut == std::string::npos) return 0;
  const std::string pattern = input.substr(0, cut);
  std::string name = input.substr(cut + 1);
  name = name.substr(0, std::strlen(name.c_str()));
  // A "*" in a name is an ordinary character to both matchers.
  const bool got = zrv::wildcard_match(name.c_str(), pattern.c_str());
  if (got != reference_match(name, pattern)) __builtin_trap();
  return 0;
}

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessera {

// How the stores that stand in for the Windows registry (the Linux store,
// the fake) read key paths and value names, so that they name the same keys
// the Windows registry would. Windows ends a name at its first NUL and
// compares names without regard to letter case; here only the ASCII letters
// are folded, which covers the names programs use.

// Value types, with the numbers the Windows registry gives them.
constexpr int kRegistryString = 1;       // REG_SZ
constexpr int kRegistryExpandString = 2; // REG_EXPAND_SZ
constexpr int kRegistryDword = 4;        // REG_DWORD

// The key's canonical path below the user's root: its parts, folded,
// joined by single backslashes; "" is the root itself. One leading
// backslash is dropped (it means the same); a path that still begins with a
// backslash after that names nothing, as the registry refuses it. Empty
// parts (doubled or trailing backslashes) are skipped, as the registry does.
std::optional<std::string> CanonicalRegistryKey(std::string_view key);

// A value name as stores compare it: up to its first NUL, folded.
std::string CanonicalRegistryValueName(std::string_view name);

// The keys above a canonical key, the root's child first and the key
// itself last; empty for the root.
std::vector<std::string> RegistryKeyLineage(std::string_view canonicalKey);

} // namespace tessera

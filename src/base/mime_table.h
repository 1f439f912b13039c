#pragma once

#include "base/system_mime_types.h"

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tessera {

// Maps file extensions to content types. Built from an ordered list of
// "extension=type" lines: the built-in lines first, then what the system's
// MIME database says (which replaces a built-in line for the same extension
// or adds one). The first line for an extension wins when the table is
// loaded. Case handling is ASCII only: extensions and types are lower-cased
// byte by byte, so a non-ASCII extension matches only its exact spelling.
//
// Building reads nothing itself; the caller hands in the system database as
// data. A table never changes after construction, so one instance may be
// shared by any number of threads.
class TMimeTable {
public:
  // What a file gets when its extension is unknown or missing.
  static constexpr std::string_view kDefaultType = "application/octet-stream";

  // The built-in "extension=type" lines in their fixed order (384 lines, 372
  // distinct extensions; a repeated extension's later line never counts).
  static std::span<const std::string_view> BuiltinLines();

  // The built-in lines merged with the system database:
  // - ContentTypes: each ".ext" key with a non-empty type sets the line of
  //   the lower-cased key to the lower-cased type; keys that do not start
  //   with "." are not file-extension keys and are passed over.
  // - Extensions: each type key with a non-empty "Extension" sets the line of
  //   that extension (lower-cased, "." prefixed when missing) to the
  //   lower-cased key name.
  // Setting a line replaces the first line with that extension in place, or
  // appends one, so later settings beat earlier ones and the built-in list.
  explicit TMimeTable(const TSystemMimeTypes& system = {});

  // The merged line list before it is loaded into the table; exposed for
  // tests and diagnostics.
  static std::vector<std::string> MergeLines(const TSystemMimeTypes& system);

  // Type for a file name (or path); never empty.
  std::string_view TypeOfFile(std::string_view fileName) const;

  // Type for an extension such as ".png" (any case); kDefaultType when the
  // table has none.
  std::string_view TypeOfExtension(std::string_view extension) const;

  // The extension of a file name: the text from its last "." on, unless a
  // "\\" or ":" follows that "." (then the "." belongs to a folder or drive
  // part and the name has no extension). Case is kept.
  static std::string_view ExtractExtension(std::string_view fileName);

  // Number of distinct extensions in the table.
  size_t Count() const { return FExtensions.size(); }
  // The table as two parallel lists, in load order.
  const std::vector<std::string>& Extensions() const { return FExtensions; }
  const std::vector<std::string>& Types() const { return FTypes; }

private:
  void Load(const std::vector<std::string>& lines);

  std::vector<std::string> FExtensions;
  std::vector<std::string> FTypes;
  std::unordered_map<std::string, size_t> FIndex; // extension -> position
};

} // namespace tessera

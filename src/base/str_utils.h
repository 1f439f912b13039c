#pragma once

#include "base/system_mime_types.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tessera {

// How SubStringExists searches.
struct TSearchOptions {
  // Search from the start towards the end (true) or from the end back.
  // Whether a part occurs does not depend on the direction; it only decides
  // which occurrence is met first.
  bool Down = true;
  // Compare letters exactly; otherwise ASCII letters match either case.
  bool MatchCase = false;
  // Count only occurrences not touching a word character on either side
  // (ASCII letters, digits, "_" and every non-ASCII character).
  bool WholeWord = false;
};

// A calendar date and time without a time zone, as a variant carries it.
struct TOleDate {
  std::chrono::sys_seconds Value;
};

// The few kinds of value OleVarToStr turns into text; std::monostate stands
// for empty, null and every other kind of content.
using TOleVariant = std::variant<std::monostate, std::string, int64_t, double, TOleDate>;

// String helpers shared by the whole system; static functions only. Text is
// UTF-8; where a rule counts UTF-16 code units (StringToJsonString) the text
// is converted for that rule. Malformed UTF-8 is read as U+FFFD, except by
// StringToJsonString, which keeps its bytes (below). Case-blind
// comparisons and case changes touch ASCII letters only.
class TStrUtils {
public:
  TStrUtils() = delete;

  // The JSON string literal for text, enclosing double quotes included.
  // Escapes ", \ and /, control characters (\b \t \n \f \r, others as
  // \u00XX) and every UTF-16 code unit from U+20AC up (astral characters
  // become two escaped surrogates); U+0020..U+20AB is copied as it is.
  // A byte that is not part of well-formed UTF-8 (a Linux file name may
  // hold any) is written as the escaped lone surrogate U+DC00 + byte
  // ("\uDC80".."\uDCFF"), which the bridge's JSON reader turns back into
  // that byte, so a page can hand back any name it was given.
  static std::string StringToJsonString(std::string_view text);

  // The content type for a file name's extension from the process-wide MIME
  // table; "application/octet-stream" when the extension is unknown or
  // missing. The table is built on the first call, from the built-in list
  // and the MIME database source, and then kept for the life of the process.
  // Safe to call from any thread.
  static std::string GetFileMIMEType(std::string_view fileName);

  // The Content-Type value a served file of that MIME type is answered
  // with: the type and "; charset=utf-8", except for types whose readers
  // take the bare type only (WebAssembly's streaming compile refuses
  // "application/wasm" with any parameter), which go without one.
  static std::string ContentTypeWithCharset(std::string_view mimeType);

  // Where the MIME table gets the system's database from; the composition
  // root passes the OS seam here before the first page loads. The source is
  // called once, when the table is built; a source that throws contributes
  // nothing. Setting a source drops a table already built, so the next
  // GetFileMIMEType builds it again. Without a source the table holds the
  // built-in list only.
  static void SetMimeDatabaseSource(std::function<TSystemMimeTypes()> source);

  // The pieces of text between exact occurrences of separator, left to
  // right; always one piece more than there are occurrences. An empty
  // separator occurs nowhere, so the result is the whole text as one piece.
  static std::vector<std::string> ExplodeStrings(std::string_view separator, std::string_view text);

  // The texts joined with separator between them.
  static std::string ImplodeStrings(std::string_view separator,
                                    const std::vector<std::string>& strings);

  // The URL with "/" appended unless it already ends with one.
  static std::string AddTrailingUrlSlash(std::string_view url);

  // The non-empty lines of text (split at "\n"), each trimmed of leading and
  // trailing characters up to U+0020 and passed through QuoteJavascript, as
  // the items of a JavaScript array literal without brackets:
  // "a", "b", "c".
  static std::string GetJavascriptArrayFromMultilineString(std::string_view text);

  // name, "-" and ten random characters of [a-z0-9].
  static std::string GetControlRandomSuffix(std::string_view name);

  // length characters, each drawn uniformly from the characters (code
  // points) of characters. Empty when length <= 0 or the set is empty.
  static std::string GetRandomString(int length, std::string_view characters);

  // Replaces arguments with the name=value items of the URL's query (after
  // the first "?", up to a "#"), split at "&"; in each item "+" becomes a
  // space and %XX sequences are decoded as UTF-8 (a malformed sequence stays
  // as written). Empty items are left out.
  static void GetUrlArguments(std::string_view url, std::vector<std::string>& arguments);

  // text with every %XX (two hexadecimal digits) turned into its byte, as
  // the path of a URL is decoded; a "%" without two hexadecimal digits after
  // it stays as written, and "+" is no blank here. Nothing when the bytes so
  // made are not well-formed UTF-8.
  static std::optional<std::string> PercentDecodeUtf8(std::string_view text);

  // Whether part occurs in text under the options. An empty part never does.
  static bool SubStringExists(std::string_view text, std::string_view part,
                              const TSearchOptions& options = {});

  // The text of a variant: a string as it is, an integer in decimal, a
  // floating-point number in its shortest round-trip form ("0.1", "1e+300",
  // "nan", "inf"), a date as "YYYY-MM-DD hh:mm:ss" (proleptic Gregorian
  // calendar, 24-hour clock); empty text for anything else.
  static std::string OleVarToStr(const TOleVariant& value);

  // number in decimal with at least length digits, zero-padded after the
  // sign ("-007").
  static std::string AddLeadingZeroes(int64_t number, int length);

  // Finds the first "<digits>x<digits>" in text and returns true with the
  // two numbers; width and height are -1 (and the result false) when there
  // is none or a number does not fit an int.
  static bool StrToResolution(std::string_view text, int& width, int& height);

  // Every "'" written as \x27 and every '"' as \x22, so the text can sit in
  // either kind of JavaScript string literal.
  static std::string QuoteJavascript(std::string_view text);
  // \x27 and \x22 back to the quotes.
  static std::string UnquoteJavascript(std::string_view text);

  // QuoteJavascript, then ":" as \x3a and "|" as \x7c (the characters that
  // separate arguments).
  static std::string QuoteArguments(std::string_view text);
  // UnquoteJavascript, then \x3a and \x7c back.
  static std::string UnquoteArguments(std::string_view text);

  // text repeated count times; empty when count <= 0.
  static std::string RepeatString(std::string_view text, int count);

  // text with its first character upper-cased (ASCII letters only).
  static std::string Capitalize(std::string_view text);

  // Whether path starts with "http://" or "https://", ignoring case.
  static bool FilePathIsHttpUrl(std::string_view path);
  // Whether path starts with "app/files/", ignoring case.
  static bool FilePathIsAppRelative(std::string_view path);
  // Whether path starts with "app/plugins/", ignoring case.
  static bool FilePathIsPluginRelative(std::string_view path);
};

} // namespace tessera

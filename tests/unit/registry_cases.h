#pragma once

// One table of registry behaviour, run in order against each store: the
// fake, the Linux store and, under Wine, the real registry. Every store
// must answer every step the same way.
#include "base/exceptions.h"
#include "platform/api/os_services.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tessera::testing {

enum class TRegistryOp { Write, Read, ValueExists, DeleteValue, KeyExists, DeleteKey, PlantDword };

struct TRegistryStep {
  TRegistryOp Op;
  std::string Key;
  std::string Name;
  std::string Value; // what Write stores
  // "true" or "false"; for Read the text, "<none>" when the key cannot be
  // opened; "<error>" when ERegistryError is raised.
  std::string Expected;
};

// Everything is written below kRegistryTestKey, and one value straight
// under the root; the steps remove both again.
inline const std::string kRegistryTestKey = "TesseraRegistryTest";

inline std::vector<TRegistryStep> RegistryCases() {
  using enum TRegistryOp;
  const std::string k = kRegistryTestKey;
  const std::string sub = k + "\\Example\\Sub";
  const std::string text = "h\xC3\xA9llo w\xC3\xB6rld \xE4\xB8\xAD\xE6\x96\x87";
  return {
      {KeyExists, k, "", "", "false"},
      {Read, sub, "Greeting", "", "<none>"},
      {ValueExists, sub, "Greeting", "", "false"},
      {DeleteValue, sub, "Greeting", "", "false"},
      // Writing creates the key with its missing parents.
      {Write, sub, "Greeting", text, "true"},
      {KeyExists, k, "", "", "true"},
      {KeyExists, k + "\\Example", "", "", "true"},
      {Read, sub, "Greeting", "", text},
      // Names in any letter case, one leading backslash, doubled and
      // trailing backslashes all name the same key and value.
      {Read, "tesseraregistrytest\\EXAMPLE\\sub", "GREETING", "", text},
      {Read, "\\" + sub, "Greeting", "", text},
      {Read, k + "\\\\Example\\Sub\\", "Greeting", "", text},
      // Two leading backslashes name nothing.
      {KeyExists, "\\\\" + k, "", "", "false"},
      {Write, "\\\\" + k, "Greeting", "x", "false"},
      // A missing value reads as empty; an empty value exists.
      {Read, sub, "Missing", "", ""},
      {ValueExists, sub, "Missing", "", "false"},
      {Write, sub, "Empty", "", "true"},
      {ValueExists, sub, "empty", "", "true"},
      {Read, sub, "Empty", "", ""},
      // A text is read up to its first NUL.
      {Write, sub, "Nul", std::string("ab\0cd", 5), "true"},
      {Read, sub, "Nul", "", "ab"},
      {DeleteValue, sub, "GREETING", "", "true"},
      {DeleteValue, sub, "Greeting", "", "false"},
      {ValueExists, sub, "Greeting", "", "false"},
      {Read, sub, "Greeting", "", ""},
      // A value that is not text raises on reading; writing replaces it
      // whatever its type.
      {PlantDword, k + "\\Typed", "Number", "", "true"},
      {ValueExists, k + "\\Typed", "number", "", "true"},
      {Read, k + "\\Typed", "Number", "", "<error>"},
      {Write, k + "\\Typed", "Number", "now text", "true"},
      {Read, k + "\\Typed", "Number", "", "now text"},
      // A root's name is just a subkey's name.
      {KeyExists, "HKEY_LOCAL_MACHINE\\Software", "", "", "false"},
      {Write, "HKEY_LOCAL_MACHINE\\" + k, "Where", "below the user's root", "true"},
      {KeyExists, "HKEY_LOCAL_MACHINE", "", "", "true"},
      {Read, "\\HKEY_LOCAL_MACHINE\\" + k, "Where", "", "below the user's root"},
      {DeleteKey, "HKEY_LOCAL_MACHINE", "", "", "true"},
      {KeyExists, "HKEY_LOCAL_MACHINE", "", "", "false"},
      // "\" alone is the root: it exists, takes values, and is never
      // deleted (nor emptied by an attempt).
      {KeyExists, "\\", "", "", "true"},
      {Write, "\\", "TesseraRootValue", "at the root", "true"},
      {Read, "\\", "tesseraROOTvalue", "", "at the root"},
      {DeleteKey, "\\", "", "", "false"},
      {KeyExists, sub, "", "", "true"},
      {Read, "\\", "TesseraRootValue", "", "at the root"},
      {DeleteValue, "\\", "TesseraRootValue", "", "true"},
      // Deleting a key takes its whole subtree, and nothing beside it.
      {Write, k + "\\Tree\\A\\Deep", "v", "1", "true"},
      {Write, k + "\\Tree\\B", "v", "2", "true"},
      {Write, k + "\\Tree\\A\\Deep\\Deeper", "v", "3", "true"},
      {Write, k + "\\Tree.Sibling", "v", "4", "true"},
      {Write, k + "\\Tree0", "v", "5", "true"},
      {DeleteKey, k + "\\TREE", "", "", "true"},
      {KeyExists, k + "\\Tree", "", "", "false"},
      {KeyExists, k + "\\Tree\\A\\Deep", "", "", "false"},
      {Read, k + "\\Tree\\B", "v", "", "<none>"},
      {Read, k + "\\Tree.Sibling", "v", "", "4"},
      {Read, k + "\\Tree0", "v", "", "5"},
      {DeleteKey, k + "\\Tree", "", "", "false"},
      {DeleteKey, k, "", "", "true"},
      {KeyExists, k + "\\Example", "", "", "false"},
  };
}

// Runs the table. `plantDword` stores a REG_DWORD value as another program
// would.
inline void RunRegistryCases(
    OsServices& os,
    const std::function<void(const std::string& key, const std::string& name)>& plantDword) {
  const auto text = [](bool value) { return std::string(value ? "true" : "false"); };
  const std::vector<TRegistryStep> steps = RegistryCases();
  for (size_t index = 0; index < steps.size(); ++index) {
    const TRegistryStep& step = steps[index];
    SCOPED_TRACE("step " + std::to_string(index) + ": key \"" + step.Key + "\", name \"" +
                 step.Name + "\"");
    std::string got;
    try {
      switch (step.Op) {
      case TRegistryOp::Write:
        got = text(os.RegistryWriteString(step.Key, step.Name, step.Value));
        break;
      case TRegistryOp::Read:
        got = os.RegistryReadString(step.Key, step.Name).value_or("<none>");
        break;
      case TRegistryOp::ValueExists:
        got = text(os.RegistryValueExists(step.Key, step.Name));
        break;
      case TRegistryOp::DeleteValue:
        got = text(os.RegistryDeleteValue(step.Key, step.Name));
        break;
      case TRegistryOp::KeyExists:
        got = text(os.RegistryKeyExists(step.Key));
        break;
      case TRegistryOp::DeleteKey:
        got = text(os.RegistryDeleteKey(step.Key));
        break;
      case TRegistryOp::PlantDword:
        plantDword(step.Key, step.Name);
        got = "true";
        break;
      }
    } catch (const ERegistryError&) {
      got = "<error>";
    }
    EXPECT_EQ(got, step.Expected);
  }
}

} // namespace tessera::testing

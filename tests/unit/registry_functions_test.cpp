// qel.registry.* through the bridge, on the fake registry.
#include "bridge_fixture.h"

#include "platform/api/registry_key_path.h"

#include <gtest/gtest.h>

#include <string>

namespace tessera {
namespace {

constexpr int kWrite = 13001;
constexpr int kRead = 13002;
constexpr int kValueExist = 13003;
constexpr int kDeleteValue = 13004;
constexpr int kKeyExist = 13005;
constexpr int kDeleteKey = 13006;

class RegistryFunctions : public BridgeFixture {};

TEST_F(RegistryFunctions, MissingKeyIsReportedBeforeMissingNameAndNothingIsTouched) {
  const std::string missingKey = Failure(R"("Missing registry key.")");
  const std::string missingName = Failure(R"("Missing value name.")");
  struct TCase {
    int Id;
    std::string Data;
    std::string Expected;
  };
  const TCase cases[] = {
      {kWrite, R"({"value":"v"})", missingKey},
      {kWrite, R"({"key":"","name":"n","value":"v"})", missingKey},
      {kWrite, R"({"key":"Software\\T","value":"v"})", missingName},
      {kWrite, R"({"key":"Software\\T","name":null,"value":"v"})", missingName},
      {kRead, R"({})", missingKey},
      {kRead, R"({"key":"Software\\T","name":""})", missingName},
      {kValueExist, R"({"name":"n"})", missingKey},
      {kValueExist, R"({"key":"Software\\T"})", missingName},
      {kDeleteValue, R"({"name":""})", missingKey},
      {kDeleteValue, R"({"key":"Software\\T"})", missingName},
      {kKeyExist, R"({"name":"n"})", missingKey},
      {kDeleteKey, R"({"key":""})", missingKey},
      // keyExist and deleteKey take no name.
      {kKeyExist, R"({"key":"Software\\T"})", Success("false")},
      {kDeleteKey, R"({"key":"Software\\T"})", Success("false")},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Call(c.Id, c.Data), c.Expected) << c.Id << " " << c.Data;
  }
  EXPECT_FALSE(Os.Registry.KeyExists("Software"));
  EXPECT_TRUE(Boxes.empty()); // none of them is runtime-only
}

TEST_F(RegistryFunctions, WritesReadsTestsAndDeletesValues) {
  // Writing creates the key with its parents; the text comes back as a
  // JSON string.
  EXPECT_EQ(
      Call(kWrite, R"({"key":"Software\\Example\\Sub","name":"Greeting","value":"say \"hi\"\n"})"),
      Success("true"));
  EXPECT_TRUE(Os.Registry.KeyExists("Software\\Example"));
  EXPECT_EQ(Call(kRead, R"({"key":"software\\example\\sub","name":"GREETING"})"),
            Success(R"("say \"hi\"\n")"));
  // A key that does not exist and a value that does not exist both read as
  // the empty string.
  EXPECT_EQ(Call(kRead, R"({"key":"Software\\Nothing","name":"Greeting"})"), Success(R"("")"));
  EXPECT_EQ(Call(kRead, R"({"key":"Software\\Example\\Sub","name":"Other"})"), Success(R"("")"));
  // An empty text is a value; a number or true is written as its text.
  EXPECT_EQ(Call(kWrite, R"({"key":"Software\\Example","name":"Empty","value":""})"),
            Success("true"));
  EXPECT_EQ(Call(kValueExist, R"({"key":"Software\\Example","name":"Empty"})"), Success("true"));
  EXPECT_EQ(Call(kWrite, R"({"key":"Software\\Example","name":"Count","value":12.50})"),
            Success("true"));
  EXPECT_EQ(Call(kRead, R"({"key":"Software\\Example","name":"Count"})"), Success(R"("12.50")"));

  EXPECT_EQ(Call(kDeleteValue, R"({"key":"Software\\Example","name":"Empty"})"), Success("true"));
  EXPECT_EQ(Call(kDeleteValue, R"({"key":"Software\\Example","name":"Empty"})"), Success("false"));
  EXPECT_EQ(Call(kValueExist, R"({"key":"Software\\Example","name":"Empty"})"), Success("false"));
  EXPECT_EQ(Call(kValueExist, R"({"key":"Software\\Nothing","name":"Empty"})"), Success("false"));
  EXPECT_EQ(Call(kDeleteValue, R"({"key":"Software\\Nothing","name":"Empty"})"), Success("false"));
}

TEST_F(RegistryFunctions, KeysBelowTheRootTheRootItselfAndWholeTrees) {
  // A root's name is a subkey's name below the user's root.
  EXPECT_EQ(Call(kKeyExist, R"({"key":"HKEY_LOCAL_MACHINE\\Software"})"), Success("false"));
  EXPECT_EQ(Call(kWrite, R"({"key":"HKEY_LOCAL_MACHINE\\Software","name":"n","value":"v"})"),
            Success("true"));
  EXPECT_EQ(Call(kKeyExist, R"({"key":"\\HKEY_LOCAL_MACHINE"})"), Success("true"));

  // "\" alone is the root: values go straight under it, and it is never
  // deleted, nor emptied by the attempt.
  EXPECT_EQ(Call(kWrite, R"({"key":"\\","name":"AtRoot","value":"r"})"), Success("true"));
  EXPECT_EQ(Os.Registry.ReadString("", "atroot"), "r");
  EXPECT_EQ(Call(kDeleteKey, R"({"key":"\\"})"), Success("false"));
  EXPECT_EQ(Call(kRead, R"({"key":"\\","name":"AtRoot"})"), Success(R"("r")"));
  EXPECT_TRUE(Os.Registry.KeyExists("HKEY_LOCAL_MACHINE\\Software"));

  // deleteKey takes every subkey with it.
  for (const char* key : {"App\\Tree\\A\\Deep", "App\\Tree\\B", "App\\Kept"}) {
    ASSERT_TRUE(Os.Registry.WriteString(key, "v", "x"));
  }
  EXPECT_EQ(Call(kDeleteKey, R"({"key":"App\\Tree"})"), Success("true"));
  EXPECT_FALSE(Os.Registry.KeyExists("App\\Tree\\A\\Deep"));
  EXPECT_FALSE(Os.Registry.KeyExists("App\\Tree"));
  EXPECT_TRUE(Os.Registry.KeyExists("App\\Kept"));
  EXPECT_EQ(Call(kDeleteKey, R"({"key":"App\\Tree"})"), Success("false"));
}

TEST_F(RegistryFunctions, AValueThatIsNotTextOrAValueThatIsNotAScalarGetsNoReply) {
  Os.Registry.PlantValue("Software\\Example", "Number", kRegistryDword,
                         std::string("\x2A\0\0\0", 4));
  EXPECT_EQ(Call(kRead, R"({"key":"Software\\Example","name":"Number"})"), "");
  ASSERT_EQ(Reports.size(), 1u);
  EXPECT_NE(Reports[0].find("Number"), std::string::npos) << Reports[0];
  // The value is still there, and writing text replaces it.
  EXPECT_EQ(Call(kValueExist, R"({"key":"Software\\Example","name":"Number"})"), Success("true"));
  EXPECT_EQ(Call(kWrite, R"({"key":"Software\\Example","name":"Number","value":"7"})"),
            Success("true"));
  EXPECT_EQ(Call(kRead, R"({"key":"Software\\Example","name":"Number"})"), Success(R"("7")"));

  // A "value" that cannot be read as text ends the call before the key is
  // made.
  EXPECT_EQ(Call(kWrite, R"({"key":"Software\\New","name":"n","value":{"a":1}})"), "");
  EXPECT_EQ(Reports.size(), 2u);
  EXPECT_FALSE(Os.Registry.KeyExists("Software\\New"));
}

} // namespace
} // namespace tessera

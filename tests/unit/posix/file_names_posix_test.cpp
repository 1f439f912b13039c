// File names that are not UTF-8, from a real folder through the bridge and
// back: the listing gives the page each stray byte as an escaped lone
// surrogate, and the very same string, sent back the way JSON.stringify
// writes it, reaches the very file.
#include "base/str_utils.h"
#include "bridge_fixture.h"
#include "non_utf8_names.h"
#include "platform/api/os_services.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace tessera {
namespace {

using testing::ReadText;
using testing::TTempDir;

// The bridge module on the system's own file services.
class FileNamesPosix : public ::testing::Test {
protected:
  FileNamesPosix() {
    Module.SetWebView(&WebView);
    Module.SetErrorReporter([](const std::string& report) { ADD_FAILURE() << report; });
  }

  // The one reply to {"id":<id>,"uuid":"u","data":<data>}.
  std::string Call(int id, const std::string& data) {
    const size_t before = WebView.Replies.size();
    Module.EdgeBrowserWebMessageReceived(
        TBridgeMessage("{\"id\":" + std::to_string(id) + ",\"uuid\":\"u\",\"data\":" + data + "}"));
    EXPECT_EQ(WebView.Replies.size(), before + 1);
    return WebView.Replies.size() > before ? WebView.Replies.back() : std::string();
  }

  static std::string Success(const std::string& result) {
    return "{\"uuid\": \"u\", \"success\": true, \"result\": " + result + "}";
  }

  FakeToolkit Widgets;
  std::unique_ptr<OsServices> Os = CreateOsServices();
  TRecordingWebView WebView;
  TBrowserExternalModule Module{Widgets, *Os};
};

// A JSON string literal as a page's JSON.stringify writes it: the same
// escapes, with lower-case hexadecimal digits.
std::string AsPageWritesIt(std::string literal) {
  for (size_t at = literal.find("\\u"); at != std::string::npos; at = literal.find("\\u", at + 6)) {
    for (size_t k = at + 2; k < at + 6 && k < literal.size(); ++k)
      literal[k] = static_cast<char>(std::tolower(static_cast<unsigned char>(literal[k])));
  }
  return literal;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

TEST_F(FileNamesPosix, AListedNameReachesTheVeryFile) {
  for (const TByteName& name : kByteNames) {
    SCOPED_TRACE(name.What);
    TTempDir dir;
    const std::string folder = dir.Path().string() + "/";
    const std::string file = folder + name.Bytes;
    testing::WriteBytes(file, {'o', 'l', 'd'});
    ASSERT_TRUE(Exists(file));

    // The listing: the folder's literal, then the name's escapes.
    const std::string folderLiteral = TStrUtils::StringToJsonString(folder);
    const std::string listed =
        folderLiteral.substr(0, folderLiteral.size() - 1) + name.Json.substr(1);
    EXPECT_EQ(
        Call(40004, R"({"dirPath":)" + folderLiteral + R"(,"fileMask":"*.*","allDirs":"false"})"),
        Success("[" + listed + "]"));

    const std::string path = AsPageWritesIt(listed);
    EXPECT_EQ(Call(30001, R"({"filePath":)" + path + "}"), Success("true"));
    EXPECT_EQ(Call(30003, R"({"filePath":)" + path + R"(,"contents":"new"})"), Success("true"));
    EXPECT_EQ(ReadText(file), "\xEF\xBB\xBFnew\r\n");
    EXPECT_EQ(Call(30002, R"({"filePath":)" + path + "}"), Success("true"));
    EXPECT_FALSE(Exists(file));
    // Nothing else was made on the way: no file under a replaced name.
    EXPECT_TRUE(dir.Names().empty());
  }
}

TEST_F(FileNamesPosix, AFolderNameFromThePageIsMadeListedAndRemovedByItsBytes) {
  for (const TByteName& name : kByteNames) {
    SCOPED_TRACE(name.What);
    TTempDir dir;
    const std::string folderLiteral = TStrUtils::StringToJsonString(dir.Path().string() + "/");
    const std::string sub =
        AsPageWritesIt(folderLiteral.substr(0, folderLiteral.size() - 1) + name.Json.substr(1));
    const std::string subBytes = dir.Path().string() + "/" + name.Bytes;

    EXPECT_EQ(Call(40002, R"({"dirPath":)" + sub + "}"), Success("true"));
    EXPECT_TRUE(Exists(subBytes));
    EXPECT_EQ(Call(40001, R"({"dirPath":)" + sub + "}"), Success("true"));
    // Base64 "aGk=" is "hi": written into the new folder by way of its name.
    const std::string inner = sub.substr(0, sub.size() - 1) + R"(\/hi.txt")";
    EXPECT_EQ(Call(90001, R"({"filePath":)" + inner + R"(,"contents":"aGk="})"), Success("true"));
    EXPECT_EQ(ReadText(subBytes + "/hi.txt"), "hi");
    EXPECT_EQ(Call(40004, R"({"dirPath":)" + sub + R"(,"fileMask":"*.txt","allDirs":"true"})"),
              Success("[" + TStrUtils::StringToJsonString(subBytes + "/hi.txt") + "]"));
    EXPECT_EQ(Call(40003, R"({"dirPath":)" + sub + "}"), Success("true"));
    EXPECT_FALSE(Exists(subBytes));
  }
}

} // namespace
} // namespace tessera

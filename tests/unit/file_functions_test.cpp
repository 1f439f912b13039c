#include "bridge_fixture.h"

#include "base/str_utils.h"
#include "package/project_ini.h"
#include "package/zip_archive.h"
#include "package/zip_writer.h"

#include <gtest/gtest.h>

#include <map>
#include <span>
#include <string>
#include <vector>

namespace tessera {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

class FileFunctions : public BridgeFixture {
protected:
  // A package with one entry under the folder "app", opened with the
  // password it was written with (or another one, which cannot decrypt it).
  void AttachPackageWithEntry(const std::string& password = "pw") {
    TZipWriter writer(PackageBytes, "pw");
    const std::string text = "entry bytes";
    writer.AddEntry("app/data/a.txt",
                    std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    writer.Finish();
    Archive.SetPassword(password);
    Archive.Open(PackageBytes);
    Settings.LoadFromText("[App]\nDirName=app\n");
    Module.SetProjectINI(&Settings);
    AttachPackage();
  }

  TMemoryStream PackageBytes;
  TProjectINI Settings;
};

TEST_F(FileFunctions, MissingArgumentsFailInOrderAndTouchNothing) {
  AttachPackage();
  const struct {
    int Id;
    std::string Data;
    std::string Failure;
  } cases[] = {
      {30001, "{}", "\"Missing filePath\""},
      {30002, R"({"filePath":""})", "\"Missing filePath\""},
      {30003, R"({"contents":"x"})", "\"Missing filePath\""},
      {30004, R"({"targetFile":"t"})", "\"Missing sourceFile\""},
      {30004, R"({"sourceFile":"s"})", "\"Missing targetFile\""},
      {40001, R"({"dirPath":null})", "\"Missing dirPath\""},
      {40002, "{}", "\"Missing dirPath\""},
      {40003, "{}", "\"Missing dirPath\""},
      {40004, R"({"fileMask":"*","allDirs":true})", "\"Missing dirPath\""},
      {40004, R"({"dirPath":"d","allDirs":true})", "\"Missing fileMask\""},
      {40004, R"({"dirPath":"d","fileMask":"*"})", "\"Missing allDirs\""},
      {90001, R"({"contents":"QUJD"})", "\"Missing filePath\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Call(c.Id, c.Data), Failure(c.Failure)) << c.Id << " " << c.Data;
  }
  EXPECT_TRUE(Os.Files.empty());
  EXPECT_TRUE(Os.Folders.empty());
  EXPECT_TRUE(Reports.empty());
}

TEST_F(FileFunctions, RelativePathsAreResolvedAgainstTheExecutableFolder) {
  const struct {
    char Delimiter;
    std::string AppDir;
    std::string Argument;
    std::string Resolved;
  } cases[] = {
      {'\\', "C:\\App\\", "data/a.txt", "C:\\App\\data\\a.txt"},
      {'\\', "C:\\App\\", "D:/x/a.txt", "D:/x/a.txt"},
      {'\\', "C:\\App\\", "\\\\srv\\share\\a.txt", "\\\\srv\\share\\a.txt"},
      // Only these two forms are absolute; ".." is passed on as it is.
      {'\\', "C:\\App\\", "/a.txt", "C:\\App\\\\a.txt"},
      {'\\', "C:\\App\\", "../a.txt", "C:\\App\\..\\a.txt"},
      {'/', "/opt/app/", "data/a.txt", "/opt/app/data/a.txt"},
      {'/', "/opt/app/", "/srv/a.txt", "/srv/a.txt"},
      {'/', "/opt/app/", "C:a.txt", "/opt/app/C:a.txt"},
      {'/', "/opt/app/", "dir\\a.txt", "/opt/app/dir/a.txt"},
      {'/', "/opt/app/", "/srv/b\\a.txt", "/srv/b\\a.txt"},
  };
  for (const auto& c : cases) {
    Os.Delimiter = c.Delimiter;
    WebView.AppDir = c.AppDir;
    Os.Files = {{c.Resolved, "x"}};
    const std::string data = "{\"filePath\":" + TStrUtils::StringToJsonString(c.Argument) + "}";
    EXPECT_EQ(Call(30001, data), Success("true")) << c.Argument;
    EXPECT_EQ(Call(30002, data), Success("true")) << c.Argument;
    EXPECT_TRUE(Os.Files.empty()) << c.Argument;
  }
}

TEST_F(FileFunctions, FilesAndFoldersAreToldApart) {
  Os.Files["C:\\App\\d\\f.txt"] = "x";
  EXPECT_EQ(Call(30001, R"({"filePath":"d"})"), Success("false"));
  EXPECT_EQ(Call(30002, R"({"filePath":"d"})"), Success("false"));
  EXPECT_EQ(Call(30001, R"({"filePath":"d/missing.txt"})"), Success("false"));
  EXPECT_EQ(Call(40001, R"({"dirPath":"d"})"), Success("true"));
  EXPECT_EQ(Call(40001, R"({"dirPath":"d/f.txt"})"), Success("false"));
  EXPECT_EQ(Call(30001, R"({"filePath":"d/f.txt"})"), Success("true"));
}

TEST_F(FileFunctions, CreateDirMakesOneFolderAndDeleteDirRemovesATree) {
  Os.Folders = {"C:\\App\\data"};
  EXPECT_EQ(Call(40002, R"({"dirPath":"data"})"), Success("true")); // already there
  EXPECT_EQ(Call(40002, R"({"dirPath":"data/new"})"), Success("true"));
  EXPECT_TRUE(Os.Folders.count("C:\\App\\data\\new"));
  // Missing folders on the way are not made.
  EXPECT_EQ(Call(40002, R"({"dirPath":"a/b"})"), Success("false"));
  EXPECT_FALSE(Os.Folders.count("C:\\App\\a"));

  Os.Files["C:\\App\\data\\new\\f.txt"] = "x";
  EXPECT_EQ(Call(40003, R"({"dirPath":"data"})"), Success("true"));
  EXPECT_TRUE(Os.Files.empty());
  EXPECT_EQ(Call(40003, R"({"dirPath":"data"})"), Success("false"));
}

TEST_F(FileFunctions, WriteTextFileWritesUtf8LinesEndedByCrLfAfterTheByteOrderMark) {
  const struct {
    std::string ContentsJson;
    std::string Lines;
  } cases[] = {
      {R"("a\nb")", "a\r\nb\r\n"},
      {R"("")", ""},
      {R"("a\r\nb\r\n")", "a\r\nb\r\n"},
      {R"("a\r\rb")", "a\r\n\r\nb\r\n"},
      {R"("\n")", "\r\n"},
      {R"("x\u0000y\nz")", "x\r\n"},
      {R"("caf\u00e9 \u4e2d")", "caf\xC3\xA9 \xE4\xB8\xAD\r\n"},
      {"12", "12\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Call(30003, R"({"filePath":"out/deep/t.txt","contents":)" + c.ContentsJson + "}"),
              Success("true"));
    EXPECT_EQ(Os.Files["C:\\App\\out\\deep\\t.txt"], std::string(kBom) + c.Lines) << c.ContentsJson;
  }
  EXPECT_TRUE(Os.Folders.count("C:\\App\\out\\deep"));
}

TEST_F(FileFunctions, WriteErrorsAreAnsweredWithTheMessageAndTheSystemsReason) {
  Os.UnwritablePaths = {"C:\\App\\ro.txt"};
  Os.SystemErrorText = "Access is denied";
  const std::string failure =
      Failure(R"("Cannot create file \"C:\\App\\ro.txt\". Access is denied")");
  EXPECT_EQ(Call(30003, R"({"filePath":"ro.txt","contents":"a"})"), failure);
  EXPECT_EQ(Call(90001, R"({"filePath":"ro.txt","contents":"QUJD"})"), failure);
  EXPECT_TRUE(Os.Files.empty());
}

TEST_F(FileFunctions, AWriteThatFailsLeavesTheOldFileAndIsNoSuccess) {
  Os.Files["C:\\App\\ro.txt"] = "old";
  Os.UnwritablePaths = {"C:\\App\\ro.txt"};
  EXPECT_NE(Call(30003, R"({"filePath":"ro.txt","contents":"a"})"), Success("true"));
  EXPECT_NE(Call(90001, R"({"filePath":"ro.txt","contents":"QUJD"})"), Success("true"));
  AttachPackageWithEntry();
  EXPECT_EQ(Call(30004, R"({"sourceFile":"/data/a.txt","targetFile":"C:\\App\\ro.txt"})"), "");
  EXPECT_EQ(Os.Files["C:\\App\\ro.txt"], "old");
}

TEST_F(FileFunctions, DecodeToFileWritesTheDecodedBytes) {
  EXPECT_EQ(Call(90001, R"({"filePath":"b/x.bin","contents":"QUJD"})"), Success("true"));
  EXPECT_EQ(Os.Files["C:\\App\\b\\x.bin"], "ABC");
  EXPECT_TRUE(Os.Folders.count("C:\\App\\b"));
  EXPECT_EQ(Call(90001, R"({"filePath":"b/x.bin","contents":"QUJ"})"), Success("true"));
  EXPECT_EQ(Os.Files["C:\\App\\b\\x.bin"], "");
  EXPECT_EQ(Call(90001, R"({"filePath":"b/y.bin"})"), Success("true"));
  EXPECT_EQ(Os.Files["C:\\App\\b\\y.bin"], "");
}

TEST_F(FileFunctions, ExtractFileCopiesAPackageEntryToTheTargetAsGiven) {
  AttachPackageWithEntry();
  // The folder name and the page's path join with nothing between them;
  // the target is not resolved against the executable's folder.
  EXPECT_EQ(Call(30004, R"({"sourceFile":"/data/a.txt","targetFile":"out.txt"})"), Success("true"));
  EXPECT_EQ(Os.Files["out.txt"], "entry bytes");

  // A name the package lacks is found out before the target is touched:
  // the user's file stays as it was, and no new one is made.
  Os.Files["kept.txt"] = "old";
  EXPECT_EQ(Call(30004, R"({"sourceFile":"/data/none.txt","targetFile":"kept.txt"})"),
            Failure("\"File not found\""));
  EXPECT_EQ(Call(30004, R"({"sourceFile":"/data/none.txt","targetFile":"new.txt"})"),
            Failure("\"File not found\""));
  EXPECT_EQ(Os.Files,
            (std::map<std::string, std::string>{{"kept.txt", "old"}, {"out.txt", "entry bytes"}}));
}

TEST_F(FileFunctions, ExtractFileOfAnEntryThatCannotBeDecryptedFailsAndKeepsTheTarget) {
  AttachPackageWithEntry("another password");
  Os.Files["kept.txt"] = "old";
  const std::string failure = Failure(R"("Cannot extract \"app\/data\/a.txt\" from the package")");
  EXPECT_EQ(Call(30004, R"({"sourceFile":"/data/a.txt","targetFile":"kept.txt"})"), failure);
  EXPECT_EQ(Call(30004, R"({"sourceFile":"/data/a.txt","targetFile":"t.txt"})"), failure);
  EXPECT_EQ(Os.Files, (std::map<std::string, std::string>{{"kept.txt", "old"}}));
}

TEST_F(FileFunctions, ExtractFileWorksOnlyAtRuntime) {
  EXPECT_EQ(Call(30004, R"({"sourceFile":"/a","targetFile":"t"})"), "");
  EXPECT_EQ(Boxes,
            std::vector<std::string>{"Calls to qel.app.extractFile() works only at runtime."});
  EXPECT_TRUE(Os.Files.empty());

  // A target that cannot be created ends the call without a reply.
  AttachPackageWithEntry();
  Os.UnwritablePaths = {"t"};
  EXPECT_EQ(Call(30004, R"({"sourceFile":"/data/a.txt","targetFile":"t"})"), "");
  EXPECT_EQ(Reports.size(), 1u);
}

TEST_F(FileFunctions, ListFilesWalksSubfoldersWhereTheyAreMet) {
  for (const char* path : {"C:\\App\\d\\a.txt", "C:\\App\\d\\m\\b.txt", "C:\\App\\d\\m\\c.log",
                           "C:\\App\\d\\m\\n\\e.TXT", "C:\\App\\d\\z.txt", "C:\\App\\d\\y.log"})
    Os.Files[path] = "x";
  Os.Folders = {"C:\\App\\d\\empty"};
  const std::string top = Success(R"(["C:\\App\\d\\a.txt", "C:\\App\\d\\z.txt"])");
  const std::string all = Success(R"(["C:\\App\\d\\a.txt", "C:\\App\\d\\m\\b.txt", )"
                                  R"("C:\\App\\d\\m\\n\\e.TXT", "C:\\App\\d\\z.txt"])");
  const struct {
    std::string AllDirs;
    std::string Reply;
  } cases[] = {{"true", all}, {R"("TRUE")", all}, {"false", top}, {R"("yes")", top}, {"1", top}};
  for (const auto& c : cases) {
    EXPECT_EQ(Call(40004, R"({"dirPath":"d","fileMask":"*.txt","allDirs":)" + c.AllDirs + "}"),
              c.Reply)
        << c.AllDirs;
  }
  EXPECT_EQ(Call(40004, R"({"dirPath":"d/","fileMask":"*.*","allDirs":false})"),
            Success(R"(["C:\\App\\d\\a.txt", "C:\\App\\d\\y.log", "C:\\App\\d\\z.txt"])"));
  EXPECT_EQ(Call(40004, R"({"dirPath":"d/empty","fileMask":"*.*","allDirs":true})"), Success("[]"));
  EXPECT_EQ(Call(40004, R"({"dirPath":"nowhere","fileMask":"*.*","allDirs":true})"),
            Failure("\"The specified folder does not exist.\""));
}

TEST_F(FileFunctions, ListFilesOnLinuxWritesEachPathAsAJsonString) {
  Os.Delimiter = '/';
  WebView.AppDir = "/opt/app/";
  Os.Files["/opt/app/d/q\"x\n.txt"] = "x";
  Os.Files["/opt/app/d/sub/b.txt"] = "x";
  EXPECT_EQ(Call(40004, R"({"dirPath":"d","fileMask":"*","allDirs":true})"),
            Success(R"(["\/opt\/app\/d\/q\"x\n.txt", "\/opt\/app\/d\/sub\/b.txt"])"));
}

TEST_F(FileFunctions, ListFilesSkipsUnreadableSubfoldersButNotAnUnreadableTop) {
  Os.Files["C:\\App\\d\\a.txt"] = "x";
  Os.Files["C:\\App\\d\\locked\\b.txt"] = "x";
  Os.UnreadableFolders = {"C:\\App\\d\\locked"};
  EXPECT_EQ(Call(40004, R"({"dirPath":"d","fileMask":"*","allDirs":true})"),
            Success(R"(["C:\\App\\d\\a.txt"])"));
  EXPECT_EQ(Call(40004, R"({"dirPath":"d/locked","fileMask":"*","allDirs":true})"), "");
  EXPECT_EQ(Reports.size(), 1u);
}

TEST_F(FileFunctions, ListFilesWalksEachRealFolderOnceAndNoLink) {
  Os.Files["C:\\App\\d\\a.txt"] = "x";
  Os.Files["C:\\App\\d\\sub\\b.txt"] = "x";
  Os.Files["C:\\App\\elsewhere\\c.txt"] = "x";
  // Links back up the tree, and one out of it: none is walked into.
  Os.FolderLinks = {{"C:\\App\\d\\self", "C:\\App\\d"},
                    {"C:\\App\\d\\sub\\up", "C:\\App\\d"},
                    {"C:\\App\\d\\out", "C:\\App\\elsewhere"}};
  // The top folder again, not as a link (a bind mount): walked once only.
  Os.BoundFolders = {{"C:\\App\\d\\sub\\again", "C:\\App\\d"}};
  const std::string files = Success(R"(["C:\\App\\d\\a.txt", "C:\\App\\d\\sub\\b.txt"])");
  EXPECT_EQ(Call(40004, R"({"dirPath":"d","fileMask":"*","allDirs":true})"), files);
  EXPECT_EQ(Os.ListedFolders, (std::vector<std::string>{"C:\\App\\d", "C:\\App\\d\\sub"}));
  // A link named as the folder to list is what the page asked for.
  EXPECT_EQ(Call(40004, R"({"dirPath":"d/out","fileMask":"*","allDirs":true})"),
            Success(R"(["C:\\App\\d\\out\\c.txt"])"));
}

TEST_F(FileFunctions, DeleteDirOfALinkRemovesTheLinkAndNotWhatItLeadsTo) {
  Os.Files["C:\\App\\elsewhere\\c.txt"] = "x";
  Os.FolderLinks = {{"C:\\App\\out", "C:\\App\\elsewhere"}};
  EXPECT_EQ(Call(40003, R"({"dirPath":"out/"})"), Success("true"));
  EXPECT_TRUE(Os.FolderLinks.empty());
  EXPECT_EQ(Os.Files.count("C:\\App\\elsewhere\\c.txt"), 1u);
}

TEST_F(FileFunctions, FolderGettersAnswerJsonStrings) {
  Os.UserAppDataDirPath = "\\";
  const struct {
    int Id;
    std::string Reply;
  } cases[] = {
      {40005, R"("C:\\Users\\user\\AppData\\Local\\Temp\\")"},
      {40006, R"("C:\\Users\\user\\Documents\\")"},
      {40007, R"("C:\\Users\\user\\Desktop\\")"},
      {40008, R"("C:\\App\\")"},
      {40009, R"("\\")"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Call(c.Id), Success(c.Reply)) << c.Id;
}

} // namespace
} // namespace tessera

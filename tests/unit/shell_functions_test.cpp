#include "bridge_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tessera {
namespace {

class ShellFunctions : public BridgeFixture {};

TEST_F(ShellFunctions, MissingArgumentsFailAndStartNothing) {
  EXPECT_EQ(Call(70001, R"({"arguments":"x"})"), Failure("\"Missing filePath\""));
  EXPECT_EQ(Call(70002, R"({"filePath":""})"), Failure("\"Missing filePath\""));
  EXPECT_EQ(Call(70003, R"({"workingDir":"C:\\"})"), Failure("\"Missing command\""));
  EXPECT_TRUE(Os.Launches.empty());
  EXPECT_TRUE(Os.ExploredPaths.empty());
  EXPECT_TRUE(Os.DosCommands.empty());
}

TEST_F(ShellFunctions, ExecuteAndExploreHandThePathToTheShellUnchanged) {
  EXPECT_EQ(Call(70001, R"({"filePath":"docs/a.txt","arguments":"-x \"y\""})"), Success("true"));
  ASSERT_EQ(Os.Launches.size(), 1u);
  EXPECT_EQ(Os.Launches[0].File, "docs/a.txt");
  EXPECT_EQ(Os.Launches[0].Arguments, "-x \"y\"");
  EXPECT_EQ(Call(70002, R"({"filePath":"docs/a.txt"})"), Success("true"));
  EXPECT_EQ(Os.ExploredPaths, std::vector<std::string>{"docs/a.txt"});
}

TEST_F(ShellFunctions, ExecuteAndExploreFailuresCarryTheSystemsText) {
  Os.ShellExecSucceeds = false;
  Os.ShellExploreSucceeds = false;
  Os.SystemErrorText = "The system cannot find the file \"x\" specified";
  const std::string failure = Failure(R"("The system cannot find the file \"x\" specified")");
  EXPECT_EQ(Call(70001, R"({"filePath":"x"})"), failure);
  EXPECT_EQ(Call(70002, R"({"filePath":"x"})"), failure);
}

TEST_F(ShellFunctions, CommandAnswersTheOutputAsAJsonString) {
  Os.DosOutput = "say \"hi\" C:\\dir\r\n";
  EXPECT_EQ(Call(70003, R"({"command":"echo","workingDir":"C:\\work"})"),
            Success(R"("say \"hi\" C:\\dir\r\n")"));
  ASSERT_EQ(Os.DosCommands.size(), 1u);
  EXPECT_EQ(Os.DosCommands[0].Command, "echo");
  EXPECT_EQ(Os.DosCommands[0].WorkingDir, "C:\\work");

  Os.DosOutput.clear();
  EXPECT_EQ(Call(70003, R"({"command":"rem"})"), Success("\"\""));
}

TEST_F(ShellFunctions, CommandShowsTheConsoleOnlyForTrue) {
  const struct {
    std::string ShowWindow;
    bool Shown;
  } cases[] = {{"", false},
               {R"(,"showWindow":true)", true},
               {R"(,"showWindow":"true")", true},
               {R"(,"showWindow":"True")", false},
               {R"(,"showWindow":1)", false},
               {R"(,"showWindow":null)", false}};
  for (const auto& c : cases) {
    Os.DosCommands.clear();
    Call(70003, R"({"command":"dir")" + c.ShowWindow + "}");
    ASSERT_EQ(Os.DosCommands.size(), 1u);
    EXPECT_EQ(Os.DosCommands[0].ShowWindow, c.Shown) << c.ShowWindow;
  }
}

TEST_F(ShellFunctions, WindowsAndMacAddressesAnswerArraysWithoutBlanks) {
  EXPECT_EQ(Call(70004), Success("[]"));
  EXPECT_EQ(Call(11004), Success("[]"));
  Os.WindowCaptions = {"Main \"app\"", " padded ", "\xE4\xB8\xAD"};
  Os.MacAddresses = {"E,00:1A:2B:3C:4D:5E", "W,AA:BB:CC:DD:EE:FF"};
  EXPECT_EQ(Call(70004), Success(R"(["Main \"app\""," padded ","\u4E2D"])"));
  EXPECT_EQ(Call(11004), Success(R"(["E,00:1A:2B:3C:4D:5E","W,AA:BB:CC:DD:EE:FF"])"));
}

TEST_F(ShellFunctions, LogoffRebootAndShutdownWorkOnlyAtRuntime) {
  for (const int id : {11001, 11002, 11003})
    EXPECT_EQ(Call(id), "");
  EXPECT_EQ(Boxes,
            (std::vector<std::string>{"Calls to qel.system.logoff() works only at runtime.",
                                      "Calls to qel.system.reboot() works only at runtime.",
                                      "Calls to qel.system.shutdown() works only at runtime."}));
  EXPECT_TRUE(Os.SystemExitRequests.empty());
}

TEST_F(ShellFunctions, LogoffRebootAndShutdownAskTheSystemWithTheForceBit) {
  AttachPackage();
  EXPECT_EQ(Call(11001), Success("true"));
  EXPECT_EQ(Call(11002), Success("true"));
  EXPECT_EQ(Call(11003), Success("true"));
  EXPECT_EQ(Os.SystemExitRequests, (std::vector<std::uint32_t>{4, 6, 5}));

  Os.SystemExitAccepted = false;
  Os.SystemErrorText = "A required privilege is not held by the client";
  EXPECT_EQ(Call(11003), Failure("\"A required privilege is not held by the client\""));
}

} // namespace
} // namespace tessera

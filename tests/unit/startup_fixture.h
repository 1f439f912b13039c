#pragma once

#include "packaged_exe.h"
#include "platform/fake/fake_os_services.h"
#include "platform/fake/fake_toolkit.h"
#include "startup/exe_zip_loader.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tessera::testing {

// Runs start-up on a packaged executable on the fakes and reports how it
// ended.
class TStartupFixture : public ::testing::Test {
public:
  TStartupFixture() { Os.CommandLine = {"app.exe"}; }

  // -1 when start-up returned, the exit code otherwise.
  int Run() {
    try {
      LoadExeZip(State, Os, Toolkit);
      return -1;
    } catch (const TStartupExit& exit) {
      return exit.Code;
    }
  }

  std::vector<std::string> DialogTexts() const {
    std::vector<std::string> texts;
    for (const auto& dialog : Toolkit.Dialogs)
      texts.push_back(dialog.Text);
    return texts;
  }

  TTempDir Dir;
  FakeOsServices Os;
  FakeToolkit Toolkit;
  TRuntimeState State;
};

} // namespace tessera::testing

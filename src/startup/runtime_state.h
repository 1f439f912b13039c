#pragma once

#include "base/stream.h"
#include "package/exe_utils.h"
#include "package/project_ini.h"
#include "package/zip_archive.h"

#include <memory>
#include <string>

namespace tessera {

// What start-up makes and the whole process then shares: the open package,
// its settings and the application's identity and folders. Start-up owns
// it; windows and the bridge hold references and never free it.
struct TRuntimeState {
  std::unique_ptr<TExeUtils> ExeUtils;
  std::unique_ptr<TZipArchive> ExeZip;
  std::unique_ptr<TProjectINI> ProjectINI;
  // The private copy of the package that ExeZip reads for the whole run.
  std::unique_ptr<TMemoryStream> PackageStream;

  std::string AppID;
  std::string AppName;
  std::string AppDirName;
  std::string AppIndexHtml;
  std::string AppDataPath;
  std::string WebViewDataPath;
  std::string WebViewLoaderPath;

  // The process-end release, in this order: the archive goes before the
  // stream it reads.
  void Release() {
    ExeZip.reset();
    ExeUtils.reset();
    ProjectINI.reset();
    PackageStream.reset();
    AppID.clear();
    AppName.clear();
    AppDirName.clear();
    AppIndexHtml.clear();
    WebViewDataPath.clear();
    AppDataPath.clear();
  }
};

// Start-up ends the process: unwinds to the program's main, which releases
// the state and returns the code. Every ending that start-up takes on
// purpose has code 0.
struct TStartupExit {
  int Code = 0;
};

} // namespace tessera

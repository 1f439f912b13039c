#pragma once

#include "platform/posix/unique_fd.h"

#include <string>

namespace tessera {

// The folder for this user's lock and token files, which only this user
// may enter: $XDG_RUNTIME_DIR when it is such a folder, else
// "/tmp/tessera-<user ID>", made with mode 0700 when missing. A folder of
// that name that another user owns, that others may write to, or that is a
// link is never used (anyone could otherwise make the files first and so
// block, bypass or read what goes in them): "" then.
std::string UserRuntimeFolder();

// The file of the user's runtime folder for the named thing:
// "tessera-<name><ending>" with every "/" and NUL of the name made "_", so
// the name never leads elsewhere; "" when there is no such folder.
std::string UserRuntimeFile(const std::string& name, const std::string& ending);

// Owns a file this process made and keeps open (and locked): the file is
// removed, then closed, when let go.
class TOwnedRuntimeFile {
public:
  TOwnedRuntimeFile() = default;
  ~TOwnedRuntimeFile() { Reset(); }
  TOwnedRuntimeFile(const TOwnedRuntimeFile&) = delete;
  TOwnedRuntimeFile& operator=(const TOwnedRuntimeFile&) = delete;
  void Reset(TUniqueFd* fd = nullptr, std::string path = {});

private:
  TUniqueFd FFd;
  std::string FPath;
};

} // namespace tessera

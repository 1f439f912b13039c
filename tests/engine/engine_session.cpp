#include "engine_session.h"

#include <fstream>
#include <sstream>

namespace tessera::engine {

namespace {

TPageScript LoadScript(const std::wstring& path, const TEngineLog& log) {
  if (path.empty())
    return {};
  std::ifstream file(path.c_str(), std::ios::binary);
  if (!file) {
    log.Write("script-error cannot read " + TEngineLog::RestOfLine(win32::Narrow(path)));
    return {};
  }
  std::ostringstream text;
  text << file.rdbuf();
  TPageScript script = TPageScript::Parse(text.str());
  for (const std::string& error : script.Errors)
    log.Write("script-error " + error);
  return script;
}

} // namespace

TEngineSession::TEngineSession(TEngineConfig config, std::shared_ptr<TUiDispatcher> ui)
    : FConfig(std::move(config)), FLog(FConfig.LogPath), FUi(std::move(ui)) {
  if (!FConfig.FailureErrors.empty())
    FLog.Write("switch-error " + TEngineLog::RestOfLine(FConfig.FailureErrors));
  FScript = LoadScript(FConfig.ScriptPath, FLog);
}

HRESULT TEngineSession::Fail(const std::string& method, HRESULT code) const {
  FLog.Write("failed " + method + " " + TEngineLog::Hex(code));
  return code;
}

HRESULT TEngineSession::Enter(const std::string& method) const {
  if (!FUi->OnUiThread())
    return Fail(method, kWrongThread);
  if (const auto code = FConfig.FailureFor(method))
    return Fail(method, *code);
  return S_OK;
}

HRESULT TEngineSession::EnterAndLog(const std::string& method, const std::string& line) const {
  // The call is logged even when it is made to fail, so a test sees both.
  FLog.Write(line);
  return Enter(method);
}

} // namespace tessera::engine

#pragma once

#include "package/project_ini.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tessera {

// Every setting the runtime reads from "qel.ini", all in section "App". Key
// names and defaults are shared with the packager that writes the file, so
// they must not change. Each setting carries its key, its type and its
// default, so a reader cannot pair a key with the wrong default:
//   const std::int32_t width = ReadAppSetting(ProjectINI, kSettingWidth);

inline constexpr std::string_view kAppSection = "App";

struct TStringSetting {
  std::string_view Key;
  std::string_view Default;
};
struct TIntegerSetting {
  std::string_view Key;
  std::int32_t Default;
};
struct TBoolSetting {
  std::string_view Key;
  bool Default;
};
struct TColorSetting {
  std::string_view Key;
  std::uint32_t Default; // toolkit colour, see TProjectINI::ReadColor
};

// Application identity and contents.
inline constexpr TStringSetting kSettingID{"ID", ""};
inline constexpr TStringSetting kSettingName{"Name", ""};
inline constexpr TStringSetting kSettingDirName{"DirName", ""};
inline constexpr TStringSetting kSettingIndexHtml{"IndexHtml", "index.html"};
inline constexpr TStringSetting kSettingTheme{"Theme", "Windows"};
inline constexpr TStringSetting kSettingWebviewArguments{"WebviewArguments", ""};
inline constexpr TStringSetting kSettingPassword{"Password", ""};

// Web view runtime installer.
inline constexpr TBoolSetting kSettingEdgeInstaller{"EdgeInstaller", true};
// System colour 26, the hot-tracking colour.
inline constexpr TColorSetting kSettingInstallFormColor{"InstallFormColor", 0xFF00001Au};
inline constexpr TIntegerSetting kSettingInstallIndicatorColor{"InstallIndicatorColor", 1};
inline constexpr TIntegerSetting kSettingInstallIndicatorType{"InstallIndicatorType", 0};

// Process and web view behaviour.
inline constexpr TBoolSetting kSettingAllowInstances{"AllowInstances", false};
inline constexpr TBoolSetting kSettingAllowDebug{"AllowDebug", false};
inline constexpr TBoolSetting kSettingAllowZoom{"AllowZoom", false};
inline constexpr TBoolSetting kSettingAllowContextMenu{"AllowContextMenu", false};

// Main window.
inline constexpr TIntegerSetting kSettingTop{"Top", 50};
inline constexpr TIntegerSetting kSettingLeft{"Left", 50};
inline constexpr TIntegerSetting kSettingWidth{"Width", 800};
inline constexpr TIntegerSetting kSettingHeight{"Height", 600};
inline constexpr TIntegerSetting kSettingMaxWidth{"MaxWidth", 0};
inline constexpr TIntegerSetting kSettingMaxHeight{"MaxHeight", 0};
inline constexpr TIntegerSetting kSettingMinWidth{"MinWidth", 0};
inline constexpr TIntegerSetting kSettingMinHeight{"MinHeight", 0};
inline constexpr TIntegerSetting kSettingWindowPosition{"WindowPosition", 0};
inline constexpr TIntegerSetting kSettingWindowStyle{"WindowStyle", 0};
inline constexpr TIntegerSetting kSettingWindowBorder{"WindowBorder", 2};
inline constexpr TIntegerSetting kSettingWindowState{"WindowState", 0};
inline constexpr TIntegerSetting kSettingWindowOrder{"WindowOrder", 0};
inline constexpr TBoolSetting kSettingDynamicAppTitle{"DynamicAppTitle", false};

inline std::string ReadAppSetting(const TProjectINI& ini, const TStringSetting& setting) {
  return ini.ReadString(kAppSection, setting.Key, setting.Default);
}
inline std::int32_t ReadAppSetting(const TProjectINI& ini, const TIntegerSetting& setting) {
  return ini.ReadInteger(kAppSection, setting.Key, setting.Default);
}
inline bool ReadAppSetting(const TProjectINI& ini, const TBoolSetting& setting) {
  return ini.ReadBool(kAppSection, setting.Key, setting.Default);
}
inline std::uint32_t ReadAppSetting(const TProjectINI& ini, const TColorSetting& setting) {
  return ini.ReadColor(kAppSection, setting.Key, setting.Default);
}

} // namespace tessera

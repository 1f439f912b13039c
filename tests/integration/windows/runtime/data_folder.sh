#!/usr/bin/env bash
# The per-application data folder and what the browser runtime is handed
# through the environment.
. "$(dirname "$0")/runtime_test_lib.sh"

default_arguments="--disable-logging --disable-web-security --disable-features=RendererCodeIntegrity --enable-features=msSpeechRecognition --autoplay-policy=no-user-gesture-required"

new_app data <<'INI'
ID=com.tessera.test.data
Name=Data
DirName=app
INI
pack_app data
page_script data <<<"quit-after 300 0"
folder=$(data_folder com.tessera.test.data)
wine_folder="C:\\users\\$(id -un)\\AppData\\Local\\com.tessera.test.data\\"

step "first start: data folder, Win64 and the loader extracted from the package"
# Variables the runtime must not pass on, set as a user might have them.
WEBVIEW2_BROWSER_EXECUTABLE_FOLDER='C:\elsewhere' WEBVIEW2_RELEASE_CHANNEL_PREFERENCE=1 \
  start_app data
expect_exit "$APP_PID" 30 0
[ -d "$folder/Win64" ] || fail "no data folder $folder/Win64"
cmp -s "$folder/Win64/WebView2LoaderWin64.dll" "$TESSERA_ENGINE" ||
  fail "the extracted loader differs from the packed one"
for line in \
  "env WEBVIEW2_USER_DATA_FOLDER=${wine_folder}Win64\\" \
  "env WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS=$default_arguments" \
  "env WEBVIEW2_BROWSER_EXECUTABLE_FOLDER unset" \
  "env WEBVIEW2_RELEASE_CHANNEL_PREFERENCE unset"; do
  has_log data "$line" || fail "engine log lacks \"$line\": $(log_lines data '^env ')"
done

step "second start: a loader already there is used as it is, never refreshed"
cp "$TESSERA_ENGINE" "$WORK/changed-loader.dll"
printf 'bytes the package does not have' >>"$WORK/changed-loader.dll"
cp "$WORK/changed-loader.dll" "$folder/Win64/WebView2LoaderWin64.dll"
start_app data
expect_exit "$APP_PID" 30 0
[ "$(log_count data CreateCoreWebView2Environment)" -eq 2 ] || fail "the second start did not run"
cmp -s "$folder/Win64/WebView2LoaderWin64.dll" "$WORK/changed-loader.dll" ||
  fail "the loader on disk was replaced"

# Blanks alone select the default arguments; any other text replaces them
# entirely.
while IFS='|' read -r label setting expected; do
  step "WebviewArguments $label"
  name=args-$label
  new_app "$name" <<INI
ID=com.tessera.test.$name
Name=Arguments
DirName=app
WebviewArguments=$setting
INI
  pack_app "$name"
  page_script "$name" <<<"quit-after 300 0"
  start_app "$name"
  expect_exit "$APP_PID" 30 0
  [ "$expected" = default ] && expected=$default_arguments
  has_log "$name" "env WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS=$expected" ||
    fail "$label: $(log_lines "$name" '^env WEBVIEW2_ADDITIONAL')"
done <<CASES
blank|   |default
own|--lang=es --mute-audio|--lang=es --mute-audio
CASES
echo "PASS"

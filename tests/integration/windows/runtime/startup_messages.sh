#!/usr/bin/env bash
# What a start shows before any window of the application: the message for
# an executable without a package, in the user's language, and nothing at
# all for a package the runtime cannot use.
. "$(dirname "$0")/runtime_test_lib.sh"

step "no package: message 5 in English, Accept closes it, exit code 0"
cp "$TESSERA_RUNTIME" "$WORK/bare.exe"
"$TESSERA_WINE_RUN" "$WORK/bare.exe" &
pid=$!
STARTED_PIDS+=("$pid")
expect_dialog "Error" "This is not a valid Windows application." "Accept"
screenshot no-package-en
send_keys "$WINDOW" Return
expect_exit "$pid" 15 0

step "no package under a Spanish locale: the same message in Spanish"
mkdir -p "$WORK/locale"
localedef -i es_ES -f UTF-8 "$WORK/locale/es_ES.UTF-8" 2>/dev/null || true
[ -d "$WORK/locale/es_ES.UTF-8" ] || fail "localedef could not build es_ES.UTF-8"
LOCPATH=$WORK/locale LANG=es_ES.UTF-8 LC_ALL=es_ES.UTF-8 "$TESSERA_WINE_RUN" "$WORK/bare.exe" &
pid=$!
STARTED_PIDS+=("$pid")
expect_dialog "Error" "Esta no es una aplicación de Windows válida." "Aceptar"
screenshot no-package-es
send_keys "$WINDOW" Return
expect_exit "$pid" 15 0

# Packages the runtime cannot use end the start silently: a settings file
# lacking one of the three keys it needs, or entries that do not decrypt
# with this runtime's password (every key then reads empty).
declare -A setting=([id]=ID=com.tessera.test.unusable [name]=Name=Unusable [dir]=DirName=app)
rm -rf "$(data_folder com.tessera.test.unusable)"
while IFS=: read -r label password keys; do
  step "unusable package, $label: silent exit 0"
  dir=$WORK/unusable-$label
  mkdir -p "$dir"
  {
    echo "[App]"
    for key in $keys; do
      echo "${setting[$key]}"
    done
  } >"$dir/qel.ini"
  echo "<html></html>" >"$dir/index.html"
  "$TESSERA_WINE_RUN" "$TESSERA_TEST_PACKER" "$(winpath "$TESSERA_RUNTIME")" \
    "$(winpath "$dir/app.exe")" "$password" "qel.ini=$(winpath "$dir/qel.ini")" \
    "app/index.html=$(winpath "$dir/index.html")" \
    "WebView2LoaderWin64.dll=$(winpath "$TESSERA_ENGINE")" || fail "test_packer failed"
  TESSERA_ENGINE_LOG=$(winpath "$dir/engine.log") "$TESSERA_WINE_RUN" "$dir/app.exe" &
  pid=$!
  STARTED_PIDS+=("$pid")
  # A dialog would keep the process waiting until the deadline.
  expect_exit "$pid" 20 0
  [ ! -e "$(data_folder com.tessera.test.unusable)" ] || fail "$label: a data folder was made"
  [ ! -e "$dir/engine.log" ] || fail "$label: the engine was loaded"
done <<'CASES'
no-id:-:name dir
no-name:-:id dir
no-dirname:-:id name
other-password:not-the-package-password:id name dir
CASES
echo "PASS"

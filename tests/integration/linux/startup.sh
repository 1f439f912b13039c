#!/usr/bin/env bash
# Start-up endings: a runtime with no package says so in the user's
# language (English, Spanish) and exits with 0 once the message is closed;
# settings without an application ID end the process silently.
source "$(dirname "$0")/e2e_lib.sh"

# expect_no_package_message NAME CAPTION TEXT BUTTON: the bare runtime,
# started as NAME, shows that dialog and ends with 0 when it is accepted.
expect_no_package_message() {
  local name=$1
  start_exe "$name" "$TESSERA_RUNTIME"
  wait_window "$2" "$WAIT"
  wait_widgets "$name" "window $2"
  wait_widgets "$name" "label $3"
  wait_widgets "$name" "button $4"
  press "$WINDOW" Return
  expect_exit "$APP_PID" "$WAIT" 0
}

step "no package: the message in English"
(
  unset LC_ALL LC_MESSAGES
  export LANG=C.UTF-8
  expect_no_package_message english "Error" "This is not a valid Windows application." "Accept"
)

step "no package: the message in Spanish"
mkdir -p "$WORK/locales"
localedef -i es_ES -f UTF-8 "$WORK/locales/es_ES.UTF-8" 2>/dev/null ||
  [ -d "$WORK/locales/es_ES.UTF-8" ] || fail "localedef could not build es_ES.UTF-8"
(
  unset LC_ALL LC_MESSAGES
  export LANG=es_ES.UTF-8 LOCPATH=$WORK/locales
  expect_no_package_message spanish "Error" "Esta no es una aplicación de Windows válida." "Aceptar"
)

step "settings without an ID: a silent exit"
mkdir -p "$WORK/noid"
printf '[App]\nName=No ID\nDirName=app\n' >"$WORK/noid/qel.ini"
echo '<!DOCTYPE html><html><body>never shown</body></html>' >"$WORK/noid/index.html"
# tessera-pack refuses such settings.
"$TESSERA_TEST_PACKER" "$TESSERA_RUNTIME" "$WORK/noid/noid" - "qel.ini=$WORK/noid/qel.ini" \
  "app/index.html=$WORK/noid/index.html" || fail "cannot pack the settings without an ID"
start_app noid
expect_exit "$APP_PID" "$WAIT" 0
[ ! -s "$WORK/noid/widgets.log" ] || fail "a window was shown: $(cat "$WORK/noid/widgets.log")"

step "a start makes the data folder, without the Windows loader library"
new_app plain <<'INI'
ID=e2e.startup.plain
Name=Plain
DirName=app
INI
add_file plain index.html <<'HTML'
<!DOCTYPE html>
<html><head><script src="report.js"></script></head>
<body onload="report('ready', true)">Plain.</body></html>
HTML
pack_app plain
start_app plain
expect_report plain ready true
[ -d "$XDG_DATA_HOME/e2e.startup.plain/Win64" ] || fail "no data folder"
[ ! -e "$XDG_DATA_HOME/e2e.startup.plain/Win64/WebView2LoaderWin64.dll" ] ||
  fail "the data folder holds a loader library"
wait_window "Plain" "$WAIT"
close_window "$WINDOW"
expect_exit "$APP_PID" "$WAIT" 0

step "a data folder that cannot be made: a message naming it, exit 1"
rm -rf "$XDG_DATA_HOME/e2e.startup.plain"
echo "a file in the folder's place" >"$XDG_DATA_HOME/e2e.startup.plain"
start_app plain
wait_window "Error" "$WAIT"
wait_widgets plain "label Cannot create the application's data folder \"$XDG_DATA_HOME/e2e.startup.plain/\". Not a directory"
press "$WINDOW" Return
expect_exit "$APP_PID" "$WAIT" 1
echo PASS

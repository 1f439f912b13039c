#!/usr/bin/env bash
# Visual themes from a real page: qel.themes lists the forty themes sorted,
# switches by exact name and reports the active one; the theme named in
# qel.ini is active from the start, and a name that matches no theme is
# reported in a dialog while the application still opens.
source "$(dirname "$0")/e2e_lib.sh"

# theme_app NAME [SETTINGS...]: an application that reports the active
# theme and then runs the script lines of its page given on stdin.
theme_app() {
  local name=$1
  shift
  { printf 'ID=e2e.%s\nName=%s\nDirName=app\n' "$name" "$name"; printf '%s\n' "$@"; } | new_app "$name"
  {
    echo '<!DOCTYPE html><html><head><script src="report.js"></script></head><body><script>'
    echo 'async function run() {'
    echo '  report("start", await qel.themes.getTheme());'
    cat
    echo '  qel.app.close();'
    echo '}'
    echo 'run().catch((error) => report("error", String(error)));'
    echo '</script></body></html>'
  } | add_file "$name" index.html
  pack_app "$name"
}

theme_app switching <<'JS'
  report("themes", await qel.themes.getThemes());
  report("setCarbon", await qel.themes.setTheme({ name: "Carbon" }));
  report("afterCarbon", await qel.themes.getTheme());
  report("setNonexistent", await qel.themes.setTheme({ name: "Nonexistent" }));
  report("afterNonexistent", await qel.themes.getTheme());
  report("setLowerCase", await qel.themes.setTheme({ name: "glow" }));
  report("afterLowerCase", await qel.themes.getTheme());
  report("setWindows", await qel.themes.setTheme({ name: "Windows" }));
  report("afterWindows", await qel.themes.getTheme());
JS

step "the themes, and switching by exact name"
start_app switching
expect_report switching start '"Windows"'
expect_report switching themes '["Amakrits","Amethyst Kamri","Aqua Graphite","Aqua Light Slate","Auric","Carbon","Charcoal Dark Slate","Cobalt XEMedia","Cyan Dusk","Cyan Night","Emerald Light Slate","Glossy","Glow","Golden Graphite","Iceberg Classico","Lavender Classico","Light","Luna","Metropolis UI Black","Metropolis UI Blue","Metropolis UI Dark","Metropolis UI Green","Obsidian","Onyx Blue","Ruby Graphite","Sapphire Kamri","Silver","Sky","Slate Classico","Smokey Quartz Kamri","Tablet Dark","Tablet Light","Turquoise Gray","Windows","Windows10","Windows10 Blue","Windows10 Dark","Windows10 Green","Windows10 Purple","Windows10 SlateGray"]'
expect_report switching setCarbon 'true'
expect_report switching afterCarbon '"Carbon"'
expect_report switching setNonexistent 'false'
expect_report switching afterNonexistent '"Carbon"'
# Only the exact name switches.
expect_report switching setLowerCase 'false'
expect_report switching afterLowerCase '"Carbon"'
expect_report switching setWindows 'true'
expect_report switching afterWindows '"Windows"'
grep -aFq -- '-> {"uuid": ' "$WORK/switching/bridge.log" || fail "no reply was logged"
expect_exit "$APP_PID" "$WAIT" 0

step "the theme of qel.ini is active from the start"
theme_app configured "Theme=Carbon" </dev/null
start_app configured
expect_report configured start '"Carbon"'
expect_exit "$APP_PID" "$WAIT" 0

step "a theme that matches none is reported, and the application opens unstyled"
theme_app unknown "Theme=Nope" </dev/null
start_app unknown
wait_widgets unknown "label Style 'Nope' not found"
wait_window "Error" "$WAIT"
press "$WINDOW" Return
expect_report unknown start '"Windows"'
expect_exit "$APP_PID" "$WAIT" 0
# A page in one colour that switches the theme each time the test has
# looked at the window, and says so.
new_app looks <<'INI'
ID=e2e.looks
Name=Looks
DirName=app
Width=480
Height=360
INI
add_file looks index.html <<'HTML'
<!DOCTYPE html>
<html><head><script src="report.js"></script>
<style>html, body { margin: 0; height: 100%; background: #00c000; }</style></head><body><script>
const names = ["Carbon", "Luna", "Glow", "Windows"];
async function run() {
  report("ready", await qel.themes.getTheme());
  for (let i = 0; i < names.length; ++i) {
    while (!(await qel.files.fileExists({ filePath: "seen-" + i })))
      await new Promise((resolve) => setTimeout(resolve, 100));
    report("set-" + i, await qel.themes.setTheme({ name: names[i] }));
  }
}
run().catch((error) => report("error", String(error)));
</script></body></html>
HTML
pack_app looks

# look PREVIOUS: waits until the screen shows the window (frame included)
# other than PREVIOUS and the same on a few looks in a row (GTK and the
# window manager have drawn what they had to); LOOK is its signature, and
# the page's colour must still fill the client area.
look() {
  local deadline=$((SECONDS + WAIT)) last="" same=0 shot=$WORK/look.png
  while :; do
    [ $SECONDS -lt $deadline ] || fail "the window did not change from its last look"
    sleep 0.2
    frame_geometry "$WINDOW" || continue
    import -window root -crop "${OUTER_WIDTH}x${OUTER_HEIGHT}+${OUTER_X}+${OUTER_Y}" +repage \
      "$shot" 2>/dev/null || continue
    LOOK=$(identify -format '%#' "$shot" 2>/dev/null) || continue
    if [ "$LOOK" != "$1" ] && [ "$LOOK" = "$last" ]; then
      same=$((same + 1))
    else
      same=0
    fi
    last=$LOOK
    [ $same -ge 3 ] && break
  done
  local page
  page=$(convert "$shot" -format "%[hex:p{$((OUTER_WIDTH / 2)),$((OUTER_HEIGHT - FRAME_BOTTOM - 20))}]" info:)
  [ "$page" = 00C000 ] || fail "the page does not show under the theme: $page"
}

step "each theme changes how the main window looks; the system's look comes back"
start_app looks
expect_report looks ready '"Windows"'
wait_window "Looks" "$WAIT"
look ""
looks=("$LOOK")
cp "$WORK/look.png" "$TESSERA_ARTIFACTS/look-0.png"
for i in 0 1 2 3; do
  touch "$WORK/looks/seen-$i"
  expect_report looks "set-$i" true
  look "${looks[-1]}"
  cp "$WORK/look.png" "$TESSERA_ARTIFACTS/look-$((i + 1)).png"
  looks+=("$LOOK")
done
[ "${looks[4]}" = "${looks[0]}" ] || fail "the system's look did not come back as it was"
[ "$(printf '%s\n' "${looks[@]:0:4}" | sort -u | wc -l)" -eq 4 ] || fail "two themes look alike"
close_window "$WINDOW"
expect_exit "$APP_PID" "$WAIT" 0
echo PASS

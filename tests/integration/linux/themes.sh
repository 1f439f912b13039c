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
echo PASS

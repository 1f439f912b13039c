#!/usr/bin/env bash
# How file:/// requests of a page are answered: from the package, else from
# the executable's folder, else from the path itself, with their content
# type; everything else is left to the browser.
. "$(dirname "$0")/runtime_test_lib.sh"

new_app serving <<'INI'
ID=com.tessera.test.serving
Name=Serving
DirName=site
INI
dir=$WORK/serving
printf '<html>packaged index</html>' | add_file serving index.html
printf '<p>page in a folder</p>' | add_file serving sub/page.html
printf '<p>blank in the name</p>' | add_file serving 'my page.html'
printf '<p>percent in the name</p>' | add_file serving 'a%41.html'
printf 'export const x = 1;' | add_file serving mod.mjs
printf 'var upper = 1;' | add_file serving UP.JS
printf '\x89PNG\r\n\x1a\n' | add_file serving image.png
pack_app serving
# Beside the executable: a file the package lacks, and one it has.
mkdir -p "$dir/disk/deep"
printf 'from the disk' >"$dir/disk/deep/file.txt"
printf 'index on the disk' >"$dir/index.html"
# Elsewhere, reached by its absolute path only.
mkdir -p "$WORK/elsewhere"
printf 'body{}' >"$WORK/elsewhere/style.css"
absolute=$(winpath "$WORK/elsewhere/style.css")
absolute_uri="file:///${absolute//\\//}"

page_script serving <<SCRIPT
quit-after 20000 3
page file:///index.html
request file:///sub/page.html?x=1&y=2
request file:///my%20page.html
request file:///a%41.html
request file:///mod.mjs
request file:///UP.JS
request file:///image.png
request file:///disk/deep/file.txt
request $absolute_uri
request file:///missing.html
request https://example.com/x.js
quit-after 200 0
SCRIPT

step "a page and its requests"
start_app serving
expect_exit "$APP_PID" 30 0

# expect_served URI FILE TYPE: answered 200 OK with FILE's bytes as TYPE.
expect_served() {
  local uri=$1 file=$2 type=$3 size sha line
  size=$(stat -c %s "$file")
  sha=$(sha256sum "$file" | cut -d' ' -f1)
  line=$(log_starting serving "response $uri ")
  case "$line" in
    "response $uri 200 \"OK\" \"Content-Type: $type; charset=utf-8\" $size $sha "*) ;;
    *) fail "$uri: expected $file as $type, got: ${line:-nothing}" ;;
  esac
}

step "answers from the package, the executable's folder and the absolute path"
site=$dir/app
while IFS='|' read -r uri file type; do
  expect_served "$uri" "$file" "$type"
done <<CASES
file:///index.html|$site/index.html|text/html
file:///sub/page.html?x=1&y=2|$site/sub/page.html|text/html
file:///my%20page.html|$site/my page.html|text/html
file:///a%41.html|$site/a%41.html|text/html
file:///mod.mjs|$site/mod.mjs|text/javascript
file:///UP.JS|$site/UP.JS|text/javascript
file:///image.png|$site/image.png|image/x-png
file:///disk/deep/file.txt|$dir/disk/deep/file.txt|text/plain
$absolute_uri|$WORK/elsewhere/style.css|text/css
CASES

step "files found nowhere and other schemes are left to the browser"
has_log serving "response file:///missing.html none" || fail "missing.html: $(log_lines serving 'missing')"
has_log serving "response https://example.com/x.js none" ||
  fail "web request: $(log_lines serving 'example.com')"
echo "PASS"

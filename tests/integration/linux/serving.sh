#!/usr/bin/env bash
# Pages served from the package: relative scripts, style sheets, images and
# module imports; a query is cut off and "%20" is a blank; the content type
# follows the file name; a file the package lacks comes from beside the
# executable, or from its absolute path.
source "$(dirname "$0")/e2e_lib.sh"

outside=$WORK/outside
mkdir -p "$outside"
echo "from an absolute path" >"$outside/absolute.txt"

new_app serving <<'INI'
ID=e2e.serving
Name=Serving
DirName=site
INI
add_file serving index.html <<HTML
<!DOCTYPE html>
<html><head>
<link rel="stylesheet" href="css/style.css?v=3">
<script src="report.js"></script>
<script src="js/classic.js"></script>
<script type="module" src="js/main.mjs"></script>
</head><body>
<img id="pixel" src="img/pixel.png">
<script>
async function fetched(url) {
  try {
    const response = await fetch(url);
    return response.status + " " + response.headers.get("content-type") + " " +
      (await response.text()).trim();
  } catch (error) {
    return "failed";
  }
}
window.addEventListener("load", async () => {
  report("style", getComputedStyle(document.body).color);
  report("classic", window.classicRan === true);
  const image = document.getElementById("pixel");
  report("image", image.naturalWidth + "x" + image.naturalHeight);
  report("query", await fetched("data.json?x=1&y=2"));
  report("blank", await fetched("my%20notes.txt"));
  report("upper", await fetched("js/UPPER.JS"));
  report("beside", await fetched("beside/next.txt"));
  report("absolute", await fetched("$outside/absolute.txt"));
  report("missing", await fetched("nowhere.txt"));
  report("location", location.href);
  report("done", true);
});
</script></body></html>
HTML
add_file serving css/style.css <<'CSS'
body { color: rgb(1, 2, 3); }
CSS
add_file serving js/classic.js <<'JS'
window.classicRan = true;
JS
add_file serving js/main.mjs <<'JS'
import { answer } from "./lib/dep.mjs";
report("module", answer);
JS
add_file serving js/lib/dep.mjs <<'JS'
export const answer = 42;
JS
add_file serving js/UPPER.JS <<'JS'
// upper-case extension
JS
add_file serving data.json <<'JSON'
{"from": "package"}
JSON
add_file serving "my notes.txt" <<'TXT'
notes with a blank
TXT
# A 2x1 PNG.
base64 -d >"$WORK/serving/app/img.png" <<'PNG'
iVBORw0KGgoAAAANSUhEUgAAAAIAAAABCAYAAAD0In+KAAAAEUlEQVR4nGP4z8DwH4QZYAwAR8oH+Rq28akAAAAASUVORK5CYII=
PNG
mkdir -p "$WORK/serving/app/img"
mv "$WORK/serving/app/img.png" "$WORK/serving/app/img/pixel.png"
pack_app serving
# Beside the executable, not in the package.
mkdir -p "$WORK/serving/beside"
echo "beside the executable" >"$WORK/serving/beside/next.txt"

start_app serving
step "style sheets, classic scripts, module imports and images load from the package"
expect_report serving style '"rgb(1, 2, 3)"'
expect_report serving classic 'true'
expect_report serving module '42'
expect_report serving image '"2x1"'
step "a query is cut off; %20 is a blank; the content type follows the name"
expect_report serving query '"200 application/json; charset=utf-8 {\"from\": \"package\"}"'
expect_report serving blank '"200 text/plain; charset=utf-8 notes with a blank"'
expect_report serving upper '"200 text/javascript; charset=utf-8 // upper-case extension"'
step "files the package lacks: beside the executable, then the absolute path"
expect_report serving beside '"200 text/plain; charset=utf-8 beside the executable"'
expect_report serving absolute '"200 text/plain; charset=utf-8 from an absolute path"'
expect_report serving missing '"failed"'
expect_report serving location '"tessera://localhost/index.html"'
echo PASS

#!/usr/bin/env bash
# Files, folders, base64 and shell functions called from a real page, on
# real files of a folder beside the application: what each call resolves or
# rejects with, and what it left on disk.
source "$(dirname "$0")/e2e_lib.sh"

new_app files <<'INI'
ID=e2e.files
Name=Files Probe
DirName=app
INI
add_file files data/packed.txt <<<'packed bytes'
add_file files index.html <<'HTML'
<!DOCTYPE html>
<html><head><script src="report.js"></script></head><body><script>
// Each call reports what it resolved with, or "rejected: " and the reason.
async function check(name, call) {
  try {
    report(name, await call);
  } catch (reason) {
    report(name, "rejected: " + reason);
  }
}
async function run() {
  const exeDir = await qel.folders.getAppExecutableDir();
  report("exeDir", exeDir);
  await check("fileExists", qel.files.fileExists({ filePath: "t/existing.txt" }));
  await check("fileExistsOnFolder", qel.files.fileExists({ filePath: exeDir + "t/sub" }));
  await check("dirExists", qel.folders.dirExists({ dirPath: "t/sub" }));
  await check("dirExistsOnFile", qel.folders.dirExists({ dirPath: "t/existing.txt" }));
  await check("write", qel.files.writeTextFile({ filePath: "t/written/deep/w.txt", contents: "a\nb" }));
  await check("writeBelowFile", qel.files.writeTextFile({ filePath: "t/existing.txt/x.txt", contents: "a" }));
  await check("writeMissing", qel.files.writeTextFile({ contents: "a" }));
  await check("delete", qel.files.deleteFile({ filePath: "t/gone.txt" }));
  await check("deleteAgain", qel.files.deleteFile({ filePath: "t/gone.txt" }));
  await check("createDir", qel.folders.createDir({ dirPath: "t/made" }));
  await check("createDeep", qel.folders.createDir({ dirPath: "t/x/y" }));
  await check("deleteDir", qel.folders.deleteDir({ dirPath: "t/tree" }));
  await check("deleteDirAgain", qel.folders.deleteDir({ dirPath: "t/tree" }));
  await check("listAll", qel.folders.listFiles({ dirPath: "t/list", fileMask: "*.txt", allDirs: true }));
  await check("listTop", qel.folders.listFiles({ dirPath: "t/list", fileMask: "*.TXT", allDirs: "no" }));
  await check("listEmpty", qel.folders.listFiles({ dirPath: "t/empty", fileMask: "*.*", allDirs: true }));
  await check("listNone", qel.folders.listFiles({ dirPath: "t/none", fileMask: "*.*", allDirs: true }));
  await check("listNoAllDirs", qel.folders.listFiles({ dirPath: "t/list", fileMask: "*.*" }));
  // A name that is not UTF-8 comes with its stray byte as a lone surrogate,
  // and handing it back reaches that very file.
  const latin = await qel.folders.listFiles({ dirPath: "t/latin", fileMask: "*.*", allDirs: false });
  report("latinList", latin);
  await check("latinEscaped", latin[0].endsWith("/caf\udce9.txt"));
  await check("latinExists", qel.files.fileExists({ filePath: latin[0] }));
  await check("latinWrite", qel.files.writeTextFile({ filePath: latin[0], contents: "new" }));
  await check("base64", qel.base64.decodeToFile({ filePath: "t/b64/x.bin", contents: "QUJD" }));
  await check("extract", qel.files.extractFile({ sourceFile: "/data/packed.txt", targetFile: exeDir + "t/out.txt" }));
  await check("extractNone", qel.files.extractFile({ sourceFile: "/data/none.txt", targetFile: exeDir + "t/none.txt" }));
  await check("temp", qel.folders.getTempDir());
  await check("documents", qel.folders.getUserDocumentsDir());
  await check("desktop", qel.folders.getUserDesktopDir());
  await check("appData", qel.folders.getAppDataDir());
  await check("echo", qel.shell.command({ command: "echo hello" }));
  await check("inFolder", qel.shell.command({ command: "cat marker.txt", workingDir: exeDir + "t" }));
  await check("unknown", qel.shell.command({ command: "no_such_command_tessera" }));
  await check("noCommand", qel.shell.command({ workingDir: "/" }));
  await check("windows", qel.shell.windows());
  await check("macs", qel.system.macAddresses());
  qel.app.close();
}
run().catch((error) => report("error", String(error)));
</script></body></html>
HTML
pack_app files

T=$WORK/files/t
mkdir -p "$T/sub" "$T/list/inner" "$T/empty" "$T/tree/branch"
for file in existing.txt gone.txt list/a.txt list/b.log list/inner/c.TXT 'list/q"x.txt' \
  tree/branch/leaf.txt; do
  echo x >"$T/$file"
done
printf 'in here' >"$T/marker.txt"
mkdir -p "$T/latin"
echo x >"$T/latin/caf"$'\xe9'".txt"

step "files and folders are tested, written and deleted where the calls say"
start_app files
expect_report files exeDir "\"$WORK/files/\""
expect_report files fileExists true
expect_report files fileExistsOnFolder false
expect_report files dirExists true
expect_report files dirExistsOnFile false
expect_report files write true
[ "$(od -An -tx1 "$T/written/deep/w.txt" | tr -d ' \n')" = "efbbbf610d0a620d0a" ] ||
  fail "writeTextFile wrote $(od -An -tx1 "$T/written/deep/w.txt")"
expect_report files writeBelowFile "\"rejected: Cannot create file \\\"$T/existing.txt/x.txt\\\". Not a directory\""
expect_report files writeMissing '"rejected: Missing filePath"'
expect_report files delete true
expect_report files deleteAgain false
expect_report files createDir true
[ -d "$T/made" ] || fail "createDir made no folder"
expect_report files createDeep false
expect_report files deleteDir true
[ ! -e "$T/tree" ] || fail "deleteDir left the folder"
expect_report files deleteDirAgain false

step "listings: subfolders where they are met, names with quotes intact"
wait_report files listAll
for path in "$T/list/a.txt" "$T/list/q\\\"x.txt" "$T/list/inner/c.TXT"; do
  grep -Fq "\"$path\"" <<<"$REPORT" || fail "the recursive listing lacks $path: $REPORT"
done
[ "$(grep -o '","' <<<"$REPORT" | wc -l)" -eq 2 ] || fail "the recursive listing: $REPORT"
wait_report files listTop
[ "$REPORT" = "[\"$T/list/a.txt\",\"$T/list/q\\\"x.txt\"]" ] ||
  [ "$REPORT" = "[\"$T/list/q\\\"x.txt\",\"$T/list/a.txt\"]" ] || fail "the top listing: $REPORT"
expect_report files listEmpty '[]'
expect_report files listNone '"rejected: The specified folder does not exist."'
expect_report files listNoAllDirs '"rejected: Missing allDirs"'

step "a name that is not UTF-8 is listed with an escape and reaches its file"
expect_report files latinList "[\"$T/latin/caf\\udce9.txt\"]"
expect_report files latinEscaped true
expect_report files latinExists true
expect_report files latinWrite true
[ "$(od -An -tx1 "$T/latin/caf"$'\xe9'".txt" | tr -d ' \n')" = "efbbbf6e65770d0a" ] ||
  fail "writeTextFile through the escaped name wrote $(ls "$T/latin")"
[ "$(ls "$T/latin" | wc -l)" -eq 1 ] || fail "a file under another name was made: $(ls "$T/latin")"

step "base64 and package entries become files"
expect_report files base64 true
[ "$(cat "$T/b64/x.bin")" = "ABC" ] || fail "decodeToFile wrote $(cat "$T/b64/x.bin")"
expect_report files extract true
[ "$(cat "$T/out.txt")" = "packed bytes" ] || fail "extractFile wrote $(cat "$T/out.txt")"
expect_report files extractNone '"rejected: File not found"'
[ ! -e "$T/none.txt" ] || fail "a missing entry must leave the target alone, not create it"

step "standard folders end in a slash"
temp=${TMPDIR:-/tmp}
expect_report files temp "\"${temp%/}/\""
expect_report files documents "\"$HOME/Documents/\""
expect_report files desktop "\"$HOME/Desktop/\""
expect_report files appData "\"${XDG_CONFIG_HOME:-$HOME/.config}/\""

step "console commands, window captions and adapter addresses"
expect_report files echo '"hello\n"'
expect_report files inFolder '"in here"'
wait_report files unknown
grep -q 'no_such_command_tessera' <<<"$REPORT" || fail "a missing command should answer the shell's complaint: $REPORT"
expect_report files noCommand '"rejected: Missing command"'
wait_report files windows
grep -Fq '"Files Probe"' <<<"$REPORT" || fail "the window list lacks the main window: $REPORT"
wait_report files macs
grep -Eq '^\[("[EWU],([0-9A-F]{2}:){5}[0-9A-F]{2}"(,"[EWU],([0-9A-F]{2}:){5}[0-9A-F]{2}")*)?\]$' <<<"$REPORT" ||
  fail "adapter lines: $REPORT"

step "qel.app.close() ends the application"
expect_exit "$APP_PID" "$WAIT" 0
echo "PASS"

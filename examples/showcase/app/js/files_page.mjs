// The "Files & folders" page: qel.dialogs, qel.files, qel.folders and
// qel.base64.
import { $, invoke, show, startPage, val, wire } from "./page.mjs";

// Members whose fields are empty are left out, so the function's own
// default applies.
function dialogArgs(extra) {
  const args = {};
  if (val("in-dlg-title") !== "") args.title = val("in-dlg-title");
  if (val("in-dlg-name") !== "") args.fileName = val("in-dlg-name");
  if (val("in-dlg-types") !== "") args.fileTypes = val("in-dlg-types");
  return Object.assign(args, extra);
}

// A chosen path goes into the fields that take one; cancelling gives "".
function useFile(path) {
  if (path) {
    $("in-file-path").value = path;
    $("in-b64-path").value = path;
  }
}

function useFolder(path) {
  if (path) $("in-dir-path").value = path;
}

// UTF-8 bytes of a text as base64.
function encodeBase64(text) {
  let binary = "";
  for (const byte of new TextEncoder().encode(text)) binary += String.fromCharCode(byte);
  return window.btoa(binary);
}

// Proposes paths in a folder of its own under the user's temporary folder.
async function fillPaths() {
  const temp = await show("out-temp-dir", invoke("folders.getTempDir"));
  if (typeof temp !== "string" || temp === "") return;
  // The folder getters end in the system's path delimiter.
  const delimiter = temp.slice(-1);
  const work = temp + "tessera-showcase" + delimiter;
  $("in-file-path").value = work + "note.txt";
  $("in-dir-path").value = work;
  $("in-target").value = work + "index-copy.html";
  $("in-b64-path").value = work + "hello.txt";
}

startPage(async () => {
  // qel.dialogs
  wire("btn-open-file", "out-dialog", "dialogs.openFile", () => dialogArgs(), { then: useFile });
  wire("btn-save-file", "out-dialog", "dialogs.saveFile",
    () => dialogArgs({ overwritePrompt: $("chk-overwrite").checked }), { then: useFile });
  wire("btn-sel-folder", "out-dialog", "dialogs.selFolder",
    () => (val("in-dlg-title") !== "" ? { title: val("in-dlg-title") } : {}), { then: useFolder });

  // qel.files
  const filePath = () => ({ filePath: val("in-file-path") });
  wire("btn-file-exists", "out-file", "files.fileExists", filePath);
  wire("btn-write-text", "out-file", "files.writeTextFile",
    () => ({ filePath: val("in-file-path"), contents: val("in-contents") }));
  wire("btn-delete-file", "out-file", "files.deleteFile", filePath,
    { confirmText: () => "Delete the file " + val("in-file-path") + "?" });
  wire("btn-extract", "out-extract", "files.extractFile",
    () => ({ sourceFile: val("in-source"), targetFile: val("in-target") }));

  // qel.folders
  const dirPath = () => ({ dirPath: val("in-dir-path") });
  wire("btn-dir-exists", "out-dir", "folders.dirExists", dirPath);
  wire("btn-create-dir", "out-dir", "folders.createDir", dirPath);
  wire("btn-list-files", "out-dir", "folders.listFiles", () => ({
    dirPath: val("in-dir-path"),
    fileMask: val("in-mask"),
    allDirs: $("chk-all-dirs").checked,
  }));
  wire("btn-delete-dir", "out-dir", "folders.deleteDir", dirPath,
    { confirmText: () => "Delete the folder " + val("in-dir-path") + " and everything in it, for good?" });
  wire("btn-temp-dir", "out-temp-dir", "folders.getTempDir");
  wire("btn-documents-dir", "out-documents-dir", "folders.getUserDocumentsDir");
  wire("btn-desktop-dir", "out-desktop-dir", "folders.getUserDesktopDir");
  wire("btn-exe-dir", "out-exe-dir", "folders.getAppExecutableDir");
  wire("btn-data-dir", "out-data-dir", "folders.getAppDataDir");

  // qel.base64
  $("btn-b64-encode").addEventListener("click", () => {
    $("in-b64-contents").value = encodeBase64(val("in-b64-text"));
  });
  wire("btn-b64-decode", "out-b64", "base64.decodeToFile",
    () => ({ filePath: val("in-b64-path"), contents: val("in-b64-contents") }));

  fillPaths();
});

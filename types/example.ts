/// <reference path="qel.d.ts" />
// A small page script written against the declarations: a notes page that
// keeps one text file, with a menu, a tray icon and a window that remembers
// its size. The test suite compiles it with `tsc --strict` to keep the
// declarations honest.

const NOTES_FILE = "notes/today.txt";
const SETTINGS_KEY = "Software\\Tessera Examples\\Notes";

async function describeRuntime(): Promise<string> {
  const version: string = await qel.hello();
  const inRuntime: boolean = await window.qel.isRuntime();
  return inRuntime ? `Tessera ${version}` : `preview (bridge ${version})`;
}

async function saveNotes(text: string): Promise<void> {
  await qel.folders.createDir({ dirPath: "notes" });
  await qel.files.writeTextFile({ filePath: NOTES_FILE, contents: text });
}

async function listNotes(): Promise<string[]> {
  const folder: string = await qel.folders.getAppExecutableDir();
  return qel.folders.listFiles({ dirPath: folder + "notes", fileMask: "*.txt", allDirs: false });
}

async function exportNotes(): Promise<string | null> {
  const target = await qel.dialogs.saveFile({
    title: "Export notes",
    fileName: "notes.txt",
    fileTypes: "Text files|*.txt;All files|*.*",
    overwritePrompt: true,
  });
  if (target === "") return null;
  await qel.files.writeTextFile({ filePath: target, contents: "exported" });
  return target;
}

async function rememberWindow(): Promise<void> {
  const bounds: Qel.WindowBounds = await qel.window.getSize();
  await qel.registry.writeValue({ key: SETTINGS_KEY, name: "Width", value: String(bounds.width) });
  await qel.registry.writeValue({ key: SETTINGS_KEY, name: "Height", value: String(bounds.height) });
}

async function restoreWindow(): Promise<void> {
  if (!(await qel.registry.valueExist({ key: SETTINGS_KEY, name: "Width" }))) return;
  const width = await qel.registry.readValue({ key: SETTINGS_KEY, name: "Width" });
  const height = await qel.registry.readValue({ key: SETTINGS_KEY, name: "Height" });
  await qel.window.setSize({ width, height });
}

async function setUpMenus(): Promise<void> {
  const items: Qel.MenuItem[] = [
    {
      id: 1,
      caption: "File",
      items: [
        { id: 11, caption: "Export…" },
        { id: 12, caption: "-" },
        { id: 19, caption: "Quit" },
      ],
    },
    { id: 2, caption: "View", items: [{ id: 21, caption: "Always on top" }] },
  ];
  await qel.mainMenu.setItems({ items: "[]" });
  await qel.mainMenu.setItems({ items: JSON.stringify(items) });
  await qel.trayMenu.setItems({ items: JSON.stringify([{ id: 301, caption: "Show" }]) });
  await qel.trayMenu.showIcon();
}

function installHandlers(): void {
  let dirty = false;
  qel.events.onMainMenuItemClick = (itemId: string) => {
    if (itemId === "11") void exportNotes();
    if (itemId === "19") void qel.app.close();
    if (itemId === "21") {
      void qel.window.getStyle().then((style) =>
        qel.window.setStyle({ style: style === "ontop" ? "normal" : "ontop" }));
    }
  };
  qel.events.onTrayMenuItemClick = (itemId) => {
    if (itemId === "301") void qel.window.setState({ state: "normal" });
  };
  qel.events.onTrayIconClick = () => {
    void qel.window.setState({ state: "normal" });
  };
  qel.events.onNotificationClick = (name) => {
    if (name === "saved") void qel.shell.explore({ filePath: NOTES_FILE });
  };
  // Ask before closing while there are unsaved changes.
  qel.events.onCloseQuery = () => {
    if (!dirty || window.confirm("Close without saving?")) {
      void rememberWindow().finally(() => qel.app.close());
    }
  };
  document.addEventListener("input", () => {
    dirty = true;
  });
}

async function start(): Promise<void> {
  document.title = await describeRuntime();
  installHandlers();
  if (await qel.isRuntime()) {
    await restoreWindow();
    await setUpMenus();
  }
  const notes = await listNotes().catch((reason: unknown) => {
    console.warn("cannot list the notes:", reason);
    return [] as string[];
  });
  const editor = document.querySelector("textarea");
  if (editor && notes.length > 0) {
    editor.value = notes.join("\n");
  }
  document.querySelector("#save")?.addEventListener("click", async () => {
    await saveNotes(editor?.value ?? "");
    const shown: boolean = await qel.system.notification({ name: "saved", title: "Notes", body: "Saved." });
    if (!shown) console.info("no notification service");
  });
}

void start();

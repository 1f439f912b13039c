// Calls the runtime would not answer, or would answer other than the page
// expects: each must be a compile error. A line whose error disappears
// fails the check ("Unused '@ts-expect-error' directive").
/// <reference path="../../types/qel.d.ts" />

export async function misuse(): Promise<void> {
  // A function with arguments needs its object, even with every member
  // optional: without one the request carries no data and gets no reply.
  // @ts-expect-error
  await qel.dialogs.openFile();
  // @ts-expect-error
  await qel.window.setTitle();

  // Members the functions reject without.
  // @ts-expect-error
  await qel.files.fileExists({});
  // @ts-expect-error
  await qel.folders.listFiles({ dirPath: "data", fileMask: "*.*" });
  // @ts-expect-error
  await qel.registry.readValue({ key: "Software\\Notes" });
  // @ts-expect-error
  await qel.files.extractFile({ sourceFile: "/data/a.txt" });
  // @ts-expect-error
  await qel.app.navigate({});

  // Misspelt members and names the runtime ignores.
  // @ts-expect-error
  await qel.files.writeTextFile({ filePath: "a.txt", content: "x" });
  // @ts-expect-error
  await qel.window.setStyle({ style: "onTop" });
  // @ts-expect-error
  await qel.window.setState({ state: "hidden" });
  // @ts-expect-error
  await qel.window.setBorder({ border: "thin" });

  // Functions without arguments take none.
  // @ts-expect-error
  await qel.folders.getTempDir({});

  // Menu items go as JSON text, not as objects.
  // @ts-expect-error
  await qel.mainMenu.setItems({ items: [{ id: 1, caption: "File" }] });

  // Results are what the handlers reply.
  // @ts-expect-error
  const size: string = await qel.window.getSize();
  // @ts-expect-error
  const zoom: number = await qel.window.getZoom();
  // @ts-expect-error
  const files: string = await qel.folders.listFiles({ dirPath: "d", fileMask: "*", allDirs: true });
  void size;
  void zoom;
  void files;

  // Menu item IDs arrive as strings.
  // @ts-expect-error
  qel.events.onMainMenuItemClick = (itemId: number) => void itemId;

  // Functions that never settle have no value to use.
  const closed = await qel.app.close();
  // @ts-expect-error
  closed.toString();
}

// The exact result type of every bridge function, as its native handler
// replies (src/functions/ and the bridge module's own Hello and IsRuntime).
// Each line fails to compile when the declarations drift: a wrong type, a
// looser one (any, unknown) or a missing function.
/// <reference path="../../types/qel.d.ts" />

type Equal<X, Y> =
  (<T>() => T extends X ? 1 : 2) extends (<T>() => T extends Y ? 1 : 2) ? true : false;
type Expect<T extends true> = T;
type Result<F> = F extends (...args: never[]) => Promise<infer R> ? R : "not a promise";

type Bounds = { top: number; left: number; width: number; height: number };
type Border = "none" | "single" | "sizeable" | "dialog" | "toolwindow" | "sizetoolwindow";

export type Checks = [
  Expect<Equal<Result<typeof qel.hello>, string>>,
  Expect<Equal<Result<typeof qel.isRuntime>, boolean>>,
  Expect<Equal<Result<typeof qel.call>, unknown>>,

  Expect<Equal<Result<typeof qel.app.close>, never>>,
  Expect<Equal<Result<typeof qel.app.inFullscreen>, boolean>>,
  Expect<Equal<Result<typeof qel.app.enterFullscreen>, never>>,
  Expect<Equal<Result<typeof qel.app.exitFullscreen>, never>>,
  Expect<Equal<Result<typeof qel.app.getArgs>, string[]>>,
  Expect<Equal<Result<typeof qel.app.navigate>, true>>,

  Expect<Equal<Result<typeof qel.window.getStyle>, "normal" | "ontop">>,
  Expect<Equal<Result<typeof qel.window.setStyle>, true>>,
  Expect<Equal<Result<typeof qel.window.getState>, "normal" | "minimized" | "maximized">>,
  Expect<Equal<Result<typeof qel.window.setState>, true>>,
  Expect<Equal<Result<typeof qel.window.getTitle>, string>>,
  Expect<Equal<Result<typeof qel.window.setTitle>, true>>,
  Expect<Equal<Result<typeof qel.window.getZoom>, string>>,
  Expect<Equal<Result<typeof qel.window.setZoom>, boolean>>,
  Expect<Equal<Result<typeof qel.window.getSize>, Qel.WindowBounds>>,
  Expect<Equal<Qel.WindowBounds, Bounds>>,
  Expect<Equal<Result<typeof qel.window.setSize>, true>>,
  Expect<Equal<Result<typeof qel.window.getBorder>, Border>>,
  Expect<Equal<Result<typeof qel.window.setBorder>, never>>,

  Expect<Equal<Result<typeof qel.dialogs.openFile>, string>>,
  Expect<Equal<Result<typeof qel.dialogs.saveFile>, string>>,
  Expect<Equal<Result<typeof qel.dialogs.selFolder>, string>>,

  Expect<Equal<Result<typeof qel.files.fileExists>, boolean>>,
  Expect<Equal<Result<typeof qel.files.deleteFile>, boolean>>,
  Expect<Equal<Result<typeof qel.files.writeTextFile>, true>>,
  Expect<Equal<Result<typeof qel.files.extractFile>, true>>,

  Expect<Equal<Result<typeof qel.folders.dirExists>, boolean>>,
  Expect<Equal<Result<typeof qel.folders.createDir>, boolean>>,
  Expect<Equal<Result<typeof qel.folders.deleteDir>, boolean>>,
  Expect<Equal<Result<typeof qel.folders.listFiles>, string[]>>,
  Expect<Equal<Result<typeof qel.folders.getTempDir>, string>>,
  Expect<Equal<Result<typeof qel.folders.getUserDocumentsDir>, string>>,
  Expect<Equal<Result<typeof qel.folders.getUserDesktopDir>, string>>,
  Expect<Equal<Result<typeof qel.folders.getAppExecutableDir>, string>>,
  Expect<Equal<Result<typeof qel.folders.getAppDataDir>, string>>,

  Expect<Equal<Result<typeof qel.base64.decodeToFile>, true>>,

  Expect<Equal<Result<typeof qel.shell.execute>, true>>,
  Expect<Equal<Result<typeof qel.shell.explore>, true>>,
  Expect<Equal<Result<typeof qel.shell.command>, string>>,
  Expect<Equal<Result<typeof qel.shell.windows>, string[]>>,

  Expect<Equal<Result<typeof qel.system.logoff>, true>>,
  Expect<Equal<Result<typeof qel.system.reboot>, true>>,
  Expect<Equal<Result<typeof qel.system.shutdown>, true>>,
  Expect<Equal<Result<typeof qel.system.macAddresses>, string[]>>,
  Expect<Equal<Result<typeof qel.system.notification>, boolean>>,

  Expect<Equal<Result<typeof qel.mainMenu.setItems>, true>>,
  Expect<Equal<Result<typeof qel.mainMenu.updateItem>, true>>,
  Expect<Equal<Result<typeof qel.trayMenu.showIcon>, true>>,
  Expect<Equal<Result<typeof qel.trayMenu.hideIcon>, true>>,
  Expect<Equal<Result<typeof qel.trayMenu.setItems>, true>>,
  Expect<Equal<Result<typeof qel.trayMenu.updateItem>, true>>,

  Expect<Equal<Result<typeof qel.themes.getTheme>, string>>,
  Expect<Equal<Result<typeof qel.themes.getThemes>, string[]>>,
  Expect<Equal<Result<typeof qel.themes.setTheme>, boolean>>,

  Expect<Equal<Result<typeof qel.registry.writeValue>, boolean>>,
  Expect<Equal<Result<typeof qel.registry.readValue>, string>>,
  Expect<Equal<Result<typeof qel.registry.valueExist>, boolean>>,
  Expect<Equal<Result<typeof qel.registry.deleteValue>, boolean>>,
  Expect<Equal<Result<typeof qel.registry.keyExist>, boolean>>,
  Expect<Equal<Result<typeof qel.registry.deleteKey>, boolean>>,

  // The events' arguments: menu item IDs and notification names are texts.
  Expect<Equal<Parameters<typeof qel.events.onCloseQuery>, []>>,
  Expect<Equal<Parameters<typeof qel.events.onMainMenuItemClick>, [itemId: string]>>,
  Expect<Equal<Parameters<typeof qel.events.onTrayMenuItemClick>, [itemId: string]>>,
  Expect<Equal<Parameters<typeof qel.events.onTrayIconClick>, []>>,
  Expect<Equal<Parameters<typeof qel.events.onNotificationClick>, [name: string]>>,
];

// window.qel is the same object as qel.
export const sameObject: Expect<Equal<typeof window.qel, Qel.Bridge>> = true;

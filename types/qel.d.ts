// TypeScript declarations of window.qel, the bridge Tessera gives every page
// of a packaged app.
//
// Use them by listing this file in your tsconfig.json ("files" or
// "include"), or with a reference at the top of a page script:
//
//   /// <reference path="qel.d.ts" />
//
// Then `qel` and `window.qel` are typed:
//
//   const version: string = await qel.hello();
//   const paths: string[] = await qel.folders.listFiles({ dirPath: "data", fileMask: "*.txt", allDirs: false });
//
// How the runtime reads the arguments, and what these types say of it:
// - A function that takes arguments needs its arguments object, even when
//   every member is optional: a call without it is never answered.
// - A required member is one the function rejects without ("Missing ...");
//   an optional one takes its default when left out.
// - Results arrive as JSON values: a boolean, a string, an array or an
//   object, already parsed. A rejection carries a message string.
// - Some functions never settle (Promise<never>): app.close,
//   app.enterFullscreen, app.exitFullscreen and window.setBorder. Call them
//   without awaiting them.
// - Functions marked "Runtime only" answer only in a packaged app; anywhere
//   else they show a message and their promise stays pending.
//
// docs/page-api.md describes every function.

declare namespace Qel {
  /** The three window states. */
  type WindowState = "normal" | "minimized" | "maximized";

  /** The six frames a window can have. */
  type BorderStyle = "none" | "single" | "sizeable" | "dialog" | "toolwindow" | "sizetoolwindow";

  /** The main window's bounds in screen pixels, frame included. */
  interface WindowBounds {
    top: number;
    left: number;
    width: number;
    height: number;
  }

  /**
   * A menu item, for mainMenu.setItems and trayMenu.setItems (which take the
   * JSON text of an array of these: `JSON.stringify(items)`).
   */
  interface MenuItem {
    /** The item's ID; clicks report it to the page as a decimal string. */
    id: number;
    /** The item's text; "-" makes a separator. */
    caption: string;
    /** false greys the item out. */
    enabled?: boolean;
    /**
     * A picture: a package entry by its full name, app folder included
     * ("notes/img/open.png"), else a file beside the executable or at that path.
     */
    image?: string;
    /** Sub-items; an item with sub-items reports no clicks of its own. */
    items?: MenuItem[];
  }

  // --- Arguments ---

  interface NavigateArgs {
    url: string;
  }
  interface SetStyleArgs {
    /** "ontop" keeps the window above other windows; the default is "normal". */
    style?: "normal" | "ontop";
  }
  interface SetStateArgs {
    /** The default is "normal". */
    state?: WindowState;
  }
  interface SetTitleArgs {
    /** The new caption; the default is empty. */
    title?: string;
  }
  interface SetZoomArgs {
    /** A number, or a text with "." as decimal point; anything else sets 1 and resolves false. */
    factor: number | string;
  }
  interface SetSizeArgs {
    /** Each bound left out keeps its current value. */
    top?: number | string;
    left?: number | string;
    width?: number | string;
    height?: number | string;
  }
  interface SetBorderArgs {
    /** The default is "sizeable"; another name changes nothing. */
    border?: BorderStyle;
  }

  interface OpenFileArgs {
    /** The file name the dialog starts with. */
    fileName?: string;
    /** The dialog's caption; the default is "Open file". */
    title?: string;
    /** Filters as "Name|mask" entries separated by ";": "Text files|*.txt;All files|*.*". */
    fileTypes?: string;
  }
  interface SaveFileArgs {
    fileName?: string;
    /** The dialog's caption; the default is "Save file". */
    title?: string;
    fileTypes?: string;
    /** true asks before an existing file is chosen; the default is false. */
    overwritePrompt?: boolean;
  }
  interface SelFolderArgs {
    /** The dialog's caption; the default is "Save file". */
    title?: string;
  }

  interface FilePathArgs {
    /** Absolute, or relative to the executable's folder ("/" may separate folders). */
    filePath: string;
  }
  interface WriteTextFileArgs extends FilePathArgs {
    /** The text; written as UTF-8 with a byte order mark and CR LF line ends. The default is empty. */
    contents?: string;
  }
  interface ExtractFileArgs {
    /** The file's path inside the app folder, as "/data/a.txt". */
    sourceFile: string;
    /** Where to write it: a full path; no folders are created. */
    targetFile: string;
  }
  interface DecodeToFileArgs extends FilePathArgs {
    /** Plain base64, without line breaks or a "data:" prefix. The default is empty. */
    contents?: string;
  }

  interface DirPathArgs {
    /** Absolute, or relative to the executable's folder ("/" may separate folders). */
    dirPath: string;
  }
  interface ListFilesArgs extends DirPathArgs {
    /** "*.*" for all; "*", "?" and "[set]" match, ignoring letter case. */
    fileMask: string;
    /** true lists the files in subfolders too. */
    allDirs: boolean | "true" | "false";
  }

  interface ExecuteArgs {
    /** A document, program or URL, handed to the system unchanged. */
    filePath: string;
    /** The program's argument text. */
    arguments?: string;
  }
  interface ExploreArgs {
    /** The file or folder to show, handed to the system unchanged. */
    filePath: string;
  }
  interface CommandArgs {
    /** Run through cmd.exe /C on Windows and /bin/sh -c on Linux. */
    command: string;
    /** The folder the command runs in; the default is the current one. */
    workingDir?: string;
    /** true shows the console window (Windows); the default is false. */
    showWindow?: boolean;
  }

  interface NotificationArgs {
    /** Passed back to events.onNotificationClick when the notification is clicked. */
    name?: string;
    title?: string;
    body?: string;
  }

  interface SetMenuItemsArgs {
    /** The JSON text of an array of MenuItem: `JSON.stringify(items)`. "[]" clears the menu. */
    items: string;
  }
  interface UpdateMenuItemArgs {
    /** The ID of the item to change. */
    id: number | string;
    /** A new caption; empty or left out keeps the caption. */
    caption?: string;
    enabled?: boolean;
    /** A new picture, named as MenuItem.image. */
    image?: string;
  }

  interface SetThemeArgs {
    /** A name exactly as themes.getThemes() lists it. */
    name?: string;
  }

  interface RegistryKeyArgs {
    /** A key path below the user's root, with "\\" between its parts. */
    key: string;
  }
  interface RegistryValueArgs extends RegistryKeyArgs {
    /** The value's name. */
    name: string;
  }
  interface RegistryWriteArgs extends RegistryValueArgs {
    /** The text to store; the default is empty. */
    value?: string;
  }

  // --- The groups ---

  interface App {
    /** Lets the main window close. Never settles. */
    close(): Promise<never>;
    /** Whether the window is in full screen. */
    inFullscreen(): Promise<boolean>;
    /** Runtime only. The window loses its frame and is maximized. Never settles. */
    enterFullscreen(): Promise<never>;
    /** Runtime only. Back to the normal state and the configured frame. Never settles. */
    exitFullscreen(): Promise<never>;
    /** Runtime only. The program's path, then its command-line arguments. */
    getArgs(): Promise<string[]>;
    /** Navigates the page; resolves without waiting for the new page. Rejects with "Missing url". */
    navigate(args: NavigateArgs): Promise<true>;
  }

  /** The main window. */
  interface MainWindow {
    /** "ontop" when the window stays above other windows. */
    getStyle(): Promise<"normal" | "ontop">;
    /** Runtime only. */
    setStyle(args: SetStyleArgs): Promise<true>;
    /** Runtime only. */
    getState(): Promise<WindowState>;
    /** Runtime only. With the tray icon shown, "minimized" hides the window and the others bring it back. */
    setState(args: SetStateArgs): Promise<true>;
    /** The caption. */
    getTitle(): Promise<string>;
    /** Runtime only. */
    setTitle(args: SetTitleArgs): Promise<true>;
    /** The zoom factor as a text in the user's locale ("1.25", or "1,25"). */
    getZoom(): Promise<string>;
    /** true when the factor was a number. */
    setZoom(args: SetZoomArgs): Promise<boolean>;
    /** Runtime only. */
    getSize(): Promise<WindowBounds>;
    /** Runtime only. */
    setSize(args: SetSizeArgs): Promise<true>;
    /** Runtime only. */
    getBorder(): Promise<BorderStyle>;
    /** Runtime only. Never settles. */
    setBorder(args: SetBorderArgs): Promise<never>;
  }

  /** The system's file dialogs: the chosen path, "" when cancelled. None rejects. */
  interface Dialogs {
    openFile(args: OpenFileArgs): Promise<string>;
    saveFile(args: SaveFileArgs): Promise<string>;
    /** The chosen folder, ending in the path delimiter. */
    selFolder(args: SelFolderArgs): Promise<string>;
  }

  interface Files {
    /** true when a file (not a folder) is there. Rejects with "Missing filePath". */
    fileExists(args: FilePathArgs): Promise<boolean>;
    /** true when the file was deleted. Rejects with "Missing filePath". */
    deleteFile(args: FilePathArgs): Promise<boolean>;
    /** Creates missing folders. Rejects with "Missing filePath" or the error. */
    writeTextFile(args: WriteTextFileArgs): Promise<true>;
    /**
     * Runtime only. Copies a file of the package to disk. Rejects with
     * "Missing sourceFile", "Missing targetFile", "File not found" or the error.
     */
    extractFile(args: ExtractFileArgs): Promise<true>;
  }

  /** Folder paths that these functions give end in the path delimiter. */
  interface Folders {
    /** Rejects with "Missing dirPath". */
    dirExists(args: DirPathArgs): Promise<boolean>;
    /** true when the folder exists or was created (its parent must exist). Rejects with "Missing dirPath". */
    createDir(args: DirPathArgs): Promise<boolean>;
    /** Deletes the folder and everything in it, without asking. Rejects with "Missing dirPath". */
    deleteDir(args: DirPathArgs): Promise<boolean>;
    /**
     * The full paths of the matching files. Rejects with "Missing dirPath",
     * "Missing fileMask", "Missing allDirs" or "The specified folder does not exist.".
     */
    listFiles(args: ListFilesArgs): Promise<string[]>;
    getTempDir(): Promise<string>;
    getUserDocumentsDir(): Promise<string>;
    getUserDesktopDir(): Promise<string>;
    getAppExecutableDir(): Promise<string>;
    getAppDataDir(): Promise<string>;
  }

  interface Base64 {
    /** Decodes base64 text into a file; creates missing folders. Rejects with "Missing filePath" or the error. */
    decodeToFile(args: DecodeToFileArgs): Promise<true>;
  }

  interface Shell {
    /** Opens a document, program or URL as the desktop would. Rejects with "Missing filePath" or the system's reason. */
    execute(args: ExecuteArgs): Promise<true>;
    /** Shows the item in a file window. Rejects with "Missing filePath" or the system's reason. */
    explore(args: ExploreArgs): Promise<true>;
    /** Runs a command, waits for it and gives its output, standard error included. Rejects with "Missing command". */
    command(args: CommandArgs): Promise<string>;
    /** The captions of the top-level windows. */
    windows(): Promise<string[]>;
  }

  interface System {
    /** Runtime only. Other programs are closed without being asked to save. Rejects with the system's reason. */
    logoff(): Promise<true>;
    /** Runtime only. As logoff. */
    reboot(): Promise<true>;
    /** Runtime only. As logoff. */
    shutdown(): Promise<true>;
    /** Lines such as "E,00:1A:2B:3C:4D:5E" (E Ethernet, W wireless, U other). */
    macAddresses(): Promise<string[]>;
    /** A desktop notification, answered once the notification service has: false when there is none or it refused. */
    notification(args: NotificationArgs): Promise<boolean>;
  }

  /** The main window's menu bar. Runtime only. */
  interface MainMenu {
    /**
     * Sets the menu's items. A menu that has items keeps them when given
     * another non-empty list: send "[]" first to replace it. Rejects with
     * "Missing menu items", "Wrong menu items JSON" or "Wrong menu item JSON".
     */
    setItems(args: SetMenuItemsArgs): Promise<true>;
    /** Resolves also when no item has the ID. Rejects with "Missing item ID", "Wrong item ID" or "No menu items". */
    updateItem(args: UpdateMenuItemArgs): Promise<true>;
  }

  /** An icon in the notification area with a pop-up menu. Runtime only. */
  interface TrayMenu {
    showIcon(): Promise<true>;
    hideIcon(): Promise<true>;
    /** As mainMenu.setItems, for the icon's pop-up menu. */
    setItems(args: SetMenuItemsArgs): Promise<true>;
    /** As mainMenu.updateItem, for the icon's pop-up menu. */
    updateItem(args: UpdateMenuItemArgs): Promise<true>;
  }

  /** The look of the app's own windows, not of the page. Runtime only. */
  interface Themes {
    /** The active theme's name. */
    getTheme(): Promise<string>;
    /** Every theme's name, sorted; "Windows" is the system's own look. */
    getThemes(): Promise<string[]>;
    /** true when that theme is active afterwards. */
    setTheme(args: SetThemeArgs): Promise<boolean>;
  }

  /**
   * Text values under the user's root (HKEY_CURRENT_USER on Windows, a
   * per-user store on Linux). Each rejects with "Missing registry key." or
   * "Missing value name." when that member is missing.
   */
  interface Registry {
    /** Creates missing keys; false when the key cannot be opened or created. */
    writeValue(args: RegistryWriteArgs): Promise<boolean>;
    /** The value's text; "" when the key or value is missing. */
    readValue(args: RegistryValueArgs): Promise<string>;
    valueExist(args: RegistryValueArgs): Promise<boolean>;
    deleteValue(args: RegistryValueArgs): Promise<boolean>;
    keyExist(args: RegistryKeyArgs): Promise<boolean>;
    /** Deletes the key and all its subkeys. */
    deleteKey(args: RegistryKeyArgs): Promise<boolean>;
  }

  /** Handlers the runtime calls in the page; assign your own functions. */
  interface Events {
    /** The user asks to close the main window; the default calls qel.app.close(). */
    onCloseQuery: () => void;
    /** A main menu item without sub-items was clicked; its ID as a decimal string. */
    onMainMenuItemClick: (itemId: string) => void;
    /** A tray menu item without sub-items was clicked; its ID as a decimal string. */
    onTrayMenuItemClick: (itemId: string) => void;
    /** The tray icon was clicked. */
    onTrayIconClick: () => void;
    /** A notification of this app was clicked; the name it was given. */
    onNotificationClick: (name: string) => void;
  }

  /** window.qel */
  interface Bridge {
    /**
     * The transport every function uses: posts a request for a function ID
     * and settles with the reply. The arguments object is required.
     */
    call(funcID: number, args: object): Promise<unknown>;
    /** The bridge's version, as "2026.1". */
    hello(): Promise<string>;
    /** true in a packaged app. */
    isRuntime(): Promise<boolean>;
    app: App;
    window: MainWindow;
    dialogs: Dialogs;
    files: Files;
    folders: Folders;
    base64: Base64;
    shell: Shell;
    system: System;
    mainMenu: MainMenu;
    trayMenu: TrayMenu;
    themes: Themes;
    registry: Registry;
    events: Events;
  }
}

/** The page's bridge to the native functions; also reachable as window.qel. */
declare var qel: Qel.Bridge;

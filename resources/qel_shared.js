window.qel = {
  // The page's bridge to the native functions of the runtime. The runtime
  // runs this text at the creation of every document, so each page gets a
  // fresh object. It must stay one assignment that defines no other global
  // name, and plain ES2017, since it runs before any page script in
  // whatever engine hosts the page.
  //
  // Every function posts a request {id, uuid, data} to the host and returns
  // a promise. The host answers with {uuid, success, result}: the call with
  // the same uuid resolves with result when success is true and rejects
  // with it (a message text) otherwise. A call the host does not answer
  // stays pending for the life of the document.

  // The transport. Pages may use it directly with any function ID.
  call: function (funcID, args) {
    // Ties the reply to this call. It only has to differ from the other
    // calls pending in this page, so Math.random is good enough.
    var callId = 'xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx'.replace(/[xy]/g, function (c) {
      var r = Math.random() * 16 | 0;
      return (c === 'x' ? r : (r & 3) | 8).toString(16);
    });

    return new Promise(function (resolve, reject) {
      // Every reply reaches every pending call's listener; only the one
      // whose call ID matches acts on it, and then it is done for good.
      var listener = function (message) {
        var reply = message.data;
        if (reply == null || reply.uuid !== callId) {
          return;
        }
        window.chrome.webview.removeEventListener('message', listener);
        if (reply.success === true) {
          resolve(reply.result);
        } else {
          reject(reply.result);
        }
      };
      // Listen before posting: the host may answer before postMessage
      // returns, and a reply that finds no listener is lost.
      window.chrome.webview.addEventListener('message', listener);
      window.chrome.webview.postMessage({ id: funcID, uuid: callId, data: args });
    });
  },

  // Called through the object they are invoked on, unlike the groups below.
  hello: function () {
    return this.call(10001, {});
  },
  isRuntime: function () {
    return this.call(10002, {});
  },

  // The native functions, by group. Each hands its arguments object to the
  // host as it is (the host reads and checks the members); a function
  // without arguments sends a new empty object. They go through
  // window.qel.call at the time of the call, so a page that wraps call sees
  // them all.

  dialogs: {
    openFile: function (args) {
      return window.qel.call(20001, args);
    },
    saveFile: function (args) {
      return window.qel.call(20002, args);
    },
    selFolder: function (args) {
      return window.qel.call(20003, args);
    }
  },

  files: {
    fileExists: function (args) {
      return window.qel.call(30001, args);
    },
    deleteFile: function (args) {
      return window.qel.call(30002, args);
    },
    writeTextFile: function (args) {
      return window.qel.call(30003, args);
    },
    extractFile: function (args) {
      return window.qel.call(30004, args);
    }
  },

  folders: {
    dirExists: function (args) {
      return window.qel.call(40001, args);
    },
    createDir: function (args) {
      return window.qel.call(40002, args);
    },
    deleteDir: function (args) {
      return window.qel.call(40003, args);
    },
    listFiles: function (args) {
      return window.qel.call(40004, args);
    },
    getTempDir: function () {
      return window.qel.call(40005, {});
    },
    getUserDocumentsDir: function () {
      return window.qel.call(40006, {});
    },
    getUserDesktopDir: function () {
      return window.qel.call(40007, {});
    },
    getAppExecutableDir: function () {
      return window.qel.call(40008, {});
    },
    getAppDataDir: function () {
      return window.qel.call(40009, {});
    }
  },

  app: {
    // Lets the main window close; the promise never settles.
    close: function () {
      return window.qel.call(50001, {});
    },
    inFullscreen: function () {
      return window.qel.call(50002, {});
    },
    enterFullscreen: function () {
      return window.qel.call(50003, {});
    },
    exitFullscreen: function () {
      return window.qel.call(50004, {});
    },
    getArgs: function () {
      return window.qel.call(50005, {});
    },
    navigate: function (args) {
      return window.qel.call(50006, args);
    }
  },

  window: {
    getStyle: function () {
      return window.qel.call(60001, {});
    },
    setStyle: function (args) {
      return window.qel.call(60002, args);
    },
    getState: function () {
      return window.qel.call(60003, {});
    },
    setState: function (args) {
      return window.qel.call(60004, args);
    },
    getTitle: function () {
      return window.qel.call(60005, {});
    },
    setTitle: function (args) {
      return window.qel.call(60006, args);
    },
    getZoom: function () {
      return window.qel.call(60007, {});
    },
    setZoom: function (args) {
      return window.qel.call(60008, args);
    },
    getSize: function () {
      return window.qel.call(60009, {});
    },
    setSize: function (args) {
      return window.qel.call(60010, args);
    },
    getBorder: function () {
      return window.qel.call(60011, {});
    },
    setBorder: function (args) {
      return window.qel.call(60012, args);
    }
  },

  shell: {
    execute: function (args) {
      return window.qel.call(70001, args);
    },
    explore: function (args) {
      return window.qel.call(70002, args);
    },
    command: function (args) {
      return window.qel.call(70003, args);
    },
    windows: function () {
      return window.qel.call(70004, {});
    }
  },

  themes: {
    getTheme: function () {
      return window.qel.call(80001, {});
    },
    getThemes: function () {
      return window.qel.call(80002, {});
    },
    setTheme: function (args) {
      return window.qel.call(80003, args);
    }
  },

  base64: {
    decodeToFile: function (args) {
      return window.qel.call(90001, args);
    }
  },

  system: {
    logoff: function () {
      return window.qel.call(11001, {});
    },
    reboot: function () {
      return window.qel.call(11002, {});
    },
    shutdown: function () {
      return window.qel.call(11003, {});
    },
    macAddresses: function () {
      return window.qel.call(11004, {});
    },
    notification: function (args) {
      return window.qel.call(11005, args);
    }
  },

  mainMenu: {
    setItems: function (args) {
      return window.qel.call(12001, args);
    },
    updateItem: function (args) {
      return window.qel.call(12002, args);
    }
  },

  registry: {
    writeValue: function (args) {
      return window.qel.call(13001, args);
    },
    readValue: function (args) {
      return window.qel.call(13002, args);
    },
    valueExist: function (args) {
      return window.qel.call(13003, args);
    },
    deleteValue: function (args) {
      return window.qel.call(13004, args);
    },
    keyExist: function (args) {
      return window.qel.call(13005, args);
    },
    deleteKey: function (args) {
      return window.qel.call(13006, args);
    }
  },

  trayMenu: {
    showIcon: function () {
      return window.qel.call(14001, {});
    },
    hideIcon: function () {
      return window.qel.call(14002, {});
    },
    setItems: function (args) {
      return window.qel.call(14003, args);
    },
    updateItem: function (args) {
      return window.qel.call(14004, args);
    }
  },

  // Handlers the host invokes by running "qel.events.<name>(...);" in the
  // page. A page replaces one by assigning its own function to the member.
  // Menu item IDs arrive as decimal strings, not numbers.
  events: {
    // The user asked to close the main window. The window stays open until
    // the page agrees by calling qel.app.close(), which this default does;
    // a page that wants to ask first replaces it.
    onCloseQuery: function () {
      window.qel.app.close();
    },
    onMainMenuItemClick: function (itemId) {},
    onTrayMenuItemClick: function (itemId) {},
    onTrayIconClick: function () {},
    onNotificationClick: function (notifName) {}
  }
};

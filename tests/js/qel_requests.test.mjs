// What the bridge script defines and what each function posts to the host.

import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import { openPage, scriptText } from './fake_webview.mjs';

// Every bridge function in the order the object lists it: [path, function ID,
// takes an arguments object].
const FUNCTIONS = [
  ['hello', 10001, false],
  ['isRuntime', 10002, false],
  ['dialogs.openFile', 20001, true],
  ['dialogs.saveFile', 20002, true],
  ['dialogs.selFolder', 20003, true],
  ['files.fileExists', 30001, true],
  ['files.deleteFile', 30002, true],
  ['files.writeTextFile', 30003, true],
  ['files.extractFile', 30004, true],
  ['folders.dirExists', 40001, true],
  ['folders.createDir', 40002, true],
  ['folders.deleteDir', 40003, true],
  ['folders.listFiles', 40004, true],
  ['folders.getTempDir', 40005, false],
  ['folders.getUserDocumentsDir', 40006, false],
  ['folders.getUserDesktopDir', 40007, false],
  ['folders.getAppExecutableDir', 40008, false],
  ['folders.getAppDataDir', 40009, false],
  ['app.close', 50001, false],
  ['app.inFullscreen', 50002, false],
  ['app.enterFullscreen', 50003, false],
  ['app.exitFullscreen', 50004, false],
  ['app.getArgs', 50005, false],
  ['app.navigate', 50006, true],
  ['window.getStyle', 60001, false],
  ['window.setStyle', 60002, true],
  ['window.getState', 60003, false],
  ['window.setState', 60004, true],
  ['window.getTitle', 60005, false],
  ['window.setTitle', 60006, true],
  ['window.getZoom', 60007, false],
  ['window.setZoom', 60008, true],
  ['window.getSize', 60009, false],
  ['window.setSize', 60010, true],
  ['window.getBorder', 60011, false],
  ['window.setBorder', 60012, true],
  ['shell.execute', 70001, true],
  ['shell.explore', 70002, true],
  ['shell.command', 70003, true],
  ['shell.windows', 70004, false],
  ['themes.getTheme', 80001, false],
  ['themes.getThemes', 80002, false],
  ['themes.setTheme', 80003, true],
  ['base64.decodeToFile', 90001, true],
  ['system.logoff', 11001, false],
  ['system.reboot', 11002, false],
  ['system.shutdown', 11003, false],
  ['system.macAddresses', 11004, false],
  ['system.notification', 11005, true],
  ['mainMenu.setItems', 12001, true],
  ['mainMenu.updateItem', 12002, true],
  ['registry.writeValue', 13001, true],
  ['registry.readValue', 13002, true],
  ['registry.valueExist', 13003, true],
  ['registry.deleteValue', 13004, true],
  ['registry.keyExist', 13005, true],
  ['registry.deleteKey', 13006, true],
  ['trayMenu.showIcon', 14001, false],
  ['trayMenu.hideIcon', 14002, false],
  ['trayMenu.setItems', 14003, true],
  ['trayMenu.updateItem', 14004, true],
];

const GROUPS = ['dialogs', 'files', 'folders', 'app', 'window', 'shell', 'themes', 'base64',
  'system', 'mainMenu', 'registry', 'trayMenu'];

const EVENTS = [
  ['onCloseQuery', 0],
  ['onMainMenuItemClick', 1],
  ['onTrayMenuItemClick', 1],
  ['onTrayIconClick', 0],
  ['onNotificationClick', 1],
];

function lookup(qel, path) {
  return path.split('.').reduce((object, key) => object[key], qel);
}

// Calls qel.<path>(...args) the way a page does, so `this` is the group
// (or qel itself for hello and isRuntime).
function invoke(qel, path, ...args) {
  const dot = path.lastIndexOf('.');
  const owner = dot < 0 ? qel : lookup(qel, path.slice(0, dot));
  return owner[path.slice(dot + 1)](...args);
}

const UUID = /^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$/;

describe('script', () => {
  test('defines window.qel and no other global', () => {
    const page = openPage();
    const added = Object.getOwnPropertyNames(page.context)
      .filter((name) => !page.globalsBefore.includes(name));
    assert.deepEqual(added, ['qel']);
    assert.equal(page.context.window.qel, page.qel);
    // A top-level let, const or class is a global that is no property of the
    // global object; declaring it a second time in the same realm throws.
    assert.doesNotThrow(() => page.run(scriptText));
  });

  test('lists its members, groups, functions and handlers in order', () => {
    const { qel } = openPage();
    assert.deepEqual(Object.keys(qel), ['call', 'hello', 'isRuntime', ...GROUPS, 'events']);
    for (const group of GROUPS) {
      const expected = FUNCTIONS.filter(([path]) => path.startsWith(group + '.'))
        .map(([path]) => path.split('.')[1]);
      assert.deepEqual(Object.keys(qel[group]), expected, group);
    }
    assert.deepEqual(Object.keys(qel.events), EVENTS.map(([name]) => name));
    for (const [name, arity] of EVENTS) {
      assert.equal(qel.events[name].length, arity, name);
    }
    // Takes its arguments object as its one parameter, or none at all.
    for (const [path, , hasArgs] of FUNCTIONS) {
      assert.equal(lookup(qel, path).length, hasArgs ? 1 : 0, path);
    }
  });
});

describe('requests', () => {
  test('every function posts {id, uuid, data} with its ID and arguments', () => {
    assert.equal(new Set(FUNCTIONS.map(([, id]) => id)).size, 61);
    const { qel, webview } = openPage();
    let previousNoArgs = null;
    for (const [path, id, hasArgs] of FUNCTIONS) {
      // Functions without arguments get one too, and must ignore it.
      const args = { marker: path, nested: { list: [1, 'two'] } };
      invoke(qel, path, args);
      const post = webview.lastPost();
      const uuid = post.message.uuid;
      assert.match(uuid, UUID, path);
      const data = hasArgs ? args : {};
      assert.equal(post.json, `{"id":${id},"uuid":"${uuid}","data":${JSON.stringify(data)}}`,
        path);
      if (hasArgs) {
        // Handed on as it is, not copied or checked.
        assert.equal(post.message.data, args, path);
      } else {
        // A fresh empty object each time, so nothing a page did to one
        // reaches the next call.
        assert.notEqual(post.message.data, previousNoArgs, path);
        previousNoArgs = post.message.data;
      }
    }
    assert.equal(webview.posts.length, 61);
  });

  test('a function called without its arguments object posts no "data" member', () => {
    const { qel, webview } = openPage();
    for (const [path, id] of FUNCTIONS.filter(([, , hasArgs]) => hasArgs)) {
      invoke(qel, path);
      const { json, message } = webview.lastPost();
      assert.equal(json, `{"id":${id},"uuid":"${message.uuid}"}`, path);
    }
  });

  test('call posts any ID and value the page gives it', () => {
    const { qel, webview } = openPage();
    qel.call(99999, 'text');
    qel.call('abc', null);
    assert.deepEqual(webview.posts.map(({ message }) => [message.id, message.data]),
      [[99999, 'text'], ['abc', null]]);
  });

  test('group functions go through window.qel.call; hello and isRuntime through this.call', () => {
    const { qel } = openPage();
    const seen = [];
    qel.call = (id, args) => {
      seen.push([id, args]);
      return 'returned';
    };
    for (const [path, id, hasArgs] of FUNCTIONS.filter(([p]) => p.includes('.'))) {
      const args = { path };
      assert.equal(invoke(qel, path, args), 'returned', path);
      const [seenId, seenArgs] = seen.pop();
      assert.equal(seenId, id, path);
      if (hasArgs) {
        assert.equal(seenArgs, args, path);
      } else {
        assert.equal(JSON.stringify(seenArgs), '{}', path);
      }
    }
    const other = { call: (id) => `other ${id}` };
    assert.equal(qel.hello.call(other), 'other 10001');
    assert.equal(qel.isRuntime.call(other), 'other 10002');
  });
});

describe('call ID', () => {
  test('fills the template from Math.random, lower-case, y in 8..b', () => {
    const cases = [
      [[0], '00000000-0000-4000-8000-000000000000'],
      [[0.999], 'ffffffff-ffff-4fff-bfff-ffffffffffff'],
      // 10/16 gives a, so y = (10 & 3) | 8 = a.
      [[10 / 16], 'aaaaaaaa-aaaa-4aaa-aaaa-aaaaaaaaaaaa'],
      // One value per digit in template order: fifteen x, then y from r = 5
      // (so 9), then the rest.
      [[...'0123456789abcde' + '5' + '0123456789abcde'].map((d) => parseInt(d, 16) / 16),
        '01234567-89ab-4cde-9012-3456789abcde'],
    ];
    for (const [values, expected] of cases) {
      const page = openPage();
      let next = 0;
      page.run('Math').random = () => values[next++ % values.length];
      page.qel.hello();
      assert.equal(page.webview.lastPost().message.uuid, expected);
    }
  });

  test('has the template form and differs between calls', () => {
    const { qel, webview } = openPage();
    const count = 2000;
    for (let i = 0; i < count; i++) {
      qel.call(10001, {});
    }
    const ids = webview.posts.map(({ message }) => message.uuid);
    for (const id of ids) {
      assert.match(id, UUID);
    }
    assert.equal(new Set(ids).size, count);
  });
});

describe('events', () => {
  test('the default close handler asks the host to close the application', () => {
    const { webview, run } = openPage();
    run('qel.events.onCloseQuery();');
    assert.equal(webview.posts.length, 1);
    const { json, message } = webview.lastPost();
    assert.equal(json, `{"id":50001,"uuid":"${message.uuid}","data":{}}`);
  });

  test('a page that replaces the close handler keeps the window open', () => {
    const { webview, run } = openPage();
    run('var asked = false; qel.events.onCloseQuery = function () { asked = true; };');
    run('qel.events.onCloseQuery();');
    assert.equal(run('asked'), true);
    assert.equal(webview.posts.length, 0);
  });

  test('the other default handlers accept the host\'s calls and do nothing', () => {
    const { webview, run } = openPage();
    for (const text of [
      'qel.events.onMainMenuItemClick("7");',
      'qel.events.onTrayMenuItemClick("-3");',
      'qel.events.onTrayIconClick();',
      'qel.events.onNotificationClick("reminder");',
    ]) {
      assert.equal(run(text), undefined, text);
    }
    assert.equal(webview.posts.length, 0);
    assert.equal(webview.listeners.length, 0);
  });
});

// How calls settle from the host's replies.

import assert from 'node:assert/strict';
import { test } from 'node:test';

import { openPage, settle, track } from './fake_webview.mjs';

function uuidOf(post) {
  return post.message.uuid;
}

test('listens before it posts, so a reply sent during the post is not lost', async () => {
  const { qel, webview } = openPage();
  webview.answerAtOnce = (json) => {
    const { uuid } = JSON.parse(json);
    return `{"uuid": "${uuid}", "success": true, "result": "2026.1"}`;
  };
  assert.equal(await qel.hello(), '2026.1');
  assert.equal(webview.posts[0].listenerCount, 1);
  assert.equal(webview.listeners.length, 0);
});

test('settles with the reply\'s result: resolves on success, rejects otherwise', async () => {
  const cases = [
    [true, 'true', 'resolved', true],
    [true, 'false', 'resolved', false],
    [true, '"2026.1"', 'resolved', '2026.1'],
    [true, '["C:\\\\a.txt", "b"]', 'resolved', ['C:\\a.txt', 'b']],
    [true, '{"top": 1, "left": 2}', 'resolved', { top: 1, left: 2 }],
    [false, '"Missing url"', 'rejected', 'Missing url'],
    [false, 'true', 'rejected', true],
  ];
  for (const [success, resultJson, status, value] of cases) {
    const { qel, webview } = openPage();
    const call = track(qel.app.navigate({ url: '' }));
    webview.reply(uuidOf(webview.lastPost()), success, resultJson);
    await settle();
    assert.deepEqual(call, { status, value }, `${success} ${resultJson}`);
    // Done with: its listener is gone.
    assert.equal(webview.listeners.length, 0);
  }
});

test('two calls in flight each settle from their own reply, in either order', async () => {
  for (const order of [[0, 1], [1, 0]]) {
    const { qel, webview } = openPage();
    const calls = [track(qel.window.getTitle()), track(qel.window.getZoom())];
    const uuids = webview.posts.map(uuidOf);
    const results = ['"Notes"', '1.25'];

    webview.reply(uuids[order[0]], true, results[order[0]]);
    await settle();
    assert.equal(calls[order[0]].status, 'resolved');
    assert.equal(calls[order[1]].status, 'pending');
    assert.equal(webview.listeners.length, 1);

    webview.reply(uuids[order[1]], true, results[order[1]]);
    await settle();
    assert.deepEqual(calls.map((c) => c.value), ['Notes', 1.25]);
    assert.equal(webview.listeners.length, 0);
  }
});

test('a message that answers no pending call changes nothing', async () => {
  const { qel, webview } = openPage();
  const calls = [track(qel.folders.getTempDir()), track(qel.app.close())];
  const uuid = uuidOf(webview.posts[0]);
  const listeners = [...webview.listeners];

  for (const message of [
    // Another call's ID, the same ID in other letter case, no ID at all.
    '{"uuid": "00000000-0000-4000-8000-000000000000", "success": true, "result": true}',
    `{"uuid": "${uuid.toUpperCase()}", "success": true, "result": true}`,
    '{"success": false, "result": "Missing url"}',
    // Not a reply object at all.
    'null',
    '"qel-webbrowser-clicked"',
    '42',
  ]) {
    webview.deliver(message);
  }
  await settle();
  assert.deepEqual(calls.map((c) => c.status), ['pending', 'pending']);
  assert.deepEqual(webview.listeners, listeners);
});

test('a second reply to a settled call changes nothing', async () => {
  const { qel, webview } = openPage();
  const call = track(qel.files.fileExists({ filePath: 'a.txt' }));
  const uuid = uuidOf(webview.lastPost());
  webview.reply(uuid, true, 'true');
  webview.reply(uuid, false, '"late"');
  await settle();
  assert.deepEqual(call, { status: 'resolved', value: true });
});

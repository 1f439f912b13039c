// The declarations name exactly the functions the runtime has: every row of
// the native function table is declared, nothing else is, and each takes an
// arguments object exactly when its handler reads one. The page-side script
// agrees with both, down to the function IDs.

import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import {
  declaredEvents,
  declaredFunctions,
  differences,
  readRepoFile,
  scriptFunctions,
  tableFunctions,
} from './api_names.mjs';

const tableText =
  readRepoFile('src/bridge/function_table.h') + readRepoFile('src/bridge/function_table.cpp');
const declarationsText = readRepoFile('types/qel.d.ts');
const scriptText = readRepoFile('resources/qel_shared.js');

describe('the repository', () => {
  const table = tableFunctions(tableText);
  const found = new Set();
  const declared = declaredFunctions(declarationsText, found);
  const script = scriptFunctions(scriptText);

  test('declares every function of the native table, and no other', () => {
    assert.deepEqual(
      differences('the function table', table, 'types/qel.d.ts', declared, ['takesArguments']),
      []);
    assert.ok(table.size > 50, `only ${table.size} functions read from the table`);
  });

  test('the page-side script has the same functions, with the table\'s IDs', () => {
    assert.deepEqual(
      differences('the function table', table, 'resources/qel_shared.js', script.functions,
                  ['id', 'takesArguments']),
      []);
  });

  test('declares the transport and the same event handlers as the page-side script', () => {
    assert.ok(found.has('qel.call'));
    assert.ok(found.has('qel.events'));
    assert.deepEqual(declaredEvents(declarationsText).sort(), [...script.events].sort());
  });
});

// The checker itself, on small texts: it must see a difference when there
// is one.
describe('the checker', () => {
  const table = (rows) =>
    `inline constexpr std::array<TBridgeFunction, ${rows.length}> kBridgeFunctions = {{\n` +
    rows.map(([id, name, args]) => `    {${id}, "${name}", "X", ${args}, ""},\n`).join('') +
    '}};';
  const declarations = (groupBody) => `
    declare namespace Qel {
      interface Things {
        ${groupBody}
      }
      interface Events { onThing: (id: string) => void; }
      interface Bridge {
        call(funcID: number, args: object): Promise<unknown>;
        hello(): Promise<string>;
        things: Things;
        events: Events;
      }
    }
    declare var qel: Qel.Bridge;`;
  const rows = [
    [10001, 'qel.hello', false],
    [20001, 'qel.things.get', false],
    [20002, 'qel.things.set', true],
  ];

  test('agrees when both list the same functions', () => {
    const declared = declaredFunctions(declarations(`
      /** Reads. */
      get(): Promise<{ a: number; b: string }>;
      // Writes.
      set(args: { value: string }): Promise<true>;`));
    assert.deepEqual(differences('t', tableFunctions(table(rows)), 'd', declared,
                                 ['takesArguments']), []);
  });

  test('reports a table function the declarations lack, and one they add', () => {
    const declared = declaredFunctions(declarations(`
      get(): Promise<string>;
      remove(args: { value: string }): Promise<true>;`));
    assert.deepEqual(differences('t', tableFunctions(table(rows)), 'd', declared), [
      'qel.things.set is in t but not in d',
      'qel.things.remove is in d but not in t',
    ]);
  });

  test('reports a function declared with or without arguments against its handler', () => {
    const declared = declaredFunctions(declarations(`
      get(args: { value: string }): Promise<string>;
      set(): Promise<true>;`));
    assert.deepEqual(differences('t', tableFunctions(table(rows)), 'd', declared,
                                 ['takesArguments']), [
      'qel.things.get: takesArguments is false in t, true in d',
      'qel.things.set: takesArguments is true in t, false in d',
    ]);
  });

  test('refuses a table whose rows it cannot all read', () => {
    const text = table(rows).replace('{20002, "qel.things.set"', '{20002,\n "qel.things.set"')
      .replace('std::array<TBridgeFunction, 3>', 'std::array<TBridgeFunction, 4>');
    assert.throws(() => tableFunctions(text), /declares 4 functions, 3 rows read/);
  });

  test('reads the script\'s IDs and whether each passes its arguments on', () => {
    const { functions, events } = scriptFunctions(`window.qel = {
      call: function () {},
      hello: function () { return this.call(10001, {}); },
      things: {
        get: function () { return window.qel.call(20001, {}); },
        set: function (args) { return window.qel.call(20003, args); }
      },
      events: { onThing: function (id) {} }
    };`);
    assert.deepEqual(differences('t', tableFunctions(table(rows)), 's', functions,
                                 ['id', 'takesArguments']), [
      'qel.things.set: id is 20002 in t, 20003 in s',
    ]);
    assert.deepEqual(events, ['onThing']);
  });
});

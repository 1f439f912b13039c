// The page API's function names as three places state them: the native
// function table (src/bridge/function_table.*), the page-side bridge script
// (resources/qel_shared.js) and the TypeScript declarations
// (types/qel.d.ts); and the differences between them.

import { readFileSync } from 'node:fs';
import vm from 'node:vm';

export const repoRoot = new URL('../../', import.meta.url);

export function readRepoFile(path) {
  return readFileSync(new URL(path, repoRoot), 'utf8');
}

// Members of window.qel that are not native functions: the transport and
// the handlers the runtime calls in the page.
export const NOT_NATIVE = new Set(['qel.call', 'qel.events']);

// The table's rows: Map of page name -> {id, takesArguments}. The row count
// must match the array's declared size, so a row written in a shape this
// reader misses is an error rather than a function left out.
export function tableFunctions(text) {
  const rows = new Map();
  const row = /\{\s*(\d+)\s*,\s*"(qel(?:\.\w+)+)"\s*,\s*"\w+"\s*,\s*(true|false)\s*,/g;
  for (const match of text.matchAll(row)) {
    rows.set(match[2], { id: Number(match[1]), takesArguments: match[3] === 'true' });
  }
  const declared = /std::array<\s*TBridgeFunction\s*,\s*(\d+)\s*>/.exec(text);
  if (!declared) {
    throw new Error('function table: no std::array<TBridgeFunction, N> found');
  }
  if (Number(declared[1]) !== rows.size) {
    throw new Error(`function table: declares ${declared[1]} functions, ${rows.size} rows read`);
  }
  return rows;
}

function stripComments(text) {
  return text.replace(/\/\*[\s\S]*?\*\//g, ' ').replace(/\/\/[^\n]*/g, ' ');
}

// The text from an opening brace to its closing one, or null.
function braceBlock(text, open) {
  let depth = 0;
  for (let i = open; i < text.length; i++) {
    if (text[i] === '{') depth++;
    if (text[i] === '}' && --depth === 0) return text.slice(open + 1, i);
  }
  return null;
}

// The members of an interface body, split at ";" or line ends outside
// brackets: [{name, params (text inside the parentheses) or null, type}].
function members(body) {
  const parts = [];
  let depth = 0;
  let current = '';
  for (const c of body) {
    if ('({['.includes(c)) depth++;
    if (')}]'.includes(c)) depth--;
    if (depth === 0 && (c === ';' || c === '\n')) {
      parts.push(current);
      current = '';
    } else {
      current += c;
    }
  }
  parts.push(current);
  const result = [];
  for (const part of parts.map((p) => p.trim()).filter(Boolean)) {
    const method = /^(?:readonly\s+)?(\w+)\??\s*\(([^)]*)\)\s*:\s*([\s\S]+)$/.exec(part);
    const property = /^(?:readonly\s+)?(\w+)\??\s*:\s*([\s\S]+)$/.exec(part);
    if (method) {
      result.push({ name: method[1], params: method[2].trim(), type: method[3].trim() });
    } else if (property) {
      result.push({ name: property[1], params: null, type: property[2].trim() });
    } else {
      throw new Error(`declarations: cannot read the member "${part}"`);
    }
  }
  return result;
}

// The declared functions: Map of page name -> {takesArguments}, walked from
// the interface of window.qel (Qel.Bridge) through the members whose type
// is another interface of the file. Members named in NOT_NATIVE are left
// out; `found` collects every name met, those included.
export function declaredFunctions(text, found = new Set()) {
  const source = stripComments(text);
  // Interface name -> {body, extendsText}; members are read only for the
  // interfaces the walk reaches.
  const interfaces = new Map();
  const head = /\binterface\s+(\w+)\s*(extends\s+[\w\s,.]+)?\{/g;
  for (const match of source.matchAll(head)) {
    interfaces.set(match[1], {
      body: braceBlock(source, match.index + match[0].length - 1),
      extendsText: match[2],
    });
  }
  if (!interfaces.has('Bridge')) {
    throw new Error('declarations: no interface Bridge (the type of window.qel)');
  }
  const functions = new Map();
  const walk = (interfaceName, path) => {
    const { body, extendsText } = interfaces.get(interfaceName);
    if (extendsText) {
      // Inherited members would be missed: groups list their own.
      throw new Error(`declarations: the group ${path} (${interfaceName}) extends another`);
    }
    for (const member of members(body)) {
      const name = `${path}.${member.name}`;
      found.add(name);
      if (NOT_NATIVE.has(name)) continue;
      if (member.params !== null) {
        functions.set(name, { takesArguments: member.params !== '' });
      } else if (interfaces.has(member.type.replace(/^Qel\./, ''))) {
        walk(member.type.replace(/^Qel\./, ''), name);
      } else {
        throw new Error(`declarations: ${name} is neither a function nor a group`);
      }
    }
  };
  walk('Bridge', 'qel');
  return functions;
}

// The page-side script's functions, run on a stand-in for the web view:
// Map of page name -> {id, takesArguments (whether the call passes its
// argument object on)}. Also the names of its event handlers.
export function scriptFunctions(text) {
  const window = {
    chrome: { webview: { addEventListener() {}, removeEventListener() {}, postMessage() {} } },
  };
  vm.runInNewContext(text, { window });
  const qel = window.qel;
  const sent = [];
  qel.call = (id, args) => {
    sent.push({ id, args });
    return Promise.resolve();
  };
  const functions = new Map();
  const marker = { marker: true };
  const walk = (object, path) => {
    for (const [key, value] of Object.entries(object)) {
      const name = `${path}.${key}`;
      if (NOT_NATIVE.has(name)) continue;
      if (typeof value === 'function') {
        sent.length = 0;
        value.call(object, marker);
        if (sent.length !== 1) throw new Error(`page script: ${name} made ${sent.length} calls`);
        functions.set(name, { id: sent[0].id, takesArguments: sent[0].args === marker });
      } else if (value !== null && typeof value === 'object') {
        walk(value, name);
      }
    }
  };
  walk(qel, 'qel');
  return { functions, events: Object.keys(qel.events) };
}

// The event handlers' names as the declarations state them.
export function declaredEvents(text) {
  const source = stripComments(text);
  const match = /\binterface\s+Events\s*\{/.exec(source);
  if (!match) throw new Error('declarations: no interface Events');
  return members(braceBlock(source, match.index + match[0].length - 1)).map((m) => m.name);
}

// Human-readable differences between two maps of functions (empty when
// they agree): names in one and not the other, and, for names in both,
// members of `fields` that differ.
export function differences(leftName, left, rightName, right, fields = []) {
  const problems = [];
  for (const name of left.keys()) {
    if (!right.has(name)) problems.push(`${name} is in ${leftName} but not in ${rightName}`);
  }
  for (const name of right.keys()) {
    if (!left.has(name)) problems.push(`${name} is in ${rightName} but not in ${leftName}`);
  }
  for (const [name, a] of left) {
    const b = right.get(name);
    if (!b) continue;
    for (const field of fields) {
      if (a[field] !== b[field]) {
        problems.push(`${name}: ${field} is ${a[field]} in ${leftName}, ${b[field]} in ${rightName}`);
      }
    }
  }
  return problems;
}

// The language server driven as an editor drives it, over its protocol:
// the bundled example opened as the four-axis mill with its PLC symbols (no
// diagnostics), mistakes of every kind each underlined exactly at its word
// (found by the test in the text, not by the server) with the notes as
// related places, completion of softkey and menu names in a NODE item, of
// PLC symbols and defines, go to definition and references of a menu, hover
// on a keyword and on a quoted parameter, the outline, then shutdown.
// Prints the median time from a change to its diagnostics over 20 changes.
//
// usage: node protocol.mjs <Quillon32Lsp> <source dir> <work dir> <node dir>
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';
import { pathToFileURL } from 'node:url';

const [server, sourceDir, workDir, nodeDir] = process.argv.slice(2);
const require = createRequire(path.resolve(nodeDir, 'node_modules', 'x.js'));
const rpc = require('vscode-jsonrpc/node');

const dir = path.join(workDir, 'mill');
fs.rmSync(workDir, { recursive: true, force: true });
fs.cpSync(path.join(sourceDir, 'examples', 'mill'), dir, { recursive: true });
const before = fs.readdirSync(dir).sort();
const project = path.join(dir, 'mill.spm');
const uri = pathToFileURL(project).href;
const original = fs.readFileSync(project, 'latin1');
const lines = original.split('\n');

let failures = 0;
function check(ok, what, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${ok || !detail ? '' : ': ' + detail}`);
  if (!ok) failures++;
}
const lineOf = (start) => lines.findIndex((l) => l.startsWith(start));

const child = spawn(server, [], { stdio: ['pipe', 'pipe', 'inherit'] });
const connection = rpc.createMessageConnection(new rpc.StreamMessageReader(child.stdout),
                                               new rpc.StreamMessageWriter(child.stdin));
let waiting = null;
const published = new Map();  // file name → its last diagnostics
connection.onNotification('textDocument/publishDiagnostics', (p) => {
  published.set(path.basename(decodeURIComponent(p.uri)), p.diagnostics);
  if (p.uri === uri && waiting) { const w = waiting; waiting = null; w(p.diagnostics); }
});
connection.listen();
let version = 1;
function change(text) {
  const arrived = new Promise((resolve) => { waiting = resolve; });
  connection.sendNotification('textDocument/didChange',
    { textDocument: { uri, version: ++version }, contentChanges: [{ text }] });
  return arrived;
}
const at = (line, character) => ({ textDocument: { uri }, position: { line, character } });

const init = await connection.sendRequest('initialize',
  { processId: process.pid, rootUri: pathToFileURL(dir).href, capabilities: {},
    initializationOptions: { arguments: ['-pjmill.pj', '-rmill4.cfg'] } });
check(init.capabilities.completionProvider && init.capabilities.definitionProvider && init.capabilities.hoverProvider,
      'initialize: completion, definition and hover offered');
connection.sendNotification('initialized', {});

let arrived = new Promise((resolve) => { waiting = resolve; });
connection.sendNotification('textDocument/didOpen',
  { textDocument: { uri, languageId: 'quillon32-project', version, text: original } });
let diagnostics = await arrived;
check(diagnostics.length === 0, 'the example opens without diagnostics', JSON.stringify(diagnostics));

// Mistakes of every kind, each at the word the test put it in: the range a
// word of a file's line has, as the editor counts it.
const rangeOf = (text, lineStart, word, after = 0) => {
  const all = text.split('\n');
  const line = all.findIndex((l) => l.startsWith(lineStart));
  const character = all[line].indexOf(word, after);
  return { start: { line, character }, end: { line, character: character + word.length } };
};
const spot = (r) => r && [r.start.line, r.start.character, r.end.line, r.end.character].join();
const same = (a, b) => spot(a) === spot(b);
const inMill = (file) => path.join(dir, file);
const edit = (file, from, to) => fs.writeFileSync(inMill(file), fs.readFileSync(inMill(file), 'latin1').replace(from, to), 'latin1');
edit('feed.txm', 'FEED|+ ', 'FE|E|D ');                   // three rows where TXM takes two
edit('bmx/lang/fr.po', 'msgstr "Broche', 'msgtxt "Broche');  // no catalogue keyword
const misspelt = original.replace('SKNEXTDEF', 'SKNEXDEF').replace('HROOT MMODE', 'HROOT MMDOE')
  .replace('ENABLE:ROTARY_READY', 'ENABLE:ROTARY_READX').replace('NODE COOLANT ', 'NODE COOLANX ')
  .replace('BMP stop.bmp', 'BMP stopp.bmp').replace('ROWDEF 0 7', '#IF NOSUCH = 1\nROWDEF 0 7');
await change(misspelt);
await connection.sendRequest('textDocument/hover', at(0, 0));  // every file's diagnostics have arrived
const feed = fs.readFileSync(inMill('feed.txm'), 'latin1'), po = fs.readFileSync(inMill('bmx/lang/fr.po'), 'latin1');
const bpj = fs.readFileSync(inMill('bmx/spindle.bpj'), 'latin1');
for (const [file, code, range, what] of [
  ['mill.spm', 'E8206', rangeOf(misspelt, 'SKNEXDEF', 'SKNEXDEF'), 'a misspelt keyword'],
  ['mill.spm', 'W8412', rangeOf(misspelt, 'SKMENU MAIN', 'MMDOE'), 'a misspelt menu attribute'],
  ['mill.spm', 'E3070', rangeOf(misspelt, 'NODE ROTARY', 'ROTARY_READX'), 'an unknown PLC operand of ENABLE:'],
  ['mill.spm', 'E3070', rangeOf(misspelt, '#IF NOSUCH', 'NOSUCH'), 'an undefined name in #IF'],
  ['mill.spm', 'E8270', rangeOf(misspelt, 'NODE COOLANX', 'COOLANX'), 'an unknown softkey name'],
  ['mill.spm', 'E8220', rangeOf(misspelt, 'BMP stopp', 'stopp.bmp'), 'a missing bitmap'],
  ['feed.txm', 'E8260', rangeOf(feed, 'FE|E|D', 'D'), 'the text row that does not fit'],
  ['fr.po', 'E8306', rangeOf(po, 'msgtxt', 'msgtxt'), 'a line of a .po file'],
]) {
  const found = (published.get(file) ?? []).find((x) => x.code === code && same(x.range, range));
  check(found, `${what} is underlined at its word (${code})`, JSON.stringify(published.get(file)));
}
// The notes of the .po report: the BMX project's TXT line that had it read,
// the softkey line that converts the BMX project.
const related = ((published.get('fr.po') ?? []).find((x) => x.code === 'E8306') ?? {}).relatedInformation ?? [];
check(related.length === 2 && related[0].location.uri.endsWith('/bmx/spindle.bpj') &&
      same(related[0].location.range, rangeOf(bpj, '  TXT @', '@SPINDLE')) && related[1].location.uri === uri &&
      same(related[1].location.range, rangeOf(misspelt, 'BPJ ', 'bmx\\spindle.bpj')),
      'the notes are related places of the report, at their words', JSON.stringify(related));
edit('bmx/lang/fr.po', 'msgtxt "Broche', 'msgstr "Broche');
edit('bmx/spindle.bpj', 'TXTEMPLATE', 'TXTEMPLAT');           // a BMX keyword misspelt
diagnostics = await change(original);
await connection.sendRequest('textDocument/hover', at(0, 0));
const bmx = (published.get('spindle.bpj') ?? []).find((x) => x.code === 'E8312');
check(bmx && same(bmx.range, rangeOf(fs.readFileSync(inMill('bmx/spindle.bpj'), 'latin1'), '    TXTEMPLAT', 'TXTEMPLAT')),
      'a misspelt BMX keyword is underlined at its word (E8312)', JSON.stringify(published.get('spindle.bpj')));
edit('bmx/spindle.bpj', 'TXTEMPLAT', 'TXTEMPLATE');
edit('feed.txm', 'FE|E|D ', 'FEED|+ ');
diagnostics = await change(original);
check(diagnostics.length === 0, 'the diagnostics go when the mistakes are mended', JSON.stringify(diagnostics));

// Completion in a NODE item being written: the softkeys, then the menus.
const item = lineOf('CHECK CLAMP') + 1;
const softkeys = lines.filter((l) => /^(BMP|PCX|DXF|TXS|TXM|TXB|BPJ|TX) /.test(l)).map((l) => l.trim().split(/\s+/).pop());
const menus = [...original.matchAll(/^SKMENU (\w+)/gm)].map((m) => m[1]);
for (const [typed, expected, what] of [['NODE ', softkeys, 'softkey'], ['NODE SPINDLE ', menus, 'menu']]) {
  const edited = [...lines];
  edited.splice(item, 0, typed);
  await change(edited.join('\n'));
  const items = await connection.sendRequest('textDocument/completion', at(item, typed.length));
  const labels = (items.items ?? items).map((i) => i.label);
  const missing = expected.filter((n) => !labels.includes(n));
  check(expected.length > 3 && missing.length === 0, `completion after "${typed}" lists every ${what} name`,
        `missing ${missing} in ${labels}`);
}
// An item's parameters, PLC symbols of -pj after ENABLE:, the defines of -r after #IFDEF: each once.
for (const [typed, expected] of [['NODE SPINDLE SPINDLEMENU ', 'HIDE:'], ['NODE SPINDLE SPINDLEMENU ENABLE:', 'ROTARY_READY'],
                                 ['NODE SPINDLE SPINDLEMENU ENABLE:ROT', 'ROTARY_READY'], ['#IFDEF ', 'ROTARY_AXIS']]) {
  const edited = [...lines];
  edited.splice(item, 0, typed);
  await change(edited.join('\n'));
  const items = await connection.sendRequest('textDocument/completion', at(item, typed.length));
  const labels = (items.items ?? items).map((i) => i.label);
  check(labels.includes(expected) && new Set(labels).size === labels.length, `completion after "${typed}" offers ${expected}`,
        labels.join(' '));
}
await change(original);

// Go to definition of a menu named by a NODE item.
const node = lineOf('NODE COOLANT COOLANTMENU');
const target = await connection.sendRequest('textDocument/definition',
                                            at(node, lines[node].indexOf('COOLANTMENU') + 3));
check(target && target.uri === uri && target.range.start.line === lineOf('SKMENU COOLANTMENU'),
      'definition of a menu name lands on its SKMENU line', JSON.stringify(target));

const references = await connection.sendRequest('textDocument/references',
  { ...at(node, lines[node].indexOf('COOLANTMENU') + 3), context: { includeDeclaration: true } });
check(references.length === 2, 'references of the menu: its SKMENU line and the NODE item', JSON.stringify(references));

// The outline: the menus, each with its items.
const outline = await connection.sendRequest('textDocument/documentSymbol', { textDocument: { uri } });
check(JSON.stringify(outline.map((m) => m.name)) === JSON.stringify(menus) &&
      outline[0].children.some((c) => c.name === 'NODE SPINDLE'), 'the outline lists the menus with their items',
      JSON.stringify(outline.map((m) => [m.name, m.children.map((c) => c.name)])));

// Hover on a keyword: its description; on a quoted parameter too, with the
// quotes in its range.
const hover = await connection.sendRequest('textDocument/hover', at(lineOf('ROWDEF'), 2));
check(hover && /slots a to b of a row/.test(hover.contents.value), 'hover on ROWDEF describes it',
      JSON.stringify(hover));
const titleLine = lineOf('SKMENU TOOLTABLE');
const quoted = await connection.sendRequest('textDocument/hover', at(titleLine, lines[titleLine].indexOf('Tool table')));
check(quoted && /^TITLE:/.test(quoted.contents.value) &&
      same(quoted.range, rangeOf(original, 'SKMENU TOOLTABLE', '"TITLE:Tool table"')),
      'hover on a quoted "TITLE:…" describes TITLE: over the quoted word', JSON.stringify(quoted));

// Hover on a bitmap's name, and on a softkey an item names: its picture, for the editor to show.
for (const [line, word, picture] of [[lineOf('BMP rpm.bmp'), 'rpm.bmp', 'rpm.bmp'], [lineOf('NODE COOLANT'), 'COOLANT', 'coolant.bmp']]) {
  const h = await connection.sendRequest('textDocument/hover', at(line, lines[line].indexOf(word) + 1));
  check(h && /!\[[^\]]*\]\(file:[^)]*\/mill\//.test(h.contents.value) && h.contents.value.endsWith(`${picture})`),
        `hover on ${word} shows ${picture}`, JSON.stringify(h));
}

// Diagnostics latency: the time from a change to its diagnostics.
const times = [];
for (let i = 0; i < 20; i++) {
  const edited = [...lines];
  edited[1] = `; change ${i}`;
  const start = process.hrtime.bigint();
  await change(edited.join('\n'));
  times.push(Number(process.hrtime.bigint() - start) / 1e6);
}
times.sort((a, b) => a - b);
console.log(`diagnostics latency: median ${((times[9] + times[10]) / 2).toFixed(1)} ms over 20 changes ` +
            `(fastest ${times[0].toFixed(1)} ms, slowest ${times[19].toFixed(1)} ms)`);

await connection.sendRequest('shutdown');
const exited = new Promise((resolve) => child.on('exit', resolve));
connection.sendNotification('exit');
check(await exited === 0, 'shutdown and exit end the server with status 0');
check(JSON.stringify(fs.readdirSync(dir).sort()) === JSON.stringify(before), 'nothing was written beside the project');
connection.dispose();
process.exit(failures ? 1 : 0);

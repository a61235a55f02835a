// The language server driven as an editor drives it, over its protocol:
// the protocol's lifecycle and error codes; the bundled example opened as
// the four-axis mill with its PLC symbols (no diagnostics), mistakes of
// every kind each underlined exactly at its word (found by the test in the
// text, not by the server) with the notes as related places, the document
// closed unsaved (the saved file's diagnostics again), completion of
// softkey and menu names in a NODE item, of PLC symbols and defines, of
// source files after BMP and BPJ, references of a menu (go to definition:
// neovim.lua), hover on a keyword and on a quoted parameter, the outline with the
// included file's menus; a bitmap changed outside the editor is seen at
// the next change, and only the sources that changed are converted again;
// a text source open in the editor goes back to its code page 850
// unchanged; then shutdown.  (The times of open and change:
// bench/LspBench.cpp.)
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

// The lifecycle, in frames of the server's own: a request before
// initialize, a message with an id and no method, and a request after
// shutdown are refused with the protocol's codes.
const raw = spawn(server, [], { stdio: ['pipe', 'pipe', 'inherit'] });
let output = '';
raw.stdout.on('data', (b) => { output += b.toString('latin1'); });
for (const m of [{ id: 1, method: 'textDocument/hover', params: {} }, { id: 2 }, { id: 3, method: 'initialize', params: {} },
                 { id: 4, method: 'shutdown' }, { id: 5, method: 'textDocument/hover', params: {} }, { method: 'exit' }]) {
  const body = JSON.stringify({ jsonrpc: '2.0', ...m });
  raw.stdin.write(`Content-Length: ${body.length}\r\n\r\n${body}`);
}
const rawStatus = await new Promise((resolve) => raw.on('exit', resolve));
const codes = Object.fromEntries(output.split(/Content-Length: \d+\r\n\r\n/).filter((b) => b)
  .map((b) => JSON.parse(b)).map((r) => [r.id, r.error ? r.error.code : 'result']));
check(JSON.stringify(codes) === JSON.stringify({ 1: -32002, 2: -32600, 3: 'result', 4: 'result', 5: -32600 }) &&
      rawStatus === 0, 'before initialize -32002, no method -32600, after shutdown -32600, exit 0',
      JSON.stringify(codes) + ` status ${rawStatus}`);

const child = spawn(server, [], { stdio: ['pipe', 'pipe', 'inherit'] });
const connection = rpc.createMessageConnection(new rpc.StreamMessageReader(child.stdout),
                                               new rpc.StreamMessageWriter(child.stdin));
let waiting = null;
const published = new Map();  // file name → its last diagnostics
connection.onNotification('textDocument/publishDiagnostics', (p) => {
  published.set(path.basename(decodeURIComponent(p.uri)), p.diagnostics);
  if (p.uri === uri && waiting) { const w = waiting; waiting = null; w(p.diagnostics); }
});
let logWaiting = null;
connection.onNotification('window/logMessage', (p) => { if (logWaiting) logWaiting(p.message); logWaiting = null; });
connection.listen();
let version = 1;
// A notification, and the project's diagnostics that follow it.
function notify(method, params) {
  const arrived = new Promise((resolve) => { waiting = resolve; });
  connection.sendNotification(method, params);
  return arrived;
}
const change = (text) => notify('textDocument/didChange', { textDocument: { uri, version: ++version }, contentChanges: [{ text }] });
// The unchanged text again: its diagnostics, and the message its run logged.
const logged = async (log = new Promise((resolve) => { logWaiting = resolve; })) => [await change(original), await log];
const at = (line, character) => ({ textDocument: { uri }, position: { line, character } });
// What an editor opening the project's folder sends: the run's settings.
const initialize = { rootUri: pathToFileURL(dir).href, capabilities: {}, initializationOptions: { arguments: ['-pjmill.pj', '-rmill4.cfg'] } };
// The project's diagnostics from a server that has run nothing before: what
// a change's run, which takes what did not change from earlier runs, gives.
async function fresh(text) {
  const c = spawn(server, [], { stdio: ['pipe', 'pipe', 'inherit'] });
  const other = rpc.createMessageConnection(new rpc.StreamMessageReader(c.stdout), new rpc.StreamMessageWriter(c.stdin));
  const got = new Promise((resolve) => other.onNotification('textDocument/publishDiagnostics',
                                                            (p) => { if (p.uri === uri) resolve(p.diagnostics); }));
  other.listen();
  await other.sendRequest('initialize', initialize);
  other.sendNotification('textDocument/didOpen', { textDocument: { uri, languageId: 'quillon32-project', version: 1, text } });
  const diagnostics = await got;
  await other.sendRequest('shutdown');
  other.sendNotification('exit');
  return diagnostics;
}

const init = await connection.sendRequest('initialize', { processId: process.pid, ...initialize });
check(init.capabilities.completionProvider && init.capabilities.definitionProvider && init.capabilities.hoverProvider,
      'initialize: completion, definition and hover offered');
connection.sendNotification('initialized', {});

let diagnostics = await notify('textDocument/didOpen',
  { textDocument: { uri, languageId: 'quillon32-project', version, text: original } });
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
  .replace('BMP stop.bmp', 'BMP stopp.bmp').replace('BMP cw.bmp', 'BMP "c w\\\\cw.bmp"').replace('ROWDEF 0 7', '#IF NOSUCH = 1\nROWDEF 0 7');
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
  ['mill.spm', 'E8204', rangeOf(misspelt, 'BMP "c w', '"c w\\\\cw.bmp"'), 'a blank in a source name'],
  ['feed.txm', 'E8260', rangeOf(feed, 'FE|E|D', 'D'), 'the text row that does not fit'],
  ['fr.po', 'E8306', rangeOf(po, 'msgtxt', 'msgtxt'), 'a line of a .po file'],
]) {
  const found = (published.get(file) ?? []).find((x) => x.code === code && same(x.range, range));
  check(found, `${what} is underlined at its word (${code})`, JSON.stringify(published.get(file)));
}
// A report's text with quotes and a backslash, as the server escaped them.
const blank = (published.get('mill.spm') ?? []).find((x) => x.code === 'E8204');
check(blank && blank.message.endsWith('"c w\\\\cw.bmp" (a blank in a source name)'),
      'a report\'s quotes and backslash arrive as they were', blank && blank.message);
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

// Changes of ranges, as an editor sends them (columns in UTF-16 units): in
// one notification a quoted text gains characters of one, one and two
// units and three, three and four bytes, then a name after them on the same
// line is replaced; the result is what a fresh server makes of that text.
const tx = lineOf('TX "Rotary table"'), grown = lines[tx].replace('Rotary', 'Rotary \u20ac\u00c4\u{1F600}');
const ranged = lines.map((l, i) => (i === tx ? grown.replace(' ROTARY', ' ROTARX') : l)).join('\n');
const pos = (character) => ({ line: tx, character });
const rotary = lines[tx].indexOf('Rotary') + 6, name = grown.indexOf(' ROTARY') + 1;
diagnostics = await notify('textDocument/didChange', { textDocument: { uri, version: ++version }, contentChanges: [
  { range: { start: pos(rotary), end: pos(rotary) }, text: ' \u20ac\u00c4\u{1F600}' },
  { range: { start: pos(name), end: pos(name + 6) }, text: 'ROTARX' }] });
const whole = await fresh(ranged);
check(diagnostics.length > 0 && JSON.stringify(diagnostics) === JSON.stringify(whole),
      'changes of ranges give the diagnostics of the text they make', JSON.stringify([diagnostics, whole]));
await change(original);

// Closed without saving: the saved file, which is clean, counts again.
diagnostics = await change(misspelt);
check(diagnostics.length > 0, 'the mistakes are back in the editor', JSON.stringify(diagnostics));
diagnostics = await notify('textDocument/didClose', { textDocument: { uri } });
check(diagnostics.length === 0, 'closed unsaved, the document has the saved file\'s diagnostics', JSON.stringify(diagnostics));
await notify('textDocument/didOpen', { textDocument: { uri, languageId: 'quillon32-project', version: ++version, text: original } });

// Completion in a NODE item being written: the softkeys, then the menus.
const item = lineOf('CHECK CLAMP') + 1;
// The labels offered where the text typed on a new line ends.
async function complete(typed) {
  const edited = [...lines];
  edited.splice(item, 0, typed);
  await change(edited.join('\n'));
  const items = await connection.sendRequest('textDocument/completion', at(item, typed.length));
  return (items.items ?? items).map((i) => i.label);
}
const softkeys = lines.filter((l) => /^(BMP|PCX|DXF|TXS|TXM|TXB|BPJ|TX) /.test(l)).map((l) => l.trim().split(/\s+/).pop());
const menus = [...original.matchAll(/^SKMENU (\w+)/gm)].map((m) => m[1]);
for (const [typed, expected, what] of [['NODE ', softkeys, 'softkey'], ['NODE SPINDLE ', menus, 'menu']]) {
  const labels = await complete(typed);
  const missing = expected.filter((n) => !labels.includes(n));
  check(expected.length > 3 && missing.length === 0, `completion after "${typed}" lists every ${what} name`,
        `missing ${missing} in ${labels}`);
}
// An item's parameters, PLC symbols of -pj after ENABLE:, the defines of -r after #IFDEF: each once.
for (const [typed, expected] of [['NODE SPINDLE SPINDLEMENU ', 'HIDE:'], ['NODE SPINDLE SPINDLEMENU ENABLE:', 'ROTARY_READY'],
                                 ['NODE SPINDLE SPINDLEMENU ENABLE:ROT', 'ROTARY_READY'], ['#IFDEF ', 'ROTARY_AXIS']]) {
  const labels = await complete(typed);
  check(labels.includes(expected) && new Set(labels).size === labels.length, `completion after "${typed}" offers ${expected}`,
        labels.join(' '));
}
// Source files after a softkey keyword: those of its kind in the project's
// folder (or the folder typed), and the folders.
const kind = (folder, re) => fs.readdirSync(path.join(dir, folder), { withFileTypes: true })
  .filter((e) => e.isDirectory() || re.test(e.name)).map((e) => e.name + (e.isDirectory() ? '\\' : '')).sort();
for (const [typed, expected] of [['BMP ', kind('.', /\.bmp$/i)], ['BPJ bmx\\', kind('bmx', /\.bpj$/i)]]) {
  const labels = (await complete(typed)).sort();
  check(JSON.stringify(labels) === JSON.stringify(expected) && expected.length > 1,
        `completion after "${typed}" lists ${expected}`, labels.join(' '));
}
await change(original);

// References of a menu named by a NODE item (its definition: neovim.lua).
const node = lineOf('NODE COOLANT COOLANTMENU');
const references = await connection.sendRequest('textDocument/references',
  { ...at(node, lines[node].indexOf('COOLANTMENU') + 3), context: { includeDeclaration: true } });
check(references.length === 2, 'references of the menu: its SKMENU line and the NODE item', JSON.stringify(references));

// The outline: the menus, each with its items, then the included file's
// menus under its #INCLUDE line.
const outline = await connection.sendRequest('textDocument/documentSymbol', { textDocument: { uri } });
const included = [...fs.readFileSync(path.join(dir, 'rotary.spi'), 'latin1').matchAll(/^SKMENU (\w+)/gm)].map((m) => m[1]);
const include = outline.find((s) => s.name === 'rotary.spi');
check(JSON.stringify(outline.map((m) => m.name)) === JSON.stringify([...menus, 'rotary.spi']) &&
      outline[0].children.some((c) => c.name === 'NODE SPINDLE') && include.range.start.line === lineOf('#INCLUDE') &&
      JSON.stringify(include.children.map((m) => m.name)) === JSON.stringify(included) && included.length > 0,
      'the outline lists the menus with their items, and the included menus',
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

// A bitmap changed outside the editor (40 rows instead of 48) is seen at
// the next change, and again when it is as it was.
const bitmap = path.join(dir, 'rpm.bmp'), bytes = fs.readFileSync(bitmap);
// The sources that a run converts: every picture, drawing and text source
// at first, then only those that changed.
const sources = original.match(/^(BMP|PCX|DXF|TXS|TXM|TXB) /gm).length;
let [, log] = await logged();
check(log === `mill.spm: 0 sources converted, ${sources} unchanged since the last run`,
      'a change of the text converts no source again', log);
const shorter = Buffer.from(bytes);
shorter.writeInt32LE(40, 22);
fs.writeFileSync(bitmap, shorter);
[diagnostics, log] = await logged();
check(diagnostics.some((x) => x.code === 'W8231' && x.message.includes('rpm.bmp')) &&
      log === `mill.spm: 1 sources converted, ${sources - 1} unchanged since the last run` &&
      JSON.stringify(diagnostics) === JSON.stringify(await fresh(original)),
      'a bitmap changed on disk is converted again, and it alone, as a first run reports it', JSON.stringify(diagnostics) + log);
fs.writeFileSync(bitmap, bytes);
diagnostics = await change(original);
check(diagnostics.length === 0 && (await fresh(original)).length === 0, 'and again when it is back', JSON.stringify(diagnostics));
// A softkey the run reads before the line that would write it: that line's
// earlier conversion is not put back over an input, as a first run refuses it.
const readFirst = original.replace('BMP rpm.bmp', 'SOFTKEY rpm.PIC\nBMP rpm.bmp');
diagnostics = await change(readFirst);
check(diagnostics.some((x) => x.code === 'E8220' && x.message.includes('rpm.PIC')) &&
        JSON.stringify(diagnostics) === JSON.stringify(await fresh(readFirst)),
      'a softkey read before the line that converts it is refused as a first run refuses it', JSON.stringify(diagnostics));
// A softkey file the run before wrote, and this one does not, is not there
// for a line that reads it, as in a first run.
await change(original);
const gone = original.replace('BMP rpm.bmp', 'SOFTKEY rpm.PIC');
diagnostics = await change(gone);
check(diagnostics.some((x) => x.code === 'E8221' && x.message.includes('rpm.PIC')) &&
        JSON.stringify(diagnostics) === JSON.stringify(await fresh(gone)),
      'a softkey file only the run before wrote is not there for the next', JSON.stringify(diagnostics));

// A text source in code page 850 (its chart: 94 ö, E1 ß, C4 ─, D5 ı) with
// Windows line ends open in the editor gives the report its saved bytes
// give: the row cut to fit quotes it.
const source = path.join(dir, 'start.txs'), sourceUri = pathToFileURL(source).href;
fs.writeFileSync(source, Buffer.from('Gr\x94\xE1e \xC4\xD5 abcdef\r\n', 'latin1'));
const cut = async (notification, params) => (await notify(notification, params)).filter((x) => x.code === 'W8403').map((x) => x.message);
const open = await cut('textDocument/didOpen',
  { textDocument: { uri: sourceUri, languageId: 'quillon32-text', version: 1, text: 'Größe ─ı abcdef\r\n' } });
const saved = await cut('textDocument/didClose', { textDocument: { uri: sourceUri } });
check(open.length === 1 && open[0].includes('"Größe') && JSON.stringify(open) === JSON.stringify(saved),
      'a text source open in the editor is the bytes of its saved file', `${open} / ${saved}`);
const again = (await change(original)).filter((x) => x.code === 'W8403').map((x) => x.message);
check(JSON.stringify(again) === JSON.stringify(saved), 'the row cut is reported again from the last run', `${again}`);

await connection.sendRequest('shutdown');
const exited = new Promise((resolve) => child.on('exit', resolve));
connection.sendNotification('exit');
check(await exited === 0, 'shutdown and exit end the server with status 0');
check(JSON.stringify(fs.readdirSync(dir).sort()) === JSON.stringify(before), 'nothing was written beside the project');
connection.dispose();
process.exit(failures ? 1 : 0);

// Every line of the example's and the manual's projects, BMX projects and
// text sources, and a line for every word of the program's vocabulary,
// tokenized by the extension's grammars (with vscode-textmate, as the editor
// does): each word must carry the scope of its kind: keyword, directive,
// setting, menu or softkey name, parameter, attribute, string, comment, text
// and language.
//
// usage: node scopes.mjs <source dir> <node dir> <vocabulary printer>
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';
import { execFileSync } from 'node:child_process';

const [source, nodeDir, printer] = process.argv.slice(2);
const require = createRequire(path.resolve(nodeDir, 'node_modules', 'x.js'));
const tm = require('vscode-textmate');
const onig = require('vscode-oniguruma');
await onig.loadWASM(fs.readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm')).buffer);
const manifest = JSON.parse(fs.readFileSync(path.join(source, 'editors/vscode/package.json'), 'utf8'));
const registry = new tm.Registry({
  onigLib: Promise.resolve({ createOnigScanner: (s) => new onig.OnigScanner(s), createOnigString: (s) => new onig.OnigString(s) }),
  loadGrammar: async (scope) => {
    const g = manifest.contributes.grammars.find((x) => x.scopeName === scope);
    const file = path.join(source, 'editors/vscode', g.path);
    return tm.parseRawGrammar(fs.readFileSync(file, 'utf8'), file);
  },
});

// The files: the example's, and the manual's blocks that name one.
const files = [];
for (const dir of ['examples/mill', 'examples/mill/bmx'])
  for (const name of fs.readdirSync(path.join(source, dir)))
    if (/\.(spm|spi|bpj|txs|txm|txb|cfg)$/i.test(name)) files.push([`${dir}/${name}`, fs.readFileSync(path.join(source, dir, name), 'latin1')]);
for (const chapter of fs.readdirSync(path.join(source, 'docs/manual')).filter((n) => n.endsWith('.md')))
  for (const m of fs.readFileSync(path.join(source, 'docs/manual', chapter), 'utf8')
         .matchAll(/^```text example=\S+ file=(\S+\.(?:spm|spi|bpj|txs|txm|txb|cfg))\n([\s\S]*?)^```/gm))
    files.push([`${chapter}: ${m[1]}`, m[2]]);

// The program's vocabulary (kind, word, scope), grouped by scope: words with
// a joined value match as a prefix, the others whole.
const vocabulary = execFileSync(printer, { encoding: 'latin1' }).trim().split('\n').map((l) => l.split('\t'));
const escape = (w) => w.replace(/[.*+?^${}()|[\]\\]/g, '\\$&');
const byScope = (kinds) => {
  const groups = {};
  for (const [kind, word, scope] of vocabulary) if (kinds.includes(kind)) (groups[scope] ??= []).push(escape(word));
  return Object.fromEntries(Object.entries(groups).map(([scope, list]) => {
    const joined = list.filter((w) => w.endsWith(':')), whole = list.filter((w) => !w.endsWith(':'));
    return [scope, new RegExp([joined.length && `^"?(?:${joined.join('|')})`, whole.length && `^(?:${whole.join('|')})$`].filter(Boolean).join('|'), 'i')];
  }));
};
const project = byScope(['directive', 'setting', 'menu', 'softkey', 'item']);
const later = byScope(['attribute', 'parameter', 'softkey-option']);
const bmx = byScope(['bmx']);
const lineOf = { attribute: (w) => `SKMENU m ${w}`, parameter: (w) => `ACTION k ${w}`, 'softkey-option': (w) => `BMP a.bmp k ${w}` };
files.push(['vocabulary.spm', vocabulary.filter(([k]) => k !== 'bmx' && k !== 'option')
  .map(([k, w]) => (lineOf[k] ? lineOf[k](w.endsWith(':') ? `${w}1` : w) : `${w} a b`)).join('\n')]);
files.push(['vocabulary.bpj', vocabulary.filter(([k]) => k === 'bmx').map(([, w]) => w).join('\n')]);

let failures = 0, checked = 0;
for (const [name, text] of files) {
  const kind = /\.bpj$/i.test(name) ? 'bmx' : /\.tx[smb]$/i.test(name) ? 'text' : /\.cfg$/i.test(name) ? 'config' : 'project';
  const grammar = await registry.loadGrammar(`source.quillon32-${kind}`);
  let state = tm.INITIAL, continued = false;
  text.split(/\r?\n/).forEach((line, number) => {
    const r = grammar.tokenizeLine(line, state);
    state = r.ruleStack;
    const scopeAt = (column) => r.tokens.find((t) => column >= t.startIndex && column < t.endIndex).scopes.join(' ');
    const expect = (column, scope, word) => {
      checked++;
      if (!scopeAt(column).includes(scope)) {
        failures++;
        console.log(`FAIL ${name}:${number + 1}: ${word} is ${scopeAt(column)}, not ${scope}`);
      }
    };
    if (kind === 'config') {
      // A DEFINE line's first name; every other line is not read.
      const define = /^(define)[\s=]*([^\s=,;*"]*)/i.exec(line);
      if (!define) { if (line.trim()) expect(0, 'comment.line', line); }
      else if (define[2]) expect(define[0].length - define[2].length, 'variable.other.constant.define', define[2]);
      return;
    }
    if (kind === 'text') {
      if (line.startsWith(';')) expect(0, 'comment.line', line);
      else if (line.trim()) {
        expect(0, 'string.unquoted.text', line.slice(0, 29).trim());
        const language = /\S+/.exec(line.slice(30));
        if (language) expect(30 + language.index, 'constant.language.identifier', language[0]);
      }
      return;
    }
    // The words as the reader splits them, with their columns.
    const found = [...line.matchAll(/"[^"]*"?|;.*|[^\s,=";]+/g)];
    const wasContinued = continued;
    continued = found.length > 0 && found[found.length - 1][0] === '\\';
    found.forEach((m, i) => {
      const word = m[0];
      if (word.startsWith(';')) return expect(m.index, 'comment.line', word);
      if (kind === 'bmx') {
        for (const [scope, re] of Object.entries(bmx)) if (i === 0 && re.test(word)) expect(m.index, scope, word);
        if (/^(ATTR|LANG|ANIM|OVERLAY):/i.test(word)) expect(m.index, 'variable.parameter', word);
        return;
      }
      if (number === 0 && /^QUILLON/.test(line)) return;
      if (word.startsWith('"')) expect(m.index, 'string.quoted', word);
      if (i === 0 && !wasContinued) {
        const scope = Object.keys(project).find((s) => project[s].test(word));
        if (scope) expect(m.index, scope, word);
        else if (word !== '\\') expect(m.index, 'invalid', `unknown first word ${word}`);
        return;
      }
      const first = found[0][0].toUpperCase();
      for (const [scope, re] of Object.entries(later)) if (re.test(word)) expect(m.index + (word[0] === '"' ? 1 : 0), scope, word);
      if (wasContinued) return;
      if (first === 'SKMENU' && i === 1) expect(m.index, 'entity.name.type.menu', word);
      if (project['keyword.other.softkey'].test(first) && i === 2) expect(m.index, 'entity.name.function.softkey', word);
      if (project['keyword.control.item'].test(first) && i === 1) expect(m.index, 'variable.other.softkey', word);
      if (/^(NODE|GOTO)$/.test(first) && i === 2) expect(m.index, 'entity.name.type.menu', word);
    });
  });
}
console.log(`${files.length} files, ${checked} words checked, ${failures} wrong`);
process.exit(failures || !checked ? 1 : 0);

#!/usr/bin/env bash
# Packs the VS Code extension of editors/vscode as a .vsix with @vscode/vsce
# (from the npm packages of tools/node in NODE_DIR), its one dependency
# installed from the extension's lock file, and checks what the package
# holds: the grammars, the language settings, the problem matcher, the
# tasks, the server's settings and the language client.
#
# usage: tools/pack_vscode.sh NODE_DIR WORK_DIR  (writes WORK_DIR/quillon32.vsix)
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
node_dir="$(cd "$1" && pwd)"
mkdir -p "$2"
work="$(cd "$2" && pwd)"
rm -rf "$work/vscode" "$work/quillon32.vsix"
cp -r "$source_dir/editors/vscode" "$work/vscode"
cd "$work/vscode"
npm ci --omit=dev --no-audit --no-fund --silent
"$node_dir/node_modules/.bin/vsce" package --skip-license --allow-missing-repository -o "$work/quillon32.vsix"

listing=$(unzip -l "$work/quillon32.vsix")
missing=0
for entry in extension/package.json extension/extension.js extension/language-configuration.json \
             extension/syntaxes/quillon32-project.tmLanguage.json extension/syntaxes/quillon32-bmx.tmLanguage.json \
             extension/syntaxes/quillon32-text.tmLanguage.json extension/syntaxes/quillon32-config.tmLanguage.json \
             extension/node_modules/vscode-languageclient/package.json; do
  grep -q " $entry\$" <<<"$listing" || { echo "missing in the .vsix: $entry"; missing=1; }
done
# The manifest as packed: the problem matcher, the task type and the
# server's settings.
unzip -p "$work/quillon32.vsix" extension/package.json | node -e '
  const m = JSON.parse(require("fs").readFileSync(0, "utf8")).contributes;
  const need = {
    "problem matcher quillon32": m.problemMatchers.some((p) => p.name === "quillon32" && p.pattern.regexp),
    "task type quillon32": m.taskDefinitions.some((t) => t.type === "quillon32"),
    "setting quillon32.server.path": "quillon32.server.path" in m.configuration.properties,
    "setting quillon32.arguments": "quillon32.arguments" in m.configuration.properties,
    "a grammar for each language (project, BMX, text source, configuration)":
      ["quillon32-project", "quillon32-bmx", "quillon32-text", "quillon32-config"].every((l) => m.grammars.some((g) => g.language === l)),
  };
  let bad = 0;
  for (const [what, ok] of Object.entries(need)) if (!ok) { console.log("missing in the manifest: " + what); bad = 1; }
  process.exit(bad);' || missing=1
[ $missing = 0 ] && echo "$work/quillon32.vsix: $(wc -c <"$work/quillon32.vsix") bytes, grammars, problem matcher, tasks and server settings in place"
exit $missing

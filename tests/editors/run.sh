# The editor extension's grammars (CTest EditorGrammars): the scope
# assertions of this folder's files with vscode-tmgrammar-test, then every
# word of the example's and the manual's projects and of the program's
# vocabulary with scopes.mjs.  The npm
# packages live in NODE_DIR (the build's node/; see tests/lsp/run.sh).
# Skipped (status 77) when node or the packages are missing.
#
# usage: sh run.sh SOURCE_DIR NODE_DIR VOCABULARY_PRINTER
set -e
command -v node >/dev/null || { echo "skipped: node is not installed (tools/setup.sh installs it)"; exit 77; }
[ -x "$2/node_modules/.bin/vscode-tmgrammar-test" ] || { echo "skipped: no npm packages in $2 (tools/setup.sh $(dirname "$2") installs them)"; exit 77; }
cd "$1"
"$2/node_modules/.bin/vscode-tmgrammar-test" --config editors/vscode/package.json \
  'tests/editors/*.spm' 'tests/editors/*.bpj' 'tests/editors/*.txs' 'tests/editors/*.cfg'
node tests/editors/scopes.mjs . "$2" "$3"

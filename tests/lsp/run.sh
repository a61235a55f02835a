# The language server's tests (CTest LanguageServer.*): a node script of
# this folder with its arguments.  The npm packages live outside the source
# tree, in NODE_DIR (the build's node/), where tools/setup.sh installs them.
# Skipped (status 77) when node or the packages are missing.
#
# usage: sh run.sh SCRIPT ARGUMENTS... NODE_DIR
set -e
script="$(dirname "$0")/$1"
shift
for last; do :; done
command -v node >/dev/null || { echo "skipped: node is not installed (tools/setup.sh installs it)"; exit 77; }
[ -d "$last/node_modules/vscode-jsonrpc" ] || { echo "skipped: no npm packages in $last (tools/setup.sh $(dirname "$last") installs them)"; exit 77; }
exec node "$script" "$@"

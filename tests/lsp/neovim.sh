# LanguageServer.neovim: neovim.lua in headless Neovim with the configuration
# of the manual's chapter Editing projects (its lua block), on a copy of the
# example, with the server of the build first on the PATH.  Skipped (status
# 77) without nvim.
#
# usage: sh neovim.sh SERVER_DIR SOURCE_DIR WORK_DIR
set -e
command -v nvim >/dev/null || { echo "skipped: nvim is not installed"; exit 77; }
server=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
rm -rf "$3" && mkdir -p "$3" && cp -r "$source/examples/mill" "$3/mill"
sed -n '/^```lua/,/^```$/p' "$source/docs/manual/editing.md" | sed '1d;$d' > "$3/quillon32.lua"
cd "$3/mill"
PATH="$server:$PATH" HOME="$3" XDG_CONFIG_HOME="$3" XDG_DATA_HOME="$3" XDG_STATE_HOME="$3" \
  nvim --headless -n -i NONE -u "$3/quillon32.lua" -c "luafile $source/tests/lsp/neovim.lua"

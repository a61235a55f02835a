# The browser test of the preview (CTest PreviewInBrowser): the example's
# preview and a panel of the screen's less common items opened in headless
# Chromium by check-page.mjs.  The npm packages live outside the source
# tree, in NODE_DIR (the build's node/), where tools/setup.sh installs them.
# Skipped (status 77) when node, Chromium or the packages are missing.
#
# usage: sh run.sh QUILLON32PREVIEW SOURCE_DIR WORK_DIR NODE_DIR
set -e
here="$2/tests/preview/browser"
for tool in node /usr/bin/chromium; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed (tools/setup.sh installs it)"; exit 77; }
done
[ -d "$4/node_modules/puppeteer-core" ] || { echo "skipped: no npm packages in $4 (tools/setup.sh $(dirname "$4") installs them)"; exit 77; }
cp "$here/check-page.mjs" "$4/check-page.mjs"
rm -rf "$3" && mkdir -p "$3"
cp -r "$2/examples/mill" "$3/mill"
cd "$3/mill"
"$1" mill.spm -o../site -pjmill.pj > ../preview.txt
mkdir ../panel && cd ../panel
cat > panel.spm <<'EOF'
QUILLON Project File - Version 1.0
SKMENU MAIN HROOT
TX One ONE
TX Two TWO
TX Three THREE
TX Level LEVEL
TX Five FIVE
TX Six SIX
ROWDEF 2 4
GOTO ONE SUB POPUPMENU:SUB
BLANK TWO
NODE THREE SUB HIDE:M7
STATE LEVEL STATES:3 STATUS:LEVEL2
ACTION FIVE
ACTION SIX
END ONE
ENDSKMENU
SKMENU SUB
ROWDEF 6 9
ACTION TWO
ACTION FIVE
BACK SIX
ENDSKMENU
EOF
"$1" panel.spm ../panel-site > ../panel.txt
# SUB is linked from the menu list, the GOTO (whose POPUPMENU names it too) and the NODE.
[ "$(grep -o 'class="menulink" href="#menu-SUB"' ../panel-site/details.html | wc -l)" = 3 ] || { echo "details: SUB not linked 3 times"; exit 1; }
node "$4/check-page.mjs" ../site ../screenshot.png ../panel-site

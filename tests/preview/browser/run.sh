# The browser test of the preview (CTest PreviewInBrowser): the example's
# preview opened in headless Chromium by check-page.mjs.  Skipped (status 77)
# when node, Chromium or the npm packages are missing: .ci/run installs them
# (npm ci in this folder).
#
# usage: sh run.sh QUILLON32PREVIEW SOURCE_DIR WORK_DIR
set -e
here="$2/tests/preview/browser"
for tool in node /usr/bin/chromium; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -d "$here/node_modules/puppeteer-core" ] || { echo "skipped: run npm ci in $here"; exit 77; }
rm -rf "$3" && mkdir -p "$3"
cp -r "$2/examples/mill" "$3/mill"
cd "$3/mill"
"$1" mill.spm -o../site -pjmill.pj > ../preview.txt
node "$here/check-page.mjs" ../site/index.html ../screenshot.png

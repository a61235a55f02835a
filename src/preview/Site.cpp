#include "preview/Site.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "bmx/BmxDecoder.h"
#include "checks/Collector.h"
#include "diag/Diagnostics.h"
#include "dxf/VectorDecoder.h"
#include "formats/SoftkeyFormats.h"
#include "platform/FileSystem.h"
#include "platform/LanguageLibrary.h"
#include "plc/PlcOperands.h"
#include "platform/OverlayFileSystem.h"
#include "preview/Pictures.h"
#include "raster/SoftkeyRecords.h"
#include "text/Ascii.h"

namespace q32 {
namespace {

// Text for the page (UTF-8): Windows-1252 input texts show their upper half
// as Latin-1; texts already in UTF-8 pass as they are.
std::string Html(std::string_view text, bool utf8 = false) {
  std::string out;
  for (unsigned char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        if (c >= 0x80 && !utf8)
          out += "&#" + std::to_string(c) + ";";
        else if (c >= 0x80)
          out += static_cast<char>(c);
        else if (c < 0x20)
          out += ' ';
        else
          out += static_cast<char>(c);
    }
  }
  return out;
}

const char* KindText(char kind) {
  switch (kind) {
    case 'V':
      return "vertical root menu";
    case 'H':
      return "horizontal root menu";
    case 'l':
      return "root menu (kind l)";
    case 'I':
      return "horizontal root menu (kind I)";
    case 'i':
      return "vertical root menu (kind i)";
    case 'W':
      return "window menu with title (kind W)";
    case 'L':
      return "window menu with title (kind L)";
    default:
      return "menu";
  }
}

const char* ItemKindText(MenuItemKind kind) {
  const MenuItemDef* def = FindMenuItemDef(kind);
  return def ? def->keyword : "#PRAGMA";
}

std::string LanguageName(int index) {
  if (index < 0) return "default (en)";
  std::string id = GetLanguageId(index);
  return id.empty() ? "language " + std::to_string(index) : id;
}

// The findings of each page element, in the order they were made: every
// menu and softkey lists its own, and the page has thousands of both.
using FindingsByAnchor = std::map<std::string, std::vector<const Finding*>>;

std::string FindingsHtml(const FindingsByAnchor& findings, const std::string& anchor);

}  // namespace

bool Site::Write(const std::string& name, const std::string& bytes) {
  std::unique_ptr<File> f = host.Open(dir + name, FileMode::WriteBinary);
  if (!f || !f->Write(bytes.data(), bytes.size()) || !f->Close()) {
    if (failed.empty()) failed = dir + name;
    return false;
  }
  return true;
}

namespace {

void AddPicture(Output& o, std::string name, std::string caption, std::string style = std::string(),
                std::string language = std::string(), int state = -1) {
  o.pictures.push_back(std::move(name));
  o.captions.push_back(std::move(caption));
  o.styles.push_back(std::move(style));
  o.languages.push_back(std::move(language));
  o.states.push_back(state);
}

// A .bmx: the whole picture in each language and state, then its parts
// (background and layers), and its texts.
void DrawBmxOutput(Output& o, const std::string& stem, const std::string& bytes, Site& site) {
  BmxPicture p = BmxPictures(DecodeBmxFile(bytes), bytes);
  if (!p.problem.empty()) o.texts.push_back("not decoded: " + p.problem);
  const std::string size = std::to_string(p.pixels.width) + " x " + std::to_string(p.pixels.height);
  const std::string style =
      "width:" + std::to_string(3 * p.pixels.width) + "px;height:" + std::to_string(3 * p.pixels.height) + "px";
  // The whole picture in each language and state, then its parts.
  if (p.pixels.width > 0)
    for (const std::string& language : BmxLanguages(p))
      for (int state : BmxStates(p)) {
        const std::string name = stem + (language.empty() ? "" : "-" + LowerCase(language)) +
                                 (state < 0 ? "" : "-state" + std::to_string(state)) + ".svg";
        std::string caption = "whole";
        if (!language.empty()) caption += ", LAN=" + language;
        if (state >= 0) caption += ", state " + std::to_string(state);
        if (site.Write(name, BmxComposite(p, language, state)))
          AddPicture(o, name, caption + ", " + size, style, LowerCase(language), state);
      }
  if (p.pixels.width > 0 && site.Write(stem + ".png", EncodePng(p.pixels)))
    AddPicture(o, stem + ".png", "background, " + size, style, "-");
  for (std::size_t n = 0; n < p.layers.size(); ++n) {
    const std::string name = stem + "-layer" + std::to_string(n) + ".png";
    if (site.Write(name, EncodePng(p.layers[n].second)))
      AddPicture(o, name, "layer " + p.layers[n].first + ", " + size, style, "-");
  }
  o.utf8 = p.utf8;
  for (const BmxText& t : p.texts) o.texts.push_back((t.attributes.empty() ? "" : t.attributes + ": ") + t.text);
}

// A vector softkey: each variant's picture, and why decoding stopped or how
// many block calls it made.
void DrawVectorOutput(Output& o, const std::string& stem, const std::string& data, Site& site) {
  const std::vector<VectorVariant> variants = DrawVectorSoftkey(data);
  // The first variant that stops says why; the calls are those of the
  // variant that follows the most.
  std::string problem;
  int calls = 0;
  for (const VectorVariant& var : variants) {
    if (problem.empty()) problem = VectorStopText(var);
    calls = std::max(calls, var.calls);
  }
  if (!problem.empty())
    o.texts.push_back("decoding stopped: " + problem);
  else if (calls > 0)
    o.texts.push_back(std::to_string(calls) + " block call(s), each landing on a block");
  for (std::size_t n = 0; n < variants.size(); ++n) {
    const VectorVariant& var = variants[n];
    const std::string name = stem + (variants.size() > 1 ? "-" + std::to_string(n) : "") + ".svg";
    // The variant without a language test is the one every other
    // language sees.
    if (site.Write(name, VectorSvg(var)))
      AddPicture(o, name, variants.size() > 1 ? LanguageName(var.language) : "vector", std::string(),
                 var.language < 0 ? std::string() : LowerCase(GetLanguageId(var.language)));
  }
}

}  // namespace

void DecodeOutputs(Collector& c, OverlayFileSystem& fs, Site& site) {
  for (std::size_t i = 0; i < c.softkeys.size(); ++i) {
    SoftkeyLine& k = c.softkeys[i];
    for (std::size_t j = 0; j < k.outputs.size(); ++j) {
      Output& o = k.outputs[j];
      // A generated project's softkey is read from disk, where it was found.
      std::string onDisk;
      const std::string* bytes = o.onDisk ? (fs.ReadWhole(o.path, onDisk) ? &onDisk : nullptr) : fs.Output(o.path);
      if (!bytes) continue;  // removed by the run after a failure
      const std::string stem = "sk" + std::to_string(i) + "-" + std::to_string(j);
      // What the file holds, record by record, as the details view links it.
      const OutputFormat& format = RecogniseOutput(o.path, *bytes);
      if (site.Write(stem + ".txt", format.listing(*bytes))) o.listing = stem + ".txt";
      switch (format.picture) {
        case PictureKind::BmxImage:
          DrawBmxOutput(o, stem, *bytes, site);
          break;
        case PictureKind::Drawing:
          if (std::string data; ReadWholeSoftkeyData(*bytes, data)) DrawVectorOutput(o, stem, data, site);
          break;
        case PictureKind::Pixels:
          if (const SoftkeyPicture picture = format.draw(*bytes); !picture.problem.empty())
            o.texts.push_back("not decoded: " + picture.problem);
          else if (site.Write(stem + ".png", PicturePng(picture)))
            AddPicture(o, stem + ".png", std::string(format.name));
          break;
      }
    }
  }
}


std::string FindingText(const Finding& f) {
  // The lines the run itself writes under -diag:gcc, with the notes.
  std::string out = GccLine(f.report, "Quillon32Preview");
  for (const RelatedSpan& note : f.report.notes) out += "\n" + GccNoteLine(note);
  return out;
}

namespace {

std::string FindingsHtml(const FindingsByAnchor& findings, const std::string& anchor) {
  std::string out;
  auto it = findings.find(anchor);
  if (it != findings.end())
    for (const Finding* f : it->second) out += "<li class=\"finding\">" + Html(FindingText(*f)) + "</li>\n";
  return out.empty() ? out : "<ul class=\"findings\">\n" + out + "</ul>\n";
}

// Root menus first, then the others, each in project order: the order both
// pages list them in.
std::vector<const Menu*> RootMenusFirst(const Collector& c) {
  std::vector<const Menu*> order;
  for (const Menu& m : c.menus)
    if (m.attributes.root) order.push_back(&m);
  for (const Menu& m : c.menus)
    if (!m.attributes.root) order.push_back(&m);
  return order;
}

std::string Pictures(const SoftkeyLine& k) {
  std::string out;
  // A TX softkey has no picture file: the control writes its text.
  if (k.source == SourceType::Tx && k.tokens.size() >= 2)
    out += "<figure class=\"tx\">&ldquo;" + Html(k.tokens[1]) +
           "&rdquo;<figcaption>text written by the control</figcaption></figure>";
  for (const Output& o : k.outputs)
    for (std::size_t p = 0; p < o.pictures.size(); ++p)
      out += "<figure><img src=\"" + Html(o.pictures[p]) + "\" alt=\"" + Html(k.name) + "\"" +
             (p < o.styles.size() && !o.styles[p].empty() ? " style=\"" + o.styles[p] + "\"" : std::string()) + "><figcaption>" +
             Html(o.captions[p]) + "</figcaption></figure>";
  return out;
}

// A link to a menu's section, or the name and that there is no such menu.
std::string MenuLink(const std::set<std::string>& menuNames, const std::string& name) {
  return menuNames.count(name) ? "<a class=\"menulink\" href=\"#menu-" + Html(name) + "\">" + Html(name) + "</a>"
                               : Html(name) + " (no such menu)";
}

// The list of findings, each linked to the element it concerns.
std::string FindingsList(const Collector& c) {
  std::string h = "<h2 id=\"findings\">Findings</h2>\n";
  if (c.findings.empty()) return h + "<p>None.</p>\n";
  h += "<ul>\n";
  for (const Finding& f : c.findings) {
    h += "<li class=\"finding\">";
    if (!f.anchor.empty()) h += "<a href=\"#" + Html(f.anchor) + "\">";
    h += Html(FindingText(f));
    if (!f.anchor.empty()) h += "</a>";
    h += "</li>\n";
  }
  return h + "</ul>\n";
}

// A menu item's row: its slot, kind, softkey with its pictures, the menus
// it opens, and its parameters sorted into conditions, Python and the rest.
std::string ItemRow(const Item& item, int slot, const std::map<std::string, const SoftkeyLine*>& byName,
                    const std::set<std::string>& menuNames) {
  std::string softkey, opens, conditions, python, other;
  if (item.tokens.size() >= 2) {
    const std::string name = CutName(item.tokens[1]);
    auto it = byName.find(name);
    softkey = Html(name) + "<br>" + (it != byName.end() ? Pictures(*it->second) : "(no such softkey)");
  }
  for (const std::string& t : Targets(item)) opens += (opens.empty() ? "" : "<br>") + MenuLink(menuNames, t);
  for (std::size_t t = 2; t < item.tokens.size(); ++t) {
    const std::string& p = item.tokens[t];
    if ((item.kind == MenuItemKind::Goto || item.kind == MenuItemKind::Node) && t == 2) continue;
    if (StartsWithIgnoringCase(p, "POPUPMENU:")) continue;
    if (StartsWithIgnoringCase(p, "ENABLE:") || StartsWithIgnoringCase(p, "STATUS:") ||
        StartsWithIgnoringCase(p, "HIDE:"))
      conditions += (conditions.empty() ? "" : "<br>") + Html(p);
    else if (StartsWithIgnoringCase(p, "PY"))
      python += (python.empty() ? "" : "<br>") + Html(p);
    else
      other += (other.empty() ? "" : "<br>") + Html(p);
  }
  return "<tr><td>" + std::to_string(slot) + "</td><td>" + ItemKindText(item.kind) +
         (IsError(item.result)
              ? " <span class=\"finding\">(refused: message " + std::to_string(Number(item.result)) + ")</span>"
              : "") +
         "</td><td>" + softkey + "</td><td>" + opens + "</td><td>" + conditions + "</td><td>" + python + "</td><td>" +
         other + "</td></tr>\n";
}

// The table of softkey lines: each line's source, pictures, written files
// with their listings and texts, and its findings.
std::string SoftkeysTable(const Collector& c, const PageContext& pc, const FindingsByAnchor& findingsOf) {
  std::string h = "<h2>Softkeys</h2>\n<table>\n<tr><th>Line</th><th>Name</th><th>Source</th><th>Pictures</th></tr>\n";
  for (std::size_t i = 0; i < c.softkeys.size(); ++i) {
    const SoftkeyLine& k = c.softkeys[i];
    std::string source;
    for (std::size_t t = 0; t < k.tokens.size() && t < 2; ++t) source += (t ? " " : "") + Html(k.tokens[t]);
    std::string pictures = Pictures(k);
    for (const Output& o : k.outputs) {
      pictures += "<div>" + Html(Shown(o.path, pc.startDir)) +
                  (o.listing.empty() ? "" : " (<a href=\"" + Html(o.listing) + "\">records</a>)") + "</div>";
      if (!o.replacedBy.empty())
        pictures +=
            "<div class=\"finding\">written again by " + Html(o.replacedBy) + ": this softkey shows that picture</div>";
      for (const std::string& t : o.texts) pictures += "<div>" + Html(t, o.utf8) + "</div>";
    }
    if (k.done && !k.converted)
      pictures += "<div class=\"finding\">not converted" +
                  (IsError(k.code) ? ": message " + std::to_string(Number(k.code)) : std::string()) + "</div>";
    h += "<tr id=\"sk" + std::to_string(i) + "\"><td>" + Html(Shown(*k.file, pc.startDir)) + ":" +
         std::to_string(k.line) + "</td><td>" + Html(k.name) + "</td><td>" + source + "</td><td>" + pictures +
         FindingsHtml(findingsOf, "sk" + std::to_string(i)) + "</td></tr>\n";
  }
  return h + "</table>\n";
}

}  // namespace

std::string Page(const Collector& c, const PageContext& pc) {
  std::map<std::string, const SoftkeyLine*> byName;
  for (const SoftkeyLine& k : c.softkeys)
    if (!k.name.empty()) byName.emplace(k.name, &k);
  FindingsByAnchor findingsOf;
  for (const Finding& f : c.findings) findingsOf[f.anchor].push_back(&f);
  std::set<std::string> menuNames;
  for (const Menu& m : c.menus) menuNames.insert(m.name);
  auto menuLink = [&](const std::string& name) { return MenuLink(menuNames, name); };

  std::string h =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>Softkey preview</title>\n"
      "<style>\nbody{font-family:sans-serif;margin:1em 2em}\n"
      "img{width:231px;height:144px;image-rendering:pixelated;image-rendering:crisp-edges;"
      "border:1px solid #888}\n"
      "figure{display:inline-block;margin:0 .5em .5em 0;vertical-align:top}\n"
      "figcaption{font-size:80%;color:#555}\n"
      "table{border-collapse:collapse}td,th{border:1px solid #bbb;padding:.2em .4em;vertical-align:top}\n"
      ".finding{color:#a30}\nsection.menu{border-top:2px solid #446;margin-top:1.5em}\n</style>\n"
      "</head><body>\n<h1>Softkey preview</h1>\n<p><a href=\"index.html\">Screen view</a></p>\n";
  h += "<p>Machine variant: Quillon32 -gensys";
  for (const std::string& o : pc.options) h += " " + Html(o);
  h += "</p>\n<p>Generation exit status " + std::to_string(pc.generatorStatus) + "; " +
       std::to_string(c.softkeys.size()) + " softkey lines, " + std::to_string(c.menus.size()) + " menus, " +
       std::to_string(c.findings.size()) + " findings.</p>\n";
  h += "<p class=\"choices\">How the pictures are drawn: " + Html(RenderingChoices::kText) + "</p>\n";

  h += FindingsList(c);

  const std::vector<const Menu*> order = RootMenusFirst(c);
  h += "<h2>Menus</h2>\n<ul>\n";
  for (const Menu* m : order)
    h += "<li>" + menuLink(m->name) + " (" + std::to_string(m->number) + ", " + KindText(m->attributes.kind) +
         (m->popup ? ", popup" : "") + ")</li>\n";
  h += "</ul>\n";

  std::set<std::string> placed;
  for (const Menu* m : order) {
    const std::string id = "menu-" + m->name;
    // A second menu of the same name has no anchor of its own.
    h += placed.insert(m->name).second ? "<section class=\"menu\" id=\"" + Html(id) + "\">\n"
                                       : "<section class=\"menu\">\n";
    h += "<h3>Menu " + Html(m->name) + "</h3>\n<p>Number " + std::to_string(m->number) + ", " +
         KindText(m->attributes.kind) + (m->attributes.root ? " (root)" : "") +
         (m->popup ? ", opened as a popup" : "") + ", mode " + std::string(1, m->attributes.mode) + ", title " +
         Html(m->attributes.title) + (m->attributes.ident.empty() ? "" : ", ident " + Html(m->attributes.ident)) +
         " — " + Html(Shown(*m->file, pc.startDir)) + ":" + std::to_string(m->line) + " — <a href=\"index.html#" +
         Html(m->name) + "\">on the screen</a></p>\n";
    for (const std::string& l : m->layout) h += "<p>" + Html(l) + "</p>\n";
    h += FindingsHtml(findingsOf, id);
    h += "<table>\n<tr><th>#</th><th>Item</th><th>Softkey</th><th>Opens</th><th>Conditions</th><th>Python</th>"
         "<th>Other parameters</th></tr>\n";
    int slot = 0;
    for (const Item& item : m->items)
      if (item.kind != MenuItemKind::Pragma) h += ItemRow(item, slot++, byName, menuNames);
    h += "</table>\n</section>\n";
  }

  h += SoftkeysTable(c, pc, findingsOf);
  h += "</body></html>\n";
  return h;
}

namespace {

// The screen view's script: it reads the menus from the page's hidden
// elements and draws the one on top of the stack of opened menus; the bar is
// the root's (horizontal along the bottom, vertical at the side), popups and
// windows are drawn over the menu below them.  A row has eight slots; the
// softkeys fill those of the menu's ROWDEF (all eight without one), a page
// at a time, each menu keeping its page.
constexpr const char* kScreenScript = R"(
const menus = {};
for (const m of document.querySelectorAll('#menus .menu')) menus[m.dataset.name] ??= m;
const bits = {};
for (const i of document.querySelectorAll('#bits input')) {
  bits[i.dataset.bit] = i.checked;
  i.onchange = () => { bits[i.dataset.bit] = i.checked; show(); };
}
const first = document.querySelector('#menus .menu');
let stack = [], pages = {};
const on = (b, kind) => b.dataset[kind] !== undefined && !!bits[b.dataset[kind]];
const slot = (className) => Object.assign(document.createElement('button'), { className, disabled: true });
// A bar's free slots are drawn to its end; a popup's only up to its last key.
function keys(menu, into, bar) {
  const all = [...menu.querySelectorAll('.sk')];
  const [from, to] = (menu.dataset.row ?? '0 7').split(' ').map((n) => Math.min(+n, 7));
  const size = to - from + 1, count = Math.max(1, Math.ceil(all.length / size));
  const page = pages[menu.dataset.name] = Math.min(pages[menu.dataset.name] ?? 0, count - 1);
  const shown = all.slice(page * size, page * size + size).map((k) => {
    const b = k.cloneNode(true);
    b.disabled = b.classList.contains('blank') || (b.dataset.enable !== undefined && !on(b, 'enable'));
    b.classList.toggle('selected', on(b, 'status'));
    choose(b);
    // A hidden key is an empty slot: there is nothing to press.
    if (on(b, 'hide')) b.classList.add('hidden'), b.disabled = true;
    else b.onclick = () => press(b.dataset);
    return b;
  });
  const end = bar ? 8 : from + shown.length;
  into.replaceChildren(...Array.from({ length: end }, (_, n) =>
    n >= from && n - from < shown.length ? shown[n - from] : slot('sk empty')));
  if (count > 1)
    for (const [text, step] of [['\u25c0', -1], ['\u25b6', 1]]) {
      const p = slot('pager');
      p.textContent = text;
      p.disabled = page + step < 0 || page + step >= count;
      p.onclick = () => { pages[menu.dataset.name] = page + step; show(); };
      step < 0 ? into.prepend(p) : into.append(p);
    }
}
// The picture for the language and the state: a language's own before the
// one every language sees, the state's own before one for every state.
const language = document.getElementById('language');
language.onchange = () => show();
function choose(b) {
  const sb = b.dataset.statebits?.split(' ') ?? [];
  const state = Math.min(sb.reduce((v, bit, i) => v | (bits[bit] ? 1 << i : 0), 0), (+b.dataset.states || 1) - 1);
  if (sb.length) b.dataset.state = state;
  const imgs = [...b.querySelectorAll('img')];
  if (!imgs.length) return;
  const score = (i) => (i.dataset.lang === language.value ? 8 : i.dataset.lang === '' ? 4 : 0) +
    (+i.dataset.state === state ? 2 : +i.dataset.state < 0 ? 1 : 0);
  const best = imgs.reduce((a, i) => (score(i) > score(a) ? i : a));
  for (const i of imgs) i.hidden = i !== best;
  best.src = best.dataset.src;
}
function press(d) {
  if (d.opens && menus[d.opens]) stack.push(d.opens), pages[d.opens] = 0;
  else if (d.kind === 'BACK' && stack.length > 1) stack.pop();
  else if (d.kind === 'END') stack = stack.slice(0, 1);
  show();
}
function show() {
  const top = menus[stack.at(-1)];
  const base = menus[stack.findLast((n) => menus[n].dataset.bar !== 'w') ?? stack[0]];
  const bar = menus[stack.find((n) => ['v', 'h'].includes(menus[n].dataset.bar))]?.dataset.bar ?? 'h';
  const screen = document.getElementById('screen');
  screen.className = bar === 'v' ? 'vertical' : 'horizontal';
  document.getElementById('title').textContent = stack.join(' \u203a ');
  keys(base, document.getElementById('bar'), true);
  const popup = document.getElementById('popup');
  popup.hidden = top === base;
  if (top !== base) {
    popup.querySelector('h2').textContent = top.dataset.title || top.dataset.name;
    keys(top, popup.querySelector('.keys'), false);
  }
  document.getElementById('details').href = 'details.html#menu-' + encodeURIComponent(top.dataset.name);
}
const wanted = decodeURIComponent(location.hash.slice(1));
stack = [menus[wanted] ? wanted : first?.dataset.name].filter(Boolean);
if (stack.length) show();
)";

// What the screen view decides where the tree file leaves the control's
// behaviour open, stated under the screen.
constexpr const char* kScreenNotes =
    "How the screen is drawn: a row has eight slots; a menu's softkeys fill the slots of its ROWDEF a b (all "
    "eight without one, the last ROWDEF counting), the rest on further pages behind the paging keys; slots past the "
    "eighth are not on the screen (ROWDEF 6 9 fills the slots 6 and 7, a row that begins past the eighth the last "
    "slot). Each menu keeps its page while another is shown over it; a menu opened shows its first page. Popups "
    "and windows are drawn over the menu below them, their keys as large as the bar's, up to their last key. A "
    "BLANK that names a softkey shows it, and pressing it does nothing. A key whose HIDE: bit is on leaves its slot "
    "empty, with nothing to press. A STATE item's state is read from its STATUS: bit and, for more than two "
    "STATES:, the bits numbered on from it, the first the lowest (STATUS:M140 STATES:3 reads M140 and M141); the "
    "page does not know where a PLC symbol lies, so the bits after one are switches named by their distance "
    "(STATUS:LEVEL STATES:3 reads LEVEL and LEVEL+1). A state past the last shows the last.";

// A window's title as the control shows it: without the quotes that let
// the project write it with blanks.
std::string Unquoted(const std::string& title) {
  return title.size() >= 2 && title.front() == '"' && title.back() == '"' ? title.substr(1, title.size() - 2) : title;
}

// The bits a STATE item's state is read from: the STATUS operand and, for
// more than two states, the operands of the same letters numbered on from
// it (STATES:3 STATUS:M140 reads M140 and M141), the first the lowest bit.
// The page does not know where a PLC symbol lies: the bits after it are
// named by their distance (STATUS:LEVEL reads LEVEL and LEVEL+1).
std::vector<std::string> StateBits(const Item& item) {
  std::string status;
  int states = 0;
  for (std::size_t t = 2; t < item.tokens.size(); ++t) {
    if (StartsWithIgnoringCase(item.tokens[t], "STATUS:")) status = item.tokens[t].substr(7);
    if (StartsWithIgnoringCase(item.tokens[t], "STATES:")) states = std::atoi(item.tokens[t].c_str() + 7);
  }
  std::vector<std::string> bits;
  if (item.kind != MenuItemKind::State || status.empty()) return bits;
  bits.push_back(status);
  std::size_t digits = status.size();
  while (digits > 0 && status[digits - 1] >= '0' && status[digits - 1] <= '9') --digits;
  // Without symbols, only a direct operand passes the operand check.
  PlcSymbolTables none;
  std::string operand = status;
  OperandResult direct;
  const bool numbered = CheckOperand(none, operand, direct) == Msg::Ok && status.size() - digits <= 6;
  const long first = numbered ? std::atol(status.c_str() + digits) : 0;
  for (int n = 1; (1 << n) < states && n < 8; ++n)
    bits.push_back(numbered ? status.substr(0, digits) + std::to_string(first + n) : status + "+" + std::to_string(n));
  return bits;
}

std::string ScreenKey(const Item& item, const std::map<std::string, const SoftkeyLine*>& byName) {
  const MenuItemDef* def = FindMenuItemDef(item.kind);
  // A BLANK that names a softkey shows it; pressing it does nothing.
  const bool empty = item.kind == MenuItemKind::Blank && item.tokens.size() < 2;
  std::string b = std::string("<button class=\"sk") + (empty ? " blank" : "") +
                  "\" data-kind=\"" + (def ? def->keyword : "") + "\"";
  const std::vector<std::string> targets = Targets(item);
  if (!targets.empty()) b += " data-opens=\"" + Html(targets.back()) + "\"";
  const std::vector<std::string> stateBits = StateBits(item);
  for (const char* condition : {"ENABLE:", "STATUS:", "HIDE:", "STATES:"})
    for (std::size_t t = 2; t < item.tokens.size(); ++t)
      if (StartsWithIgnoringCase(item.tokens[t], condition) &&
          !(stateBits.size() > 0 && std::strcmp(condition, "STATUS:") == 0))
        b += std::string(" data-") + LowerCase(std::string(condition, std::strlen(condition) - 1)) + "=\"" +
             Html(item.tokens[t].substr(std::strlen(condition))) + "\"";
  if (!stateBits.empty()) {
    std::string list;
    for (const std::string& bit : stateBits) list += (list.empty() ? "" : " ") + bit;
    b += " data-statebits=\"" + Html(list) + "\"";
  }
  b += ">";
  if (item.tokens.size() < 2) return b + "</button>";
  const std::string name = CutName(item.tokens[1]);
  auto it = byName.find(name);
  const SoftkeyLine* k = it == byName.end() ? nullptr : it->second;
  // Every picture of the softkey the screen may show; the page's script
  // shows the one for the language and state chosen, and loads it then.
  std::string pictures;
  for (const Output& o : k ? k->outputs : std::vector<Output>())
    for (std::size_t p = 0; p < o.pictures.size(); ++p) {
      const std::string language = p < o.languages.size() ? o.languages[p] : std::string();
      if (language == "-") continue;
      pictures += "<img data-src=\"" + Html(o.pictures[p]) + "\" data-lang=\"" + Html(language) +
                  "\" data-state=\"" + std::to_string(p < o.states.size() ? o.states[p] : -1) + "\" alt=\"" +
                  Html(name) + "\">";
    }
  if (!pictures.empty())
    b += pictures;
  else
    b += "<span>" + Html(k && k->source == SourceType::Tx && k->tokens.size() >= 2 ? k->tokens[1] : name) + "</span>";
  return b + "</button>";
}

}  // namespace

namespace {

// The controls beside the screen: the control's language, and the PLC bits
// the conditions name (those that enable start set).
std::string ScreenControls(const Collector& c) {
  std::map<std::string, std::set<std::string>> bits;
  for (const Menu& m : c.menus)
    for (const Item& item : m.items) {
      const std::vector<std::string> stateBits = StateBits(item);
      for (const std::string& bit : stateBits) bits[bit].insert("state");
      for (std::size_t t = 2; t < item.tokens.size(); ++t)
        for (const char* condition : {"ENABLE:", "STATUS:", "HIDE:"})
          if (StartsWithIgnoringCase(item.tokens[t], condition) &&
              !(!stateBits.empty() && std::strcmp(condition, "STATUS:") == 0))
            bits[item.tokens[t].substr(std::strlen(condition))].insert(
                LowerCase(std::string(condition, std::strlen(condition) - 1)));
    }
  // The languages the pictures are drawn in; the one every language sees is
  // English's unless a picture of its own is there.
  std::set<std::string> languages = {"en"};
  for (const SoftkeyLine& k : c.softkeys)
    for (const Output& o : k.outputs)
      for (const std::string& language : o.languages)
        if (!language.empty() && language != "-") languages.insert(language);
  std::string h = "<p><label>Language of the control: <select id=\"language\">";
  for (const std::string& language : languages)
    h += "<option" + std::string(language == "en" ? " selected" : "") + ">" + Html(language) + "</option>";
  h += "</select></label></p>\n";
  h += "<fieldset id=\"bits\"><legend>PLC bits</legend>\n";
  if (bits.empty()) h += "No item names a PLC bit.\n";
  for (const auto& [bit, uses] : bits) {
    std::string use;
    for (const std::string& u : uses) use += (use.empty() ? "" : ", ") + u;
    h += "<label><input type=\"checkbox\" data-bit=\"" + Html(bit) + "\"" + (uses.count("enable") ? " checked" : "") +
         "> " + Html(bit) + " <small>(" + use + ")</small></label>\n";
  }
  return h;
}

}  // namespace

std::string ScreenPage(const Collector& c) {
  std::map<std::string, const SoftkeyLine*> byName;
  for (const SoftkeyLine& k : c.softkeys)
    if (!k.name.empty()) byName.emplace(k.name, &k);
  std::string h =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>Softkey preview: screen</title>\n"
      "<style>\nbody{font-family:sans-serif;margin:1em 2em;background:#ddd}\n"
      "#screen{position:relative;width:1000px;height:700px;background:#123;display:flex;color:#eee;"
      "border:6px solid #444}\n#screen.horizontal{flex-direction:column}\n"
      "#title{padding:.3em .6em;background:#246}\n#work{flex:1}\n"
      "#bar,.keys{display:flex;gap:3px;padding:3px;background:#555}\n"
      "#screen.horizontal #bar{flex-direction:row}\n#screen.vertical #bar{flex-direction:column;order:2}\n"
      "#screen.vertical #title{position:absolute;top:0;left:0}\n"
      // Every key of the bar, a popup or a window the same size, whatever
      // it shows: a softkey's 77 x 48 pixels enlarged.
      ".sk,.pager{padding:2px;background:#ccc;border:2px outset #eee;color:#000;cursor:pointer;flex:none}\n"
      ".sk{width:104px;height:68px}\n"
      ".sk img{width:100%;height:100%;display:block;image-rendering:pixelated}\n.sk img[hidden]{display:none}\n"
      ".sk:disabled{cursor:default}\n.sk:disabled>*{opacity:.35;filter:grayscale(1)}\n"
      ".sk.blank,.sk.empty,.sk.hidden{background:#777;border-style:solid}\n"
      ".sk.selected{border:2px inset #fc3;background:#fd8}\n.sk.hidden>*{visibility:hidden}\n"
      ".pager{width:32px}\n"
      "#popup{position:absolute;left:24px;top:64px;background:#335;border:2px solid #aac;padding:.5em}\n"
      "#popup h2{font-size:100%;margin:0 0 .4em}\n#bits label{margin-right:1em;white-space:nowrap}\n</style>\n"
      "</head><body>\n<h1>Softkey preview</h1>\n"
      "<p><a id=\"details\" href=\"details.html\">Details of this menu</a> (menus, softkeys, findings)</p>\n"
      "<div id=\"screen\" class=\"horizontal\"><div id=\"title\"></div><div id=\"work\"></div>"
      "<div id=\"popup\" hidden><h2></h2><div class=\"keys\"></div></div><div id=\"bar\"></div></div>\n";

  h += ScreenControls(c);
  h += "</fieldset>\n<p class=\"choices\">" + Html(kScreenNotes) + "</p>\n<div id=\"menus\" hidden>\n";
  // The screen opens on the first.
  for (const Menu* m : RootMenusFirst(c)) {
    const char kind = m->attributes.kind;
    // The bar of a root by its kind; a window or popup over the menu below;
    // any other menu in the bar of the root it was reached from.
    const char* bar = kind == 'V' || kind == 'i'                  ? "v"
                      : m->attributes.root                        ? "h"
                      : kind == 'W' || kind == 'L' || m->popup    ? "w"
                                                                  : "";
    h += "<div class=\"menu\" data-name=\"" + Html(m->name) + "\" data-bar=\"" + bar + "\"" +
         (m->hasRow ? " data-row=\"" + std::to_string(m->rowFirst) + " " + std::to_string(m->rowLast) + "\"" : "") +
         (m->attributes.title != "-" ? " data-title=\"" + Html(Unquoted(m->attributes.title)) + "\"" : "") + ">\n";
    for (const Item& item : m->items)
      if (item.kind != MenuItemKind::Pragma) h += ScreenKey(item, byName) + "\n";
    h += "</div>\n";
  }
  h += "</div>\n<script>" + std::string(kScreenScript) + "</script>\n</body></html>\n";
  return h;
}

}  // namespace q32

#include "preview/Findings.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "preview/Collector.h"
#include "preview/OverlayFileSystem.h"
#include "text/Ascii.h"

namespace q32 {

void CheckNames(Collector& c) {
  auto longName = [&](const std::string& file, int line, const std::string& token, const std::string& anchor) {
    if (token.size() > kMaxNameLength)
      c.Add(file, line,
            "the name " + token + " is cut to its first " + std::to_string(kMaxNameLength) +
                " characters: " + token.substr(0, kMaxNameLength),
            anchor);
  };
  for (std::size_t i = 0; i < c.softkeys.size(); ++i) {
    const SoftkeyLine& k = c.softkeys[i];
    if (k.tokens.size() >= 3) longName(k.file, k.line, k.tokens[2], "sk" + std::to_string(i));
    if (k.tokens.size() >= 2 && k.tokens[1].size() > kMaxSourceLength)
      c.Add(k.file, k.line, "the source name is cut to " + std::to_string(kMaxSourceLength) + " characters",
            "sk" + std::to_string(i));
  }
  std::map<std::uint32_t, const Menu*> numbers;
  for (const Menu& m : c.menus) {
    const std::string anchor = "menu-" + m.name;
    if (m.name.empty()) continue;
    // The name token: the menu's own name as written.
    auto [it, fresh] = numbers.emplace(m.number, &m);
    if (!fresh)
      c.Add(m.file, m.line,
            "the menu " + m.name + " has the number " + std::to_string(m.number) + ", as has the menu " +
                it->second->name + " (" + c.Where(it->second->file, it->second->line) + ")",
            anchor);
    for (const Item& item : m.items)
      for (std::size_t t = 1; t < item.tokens.size() && t < 3; ++t)
        if (item.tokens[t].find(':') == std::string::npos) longName(item.file, item.line, item.tokens[t], anchor);
  }
}

void CheckReach(Collector& c) {
  std::map<std::string, Menu*> byName;
  for (Menu& m : c.menus) byName.emplace(m.name, &m);
  std::set<std::string> reached;
  std::vector<std::string> todo;
  for (const Menu& m : c.menus)
    if (m.attributes.root && reached.insert(m.name).second) todo.push_back(m.name);
  while (!todo.empty()) {
    auto it = byName.find(todo.back());
    todo.pop_back();
    if (it == byName.end()) continue;
    for (const Item& item : it->second->items)
      for (const std::string& target : Targets(item))
        if (reached.insert(target).second) todo.push_back(target);
  }
  for (Menu& m : c.menus) {
    for (const Item& item : m.items)
      for (std::size_t t = 2; t < item.tokens.size(); ++t)
        if (StartsWithIgnoringCase(item.tokens[t], "POPUPMENU:")) {
          auto target = byName.find(CutName(item.tokens[t].substr(10)));
          if (target != byName.end()) target->second->popup = true;
        }
    if (!m.name.empty() && !reached.count(m.name))
      c.Add(m.file, m.line, "no root menu leads to the menu " + m.name, "menu-" + m.name);
  }
}

void CheckSoftkeyUse(Collector& c) {
  std::map<std::string, std::size_t> defined;  // name -> softkey line
  for (std::size_t i = 0; i < c.softkeys.size(); ++i)
    if (!c.softkeys[i].name.empty()) defined.emplace(c.softkeys[i].name, i);
  std::set<std::string> shown;
  for (const Menu& m : c.menus)
    for (const Item& item : m.items) {
      if (item.kind == ITEM_PRAGMA || item.tokens.size() < 2) continue;
      const std::string name = CutName(item.tokens[1]);
      shown.insert(name);
      auto it = defined.find(name);
      if (it != defined.end() && it->second >= item.softkeysBefore) {
        const SoftkeyLine& k = c.softkeys[it->second];
        c.Add(item.file, item.line,
              "the item names the softkey " + name + ", which is defined only further down (" +
                  c.Where(k.file, k.line) + "); the generator reports it as an unknown name",
              "menu-" + m.name);
      }
    }
  for (std::size_t i = 0; i < c.softkeys.size(); ++i) {
    const SoftkeyLine& k = c.softkeys[i];
    if (k.name.empty())
      c.Add(k.file, k.line, "the softkey has no name, so no menu item can show it", "sk" + std::to_string(i));
    else if (!shown.count(k.name))
      c.Add(k.file, k.line, "the softkey " + k.name + " is shown in no menu", "sk" + std::to_string(i));
  }
}

// Bytes an editor leaves when it saves UTF-8: a lead byte and its
// continuation bytes.  Text softkey sources are code page 850, where every
// byte is a character (0x81 is a u with umlaut), so only UTF-8 is suspect.
void CheckTextSources(Collector& c, OverlayFileSystem& fs) {
  std::set<std::string> checked;
  for (std::size_t i = 0; i < c.softkeys.size(); ++i) {
    const SoftkeyLine& k = c.softkeys[i];
    if (k.source < SOURCE_TXS || k.source > SOURCE_TXB ||
        !checked.insert(k.sourcePath).second)
      continue;
    std::string bytes;
    if (!fs.ReadWhole(k.sourcePath, bytes)) continue;
    int line = 1;
    for (std::size_t at = 0; at < bytes.size(); ++at) {
      const auto b = static_cast<unsigned char>(bytes[at]);
      if (b == '\n') ++line;
      std::size_t follow = b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xF0 && b <= 0xF4 ? 3 : 0;
      bool utf8 = follow > 0 && at + follow < bytes.size();
      for (std::size_t f = 1; utf8 && f <= follow; ++f)
        utf8 = (static_cast<unsigned char>(bytes[at + f]) & 0xC0) == 0x80;
      if (utf8) {
        c.Add(k.sourcePath, line,
              "the text holds UTF-8 bytes; text softkey sources are read in code page 850, so they show as "
              "other characters",
              "sk" + std::to_string(i));
        break;
      }
    }
  }
}

void CheckDrawings(Collector& c) {
  for (std::size_t i = 0; i < c.softkeys.size(); ++i) {
    const SoftkeyLine& k = c.softkeys[i];
    for (const Output& o : k.outputs) {
      if (!o.replacedBy.empty()) continue;
      for (const DrawingExtent& e : o.drawings)
        if (e.minX < 0 || e.minY < 0 || e.maxX > 76 || e.maxY > 47)
          c.Add(k.file, k.line,
                "the drawing reaches from (" + std::to_string(e.minX) + "," + std::to_string(e.minY) + ") to (" +
                    std::to_string(e.maxX) + "," + std::to_string(e.maxY) + "), beyond the softkey's 77 x 48 pixels",
                "sk" + std::to_string(i));
    }
  }
}

}  // namespace q32

#include "preview/Pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include "bmx/BmxDecoder.h"
#include "dxf/VectorDecoder.h"
#include "raster/SoftkeyPicture.h"
#include "text/Ascii.h"

namespace q32 {

// Not every C library names pi (MinGW's does only on request).
constexpr double kPi = 3.14159265358979323846;

const char* const RenderingChoices::kText =
    "Raster softkeys: a set bit is drawn black, a clear bit white (the record files carry bits, not colours). "
    "Vector softkeys: drawn on light grey, y upward from the bottom edge, colour numbers 0 to 15 in the 16 "
    "standard VGA colours (9, the colour every drawing uses, is shown in blue-black for contrast); block calls "
    "followed "
    "to the distance the drawing's writer computed (from 26 bytes past a call in the entities, from 18 bytes "
    "before it in a block with a header, from its operand in a block without one); texts in a "
    "monospace font whose character cell is 8 x 12 pixels for small, 16 x 20 for medium and 32 x 36 for big "
    "text, the position being the cell's lower left corner; fill points as a small dot. BMX softkeys: one "
    "whole picture per language (LAN) and state (PARA, a number; state 0 shows the elements without PARA only): "
    "the background, the layers, placed bitmaps and SVG drawings chosen for it, then its texts in a sans-serif "
    "font of 8, 10, 13 and 6 pixels for the small, medium, large and tiny system fonts of a softkey 48 pixels "
    "high, a text wider than the picture squeezed to its width; the rows of the three- and two-row text "
    "templates at the middle of their third or half of the picture, the middle templates at its middle, the "
    "bottom template on its bottom edge; colours as $RRGGBB; relative positions and sizes in per cent of the "
    "picture's side. Beside it the background alone and with each layer that changes it; texts listed per "
    "language.";

const char* const RenderingChoices::kPalette[17] = {"#000000", "#0000aa", "#00aa00", "#00aaaa", "#aa0000", "#aa00aa",
                                                    "#aa5500", "#aaaaaa", "#555555", "#101030", "#55ff55", "#55ffff",
                                                    "#ff5555", "#ff55ff", "#ffff55", "#ffffff", "#ff00ff"};

namespace {

constexpr int kWidth = kSoftkeyWidth, kHeight = kSoftkeyHeight;

std::string Format(const char* format, double a = 0, double b = 0, double c = 0, double d = 0) {
  char text[200];
  std::snprintf(text, sizeof text, format, a, b, c, d);
  return text;
}

std::string XmlEscape(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '&')
      out += "&amp;";
    else if (c == '"')
      out += "&quot;";
    else if (c < 0x20)
      out += "?";
    else if (c >= 0x80)
      out += "&#" + std::to_string(c) + ";";  // Latin-1 on the control
    else
      out += static_cast<char>(c);
  }
  return out;
}

const char* Colour(int c) { return RenderingChoices::kPalette[c >= 0 && c < 16 ? c : 16]; }
// Softkey coordinates (y upward) into the SVG's (y downward), at pixel centres.
double X(int x) { return x + 0.5; }
double Y(int y) { return kHeight - 1 - y + 0.5; }

std::string Svg(const VectorShape& s) {
  switch (s.kind) {
    case VectorShapeKind::Line:
      return Format("<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\"", X(s.x1), Y(s.y1), X(s.x2), Y(s.y2)) +
             " stroke=\"" + Colour(s.colour) + "\"/>\n";
    case VectorShapeKind::Circle:
      return Format("<circle cx=\"%g\" cy=\"%g\" r=\"%g\" fill=\"none\"", X(s.x1), Y(s.y1), s.radius) +
             " stroke=\"" + Colour(s.colour) + "\"/>\n";
    case VectorShapeKind::Arc: {
      // Counter-clockwise from start to end around the centre, as drawings go.
      const double r = std::hypot(s.x1 - s.cx, s.y1 - s.cy);
      double a0 = std::atan2(s.y1 - s.cy, s.x1 - s.cx), a1 = std::atan2(s.y2 - s.cy, s.x2 - s.cx);
      double sweep = a1 - a0;
      while (sweep <= 0) sweep += 2 * kPi;
      return Format("<path d=\"M %g %g A %g %g", X(s.x1), Y(s.y1), r, r) +
             Format(" 0 %g 0 %g", sweep > kPi ? 1 : 0, X(s.x2)) + Format(" %g\" fill=\"none\"", Y(s.y2)) +
             " stroke=\"" + Colour(s.colour) + "\"/>\n";
    }
    case VectorShapeKind::Dot:
      return Format("<circle cx=\"%g\" cy=\"%g\" r=\"0.8\"", X(s.x1), Y(s.y1)) + " fill=\"" + Colour(s.colour) +
             "\"/>\n";
    case VectorShapeKind::Text: {
      const VectorTextCell cell = TextCell(s.sizeCode);
      const int cw = cell.width, ch = cell.height;
      const int n = static_cast<int>(s.text.size());
      if (n == 0) return {};
      return Format("<text x=\"%g\" y=\"%g\" font-size=\"%g\" textLength=\"%g\"", s.x1,
                    kHeight - s.y1 - ch * 0.15, ch, cw * n) +
             " lengthAdjust=\"spacingAndGlyphs\" font-family=\"monospace\" fill=\"" + Colour(s.colour) + "\">" +
             XmlEscape(s.text) + "</text>\n";
    }
  }
  return {};
}

}  // namespace

std::string VectorSvg(const VectorVariant& variant) {
  std::string svg =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + std::to_string(kWidth) + " " + std::to_string(kHeight) +
      "\" width=\"" + std::to_string(3 * kWidth) + "\" height=\"" + std::to_string(3 * kHeight) +
      "\" stroke-width=\"1\" stroke-linecap=\"square\">\n<rect width=\"" + std::to_string(kWidth) + "\" height=\"" +
      std::to_string(kHeight) + "\" fill=\"" +
      std::string(RenderingChoices::kVectorBackground) + "\"/>\n";
  for (const VectorShape& shape : variant.shapes) svg += Svg(shape);
  return svg + "</svg>\n";
}

std::string VectorStopText(const VectorVariant& v) {
  switch (v.stop) {
    case VectorWalkStop::None: return {};
    case VectorWalkStop::Loops: return "the records loop";
    case VectorWalkStop::NoEndWord: return "the records end without the end word";
    case VectorWalkStop::BlockEndOutsideBlock: return "a block end outside a block";
    case VectorWalkStop::CutOff: return "a record is cut off";
    case VectorWalkStop::CallsTooDeep: return "block calls nest too deep";
    case VectorWalkStop::CallOffBlock:
      return "a block call lands at byte " + std::to_string(v.stopAt) + ", not on a block";
    case VectorWalkStop::TextCutOff: return "a text record is cut off";
    case VectorWalkStop::UnknownRecord: {
      char why[64];
      std::snprintf(why, sizeof why, "an unknown record %04X at byte %zu", static_cast<unsigned>(v.stopOpcode),
                    v.stopAt);
      return why;
    }
  }
  return {};
}

namespace {

// A position or size in a unit of the .bmx file: pixels (1), or per cent of
// the image's side (2, the relative unit).
int Scaled(std::uint32_t unit, std::uint32_t value, int side) {
  const int v = static_cast<int>(value);
  return unit == 2 ? v * side / 100 : v;
}

// A record's attributes as "KEY=value" words, in the dictionary's order.
std::string RecordAttributes(const BmxFile& f, const BmxRecord& r) {
  std::string attributes;
  for (std::size_t k = 0; k < f.keys.size(); ++k) {
    const std::uint32_t index = r.indexes[k];
    const std::vector<BmxName>& values = f.keys[k].values;
    if (index != kBmxNoValue && index < values.size())
      attributes += (attributes.empty() ? "" : " ") + f.keys[k].name.name + "=" + values[index].name;
  }
  return attributes;
}

// A layer record's picture: the background with the layer's differences,
// which apply to the stored rows (bottom-up unless the height is negative).
// A layer that changes nothing is no picture of its own.
void AddLayer(BmxPicture& out, const BmxFile& f, const BmxRecord& r, std::string_view bytes,
              const std::string& attributes) {
  constexpr std::size_t kMaxLayers = 8;
  const BmpInfoHeader& info = f.background.header.info;
  const int width = out.pixels.width, height = out.pixels.height;
  // Units past the background's pixels are not looked at.
  const std::size_t pixels = f.background.pixels.size();
  const BmxLayerUnits& units = r.units;
  if ((units.stop == BmxLayerStop::ZeroUnit || units.stop == BmxLayerStop::LiteralBeyond) && units.pixels <= pixels)
    out.problem = "a broken layer";
  const std::string_view stream = r.bodyShort ? std::string_view() : r.Body(bytes).substr(4);
  const std::vector<std::uint32_t> diff = BmxLayerDifferences(stream, units.units, pixels);
  Pixels layered = out.pixels;
  bool changes = false;
  for (std::size_t p = 0; p < diff.size(); ++p) {
    const int y = static_cast<int>(p) / width, x = static_cast<int>(p) % width;
    const int row = info.TopDown() ? y : height - 1 - y;
    layered.rgb[static_cast<std::size_t>(row * width + x)] ^= diff[p];
    changes = changes || diff[p] != 0;
  }
  if (changes && out.layers.size() < kMaxLayers) out.layers.emplace_back(attributes, std::move(layered));
}

// A placed bitmap record's picture, top row first, at its place and size.
void AddPlacedBitmap(BmxPicture& out, const BmxRecord& r, const std::string& attributes) {
  const BmpInfoHeader& bi = r.bitmap.info;
  Pixels bitmap;
  bitmap.width = bi.width;
  bitmap.height = static_cast<int>(bi.Rows());
  bitmap.rgb.resize(r.bitmap.pixels.size());
  if (bitmap.rgb.size() != static_cast<std::size_t>(bitmap.width) * bitmap.height) return;
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x)
      bitmap.rgb[static_cast<std::size_t>(y) * bitmap.width + x] =
          r.bitmap.pixels[static_cast<std::size_t>(bi.TopDown() ? y : bitmap.height - 1 - y) * bitmap.width + x];
  const auto& w = r.bitmap.words;
  const int width = out.pixels.width, height = out.pixels.height;
  out.placed.push_back({attributes, Scaled(w[0], w[1], width), Scaled(w[0], w[2], height), bitmap.width,
                        bitmap.height, "image/png", EncodePng(bitmap)});
}

}  // namespace

BmxPicture BmxPictures(const BmxFile& f, std::string_view bytes) {
  BmxPicture out;
  const BmxBackground& background = f.background;
  if (!background.present) {
    out.problem = "no background";
    return out;
  }
  if (!background.described || !background.inside) {
    out.problem = "the background is not a 24-bit bitmap";
    return out;
  }
  const BmpInfoHeader& info = background.header.info;
  const int width = info.width, height = static_cast<int>(info.Rows());
  // Rows stored bottom-up unless the height is negative.
  auto stored = [&](int y) { return info.TopDown() ? y : height - 1 - y; };
  out.pixels.width = width;
  out.pixels.height = height;
  out.pixels.rgb.resize(background.pixels.size());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      out.pixels.rgb[static_cast<std::size_t>(y * width + x)] =
          background.pixels[static_cast<std::size_t>(stored(y) * width + x)];

  if (f.stop == BmxStop::NoHeader) {
    out.problem = "no BMX2 or BXX3 header";
    return out;
  }
  out.utf8 = f.extended && f.headerWords.size() > 7 && f.headerWords[7] == 1;
  // No key of the generator's has more values.
  constexpr std::uint32_t kMaxValues = 256;
  bool broken = f.stop == BmxStop::TooManyKeys;
  for (const BmxKey& key : f.keys) broken = broken || key.count > kMaxValues;
  if (broken) {
    out.problem = "a broken attribute dictionary";
    return out;
  }
  if (f.stopPart == BmxPart::Header || f.stopPart == BmxPart::Dictionary) {
    out.problem = "the records end without the final word";
    return out;
  }
  // At most this many records are shown; the rest of the file is not looked at.
  constexpr std::size_t kMaxRecords = 10000;
  for (std::size_t i = 0; i < f.records.size() && i < kMaxRecords; ++i) {
    const BmxRecord& r = f.records[i];
    if (r.nextOutside) {
      out.problem = "a record runs past the end";
      return out;
    }
    const std::string attributes = RecordAttributes(f, r);
    if (r.IsLayer()) {
      AddLayer(out, f, r, bytes, attributes);
    } else if (r.IsText() && r.text.textFits) {
      out.texts.push_back({attributes, r.text.text, r.text.words, r.text.font == "System"});
    } else if (r.IsSvg() && !r.bodyShort) {
      const auto& w = r.svg.words;
      out.placed.push_back({attributes, Scaled(w[1], w[2], width), Scaled(w[1], w[3], height),
                            Scaled(w[4], w[5], width), Scaled(w[4], w[6], height), "image/svg+xml", r.svg.svg});
    } else if (r.IsPlacedBitmap() && !r.bodyShort && r.bitmap.described && r.bitmap.inside) {
      AddPlacedBitmap(out, r, attributes);
    }
  }
  if (f.records.size() >= kMaxRecords) return out;
  if (f.stop == BmxStop::EndsInsideWord) {
    if (f.stopAt == f.finalAt)
      out.problem = "the records end without the final word";
    else if (f.stopAt == f.finalAt + 4)
      out.problem = "a record is cut off";
    else
      out.problem = "a record runs past the end";
  }
  return out;
}

namespace {

// The value of an element's attribute ("PARA=1 LAN=DE"), empty without it.
std::string Attribute(const std::string& attributes, std::string_view key) {
  for (std::size_t at = 0; at < attributes.size();) {
    std::size_t end = attributes.find(' ', at);
    if (end == std::string::npos) end = attributes.size();
    const std::string_view word = std::string_view(attributes).substr(at, end - at);
    if (word.size() > key.size() && word.substr(0, key.size()) == key && word[key.size()] == '=')
      return std::string(word.substr(key.size() + 1));
    at = end + 1;
  }
  return std::string();
}

// A PARA value as a state number; -1 for one that is no number.
int StateOf(const std::string& value) {
  if (value.empty() || value.size() > 6 || value.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::stoi(value);
}

bool Chosen(const std::string& attributes, const std::string& language, int state) {
  const std::string lan = Attribute(attributes, "LAN"), para = Attribute(attributes, "PARA");
  return (lan.empty() || EqualsIgnoringCase(lan, language)) && (para.empty() || StateOf(para) == state);
}

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
    out += kDigits[v >> 18 & 63];
    out += kDigits[v >> 12 & 63];
    out += i + 1 < bytes.size() ? kDigits[v >> 6 & 63] : '=';
    out += i + 2 < bytes.size() ? kDigits[v & 63] : '=';
  }
  return out;
}

// Where the control puts a text of a layout template is its own business:
// the preview places the rows of the three-row and two-row templates at the
// middle of their third or half of the image, the middle templates at the
// middle and the bottom template on the bottom edge.  Returns the y of the
// text's middle, or of its bottom for the bottom template.
double TemplateY(std::uint32_t id, int height) {
  if (id >= 1 && id <= 9) return height * (2.0 * ((id - 1) % 3) + 1) / 6;
  if (id >= 13 && id <= 18) return height * (2.0 * ((id - 13) % 2) + 1) / 4;
  if (id == 12) return height - 1;
  return height / 2.0;
}

// The system fonts' sizes in pixels of a softkey 48 pixels high: small,
// medium, large, tiny.
double FontPixels(const BmxText& t, int height) {
  const auto& w = t.words;
  if (t.ownFont) return w[7] == 1 ? w[8] * height / 100.0 : static_cast<double>(w[8]);
  const double scale = height / 48.0;
  switch (w[7]) {
    case 1: return 8 * scale;
    case 3: return 13 * scale;
    case 4: return 6 * scale;
    default: return 10 * scale;
  }
}

std::string SvgText(const BmxText& t, int width, int height, bool utf8) {
  const auto& w = t.words;
  const char* anchor = w[1] == 1 ? "middle" : w[1] == 2 ? "end" : "start";
  double x = w[1] == 1 ? width / 2.0 : w[1] == 2 ? width - 2.0 : 2.0, y = 0;
  const char* baseline = "central";
  if (w[3] == 0) {
    y = TemplateY(w[4], height);
    if (w[4] == 12) baseline = "text-after-edge";
  } else {
    x = Scaled(w[3], w[4], width);
    y = Scaled(w[3], w[5], height);
    baseline = w[2] == 0 ? "text-before-edge" : w[2] == 2 ? "text-after-edge" : "alphabetic";
  }
  char colour[8] = "#000000";
  if (w[18] != 0) std::snprintf(colour, sizeof colour, "#%06X", static_cast<unsigned>(w[19] & 0xFFFFFFu));
  std::string text;
  for (unsigned char c : t.text)
    if (c >= 0x80 && utf8)
      text += static_cast<char>(c);
    else
      text += XmlEscape(std::string(1, static_cast<char>(c)));
  // A text wider than the image (at an average glyph of 0.55 of the font
  // size) is squeezed to fit, where the control would cut it.
  const double size = FontPixels(t, height), room = width - 4.0;
  const std::string squeeze =
      0.55 * size * static_cast<double>(t.text.size()) > room && room > 0
          ? Format(" textLength=\"%g\" lengthAdjust=\"spacingAndGlyphs\"", room)
          : std::string();
  return Format("<text x=\"%g\" y=\"%g\" font-size=\"%g\"", x, y, size) + squeeze +
         " font-family=\"sans-serif\" text-anchor=\"" + anchor + "\" dominant-baseline=\"" + baseline +
         "\" fill=\"" + colour + "\">" + text + "</text>\n";
}

}  // namespace

std::vector<std::string> BmxLanguages(const BmxPicture& p) {
  std::vector<std::string> languages;
  auto add = [&](const std::string& attributes) {
    std::string lan = UpperCase(Attribute(attributes, "LAN"));
    if (!lan.empty() && std::find(languages.begin(), languages.end(), lan) == languages.end())
      languages.push_back(lan);
  };
  for (const auto& layer : p.layers) add(layer.first);
  for (const BmxText& t : p.texts) add(t.attributes);
  for (const BmxPlaced& e : p.placed) add(e.attributes);
  if (languages.empty()) languages.emplace_back();
  return languages;
}

std::vector<int> BmxStates(const BmxPicture& p) {
  std::set<int> states;
  auto add = [&](const std::string& attributes) {
    const std::string para = Attribute(attributes, "PARA");
    if (!para.empty() && StateOf(para) >= 0) states.insert(StateOf(para));
  };
  for (const auto& layer : p.layers) add(layer.first);
  for (const BmxText& t : p.texts) add(t.attributes);
  for (const BmxPlaced& e : p.placed) add(e.attributes);
  // A state no element is chosen for shows the background: state 0 is
  // there whenever the image has states.
  if (states.empty()) return {-1};
  states.insert(0);
  return std::vector<int>(states.begin(), states.end());
}

std::string BmxComposite(const BmxPicture& p, const std::string& language, int state) {
  const int w = p.pixels.width, h = p.pixels.height;
  Pixels image = p.pixels;
  for (const auto& [attributes, layered] : p.layers)
    if (Chosen(attributes, language, state))
      for (std::size_t i = 0; i < image.rgb.size() && i < layered.rgb.size(); ++i)
        image.rgb[i] ^= layered.rgb[i] ^ p.pixels.rgb[i];
  std::string svg = Format("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" viewBox=\"0 0 %g %g\">\n",
                           w, h, w, h) +
                    Format("<image width=\"%g\" height=\"%g\" style=\"image-rendering:pixelated\" ", w, h) +
                    "href=\"data:image/png;base64," + Base64(EncodePng(image)) + "\"/>\n";
  for (const BmxPlaced& e : p.placed)
    if (Chosen(e.attributes, language, state))
      svg += Format("<image x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" ", e.x, e.y, e.width, e.height) +
             "href=\"data:" + e.mediaType + ";base64," + Base64(e.bytes) + "\"/>\n";
  for (const BmxText& t : p.texts)
    if (Chosen(t.attributes, language, state)) svg += SvgText(t, w, h, p.utf8);
  return svg + "</svg>\n";
}

namespace {

// PNG's CRC-32 (polynomial 0xEDB88320), its table made once at compile time.
constexpr std::array<std::uint32_t, 256> kCrcTable = [] {
  std::array<std::uint32_t, 256> t{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[n] = c;
  }
  return t;
}();

void PutBig32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

void Chunk(std::string& out, const char* type, const std::string& data) {
  PutBig32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.append(type, 4);
  out += data;
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = start; i < out.size(); ++i)
    crc = kCrcTable[(crc ^ static_cast<unsigned char>(out[i])) & 0xFF] ^ (crc >> 8);
  PutBig32(out, crc ^ 0xFFFFFFFFu);
}

// The 1-bit grey PNG of rows of bits, a set bit drawn black; clear(x, y)
// gives 1 for a clear bit, 0 for a set one, -1 for a pixel of neither colour,
// which gives no PNG.  The image data is stored, not compressed: a softkey's
// 77 x 48 pixels come to some 600 bytes that way, and the preview of a large
// project writes thousands of them, where deflating costs more than it saves.
template <typename Clear>
std::string OneBitPng(int width, int height, Clear clear) {
  const std::size_t rowBytes = (static_cast<std::size_t>(width) + 7) / 8;
  std::string raw((rowBytes + 1) * static_cast<std::size_t>(height), '\0');  // filter type none on every row
  for (int y = 0; y < height; ++y) {
    char* row = raw.data() + static_cast<std::size_t>(y) * (rowBytes + 1) + 1;
    for (int x = 0; x < width; x += 8) {
      unsigned byte = 0;
      for (int b = 0; b < 8; ++b) {
        const int bit = x + b < width ? clear(x + b, y) : 0;
        if (bit < 0) return std::string();
        byte = byte << 1 | static_cast<unsigned>(bit);
      }
      row[x / 8] = static_cast<char>(byte);
    }
  }
  // zlib stream of stored deflate blocks, at most 65535 bytes each.
  std::string z = "\x78\x01";
  for (std::size_t at = 0; at < raw.size() || at == 0;) {
    const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
    z += static_cast<char>(at + n == raw.size() ? 1 : 0);
    z += static_cast<char>(n & 0xFF);
    z += static_cast<char>(n >> 8);
    z += static_cast<char>(~n & 0xFF);
    z += static_cast<char>((~n >> 8) & 0xFF);
    z.append(raw, at, n);
    at += n;
    if (n == 0) break;
  }
  // Adler-32, reduced every 5552 bytes: the most that cannot overflow.
  std::uint32_t a = 1, b = 0;
  for (std::size_t at = 0; at < raw.size(); at += 5552) {
    const std::size_t end = std::min(raw.size(), at + 5552);
    for (std::size_t i = at; i < end; ++i) {
      a += static_cast<unsigned char>(raw[i]);
      b += a;
    }
    a %= 65521;
    b %= 65521;
  }
  PutBig32(z, (b << 16) | a);

  std::string out = "\x89PNG\r\n\x1a\n";
  std::string header;
  PutBig32(header, static_cast<std::uint32_t>(width));
  PutBig32(header, static_cast<std::uint32_t>(height));
  header += std::string("\x01\x00\x00\x00\x00", 5);  // bit depth 1, grey, deflate, no filter, no interlace
  Chunk(out, "IHDR", header);
  Chunk(out, "IDAT", z);
  Chunk(out, "IEND", "");
  return out;
}

// A two-colour picture (every raster softkey's) as a 1-bit grey PNG; empty
// for a picture of other colours.
std::string TwoColourPng(const Pixels& p) {
  return OneBitPng(p.width, p.height, [&p](int x, int y) {
    const std::uint32_t v = p.rgb[static_cast<std::size_t>(y) * p.width + x];
    return v == RenderingChoices::kClearBit ? 1 : v == RenderingChoices::kSetBit ? 0 : -1;
  });
}

}  // namespace

std::string PicturePng(const SoftkeyPicture& picture) {
  if (picture.colours == PictureColours::Bits)
    return OneBitPng(picture.width, picture.height, [&picture](int x, int y) { return picture.At(x, y) ? 0 : 1; });
  Pixels p{picture.width, picture.height, {}};
  for (std::uint8_t c : picture.pixels)
    p.rgb.push_back(static_cast<std::uint32_t>(std::strtoul(Colour(c) + 1, nullptr, 16)));
  return EncodePng(p);
}

std::string EncodePng(const Pixels& p) {
  if (p.width > 0 && p.rgb.size() == static_cast<std::size_t>(p.width) * p.height)
    if (std::string png = TwoColourPng(p); !png.empty()) return png;
  std::vector<unsigned char> rgb;
  rgb.reserve(p.rgb.size() * 3);
  for (std::uint32_t v : p.rgb) {
    rgb.push_back(static_cast<unsigned char>(v >> 16));
    rgb.push_back(static_cast<unsigned char>(v >> 8));
    rgb.push_back(static_cast<unsigned char>(v));
  }
  std::string out;
  stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
      },
      &out, p.width, p.height, 3, rgb.data(), p.width * 3);
  return out;
}

}  // namespace q32

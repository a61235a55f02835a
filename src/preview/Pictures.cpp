#include "preview/Pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include "dxf/VectorDecoder.h"
#include "raster/RasterDecoder.h"

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
    "text, the position being the cell's lower left corner; fill points as a small dot. BMX softkeys: the "
    "background alone and with each layer that changes it; texts listed per language.";

const char* const RenderingChoices::kPalette[17] = {"#000000", "#0000aa", "#00aa00", "#00aaaa", "#aa0000", "#aa00aa",
                                                    "#aa5500", "#aaaaaa", "#555555", "#101030", "#55ff55", "#55ffff",
                                                    "#ff5555", "#ff55ff", "#ffff55", "#ffffff", "#ff00ff"};

int RenderingChoices::CharWidth(int sizeCode) { return sizeCode == 5 ? 32 : sizeCode == 3 ? 16 : 8; }
int RenderingChoices::CharHeight(int sizeCode) { return sizeCode == 5 ? 36 : sizeCode == 3 ? 20 : 12; }

namespace {

constexpr int kWidth = 77, kHeight = 48;

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
    case VectorShapeKind::kLine:
      return Format("<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\"", X(s.x1), Y(s.y1), X(s.x2), Y(s.y2)) +
             " stroke=\"" + Colour(s.colour) + "\"/>\n";
    case VectorShapeKind::kCircle:
      return Format("<circle cx=\"%g\" cy=\"%g\" r=\"%g\" fill=\"none\"", X(s.x1), Y(s.y1), s.radius) +
             " stroke=\"" + Colour(s.colour) + "\"/>\n";
    case VectorShapeKind::kArc: {
      // Counter-clockwise from start to end around the centre, as drawings go.
      const double r = std::hypot(s.x1 - s.cx, s.y1 - s.cy);
      double a0 = std::atan2(s.y1 - s.cy, s.x1 - s.cx), a1 = std::atan2(s.y2 - s.cy, s.x2 - s.cx);
      double sweep = a1 - a0;
      while (sweep <= 0) sweep += 2 * kPi;
      return Format("<path d=\"M %g %g A %g %g", X(s.x1), Y(s.y1), r, r) +
             Format(" 0 %g 0 %g", sweep > kPi ? 1 : 0, X(s.x2)) + Format(" %g\" fill=\"none\"", Y(s.y2)) +
             " stroke=\"" + Colour(s.colour) + "\"/>\n";
    }
    case VectorShapeKind::kDot:
      return Format("<circle cx=\"%g\" cy=\"%g\" r=\"0.8\"", X(s.x1), Y(s.y1)) + " fill=\"" + Colour(s.colour) +
             "\"/>\n";
    case VectorShapeKind::kText: {
      const int cw = RenderingChoices::CharWidth(s.sizeCode), ch = RenderingChoices::CharHeight(s.sizeCode);
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

std::uint32_t Le32(const std::string& s, std::size_t at) {
  if (at > s.size() || s.size() - at < 4) return 0;
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
  return v;
}

std::uint32_t Pixel(const std::string& s, std::size_t at) {
  return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8 |
         static_cast<unsigned char>(s[at + 2]) << 16;
}

// Stored blue, green, red: the value as 0xRRGGBB.
std::uint32_t Rgb(std::uint32_t stored) { return stored; }

std::string NameField(const std::string& s, std::size_t at) {
  if (at > s.size() || s.size() - at < 8) return {};
  std::string field = s.substr(at, 8);
  return field.substr(0, field.find('\0'));
}

}  // namespace

Pixels RasterPixels(const RasterSoftkeyImage& image) {
  Pixels out{kWidth, kHeight, std::vector<std::uint32_t>(kWidth * kHeight, RenderingChoices::kClearBit)};
  for (int line = 0; line < kHeight; ++line)
    for (int column = 0; column < kWidth; ++column)
      if (image.bits[static_cast<std::size_t>(line)][static_cast<std::size_t>(column)])
        out.rgb[static_cast<std::size_t>(line * kWidth + column)] = RenderingChoices::kSetBit;
  return out;
}

std::string VectorSvg(const VectorVariant& variant) {
  std::string svg =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 77 48\" width=\"231\" height=\"144\" "
      "stroke-width=\"1\" stroke-linecap=\"square\">\n<rect width=\"77\" height=\"48\" fill=\"" +
      std::string(RenderingChoices::kVectorBackground) + "\"/>\n";
  for (const VectorShape& shape : variant.shapes) svg += Svg(shape);
  return svg + "</svg>\n";
}

std::string VectorStopText(const VectorVariant& v) {
  switch (v.stop) {
    case VectorWalkStop::kNone: return {};
    case VectorWalkStop::kLoops: return "the records loop";
    case VectorWalkStop::kNoEndWord: return "the records end without the end word";
    case VectorWalkStop::kBlockEndOutsideBlock: return "a block end outside a block";
    case VectorWalkStop::kCutOff: return "a record is cut off";
    case VectorWalkStop::kCallsTooDeep: return "block calls nest too deep";
    case VectorWalkStop::kCallOffBlock:
      return "a block call lands at byte " + std::to_string(v.stopAt) + ", not on a block";
    case VectorWalkStop::kTextCutOff: return "a text record is cut off";
    case VectorWalkStop::kUnknownRecord: {
      char why[64];
      std::snprintf(why, sizeof why, "an unknown record %04X at byte %zu", static_cast<unsigned>(v.stopOpcode),
                    v.stopAt);
      return why;
    }
  }
  return {};
}

BmxPicture DecodeBmx(const std::string& s) {
  BmxPicture out;
  std::size_t at = 0;
  std::vector<std::uint32_t> background;
  int width = 0, height = 0;
  if (s.compare(0, 2, "BM") == 0 && s.compare(0, 4, "BMX2") != 0) {
    at = Le32(s, 2);
    const std::size_t pixels = Le32(s, 10);
    width = static_cast<std::int32_t>(Le32(s, 18));
    const std::int64_t h = static_cast<std::int32_t>(Le32(s, 22));
    // The most negative height has no positive counterpart in 32 bits.
    height = static_cast<int>(std::min<std::int64_t>(h < 0 ? -h : h, 1 << 30));
    const std::uint32_t bits = Le32(s, 26) >> 16;
    const std::size_t rowSize = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    if (at > s.size() || bits != 24 || width <= 0 || height <= 0 || width > 4096 || height > 4096 || pixels > at ||
        at - pixels < rowSize * static_cast<std::size_t>(height)) {
      out.problem = "the background is not a 24-bit bitmap";
      return out;
    }
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        background.push_back(
            Pixel(s, pixels + static_cast<std::size_t>(y) * rowSize + static_cast<std::size_t>(x) * 3));
    out.pixels.width = width;
    out.pixels.height = height;
    out.pixels.rgb.resize(background.size());
    // Rows stored bottom-up unless the height is negative.
    for (int y = 0; y < height; ++y) {
      const int from = h < 0 ? y : height - 1 - y;
      for (int x = 0; x < width; ++x)
        out.pixels.rgb[static_cast<std::size_t>(y * width + x)] =
            Rgb(background[static_cast<std::size_t>(from * width + x)]);
    }
  } else {
    out.problem = "no background";
    return out;
  }
  const std::string magic = s.substr(at, 4);
  at += 4;
  if (magic == "BXX3") {
    out.utf8 = Le32(s, at + 28) == 1;
    at += 40;
  } else if (magic != "BMX2") {
    out.problem = "no BMX2 or BXX3 header";
    return out;
  }
  const std::uint32_t keyCount = Le32(s, at);
  if (keyCount > 64) {
    out.problem = "a broken attribute dictionary";
    return out;
  }
  at += 4;
  std::vector<std::pair<std::string, std::vector<std::string>>> keys(keyCount);
  for (auto& [key, values] : keys) {
    key = NameField(s, at);
    const std::uint32_t n = Le32(s, at + 8);
    if (n > 256) {
      out.problem = "a broken attribute dictionary";
      return out;
    }
    for (at += 12; values.size() < n; at += 8) values.push_back(NameField(s, at));
  }
  for (int record = 0; record < 10000; ++record) {
    if (at + 4 > s.size()) {
      out.problem = "the records end without the final word";
      return out;
    }
    const std::uint32_t type = Le32(s, at), next = Le32(s, at + 4);
    if (type == 0) return out;
    if (at + 8 > s.size()) {
      out.problem = "a record is cut off";
      return out;
    }
    at += 8;
    std::string attributes;
    for (const auto& [key, values] : keys) {
      const std::uint32_t index = Le32(s, at);
      at += 4;
      if (index != 0xFFFFFFFFu && index < values.size())
        attributes += (attributes.empty() ? "" : " ") + key + "=" + values[index];
    }
    if (next < at || next > s.size()) {
      out.problem = "a record runs past the end";
      return out;
    }
    const std::string b = s.substr(at, next - at);
    at = next;
    if (type == 1) {
      // Run-length units of pixel differences, applied to the stored rows.
      std::vector<std::uint32_t> diff;
      for (std::size_t u = 4; u + 4 <= b.size() && diff.size() <= background.size();) {
        const auto a = static_cast<unsigned char>(b[u]), c = static_cast<unsigned char>(b[u + 1]);
        if (a != 0) {
          diff.insert(diff.end(), a, Pixel(b, u + 1));
          u += 4;
        } else if (c == 1) {
          break;
        } else if (c == 2) {
          diff.insert(diff.end(), static_cast<unsigned char>(b[u + 2]) | static_cast<unsigned char>(b[u + 3]) << 8, 0);
          u += 4;
        } else if (c >= 3 && u + 2 + 3 * c <= b.size()) {
          for (std::size_t k = 0; k < c; ++k) diff.push_back(Pixel(b, u + 2 + 3 * k));
          u = (u + 2 + 3 * c + 3) / 4 * 4;
        } else {
          out.problem = "a broken layer";
          break;
        }
      }
      const int h = static_cast<std::int32_t>(Le32(s, 22));
      Pixels layered = out.pixels;
      bool changes = false;
      for (std::size_t i = 0; i < diff.size() && i < background.size(); ++i) {
        const int y = static_cast<int>(i) / width, x = static_cast<int>(i) % width;
        const int row = h < 0 ? y : height - 1 - y;
        layered.rgb[static_cast<std::size_t>(row * width + x)] ^= diff[i];
        changes = changes || diff[i] != 0;
      }
      if (changes && out.layers.size() < 8) out.layers.emplace_back(attributes, std::move(layered));
    } else if (type == 2 && b.size() >= 84) {
      const std::uint32_t length = Le32(b, 80);
      if (length > 0 && length <= b.size() - 84) out.texts.push_back({attributes, b.substr(84, length - 1)});
    }
  }
  return out;
}

std::string EncodePng(const Pixels& p) {
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

// A reader of ".bmx" files and of the layer encoding, written from the file
// layout and independent of the generator, so that the tests check the
// generator against the layout rather than against itself.  Also a writer of
// small 24-bit bitmaps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bmxtest {

inline std::uint32_t Word(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s.at(at + i));
  return v;
}

inline std::string W(std::uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// A zero-filled 8-byte name field.
inline std::string Name8(const std::string& name) {
  std::string s = name;
  s.resize(8, '\0');
  return s;
}

inline std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i) out += ' ';
    out += digits[static_cast<unsigned char>(bytes[i]) >> 4];
    out += digits[static_cast<unsigned char>(bytes[i]) & 15];
  }
  return out;
}

// A bottom-up 24-bit bitmap with a 40-byte info header; pixel(i) gives the
// i-th pixel in file order as a 24-bit value whose low byte is stored first.
template <typename Pixel>
std::string Bitmap24(int width, int height, Pixel pixel, std::uint32_t imageSize = 0xFFFFFFFFu) {
  const int rowSize = (width * 3 + 3) / 4 * 4;
  std::string pixels;
  int i = 0;
  for (int y = 0; y < height; ++y) {
    std::string row;
    for (int x = 0; x < width; ++x, ++i) {
      std::uint32_t v = pixel(i);
      row += static_cast<char>(v & 0xFF);
      row += static_cast<char>((v >> 8) & 0xFF);
      row += static_cast<char>((v >> 16) & 0xFF);
    }
    row.resize(rowSize, '\0');
    pixels += row;
  }
  std::string s = "BM" + W(54 + static_cast<std::uint32_t>(pixels.size())) + W(0) + W(54);
  s += W(40) + W(static_cast<std::uint32_t>(width)) + W(static_cast<std::uint32_t>(height));
  s += std::string("\x01\x00\x18\x00", 4);  // one plane, 24 bits
  s += W(0);                                // no compression
  s += W(imageSize == 0xFFFFFFFFu ? static_cast<std::uint32_t>(pixels.size()) : imageSize);
  s += W(2835) + W(2835) + W(0) + W(0);
  return s + pixels;
}

// The pixels of a 24-bit bitmap in file order (rows as stored, padding
// skipped).
inline std::vector<std::uint32_t> Pixels24(const std::string& bmp) {
  std::uint32_t offset = Word(bmp, 10);
  std::int32_t width = static_cast<std::int32_t>(Word(bmp, 18));
  std::int32_t height = static_cast<std::int32_t>(Word(bmp, 22));
  if (height < 0) height = -height;
  const std::size_t rowSize = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  std::vector<std::uint32_t> out;
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) {
      std::size_t at = offset + y * rowSize + x * 3;
      out.push_back(static_cast<unsigned char>(bmp.at(at)) | static_cast<unsigned char>(bmp.at(at + 1)) << 8 |
                    static_cast<unsigned char>(bmp.at(at + 2)) << 16);
    }
  return out;
}

// Decodes a layer into pixel differences; pixels after the end unit are
// unchanged.  False (with a reason) on a malformed stream.
inline bool DecodeLayer(const std::string& data, std::size_t pixels, std::vector<std::uint32_t>& d,
                        std::string& error) {
  d.clear();
  std::size_t at = 0;
  auto diff = [&](std::size_t p) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(data[p]) |
                                      static_cast<unsigned char>(data[p + 1]) << 8 |
                                      static_cast<unsigned char>(data[p + 2]) << 16);
  };
  for (;;) {
    if (at + 4 > data.size()) {
      error = "stream ends without end unit";
      return false;
    }
    unsigned char a = static_cast<unsigned char>(data[at]);
    unsigned char b = static_cast<unsigned char>(data[at + 1]);
    if (a != 0) {  // run
      for (int k = 0; k < a; ++k) d.push_back(diff(at + 1));
      at += 4;
    } else if (b == 1) {  // end
      if (data[at + 2] != 0 || data[at + 3] != 0) {
        error = "end unit not 00 01 00 00";
        return false;
      }
      at += 4;
      break;
    } else if (b == 2) {  // skip
      std::size_t n = static_cast<unsigned char>(data[at + 2]) | static_cast<unsigned char>(data[at + 3]) << 8;
      if (n == 0) {
        error = "skip of 0";
        return false;
      }
      d.insert(d.end(), n, 0);
      at += 4;
    } else if (b >= 3) {  // literal
      if (at + 2 + 3 * b > data.size()) {
        error = "literal beyond the data";
        return false;
      }
      for (int k = 0; k < b; ++k) d.push_back(diff(at + 2 + 3 * k));
      at += 2 + 3 * b;
      while (at % 4 != 0) {
        if (at >= data.size() || data[at] != 0) {
          error = "literal padding";
          return false;
        }
        ++at;
      }
    } else {
      error = "unit 00 00";
      return false;
    }
    if (d.size() > pixels) {
      error = "more pixels than the layer has";
      return false;
    }
  }
  if (at != data.size()) {
    error = "data after the end unit";
    return false;
  }
  d.resize(pixels, 0);
  return true;
}

struct Record {
  std::uint32_t offset = 0;  // of the type word
  std::uint32_t type = 0;
  std::uint32_t next = 0;
  std::vector<std::uint32_t> indexes;
  std::string body;
};

struct DictionaryKey {
  std::string name;
  std::vector<std::string> values;
};

struct BmxFile {
  std::string background;
  std::string magic;
  std::vector<std::uint32_t> extended;  // 10 words for BXX3
  std::vector<DictionaryKey> dictionary;
  std::vector<Record> records;
};

inline std::string Field8(const std::string& s, std::size_t at) {
  std::string f = s.substr(at, 8);
  std::size_t zero = f.find('\0');
  return zero == std::string::npos ? f : f.substr(0, zero);
}

// Splits a ".bmx" file into its parts; the background's length is the file
// size its header states.
inline bool DecodeBmx(const std::string& s, BmxFile& out, std::string& error) {
  try {
    std::size_t at = 0;
    if (s.compare(0, 2, "BM") == 0 && s.compare(0, 4, "BMX2") != 0) {
      at = Word(s, 2);
      out.background = s.substr(0, at);
    }
    out.magic = s.substr(at, 4);
    at += 4;
    if (out.magic == "BXX3") {
      for (int i = 0; i < 10; ++i, at += 4) out.extended.push_back(Word(s, at));
    } else if (out.magic != "BMX2") {
      error = "bad magic";
      return false;
    }
    std::uint32_t keys = Word(s, at);
    at += 4;
    for (std::uint32_t k = 0; k < keys; ++k) {
      DictionaryKey key;
      key.name = Field8(s, at);
      std::uint32_t n = Word(s, at + 8);
      at += 12;
      for (std::uint32_t v = 0; v < n; ++v, at += 8) key.values.push_back(Field8(s, at));
      out.dictionary.push_back(key);
    }
    for (;;) {
      Record r;
      r.offset = static_cast<std::uint32_t>(at);
      r.type = Word(s, at);
      if (r.type == 0) {
        if (at + 4 != s.size()) {
          error = "bytes after the final word";
          return false;
        }
        return true;
      }
      r.next = Word(s, at + 4);
      at += 8;
      for (std::uint32_t k = 0; k < keys; ++k, at += 4) r.indexes.push_back(Word(s, at));
      if (r.next < at || r.next > s.size()) {
        error = "bad next-record position";
        return false;
      }
      r.body = s.substr(at, r.next - at);
      at = r.next;
      out.records.push_back(r);
    }
  } catch (const std::out_of_range&) {
    error = "file ends early";
    return false;
  }
}

// The fields of a text record body.
struct TextBody {
  std::uint32_t horizontal, vertical, unit, x, y, sizeGiven, fontOrUnit, size;
  std::string fontName;
  std::uint32_t colorGiven, color, length;
  std::string text;
  bool zeroFilled;  // offset 0, the gap to 72 and the padding are zero
};

inline TextBody DecodeText(const std::string& b) {
  TextBody t{};
  t.horizontal = Word(b, 4);
  t.vertical = Word(b, 8);
  t.unit = Word(b, 12);
  t.x = Word(b, 16);
  t.y = Word(b, 20);
  t.sizeGiven = Word(b, 24);
  t.fontOrUnit = Word(b, 28);
  t.size = Word(b, 32);
  t.fontName = b.substr(36, 7);
  t.colorGiven = Word(b, 72);
  t.color = Word(b, 76);
  t.length = Word(b, 80);
  t.text = b.substr(84, t.length ? t.length - 1 : 0);
  bool zero = Word(b, 0) == 0 && b.size() % 4 == 0;
  std::size_t gapFrom = t.fontName == std::string("System\0", 7) ? 43 : 36;
  for (std::size_t i = gapFrom; i < 72; ++i) zero = zero && b[i] == 0;
  for (std::size_t i = 84 + t.length - 1; i < b.size(); ++i) zero = zero && b[i] == 0;
  t.zeroFilled = zero;
  return t;
}

}  // namespace bmxtest

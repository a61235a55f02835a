#include "bmx/BmxGenerate.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <memory>
#include <new>
#include <set>

#include "bmx/BmxProject.h"
#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "lang/LanguageTexts.h"
#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "raster/BmpHeader.h"
#include "run/RunContext.h"
#include "text/Ascii.h"
#include "text/Bytes.h"

namespace q32 {
namespace {


constexpr std::size_t kDictionaryNameSize = 8;
constexpr std::size_t kTextBodySize = 84;
constexpr const char* kSystemFontName = "System";
constexpr std::size_t kFontNameOffset = 36;
constexpr std::size_t kTextColorOffset = 72;
constexpr std::uint32_t kNoIndex = 0xFFFFFFFFu;
constexpr std::uint32_t kScalableFlag = 1;

// Fixed-size, zero-filled name fields of the dictionary.
void PutName(std::string& out, std::string_view name) {
  std::string field(kDictionaryNameSize, '\0');
  name = name.substr(0, kDictionaryNameSize - 1);
  std::copy(name.begin(), name.end(), field.begin());
  out += field;
}

// ---------------------------------------------------------------------------
// The attribute dictionary.

bool LessValue(const std::string& a, const std::string& b) { return LessIgnoringCase(a, b); }

struct DictionaryKey {
  std::string name;
  std::vector<std::string> values;  // ascending without regard to case, no duplicates
};
using Dictionary = std::vector<DictionaryKey>;

// The single value that an element holds under a key, when it holds one.
bool SingleValue(const BmxAttributes& attributes, std::string_view key, std::string& value) {
  std::vector<std::string> items;
  for (const BmxAttribute& slot : attributes) {
    if (slot.key != key) continue;
    if (!ExpandValueList(slot.value, items) || items.size() != 1) return false;
    value = items[0];
    return true;
  }
  return false;
}

Dictionary BuildDictionary(const BmxProject& project, bool extended) {
  std::vector<std::string> keys;
  std::vector<std::set<std::string, decltype(&LessValue)>> values;
  auto keyIndex = [&](const std::string& key) {
    auto it = std::find(keys.begin(), keys.end(), key);
    if (it != keys.end()) return static_cast<std::size_t>(it - keys.begin());
    keys.push_back(key);
    values.emplace_back(&LessValue);
    return keys.size() - 1;
  };
  if (!extended) {
    keyIndex("LAN");
    keyIndex("PARA");
  }
  std::vector<std::string> items;
  auto visit = [&](const BmxAttributes& attributes) {
    for (const BmxAttribute& slot : attributes) {
      if (slot.key.empty()) continue;
      std::size_t k = keyIndex(slot.key);
      if (!ExpandValueList(slot.value, items)) continue;
      for (const std::string& item : items) values[k].insert(item);
    }
  };
  for (std::size_t i = 0; i < project.imageCount; ++i) visit(project.images[i].attributes);
  for (std::size_t i = 0; i < project.textCount; ++i) visit(project.texts[i].attributes);
  Dictionary dictionary(keys.size());
  for (std::size_t k = 0; k < keys.size(); ++k) {
    dictionary[k].name = keys[k];
    dictionary[k].values.assign(values[k].begin(), values[k].end());
  }
  return dictionary;
}

void PutDictionary(std::string& out, const Dictionary& dictionary) {
  AppendLe32(out, static_cast<std::uint32_t>(dictionary.size()));
  for (const DictionaryKey& key : dictionary) {
    PutName(out, key.name);
    AppendLe32(out, static_cast<std::uint32_t>(key.values.size()));
    for (const std::string& value : key.values) PutName(out, value);
  }
}

// A record head: type, position of the next record, one value index per key.
// fileOffset is where out begins in the file.
void PutRecordHead(std::string& out, std::size_t fileOffset, std::uint32_t type, std::size_t bodySize,
                   const Dictionary& dictionary, const BmxAttributes& attributes) {
  std::size_t at = fileOffset + out.size();
  AppendLe32(out, type);
  AppendLe32(out, static_cast<std::uint32_t>(at + 8 + 4 * dictionary.size() + bodySize));
  std::string value;
  for (const DictionaryKey& key : dictionary) {
    std::uint32_t index = kNoIndex;
    if (SingleValue(attributes, key.name, value)) {
      auto it = std::lower_bound(key.values.begin(), key.values.end(), value, LessValue);
      if (it != key.values.end() && !LessValue(value, *it))
        index = static_cast<std::uint32_t>(it - key.values.begin());
    }
    AppendLe32(out, index);
  }
}

void PutTextRecord(std::string& out, std::size_t fileOffset, const Dictionary& dictionary,
                   const BmxTextElement& e, std::size_t variant) {
  const std::string& text = !e.lines[variant].empty() ? e.lines[variant] : e.lines[0];
  std::size_t textSize = text.size() + 1;
  std::size_t padded = (textSize + 3) / 4 * 4;
  PutRecordHead(out, fileOffset, kBmxRecordText, kTextBodySize + padded, dictionary, e.attributes);
  std::size_t body = out.size();
  AppendLe32(out, 0);
  AppendLe32(out, static_cast<std::uint32_t>(e.horizontalAlign));
  AppendLe32(out, static_cast<std::uint32_t>(e.verticalAlign));
  if (e.positionTemplate != 0) {
    AppendLe32(out, 0);
    AppendLe32(out, static_cast<std::uint32_t>(e.positionTemplate));
    AppendLe32(out, 0);
  } else {
    AppendLe32(out, static_cast<std::uint32_t>(e.positionUnit));
    AppendLe32(out, static_cast<std::uint32_t>(e.x));
    AppendLe32(out, static_cast<std::uint32_t>(e.y));
  }
  AppendLe32(out, e.fontSizeGiven ? 1 : 0);
  if (e.font != 0) {
    AppendLe32(out, static_cast<std::uint32_t>(e.font));
    AppendLe32(out, 0);
  } else {
    AppendLe32(out, static_cast<std::uint32_t>(e.fontSizeUnit));
    AppendLe32(out, static_cast<std::uint32_t>(e.fontSize));
  }
  out.resize(body + kTextColorOffset, '\0');
  if (e.font == 0) {
    std::string_view font = kSystemFontName;
    std::copy(font.begin(), font.end(), out.begin() + static_cast<std::ptrdiff_t>(body + kFontNameOffset));
  }
  AppendLe32(out, e.colorGiven ? 1 : 0);
  AppendLe32(out, e.colorGiven ? e.color : 0);
  AppendLe32(out, static_cast<std::uint32_t>(textSize));
  out += text;
  out.append(padded - text.size(), '\0');
}

// ---------------------------------------------------------------------------
// Pictures.

std::string FileVariant(std::string_view name, std::size_t variant) {
  return ResolutionVariantCount(name) == 1 ? std::string(name) : ResolutionVariantName(name, variant);
}

bool ReadWholeFile(FileSystem& fs, std::string_view path, std::string& bytes) {
  std::unique_ptr<File> file = fs.Open(path, FileMode::ReadBinary);
  if (!file) return false;
  std::int64_t size = file->Size();
  if (size < 0) return false;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return file->Read(bytes.data(), bytes.size()) == bytes.size();
}

std::vector<std::uint32_t> LayerDifferences(std::string_view layer, const BmxBitmapInfo& layerInfo,
                                            std::string_view background, const BmxBitmapInfo& backgroundInfo) {
  const std::size_t width = static_cast<std::size_t>(layerInfo.width);
  const std::size_t rows = static_cast<std::size_t>(
      layerInfo.height < 0 ? -static_cast<std::int64_t>(layerInfo.height) : layerInfo.height);
  std::vector<std::uint32_t> d;
  d.reserve(width * rows);
  for (std::size_t row = 0; row < rows; ++row) {
    std::size_t a = layerInfo.pixelOffset + row * layerInfo.rowSize;
    std::size_t b = backgroundInfo.pixelOffset + row * backgroundInfo.rowSize;
    for (std::size_t x = 0; x < width; ++x, a += 3, b += 3) {
      std::uint32_t v = 0;
      for (int k = 0; k < 3; ++k)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(layer[a + k] ^ background[b + k])) << (8 * k);
      d.push_back(v);
    }
  }
  return d;
}

// What one variant writes of an image element.
struct LoadedPicture {
  std::string bytes;   // encoded layer, stored bitmap bytes, or SVG file
  std::uint32_t pixelOffset = 0;
};

// ---------------------------------------------------------------------------
// Output paths.

// The destination named in the log: with variants, %RES% replaced; without,
// every "\%RES%" removed.
std::string DestinationVariant(std::string_view destPath, std::size_t variants, std::size_t variant) {
  if (variants > 1) return ResolutionVariantName(destPath, variant);
  std::string dest(destPath);
  std::string upper = UpperCase(dest);
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = upper.find("\\%RES%"); at != std::string::npos; at = upper.find("\\%RES%", from)) {
    out.append(dest, from, at - from);
    from = at + 6;
  }
  out.append(dest, from, std::string::npos);
  return out;
}

std::string QuotedIfBlank(std::string path) {
  if (path.find(' ') != std::string::npos) return "\"" + path + "\"";
  return path;
}

// ---------------------------------------------------------------------------
// One variant of the output.

struct VariantJob {
  RunContext& run;
  const BmxProject& project;
  const Dictionary& dictionary;
  bool extended;
  std::size_t variants;
  std::size_t variant;
  std::string outputPath;
  std::string_view projectPath;
};

// A report of the generation: every one points, in a note, at the softkey
// line that converts the project, where the project itself is named.
void ReportForSoftkey(RunContext& run, Diagnostic r) {
  if (!run.softkeyLine.file.empty())
    r.notes.push_back({run.softkeyLine, "the BMX project is converted for this softkey line"});
  Report(run.diag, std::move(r));
}

Diagnostic At(Msg code, std::string_view file, const WordPlace& place, std::string argument) {
  Diagnostic r;
  r.code = code;
  r.at = SpanOf(file, place.line, place.column, place.length);
  r.argument = std::move(argument);
  return r;
}

// Reports a failure of the generation; false, the generator's answer.
bool Fail(RunContext& run, Msg code, std::string_view file = {}, std::string_view argument = {}) {
  ReportForSoftkey(run, At(code, file, {}, std::string(argument)));
  return false;
}

// Reports a picture of the project that fails, at the project's line that
// names it, by its name as written there (with the variant's resolution) and
// why; false.
bool FailAt(const VariantJob& job, Msg code, const BmxImageElement& e, std::string_view why) {
  std::string detail = FileVariant(e.written, job.variant);
  if (!why.empty()) detail += " (" + std::string(why) + ")";
  WordPlace at = e.fileAt;
  if (at.line == 0) at.line = static_cast<unsigned>(e.line);
  ReportForSoftkey(job.run, At(code, job.projectPath, at, detail));
  return false;
}

// Why a picture could not be read whole: the host's reason for a failed
// open, or the read that fell short.
std::string ReadFailure(FileSystem& fs) {
  const std::string reason = fs.FailureReason();
  return reason.empty() ? "it cannot be read to its end" : reason;
}

// What makes a bitmap other than the uncompressed 24-bit kind.
std::string Not24Why(const BmxBitmapInfo& info) {
  if (!info.valid) return "no bitmap header, or pixels beyond the file's end";
  if (info.bitCount != 24) return std::to_string(info.bitCount) + " bits per pixel";
  return "compressed";
}

std::string SizeText(const BmxBitmapInfo& info) {
  return std::to_string(info.width) + " x " + std::to_string(info.height < 0 ? -static_cast<std::int64_t>(info.height)
                                                                             : info.height);
}

// An output that cannot be written (a full disk) is closed at once as far as
// it got and kept; the failure is reported here, once, and the run's own
// report of failed writes does not name the file again.
bool WriteFailed(VariantJob& job, File& out) {
  out.Close();
  job.run.inputGuard.ForgetFailedWrite(job.outputPath);
  ReportForSoftkey(job.run, At(Msg::BackgroundNotWritten, job.outputPath, {}, job.run.fs.FailureReason()));
  return false;
}

// Every picture of the variant but the background, read and prepared before
// anything more is written: placed bitmaps without their file header,
// layers as their differences from the background, SVG pictures as they are.
bool LoadPictures(VariantJob& job, const std::string& background, const BmxBitmapInfo& backgroundInfo,
                  std::vector<LoadedPicture>& pictures) {
  const BmxProject& p = job.project;
  FileSystem& fs = job.run.fs;
  for (std::size_t i = 0; i < p.imageCount; ++i) {
    const BmxImageElement& e = p.images[i];
    if (e.kind != BmxImageKind::Layer && e.kind != BmxImageKind::PlacedBitmap) continue;
    std::string file = FileVariant(e.file, job.variant);
    std::string bytes;
    if (!ReadWholeFile(fs, file, bytes)) return FailAt(job, Msg::PictureNotRead, e, ReadFailure(fs));
    if (e.kind == BmxImageKind::PlacedBitmap) {
      if (bytes.size() < kBmpFileHeaderBytes) return FailAt(job, Msg::PictureNotRead, e, "no bitmap file header");
      pictures[i].pixelOffset = ReadBmpHeader(bytes).pixelOffset - static_cast<std::uint32_t>(kBmpFileHeaderBytes);
      pictures[i].bytes = bytes.substr(kBmpFileHeaderBytes);
      continue;
    }
    BmxBitmapInfo info = ReadBitmapInfo(bytes);
    if (!info.valid) return FailAt(job, Msg::Not24BitBitmap, e, Not24Why(info));
    if (info.width != backgroundInfo.width || info.height != backgroundInfo.height)
      return FailAt(job, Msg::LayerSizeDiffers, e, SizeText(info) + ", the background " + SizeText(backgroundInfo));
    if (!IsUncompressed24(info)) return FailAt(job, Msg::Not24BitBitmap, e, Not24Why(info));
    pictures[i].bytes = EncodeLayer(LayerDifferences(bytes, info, background, backgroundInfo));
  }
  for (std::size_t i = 0; i < p.imageCount; ++i) {
    const BmxImageElement& e = p.images[i];
    if (e.kind != BmxImageKind::Svg && e.kind != BmxImageKind::PlacedSvg) continue;
    std::string file = FileVariant(e.file, job.variant);
    if (!ReadWholeFile(fs, file, pictures[i].bytes)) return FailAt(job, Msg::PictureNotRead, e, ReadFailure(fs));
  }
  return true;
}

// The head of an extended file: its colours, interval, size, coding and
// flags.  Each variant takes its size afresh: PIXSIZE, overridden by the
// entry of its own resolution, and where still 0 its own background's size.
void PutExtendedHead(std::string& body, const VariantJob& job, const BmxBitmapInfo& backgroundInfo) {
  const BmxProject& p = job.project;
  body += "BXX3";
  int width = p.pixWidth, height = p.pixHeight;
  if (job.variants > 1) {
    for (const BmxResolutionSize& entry : p.resolutionSizes) {
      if (entry.name != ResolutionName(job.variant)) continue;
      if (entry.width != 0) width = entry.width;
      if (entry.height != 0) height = entry.height;
    }
  }
  if (width == 0) width = backgroundInfo.width;
  if (height == 0) height = static_cast<int>(std::min<std::int64_t>(
                       std::abs(static_cast<std::int64_t>(backgroundInfo.height)), INT32_MAX));
  AppendLe32(body, p.transparentColorGiven ? 1 : 0);
  AppendLe32(body, p.transparentColor);
  AppendLe32(body, p.backgroundColorGiven ? 1 : 0);
  AppendLe32(body, p.backgroundColor);
  AppendLe32(body, p.animIntervalGiven ? static_cast<std::uint32_t>(p.animInterval) : 0);
  AppendLe32(body, static_cast<std::uint32_t>(width));
  AppendLe32(body, static_cast<std::uint32_t>(height));
  AppendLe32(body, static_cast<std::uint32_t>(p.coding));
  AppendLe32(body, p.scalable ? kScalableFlag : 0);
  AppendLe32(body, 0);
}

// The picture records: layers and placed bitmaps in the project's order,
// then the SVG pictures.
void PutPictureRecords(std::string& body, std::size_t base, const VariantJob& job,
                       const std::vector<LoadedPicture>& pictures) {
  const BmxProject& p = job.project;
  for (std::size_t i = 0; i < p.imageCount; ++i) {
    const BmxImageElement& e = p.images[i];
    const LoadedPicture& picture = pictures[i];
    if (e.kind == BmxImageKind::Layer) {
      PutRecordHead(body, base, kBmxRecordLayer, 4 + picture.bytes.size(), job.dictionary, e.attributes);
      AppendLe32(body, static_cast<std::uint32_t>(picture.bytes.size()));
      body += picture.bytes;
    } else if (e.kind == BmxImageKind::PlacedBitmap) {
      PutRecordHead(body, base, kBmxRecordPlacedBitmap, 20 + picture.bytes.size(), job.dictionary, e.attributes);
      AppendLe32(body, static_cast<std::uint32_t>(e.positionUnit));
      AppendLe32(body, static_cast<std::uint32_t>(e.x));
      AppendLe32(body, static_cast<std::uint32_t>(e.y));
      AppendLe32(body, picture.pixelOffset);
      AppendLe32(body, static_cast<std::uint32_t>(picture.bytes.size()));
      body += picture.bytes;
    }
  }
  for (std::size_t i = 0; i < p.imageCount; ++i) {
    const BmxImageElement& e = p.images[i];
    if (e.kind != BmxImageKind::Svg && e.kind != BmxImageKind::PlacedSvg) continue;
    const LoadedPicture& picture = pictures[i];
    bool placed = e.kind == BmxImageKind::PlacedSvg;
    PutRecordHead(body, base, kBmxRecordSvg, 32 + picture.bytes.size(), job.dictionary, e.attributes);
    AppendLe32(body, 0);
    AppendLe32(body, placed ? static_cast<std::uint32_t>(e.positionUnit) : 0);
    AppendLe32(body, placed ? static_cast<std::uint32_t>(e.x) : 0);
    AppendLe32(body, placed ? static_cast<std::uint32_t>(e.y) : 0);
    AppendLe32(body, static_cast<std::uint32_t>(e.sizeUnit));
    AppendLe32(body, static_cast<std::uint32_t>(e.width));
    AppendLe32(body, static_cast<std::uint32_t>(e.height));
    AppendLe32(body, static_cast<std::uint32_t>(picture.bytes.size()));
    body += picture.bytes;
  }
}

bool GenerateVariant(VariantJob& job) {
  RunContext& run = job.run;
  const BmxProject& p = job.project;
  FileSystem& fs = run.fs;

  // The pictures are read only after the output is created: they are made
  // inputs first, so that an output named like one of them is refused.
  for (std::size_t i = 0; i < p.imageCount; ++i)
    run.inputGuard.RegisterInput(FileVariant(p.images[i].file, job.variant));
  MakeOutputDirectories(fs, job.outputPath);
  std::unique_ptr<File> out = fs.Open(job.outputPath, FileMode::WriteBinary);
  if (!out) return Fail(run, Msg::OutputNotCreated, job.outputPath, fs.FailureReason());

  // The background: the first layer element, written whole.
  std::string background;
  BmxBitmapInfo backgroundInfo;
  for (std::size_t i = 0; i < p.imageCount; ++i) {
    const BmxImageElement& e = p.images[i];
    if (e.kind != BmxImageKind::Layer) continue;
    std::string file = FileVariant(e.file, job.variant);
    if (!ReadWholeFile(fs, file, background)) return FailAt(job, Msg::BackgroundNotOpened, e, ReadFailure(fs));
    backgroundInfo = ReadBitmapInfo(background);
    if (!IsUncompressed24(backgroundInfo))
      return FailAt(job, Msg::Not24BitBitmap, e, Not24Why(backgroundInfo));
    if (!out->Write(background.data(), background.size())) return WriteFailed(job, *out);
    break;
  }
  std::vector<LoadedPicture> pictures(p.imageCount);
  if (!LoadPictures(job, background, backgroundInfo, pictures)) return false;

  // Everything behind the background, with record positions counted from
  // the start of the file.
  const std::size_t base = background.size();
  std::string body;
  if (job.extended) PutExtendedHead(body, job, backgroundInfo);
  else body += "BMX2";
  PutDictionary(body, job.dictionary);
  for (std::size_t i = 0; i < p.textCount; ++i)
    PutTextRecord(body, base, job.dictionary, p.texts[i], job.variant);
  PutPictureRecords(body, base, job, pictures);
  AppendLe32(body, 0);
  if (!out->Write(body.data(), body.size()) || !out->Close()) return WriteFailed(job, *out);
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------

BmxBitmapInfo ReadBitmapInfo(std::string_view bytes) {
  BmxBitmapInfo info;
  const BmpHeader header = ReadBmpHeader(bytes);
  if (header.bytes < kBmpFileHeaderBytes || !header.info.Whole()) return info;
  if (!header.signature || header.info.size < kBmpInfoHeaderBytes) return info;
  info.pixelOffset = header.pixelOffset;
  info.width = header.info.width;
  info.height = header.info.height;
  info.bitCount = header.info.bitCount;
  info.compression = header.info.compression;
  if (info.width <= 0 || info.height == 0) return info;
  // Rows of 24-bit pixels, each padded to whole words; the pixels must lie
  // within the file whatever the header says of its sizes.
  const std::uint64_t rowSize = BmpRowBytes(info.width, 24);
  if (!BmpPixelsFit(info.pixelOffset, rowSize, header.info.Rows(), bytes.size())) return info;
  info.rowSize = static_cast<std::size_t>(rowSize);
  info.valid = true;
  return info;
}

bool IsUncompressed24(const BmxBitmapInfo& info) {
  return info.valid && info.bitCount == 24 && info.compression == 0;
}

std::string EncodeLayer(const std::vector<std::uint32_t>& d) {
  std::string out;
  auto putRuns = [&](std::size_t count, std::uint32_t value) {
    while (count > 0) {
      std::size_t n = std::min(count, kMaxRunCount);
      out.push_back(static_cast<char>(n));
      AppendLe24(out, value);
      count -= n;
    }
  };
  auto putSkips = [&](std::size_t count) {
    while (count > 0) {
      std::size_t n = std::min(count, kMaxSkipCount);
      out.push_back('\0');
      out.push_back('\2');
      AppendLe16(out, static_cast<std::uint16_t>(n));
      count -= n;
    }
  };
  // k differences from d[from] on: literal units of 3 to 255, the last one or
  // two as runs of one pixel.
  auto putLiterals = [&](std::size_t from, std::size_t k) {
    while (k >= kMinLiteralCount) {
      std::size_t n = std::min(k, kMaxLiteralCount);
      out.push_back('\0');
      out.push_back(static_cast<char>(n));
      for (std::size_t j = 0; j < n; ++j) {
        AppendLe24(out, d[from + j]);
      }
      while (out.size() % 4 != 0) out.push_back('\0');
      from += n;
      k -= n;
    }
    for (; k > 0; --k, ++from) putRuns(1, d[from]);
  };

  const std::size_t n = d.size();
  if (n > 0) {
    std::size_t e = 0, z = 0, l = 0;
    for (std::size_t i = 1; i < n; ++i) {
      if (d[i] == d[i - 1]) {
        ++e;
        z = d[i] == 0 ? z + 1 : 0;
        if (l > 0) {
          putLiterals(i - 1 - l, l);
          l = 0;
        }
      } else if (z > 0) {
        putSkips(z + 1);
        e = 0;
        z = 0;
      } else if (e > 0) {
        putRuns(e + 1, d[i - 1]);
        e = 0;
      } else {
        ++l;
      }
    }
    if (e > 0 && z == 0) putRuns(e + 1, d[n - 1]);
    else if (e == 0) putLiterals(n - 1 - l, l + 1);
    // e > 0 and z > 0: the trailing unchanged pixels are implied by the end.
  }
  out.append("\0\1\0\0", 4);
  return out;
}

void ApplyTextCoding(BmxProject& project) {
  BmxCoding coding = BmxCoding::Latin1;
  for (std::size_t i = 0; i < project.textCount; ++i)
    if (project.texts[i].encoding == BmxCoding::Utf8) coding = BmxCoding::Utf8;
  project.coding = coding;
  std::string converted;
  for (std::size_t i = 0; i < project.textCount; ++i) {
    BmxTextElement& e = project.texts[i];
    if (e.encoding == coding) continue;
    for (std::string& line : e.lines) {
      if (line.empty()) continue;
      if (coding == BmxCoding::Utf8) Latin1ToUtf8(line, &converted, kMaxBmxTextLine + 1);
      else Utf8ToLatin1(line, &converted, kMaxBmxTextLine + 1);
      line = converted;
    }
  }
}

// Where a project's language files are: the directory the run names (-i, or
// the project's LANGUAGEPATH line, taken against the base: -l, else the
// project's own directory).
void SetLanguagePlaces(BmxProject& project, std::string_view projectPath, std::string_view languageDir,
                       std::string_view languageDirBase) {
  const std::string projectDir = DirectoryOf(projectPath);
  if (!languageDir.empty()) project.languageDir = std::string(languageDir.substr(0, kMaxPathLength));
  std::string base(languageDirBase.substr(0, kMaxPathLength));
  if (base.empty()) base = projectDir;
  else MakeAbsolute(base, projectDir, true);
  project.languageDirBase = base;
}

bool GenerateBmxSoftkey(RunContext& run, LanguageTable& languages, std::string_view projectPath,
                       std::string_view destPath, std::string_view languageDir, std::string_view languageDirBase,
                       bool firstProject) {
  try {
    std::unique_ptr<File> file = run.fs.Open(projectPath, FileMode::ReadText);
    if (!file) return Fail(run, Msg::BmxProjectNotOpened, projectPath);
    ShowProgress(run.diag, Progress::Processing, DisplayPath(run.paths, projectPath).c_str());

    // Only the first project of a run starts without language texts; the
    // later ones use again what it loaded.
    if (firstProject) FreeLanguages(languages);
    BmxProject project;
    project.languages = &languages;
    const std::string projectDir = DirectoryOf(projectPath);
    SetLanguagePlaces(project, projectPath, languageDir, languageDirBase);

    int line = 0;
    const Msg rc = ReadBmxProject(run.fs, *file, line, project, false);
    file->Close();
    if (rc != Msg::Ok) {
      // Where the project's reading stopped: the word at fault, or the line.
      WordPlace at = project.failureAt;
      if (at.line == 0) at.line = static_cast<unsigned>(line);
      if ((rc == Msg::LanguageFileError || rc == Msg::UnsupportedCoding) && !languages.failedFile.empty()) {
        // At the language file's line, with why; the project's line that
        // had it read gets a note.
        // A file that could not be opened has no line of its own.
        if (languages.failure.line == 0) {
          ReportForSoftkey(run, At(rc, projectPath, at,
                                   DisplayPath(run.paths, languages.failedFile) + " (" + languages.failure.why + ")"));
          return false;
        }
        const LanguageFileReport& failure = languages.failure;
        Diagnostic r = At(rc, languages.failedFile,
                          {static_cast<unsigned>(failure.line), failure.column, failure.length}, failure.why);
        r.notes.push_back({SpanOf(projectPath, at.line, at.column, at.length), "the language file was read for this line"});
        ReportForSoftkey(run, std::move(r));
        return false;
      }
      std::string detail = project.failure;
      if (!project.failureFile.empty()) {
        const std::string shown = DisplayPath(run.paths, project.failureFile);
        detail = detail.empty() ? shown : detail + " (" + shown + ")";
      }
      ReportForSoftkey(run, At(rc, projectPath, at, detail));
      return false;
    }
    if (languages.untranslated) {
      const LanguageFileReport& first = languages.firstUntranslated;
      ReportForSoftkey(run, At(Msg::Untranslated, languages.untranslatedFile,
                               {static_cast<unsigned>(first.untranslatedLine), 0, 0}, UntranslatedText(first)));
    }
    if (project.imageCount > kMaxBmxImages) return Fail(run, Msg::NoMemory, projectPath);

    for (std::size_t i = 0; i < project.imageCount; ++i)
      MakeAbsolute(project.images[i].file, projectDir, true);
    ApplyTextCoding(project);

    // The output: the BMX location (or the project itself), named after the
    // project, with the extension ".bmx".
    std::string output = project.outputLocation.empty() ? std::string(projectPath) : project.outputLocation;
    MakeAbsolute(output, projectDir, true);
    output = output.substr(0, FileNameOffset(output)) + std::string(FileNameOf(projectPath));
    if (output.size() > kMaxPathLength) output.clear();
    ReplaceExtension(output, ".bmx");

    const bool extended = project.transparentColorGiven || project.backgroundColorGiven ||
                          project.animIntervalGiven || project.pixWidth != 0 || project.pixHeight != 0 ||
                          project.scalable || project.coding == BmxCoding::Utf8;
    const Dictionary dictionary = BuildDictionary(project, extended);

    const std::size_t variants = ResolutionVariantCount(output);
    for (std::size_t v = 0; v < variants; ++v) {
      VariantJob job{run, project, dictionary, extended, variants, v, FileVariant(output, v), projectPath};
      if (!GenerateVariant(job)) return false;
      std::string shown = DisplayPath(run.paths, job.outputPath);
      std::string dest = DestinationVariant(destPath, variants, v);
      LogLine(run.diag, "GeneratingSK \"%s\" %s", shown.c_str(), dest.c_str());
    }
    return true;
  } catch (const std::bad_alloc&) {
    return Fail(run, Msg::NoMemory, projectPath);
  }
}

bool ListBmxIncludes(RunContext& run, std::string_view projectPath, std::string_view languageDir,
                     std::string_view languageDirBase) {
  try {
    std::unique_ptr<File> file = run.fs.Open(projectPath, FileMode::ReadText);
    if (!file) return Fail(run, Msg::BmxProjectNotOpened, projectPath);
    // A listing never loads language texts, so it keeps a table of its own
    // and leaves the run's untouched.
    LanguageTable languages;
    BmxProject project;
    project.languages = &languages;
    SetLanguagePlaces(project, projectPath, languageDir, languageDirBase);
    int line = 0;
    const Msg rc = ReadBmxProject(run.fs, *file, line, project, true);
    if (rc != Msg::Ok) {
      WordPlace at = project.failureAt;
      if (at.line == 0) at.line = static_cast<unsigned>(line);
      Report(run.diag, At(rc, projectPath, at, project.failure));
      return false;
    }
    for (std::size_t i = 0; i < project.imageCount; ++i) {
      const std::string& name = project.images[i].file;
      const std::size_t variants = ResolutionVariantCount(name);
      for (std::size_t v = 0; v < variants; ++v) {
        std::string shown = QuotedIfBlank(DisplayPath(run.paths, FileVariant(name, v)));
        if (variants == 1) LogLine(run.diag, "Included %s", shown.c_str());
        else LogLine(run.diag, "Included %s %s", shown.c_str(), ResolutionName(v));
      }
    }
    // The language files: those the project names, and those of the
    // language directory when a text of the project would load them.
    std::vector<std::string> languageFiles = languages.listedFiles;
    if (languages.textsWanted)
      for (std::string& found : ListLanguageFiles(run.fs, project.languageDir)) languageFiles.push_back(std::move(found));
    for (const std::string& name : languageFiles) {
      std::string shown = QuotedIfBlank(DisplayPath(run.paths, name));
      LogLine(run.diag, "Included %s", shown.c_str());
    }
    return true;
  } catch (const std::bad_alloc&) {
    return Fail(run, Msg::NoMemory, projectPath);
  }
}

}  // namespace q32

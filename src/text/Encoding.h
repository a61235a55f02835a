// Character sets.  The program's "ANSI code page" is Windows-1252 on every
// platform; the console of a Windows control station speaks code page 850.
#pragma once

#include <string>
#include <string_view>

namespace q32 {

// One Windows-1252 byte as a Unicode code point (the five unassigned bytes
// map to the C1 control of the same value, as Windows does).
char32_t Cp1252ToUnicode(unsigned char c);
// The Windows-1252 byte of a code point, or -1 when the code page lacks it.
int UnicodeToCp1252(char32_t u);

std::string Cp1252ToUtf8(std::string_view text);

// The single-byte codings that translators' tools write besides UTF-8.
// ISO 8859-1 gives 0x80 to 0x9F as C1 controls; ISO 8859-15 replaces eight
// of its signs (the euro sign at 0xA4 among them).
enum class SingleByteCoding { Latin1, Latin9, Windows1252 };
std::string SingleByteToUtf8(std::string_view text, SingleByteCoding coding);
// UTF-8 to Windows-1252; characters that Windows-1252 lacks, and malformed
// sequences, become "?".
std::string Utf8ToCp1252(std::string_view text);

// Code page 850, in which the control reads text softkey sources, and UTF-8;
// characters that code page 850 lacks, and malformed sequences, become "?".
std::string Cp850ToUtf8(std::string_view text);
std::string Utf8ToCp850(std::string_view text);

// The console conversion of one Windows-1252 byte to code page 850: 0xA0 to
// 0xFF as ISO 8859-1, 0x80 to 0x9F by the fixed replacement table.
unsigned char Cp1252ToCp850(unsigned char c);

// Where the first byte of 0x80 or above stands (npos: the text is plain
// ASCII), eight bytes at a time: asked of every line and every report.
std::size_t FirstNonAscii(std::string_view text);
inline bool IsAscii(std::string_view text) { return FirstNonAscii(text) == std::string_view::npos; }

// Where an editor that saved the text as UTF-8 gave itself away: the first
// well-formed multi-byte sequence (as DecodeUtf8At reads one), as its offset; npos when there is none.  `length` receives its bytes.
// Single-byte code pages rarely put such pairs in a row.
std::size_t FindUtf8Sequence(std::string_view text, std::size_t& length);
// The length of the UTF-8 sequence that a byte begins (1 for a byte below
// 128), or 0 for a byte that begins none.
std::size_t Utf8SequenceLength(unsigned char lead);
// The well-formed UTF-8 sequence at `at` (no overlong forms, surrogates or
// code points beyond U+10FFFF): its length, with its code point in `u`; 1
// for a byte below 128; 0 when the bytes there are no UTF-8.
std::size_t DecodeUtf8At(std::string_view text, std::size_t at, char32_t& u);

// Whether a text file is UTF-8: it starts with the byte-order mark, or it
// holds at least one multi-byte sequence and every byte above 127 belongs to
// one.  Windows-1252 texts rarely hold even one such sequence, and one byte
// that fits none makes the file Windows-1252.  `stray` receives the offset of
// the first byte that is no UTF-8 (npos when there is none).
bool IsUtf8Text(std::string_view text, std::size_t& stray);

// A line of a UTF-8 text as Windows-1252.  A character that the code page
// lacks, or a byte that is no UTF-8, becomes "?"; the first such is
// described ("U+2192 (E2 86 92)", "the byte FC") in `problem`, which
// stays empty when every character has its form, and its offset in the
// result in `where` (when given).
std::string Utf8LineToCp1252(std::string_view line, std::string& problem, std::size_t* where = nullptr);

// The bytes of a piece as "C3 BC".
std::string HexBytes(std::string_view bytes);

}  // namespace q32

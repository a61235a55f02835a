// The coding of the text files a project is written in (the project, its
// included file, the configuration file).  The control reads Windows-1252,
// one byte per character; editors today save UTF-8, often with a byte-order
// mark.  A file counts as UTF-8 when it starts with the mark, or when it
// holds at least one multi-byte sequence and no byte that fits none; its
// lines are then converted to Windows-1252.  Any other file is read byte for
// byte, as it always was.
#pragma once

#include <string>

namespace q32 {

class File;

struct FileCoding {
  bool utf8 = false;
  // In a file read as Windows-1252 that holds a UTF-8 sequence anyway: the
  // line of the first byte that is no UTF-8, which decided it (0: none).
  int strayLine = 0;
};

// Reads the file from where it stands to its end and goes back there.  A
// file that cannot be read through is taken as Windows-1252 (the reading of
// its lines then meets the failure).
FileCoding RecogniseCoding(File& file);

// Makes a line as read (lineNumber counts from 1 in its file) what the
// control reads: a UTF-8 file's mark is dropped from its first line and the
// line is converted.  Returns what has no Windows-1252 form, described for a
// report ("U+2192 (E2 86 92)"), or empty; where (when given) receives its
// offset in the converted line.
std::string ToControlCoding(const FileCoding& coding, std::string& line, int lineNumber,
                            std::size_t* where = nullptr);

}  // namespace q32

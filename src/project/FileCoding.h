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

// Reads the next piece of a line, as File::GetLine does, and makes it what
// the control reads.  The limit counts characters, so a UTF-8 file holds as
// much on a line as the same file in Windows-1252: its bytes are read up to
// maxChars characters (a character's bytes whole), its mark is dropped at
// the file's start and the piece is converted.  problem receives what has no
// Windows-1252 form, described for a report ("U+2192 (E2 86 92)"), unless it
// holds such a description already, and where (when given) its offset in
// the piece.  False at the end of the file.
bool ReadCodedLine(File& file, const FileCoding& coding, std::string& line, std::size_t maxChars, bool fileStart,
                   std::string& problem, std::size_t* where = nullptr);

}  // namespace q32

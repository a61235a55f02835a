// The softkeys a generated project (.spj) names are no outputs of the
// preview's run: the default run wrote them beside their sources.  The
// preview finds them there on disk, so that their pictures show, or says why
// a picture is missing.
#pragma once

#include <string>

namespace q32 {

class Collector;
class FileSystem;

// For every softkey line of an already generated softkey: the file on the
// host the default run wrote for it, noted as an output the site decodes, or
// a finding (W8418) naming the places tried.  projectDir is the project's
// directory (full host path).
void FindGeneratedSoftkeys(Collector& c, FileSystem& host, const std::string& projectDir);

}  // namespace q32

#include "cli/CommandLine.h"

int main(int argc, char** argv) { return q32::RunCommandLine(argc, argv); }

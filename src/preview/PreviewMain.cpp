#include "preview/Preview.h"

int main(int argc, char** argv) { return q32::RunPreview(argc, argv); }

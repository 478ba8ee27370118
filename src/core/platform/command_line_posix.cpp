#include "core/platform/command_line.h"

int main(int argc, char** argv) { return tilvane::ProgramMain(std::vector<tilvane::Text>(argv + 1, argv + argc)); }

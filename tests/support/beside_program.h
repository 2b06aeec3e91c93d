// Programs and modules the build puts beside the test program (its bin/).
#ifndef TESSAROVEN_TESTS_BESIDE_PROGRAM_H
#define TESSAROVEN_TESTS_BESIDE_PROGRAM_H

#include <string>

// The full path of name in the running program's own folder.
std::string BesideTestProgram(const char* name);

#endif

// What a good run of the launcher must leave for the next stage, worked out
// from the payload: the working folder's tree and the clean-up script's
// bytes. The round-trip tests and the fault sweep check against the same.
#ifndef TESSAROVEN_TESTS_E2E_EXPECTED_RUN_H
#define TESSAROVEN_TESTS_E2E_EXPECTED_RUN_H

#include <functional>
#include <string>
#include <vector>

#include "e2e_support.h"

// path without its trailing backslash, if it has one.
std::string WithoutTrailingBackslash(const std::string& path);

// The value of Name="..." in a command line; empty when there is none.
std::string QuotedValue(const std::string& commandLine, const std::string& name);

// The script the run must have written: the helper's line, one "del" line
// per file in extraction order, one "rmdir" line per folder the run
// created, newest first (so the working folder comes last), and the
// script's own line. batch turns a path into the form the script uses.
std::string ExpectedScript(const std::string& work, const std::string& script, const std::vector<PayloadFile>& files,
                           const std::function<std::string(const std::string&)>& batch);

// Every file and folder the working folder must hold, as ListTree gives them.
std::vector<std::string> ExpectedTree(const std::vector<PayloadFile>& files);

// How the files unpacked into work (ending in a backslash) differ from the
// payload's: names missing or too many, or the first file whose bytes
// differ; empty when they are the same, byte for byte.
std::string UnpackedDifference(const std::string& work, const std::vector<PayloadFile>& files);

#endif

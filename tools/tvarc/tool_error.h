// The error every part of the archive tool throws when an operation cannot
// go on; main prints its text and ends with a failure exit code.
#ifndef TESSAROVEN_TVARC_TOOL_ERROR_H
#define TESSAROVEN_TVARC_TOOL_ERROR_H

#include <stdexcept>
#include <string>

class ToolError : public std::runtime_error {
public:
    explicit ToolError(const std::string& message) : std::runtime_error(message) {}
};

#endif

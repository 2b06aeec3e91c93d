// The lines of a launcher's log as the tests read them: each without the
// local time that begins it ("2026-12-10 15:14:34.123 ", 24 characters).
#ifndef TESSAROVEN_TESTS_LOG_LINES_H
#define TESSAROVEN_TESTS_LOG_LINES_H

#include <string>
#include <vector>

// The width of the time at the start of every line.
const size_t kLogStampChars = 24;

// Returns log's lines, each without its time (a line too short for one
// gives an empty text), in order; the line ends (CR LF) dropped.
inline std::vector<std::string> LogTexts(const std::string& log) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < log.size();) {
        size_t end = log.find("\r\n", at);
        if (end == std::string::npos) end = log.size();
        lines.push_back(end - at >= kLogStampChars ? log.substr(at + kLogStampChars, end - at - kLogStampChars)
                                                   : std::string());
        at = end + 2;
    }
    return lines;
}

// Returns the first of lines that begins with start; "" when none does.
inline std::string LogLineStartingWith(const std::vector<std::string>& lines, const std::string& start) {
    for (const std::string& line : lines)
        if (line.compare(0, start.size(), start) == 0) return line;
    return std::string();
}

#endif

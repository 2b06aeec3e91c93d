// The names an archive can carry, in the tool's words: each one by the
// entry name rule the launcher applies, and no two names landing on one file.
#ifndef TESSAROVEN_TVARC_ENTRY_NAME_H
#define TESSAROVEN_TVARC_ENTRY_NAME_H

#include <map>
#include <string>

#include "entry_name_rule.h"

// The longest name the tool packs, shorter than the 255 bytes the format
// carries: the launcher unpacks below TVQSetupN\ (up to 14 characters) in
// the temporary folder, which is C:\Users\USER\AppData\Local\Temp\ (up
// to 49 characters, user names having at most 20) for any user at the
// default place, and a path has at most kLongestTargetPath characters. A
// longer name fails there as a path too long.
const size_t kMaxPortableNameLength = kLongestTargetPath - 49 - 14;

// Why name (stored form, backslash-separated) cannot go into an archive,
// by the rule the launcher's reader applies too (archive/entry_name_rule.h),
// then by kMaxPortableNameLength; empty when it can.
std::string NameProblem(const std::string& name);

// A copy of text with ASCII letters in lower case: names as Windows compares
// them (entry names are ASCII).
std::string FoldCase(const std::string& text);

// A copy of name with every byte outside printable ASCII written as \xHH,
// so that messages stay readable whatever an archive holds.
std::string Printable(const std::string& name);

// Collects the names of one archive and finds those that would land on the
// same file of a case-insensitive file system: the same name twice, names
// that differ only in case, and a name that is also another name's folder.
class NameCollisions {
public:
    // Records name; returns why it collides with an earlier one, or empty.
    std::string Add(const std::string& name);

private:
    std::map<std::string, std::string> files_;    // folded name -> name as given
    std::map<std::string, std::string> folders_;  // folded folder -> first name below it
};

#endif

#include "expected_run.h"

#include <algorithm>
#include <map>

std::string WithoutTrailingBackslash(const std::string& path) {
    return !path.empty() && path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
}

std::string QuotedValue(const std::string& commandLine, const std::string& name) {
    std::string key = " " + name + "=\"";
    size_t start = commandLine.find(key);
    if (start == std::string::npos) return std::string();
    start += key.size();
    size_t end = commandLine.find('"', start);
    return end == std::string::npos ? std::string() : commandLine.substr(start, end - start);
}

std::string ExpectedScript(const std::string& work, const std::string& script, const std::vector<PayloadFile>& files,
                           const std::function<std::string(const std::string&)>& batch) {
    std::string text = "cd \\\r\n" + batch(work + "Kestavon") + " %1\r\n";
    std::vector<std::string> created = {WithoutTrailingBackslash(work)};
    for (const PayloadFile& file : files) {
        text += "del " + batch(work + file.name) + "\r\n";
        for (size_t at = file.name.find('\\'); at != std::string::npos; at = file.name.find('\\', at + 1)) {
            std::string folder = work + file.name.substr(0, at);
            if (std::find(created.begin(), created.end(), folder) == created.end()) created.push_back(folder);
        }
    }
    for (auto folder = created.rbegin(); folder != created.rend(); ++folder) text += "rmdir " + batch(*folder) + "\r\n";
    return text + "del " + batch(script) + "\r\n";
}

std::vector<std::string> ExpectedTree(const std::vector<PayloadFile>& files) {
    std::vector<std::string> names;
    for (const PayloadFile& file : files) {
        names.push_back(file.name);
        for (size_t at = file.name.find('\\'); at != std::string::npos; at = file.name.find('\\', at + 1))
            names.push_back(file.name.substr(0, at + 1));
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::string UnpackedDifference(const std::string& work, const std::vector<PayloadFile>& files) {
    std::vector<std::string> expected = ExpectedTree(files);
    std::vector<std::string> found = ListTree(WithoutTrailingBackslash(work));
    std::string difference;
    for (const std::string& name : expected)
        if (!std::binary_search(found.begin(), found.end(), name)) difference += " missing " + name + ";";
    for (const std::string& name : found)
        if (!std::binary_search(expected.begin(), expected.end(), name)) difference += " not in the payload " + name + ";";
    if (!difference.empty()) return "the working folder differs:" + difference;
    // The payload's bytes are read once: a driver compares them run after run.
    static std::map<std::string, std::string> sources;
    for (const PayloadFile& file : files) {
        auto cached = sources.find(file.source);
        if (cached == sources.end()) {
            bool sourceFound = false;
            std::string bytes = ScratchFolder::ReadAll(file.source, &sourceFound);
            if (!sourceFound) return "cannot read " + file.source;
            cached = sources.emplace(file.source, bytes).first;
        }
        const std::string& source = cached->second;
        std::string unpacked = ScratchFolder::ReadAll(work + file.name);
        // Sizes only: a 4 MB difference would flood the log.
        if (source != unpacked)
            return file.archive + " " + file.name + ": " + std::to_string(unpacked.size()) + " bytes unpacked, " +
                   std::to_string(source.size()) + " expected, not the same";
    }
    return std::string();
}

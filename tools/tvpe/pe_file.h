// Reading a Windows executable's resources from its file's bytes, for the
// release tools and the tests: where each resource's data lies in the file,
// and where its header keeps the image's characteristics.
// Portable: works on any byte copy of a PE file, on any host.
#ifndef TESSAROVEN_PE_FILE_H
#define TESSAROVEN_PE_FILE_H

#include <stddef.h>
#include <stdint.h>

#include <stdexcept>
#include <string>
#include <vector>

// A file that is no PE image, or whose resource directory points outside it;
// what() names the problem.
class PeFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One resource of an image. Types and names given by number are written
// "#N" (as the platform's lookups take them); names given as text keep
// their text, which the resource compiler stores in upper case.
struct PeResource {
    std::string type;
    std::string name;
    uint16_t language = 0;
    uint32_t fileOffset = 0;  // first byte of the resource's data in the file
    uint32_t size = 0;        // bytes of data
};

// Returns every resource of the image in the file's bytes, in directory
// order (by type, then name, then language). Throws PeFormatError.
std::vector<PeResource> ListPeResources(const unsigned char* file, size_t length);

// True when a type or name of a PeResource is what query asks for: text
// compared without regard to case, numbers as "#N" or plain digits.
bool ResourceKeyMatches(const std::string& key, const std::string& query);

// Returns the resource of that type and name (any language; the first when
// there are several), or throws PeFormatError naming what is missing.
PeResource FindPeResource(const unsigned char* file, size_t length, const std::string& type, const std::string& name);

// The Characteristics bits that have Windows copy the image to the paging
// file before running it from removable media (0x0400) or a network share
// (0x0800), so that a lost share or a scratched disc cannot fault in pages
// of it midway.
constexpr uint16_t kPeRunFromSwapBits = 0x0400 | 0x0800;

// Returns the file offset of the 16-bit Characteristics field of the COFF
// file header in the file's bytes. Throws PeFormatError when they hold no
// PE image.
size_t PeCharacteristicsOffset(const unsigned char* file, size_t length);

#endif

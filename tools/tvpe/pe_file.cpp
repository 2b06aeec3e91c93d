#include "pe_file.h"

#include <ctype.h>
#include <string.h>

#include <algorithm>
#include <iterator>
#include <map>

#include "little_endian.h"

namespace {

const unsigned kResourceDirectory = 2;
const uint32_t kHighBit = 0x80000000u;

class Image {
public:
    Image(const unsigned char* file, size_t length) : file_(file), length_(length) {}

    uint32_t U16(uint64_t at) const {
        Need(at, 2);
        return ReadLe16(file_ + at);
    }
    uint32_t U32(uint64_t at) const {
        Need(at, 4);
        return ReadLe32(file_ + at);
    }
    void Need(uint64_t at, uint64_t bytes) const {
        if (at > length_ || bytes > length_ - at) throw PeFormatError("the file ends inside a header or directory");
    }

    // The file offset of an address of the loaded image, inside one
    // section's bytes in the file, with at least bytes to follow there.
    uint64_t FileOffset(uint32_t rva, uint64_t bytes) const {
        for (const Section& s : sections_) {
            if (rva < s.address) continue;
            uint64_t into = rva - s.address;
            if (into + bytes <= s.rawSize && into < std::max<uint64_t>(s.virtualSize, s.rawSize)) {
                Need(s.rawOffset + into, bytes);
                return s.rawOffset + into;
            }
        }
        throw PeFormatError("an address of the resource directory lies in no section's bytes");
    }

    // The file offset of the PE signature, followed by the whole COFF file header.
    uint64_t PeHeader() const {
        if (length_ < 0x40 || file_[0] != 'M' || file_[1] != 'Z') throw PeFormatError("no DOS header (MZ)");
        uint64_t pe = U32(0x3C);
        Need(pe, 24);
        if (memcmp(file_ + pe, "PE\0\0", 4) != 0) throw PeFormatError("no PE signature");
        return pe;
    }

    void ReadHeaders(uint32_t* resourceRva, uint32_t* resourceSize) {
        uint64_t pe = PeHeader();
        uint32_t sectionCount = U16(pe + 6);
        uint32_t optionalSize = U16(pe + 20);
        uint64_t optional = pe + 24;
        uint32_t magic = U16(optional);
        uint64_t directories, countField;
        if (magic == 0x10B) {
            countField = optional + 92;
            directories = optional + 96;
        } else if (magic == 0x20B) {
            countField = optional + 108;
            directories = optional + 112;
        } else {
            throw PeFormatError("unknown optional header");
        }
        *resourceRva = *resourceSize = 0;
        if (U32(countField) > kResourceDirectory && directories + 8 * (kResourceDirectory + 1) <= optional + optionalSize) {
            *resourceRva = U32(directories + 8 * kResourceDirectory);
            *resourceSize = U32(directories + 8 * kResourceDirectory + 4);
        }
        uint64_t table = optional + optionalSize;
        for (uint32_t i = 0; i < sectionCount; ++i) {
            uint64_t h = table + 40 * i;
            sections_.push_back({U32(h + 8), U32(h + 12), U32(h + 16), U32(h + 20)});
        }
    }

private:
    struct Section {
        uint32_t virtualSize, address, rawSize, rawOffset;
    };
    const unsigned char* file_;
    size_t length_;
    std::vector<Section> sections_;
};

// The most resources a listing holds, and the most characters their types
// and names add up to: the launcher carries about twenty with short names,
// and a directory whose entries all lead to one subdirectory or one name
// would otherwise multiply into millions.
const size_t kMaxResources = 65536;
const size_t kMaxKeyCharacters = size_t(1) << 24;

struct Walk {
    const Image& image;
    uint64_t root;      // file offset of the resource directory
    uint32_t rootRva;
    uint32_t size;      // bytes of the resource directory's area
    std::vector<PeResource>* found;
    // The bytes of each directory table met so far, by start: a table met
    // twice, or one overlapping another, is refused.
    std::map<uint32_t, uint32_t> tables;
    size_t keyCharacters = 0;

    uint64_t At(uint32_t offset, uint64_t bytes) const {
        if (offset > size || bytes > size - offset) throw PeFormatError("the resource directory points outside itself");
        return image.FileOffset(rootRva + offset, bytes);
    }

    std::string Key(uint32_t nameField) const {
        if (!(nameField & kHighBit)) return "#" + std::to_string(nameField & 0xFFFF);
        uint64_t at = At(nameField & ~kHighBit, 2);
        uint32_t characters = image.U16(at);
        at = At(nameField & ~kHighBit, 2 + 2ull * characters);
        std::string key;
        for (uint32_t i = 0; i < characters; ++i) {
            uint32_t c = image.U16(at + 2 + 2ull * i);
            key += c < 0x80 ? static_cast<char>(c) : '?';
        }
        return key;
    }

    // Records the table of entries entries at offset; throws when it shares
    // a byte with a table met before.
    void Claim(uint32_t offset, uint32_t entries) {
        uint32_t end = offset + 16 + 8 * entries;  // inside size, checked by At
        auto next = tables.lower_bound(offset);
        bool overlaps = (next != tables.end() && next->first < end) ||
                        (next != tables.begin() && std::prev(next)->second > offset);
        if (overlaps)
            throw PeFormatError("the resource directory reaches the table at offset " + std::to_string(offset) +
                                " twice, or tables overlap");
        tables.emplace(offset, end);
    }

    // level 0: types, 1: names, 2: languages.
    void Directory(uint32_t offset, int level, PeResource current) {
        uint64_t at = At(offset, 16);
        uint32_t entries = image.U16(at + 12) + image.U16(at + 14);
        At(offset, 16 + 8ull * entries);
        Claim(offset, entries);
        for (uint32_t i = 0; i < entries; ++i) {
            uint32_t nameField = image.U32(at + 16 + 8 * i);
            uint32_t target = image.U32(at + 20 + 8 * i);
            if (level == 0) current.type = Key(nameField);
            if (level == 1) current.name = Key(nameField);
            if (level == 2) current.language = static_cast<uint16_t>(nameField & 0xFFFF);
            bool subdirectory = (target & kHighBit) != 0;
            if (subdirectory != (level < 2)) throw PeFormatError("the resource directory is not three levels deep");
            if (subdirectory) {
                Directory(target & ~kHighBit, level + 1, current);
                continue;
            }
            if (found->size() == kMaxResources)
                throw PeFormatError("the resource directory lists more than " + std::to_string(kMaxResources) + " resources");
            keyCharacters += current.type.size() + current.name.size();
            if (keyCharacters > kMaxKeyCharacters)
                throw PeFormatError("the resource types and names add up to more than " +
                                    std::to_string(kMaxKeyCharacters) + " characters");
            uint64_t data = At(target, 16);
            current.size = image.U32(data + 4);
            current.fileOffset = static_cast<uint32_t>(image.FileOffset(image.U32(data), current.size));
            found->push_back(current);
        }
    }
};

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::vector<PeResource> ListPeResources(const unsigned char* file, size_t length) {
    Image image(file, length);
    uint32_t rva = 0, size = 0;
    image.ReadHeaders(&rva, &size);
    std::vector<PeResource> found;
    if (rva == 0 || size == 0) return found;
    Walk walk{image, image.FileOffset(rva, 16), rva, size, &found, {}, 0};
    walk.Directory(0, 0, PeResource());
    return found;
}

size_t PeCharacteristicsOffset(const unsigned char* file, size_t length) {
    // After the signature (4 bytes), the machine, the section count, the time
    // stamp, the symbol table's place and size and the optional header's size (18).
    return static_cast<size_t>(Image(file, length).PeHeader() + 22);
}

bool ResourceKeyMatches(const std::string& key, const std::string& query) {
    bool digits = !query.empty();
    for (char c : query) digits = digits && isdigit(static_cast<unsigned char>(c));
    if (digits) return key == "#" + query;
    return Upper(key) == Upper(query);
}

PeResource FindPeResource(const unsigned char* file, size_t length, const std::string& type, const std::string& name) {
    for (const PeResource& r : ListPeResources(file, length))
        if (ResourceKeyMatches(r.type, type) && ResourceKeyMatches(r.name, name)) return r;
    throw PeFormatError("no resource " + name + " of type " + type);
}

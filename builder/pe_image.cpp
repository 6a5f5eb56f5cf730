#include "pe_image.h"

#include <algorithm>
#include <cstring>

#include "files/bytes_text.h"

namespace {

const uint32_t SCN_MEM_WRITE = 0x80000000u;

uint32_t alignUp(uint32_t v, uint32_t a) { return (v + a - 1) / a * a; }
const uint32_t PAGE = 4096;
const size_t LARGE_RESOURCES = 1u << 20;

enum { DIR_RESOURCE = 2, DIR_SECURITY = 4, DIR_RELOC = 5 };
enum { SECTION_HEADER = 40 };

bool fail(std::string* error, const std::string& why) {
    *error = "not a usable launcher template: " + why;
    return false;
}

bool inside(const std::vector<uint8_t>& b, size_t at, size_t length) {
    return at <= b.size() && length <= b.size() - at;
}

uint32_t directoryRva(const PeImage& im, int index) {
    return (uint32_t)index < im.directoryCount ? le32(im.bytes.data() + im.directoriesAt + 8 * index) : 0;
}

int sectionAt(const PeImage& im, uint32_t rva) {
    for (size_t i = 0; i < im.sections.size(); ++i) {
        const PeSection& s = im.sections[i];
        if (rva >= s.virtualAddress && rva - s.virtualAddress < s.virtualSize) return (int)i;
    }
    return -1;
}

bool readHeaders(PeImage* im, std::string* error) {
    const std::vector<uint8_t>& b = im->bytes;
    if (!inside(b, 0, 0x40) || b[0] != 'M' || b[1] != 'Z') return fail(error, "no MZ header");
    uint32_t pe = le32(b.data() + 0x3C);
    if (!inside(b, pe, 24) || memcmp(&b[pe], "PE\0\0", 4) != 0) return fail(error, "no PE header");
    im->coffAt = pe + 4;
    im->machine = le16(b.data() + im->coffAt);
    size_t count = le16(b.data() + im->coffAt + 2), optionalSize = le16(b.data() + im->coffAt + 16);
    im->optionalAt = im->coffAt + 20;
    if (!inside(b, im->optionalAt, optionalSize) || optionalSize < 96) return fail(error, "a short optional header");
    uint16_t magic = le16(b.data() + im->optionalAt);
    if (magic != 0x10B && magic != 0x20B) return fail(error, "an unknown optional header");
    im->pe32plus = magic == 0x20B;
    im->sectionAlignment = le32(b.data() + im->optionalAt + 32);
    im->fileAlignment = le32(b.data() + im->optionalAt + 36);
    if (im->fileAlignment == 0 || im->sectionAlignment == 0) return fail(error, "no alignment");
    size_t directoriesAt = im->optionalAt + (im->pe32plus ? 112 : 96);
    if (directoriesAt + 4 > im->optionalAt + optionalSize) return fail(error, "no data directories");
    im->directoryCount = le32(b.data() + directoriesAt - 4);
    im->directoriesAt = directoriesAt;
    if (im->directoryCount > 16 || directoriesAt + 8 * (size_t)im->directoryCount > im->optionalAt + optionalSize)
        return fail(error, "damaged data directories");
    im->sectionsAt = im->optionalAt + optionalSize;
    if (!inside(b, im->sectionsAt, SECTION_HEADER * count)) return fail(error, "a cut section table");
    for (size_t i = 0; i < count; ++i) {
        size_t at = im->sectionsAt + SECTION_HEADER * i;
        PeSection s;
        s.name.assign((const char*)&b[at], strnlen((const char*)&b[at], 8));
        s.virtualSize = le32(b.data() + at + 8);
        s.virtualAddress = le32(b.data() + at + 12);
        s.rawSize = le32(b.data() + at + 16);
        s.rawOffset = le32(b.data() + at + 20);
        if (!inside(b, s.rawOffset, s.rawSize)) return fail(error, "section " + s.name + " is cut");
        im->sections.push_back(s);
    }
    return true;
}

// Where the resource section is, and that only the base relocations follow it.
bool findResourceSection(PeImage* im, std::string* error, bool signedToo) {
    uint32_t signature = directoryRva(*im, DIR_SECURITY);  // a file offset, not an address
    if (signature != 0 && !signedToo) return fail(error, "it is signed; sign the launcher after building it");
    im->resourceSection = sectionAt(*im, directoryRva(*im, DIR_RESOURCE));
    if (im->resourceSection < 0) return fail(error, "no resource section");
    int reloc = directoryRva(*im, DIR_RELOC) ? sectionAt(*im, directoryRva(*im, DIR_RELOC)) : -1;
    size_t after = im->sections.size() - 1 - (size_t)im->resourceSection;
    if (after > 1 || (after == 1 && reloc != im->resourceSection + 1))
        return fail(error, "sections other than the base relocations follow the resources");
    im->relocSection = after == 1 ? reloc : -1;
    const PeSection& last = im->sections.back();
    size_t end = (size_t)last.rawOffset + last.rawSize;
    if (end != im->bytes.size() && !(signature != 0 && signature >= end))
        return fail(error, "data follows the last section");
    const PeSection& r = im->sections[im->resourceSection];
    if (r.rawSize == 0) return fail(error, "an empty resource section");
    std::string why;
    if (!parseResources(&im->bytes[r.rawOffset], r.rawSize < r.virtualSize ? r.rawSize : r.virtualSize,
                        r.virtualAddress, &im->resources, &why))
        return fail(error, why);
    return true;
}

void writeSectionHeader(std::vector<uint8_t>& out, size_t at, const PeSection& s) {
    storeLe32(out.data() + at + 8, s.virtualSize);
    storeLe32(out.data() + at + 12, s.virtualAddress);
    storeLe32(out.data() + at + 16, s.rawSize);
    storeLe32(out.data() + at + 20, s.rawOffset);
}

}  // namespace

bool readPeImage(std::vector<uint8_t> bytes, PeImage* out, std::string* error, bool signedToo) {
    *out = PeImage();
    out->bytes = std::move(bytes);
    return readHeaders(out, error) && findResourceSection(out, error, signedToo);
}

namespace {

// The ones'-complement sum of 16-bit words over pieces of any length: summed
// in 64 bits and folded once at the end, which gives the same result as
// folding after every word at a fraction of the cost.
struct ChecksumSum {
    uint64_t sum = 0;
    size_t length = 0;

    void add(const uint8_t* data, size_t size) {
        size_t i = 0;
        if (length % 2 && size > 0) sum += (uint32_t)data[i++] << 8;
        for (; i + 1 < size; i += 2) sum += (uint32_t)(data[i] | data[i + 1] << 8);
        if (i < size) sum += data[i];
        length += size;
    }
    uint32_t value() const {
        uint64_t s = sum;
        while (s >> 16) s = (s & 0xFFFF) + (s >> 16);
        return (uint32_t)s + (uint32_t)length;
    }
};

}  // namespace

uint32_t peChecksum(const std::vector<uint8_t>& image, size_t checksumAt) {
    std::vector<uint8_t> head(image.begin(), image.begin() + std::min(image.size(), checksumAt + 4));
    if (checksumAt + 4 <= head.size()) memset(&head[checksumAt], 0, 4);
    ChecksumSum sum;
    sum.add(head.data(), head.size());
    if (image.size() > head.size()) sum.add(image.data() + head.size(), image.size() - head.size());
    return sum.value();
}

void writePeImage(const PeImage& im, const ResourceTree& resources, uint32_t timeStamp, const ByteSink& sink) {
    const PeSection& oldRes = im.sections[im.resourceSection];
    // Everything before the old resource section stays byte for byte, but
    // for the headers' fields that change.
    std::vector<uint8_t> head(im.bytes.begin(), im.bytes.begin() + oldRes.rawOffset);
    PeSection reloc{}, res = oldRes;
    uint32_t nextRva = oldRes.virtualAddress, nextRaw = oldRes.rawOffset;
    size_t resHeader = im.sectionsAt + SECTION_HEADER * im.resourceSection;
    if (im.relocSection >= 0) {
        reloc = im.sections[im.relocSection];
        reloc.virtualAddress = nextRva;
        reloc.rawOffset = nextRaw;
        nextRva = alignUp(reloc.virtualAddress + reloc.virtualSize, im.sectionAlignment);
        nextRaw += reloc.rawSize;
        // The two headers change places, so that addresses still ascend.
        memcpy(&head[resHeader], &im.bytes[resHeader + SECTION_HEADER], SECTION_HEADER);
        memcpy(&head[resHeader + SECTION_HEADER], &im.bytes[resHeader], SECTION_HEADER);
        writeSectionHeader(head, resHeader, reloc);
        resHeader += SECTION_HEADER;
        storeLe32(head.data() + im.directoriesAt + 8 * DIR_RELOC, reloc.virtualAddress);
    }
    size_t sectionSize = 0;
    std::vector<uint8_t> resHead = resourceHead(resources, nextRva, &sectionSize);
    // A large section starts on a page of the file, so that the loader can
    // map it from the file rather than read it whole into private memory.
    uint32_t gap = sectionSize > LARGE_RESOURCES ? alignUp(nextRaw, PAGE) - nextRaw : 0;
    res.virtualAddress = nextRva;
    res.rawOffset = nextRaw + gap;
    res.virtualSize = (uint32_t)sectionSize;
    res.rawSize = alignUp(res.virtualSize, im.fileAlignment);
    writeSectionHeader(head, resHeader, res);
    // Read-only: a writable image section is charged to the commit of every
    // process that maps it, the whole of the included files twice over.
    storeLe32(head.data() + resHeader + 36, le32(head.data() + resHeader + 36) & ~SCN_MEM_WRITE);
    storeLe32(head.data() + im.directoriesAt + 8 * DIR_RESOURCE, res.virtualAddress);
    storeLe32(head.data() + im.directoriesAt + 8 * DIR_RESOURCE + 4, res.virtualSize);
    storeLe32(head.data() + im.coffAt + 4, timeStamp);
    size_t initializedAt = im.optionalAt + 8;
    storeLe32(head.data() + initializedAt, le32(head.data() + initializedAt) - oldRes.rawSize + res.rawSize);
    storeLe32(head.data() + im.optionalAt + 56, alignUp(res.virtualAddress + res.virtualSize, im.sectionAlignment));
    storeLe32(head.data() + im.optionalAt + 64, 0);

    static const uint8_t zeros[4096] = {};
    auto padding = [&](const ByteSink& to, size_t n) {
        for (; n > 0; n -= std::min(n, sizeof zeros)) to(zeros, std::min(n, sizeof zeros));
    };
    // Everything after the headers, in file order.
    auto body = [&](const ByteSink& to) {
        if (im.relocSection >= 0) to(&im.bytes[im.sections[im.relocSection].rawOffset], reloc.rawSize);
        padding(to, gap);
        to(resHead.data(), resHead.size());
        for (auto& type : resources)
            for (auto& name : type.second)
                for (auto& lang : name.second) {
                    to(lang.second.data(), lang.second.size());
                    padding(to, resourcePadding(lang.second.size()));
                }
        padding(to, res.rawSize - res.virtualSize);
    };
    ChecksumSum sum;
    sum.add(head.data(), head.size());
    body([&](const uint8_t* data, size_t size) { sum.add(data, size); });
    storeLe32(head.data() + im.optionalAt + 64, sum.value());
    sink(head.data(), head.size());
    body(sink);
}

bool resourceSectionFits(const PeImage& im, const ResourceTree& resources, std::string* error) {
    size_t size = 0;
    resourceHead(resources, 0, &size);
    uint64_t end = 0;
    for (const PeSection& s : im.sections) end = std::max<uint64_t>(end, (uint64_t)s.virtualAddress + s.virtualSize);
    uint64_t room = 0xFFFFFFFFull - end - 2ull * im.sectionAlignment;
    if ((uint64_t)size <= room) return true;
    *error = "the resources take " + std::to_string(size) + " bytes; an image holds at most 4 GB";
    return false;
}

std::vector<uint8_t> writePeImage(const PeImage& im, const ResourceTree& resources, uint32_t timeStamp) {
    std::vector<uint8_t> out;
    writePeImage(im, resources, timeStamp, [&](const uint8_t* data, size_t size) {
        out.insert(out.end(), data, data + size);
    });
    return out;
}

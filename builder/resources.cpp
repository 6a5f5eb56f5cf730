#include "resources.h"

#include <cstring>

#include "files/bytes_text.h"

ResName ResName::number(uint16_t n) {
    ResName r;
    r.id = n;
    return r;
}

ResName ResName::named(const std::string& ascii) {
    ResName r;
    r.isText = true;
    for (char c : ascii) r.text.push_back((char16_t)(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
    return r;
}

bool ResName::operator<(const ResName& o) const {
    if (isText != o.isText) return isText;
    return isText ? text < o.text : id < o.id;
}

std::string ResName::describe() const {
    if (!isText) return std::to_string(id);
    std::string s;
    for (char16_t c : text) s.push_back(c < 0x80 ? (char)c : '?');
    return "\"" + s + "\"";
}

namespace {


struct Reader {
    const uint8_t* data;
    size_t size;
    uint32_t rva;
    std::string* error;
    // Tables may share leaves; a damaged section could make a few bytes
    // stand for billions of copies.
    size_t leavesLeft = 1 << 16;
    size_t bytesLeft = (size_t)1 << 31;

    bool fail(const std::string& why) {
        *error = "damaged resource section: " + why;
        return false;
    }
    bool inside(size_t at, size_t length) { return at <= size && length <= size - at; }

    bool readName(uint32_t raw, ResName* out) {
        if (!(raw & 0x80000000u)) {
            if (raw > 0xFFFF) return fail("an entry number above 65535");
            *out = ResName::number((uint16_t)raw);
            return true;
        }
        size_t at = raw & 0x7FFFFFFFu;
        if (!inside(at, 2)) return fail("a name outside the section");
        size_t length = le16(data + at);
        if (!inside(at + 2, 2 * length)) return fail("a name outside the section");
        out->isText = true;
        for (size_t i = 0; i < length; ++i) out->text.push_back((char16_t)le16(data + at + 2 + 2 * i));
        return true;
    }

    // Calls `each` with the name and target of every entry of the table at `at`.
    template <typename F>
    bool readTable(size_t at, bool wantSubtables, F each) {
        if (!inside(at, 16)) return fail("a table outside the section");
        size_t count = (size_t)le16(data + at + 12) + le16(data + at + 14);
        if (!inside(at + 16, 8 * count)) return fail("a table outside the section");
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* entry = data + at + 16 + 8 * i;
            ResName name;
            if (!readName(le32(entry), &name)) return false;
            uint32_t target = le32(entry + 4);
            if (((target & 0x80000000u) != 0) != wantSubtables)
                return fail(wantSubtables ? "a leaf where a table belongs" : "a table where a leaf belongs");
            if (!each(name, (size_t)(target & 0x7FFFFFFFu))) return false;
        }
        return true;
    }

    bool readLeaf(size_t at, std::vector<uint8_t>* out) {
        if (!inside(at, 16)) return fail("a data entry outside the section");
        uint32_t dataRva = le32(data + at), length = le32(data + at + 4);
        if (dataRva < rva || !inside(dataRva - rva, length)) return fail("data outside the section");
        if (leavesLeft == 0 || length > bytesLeft) return fail("more data than the section holds");
        --leavesLeft;
        bytesLeft -= length;
        out->assign(data + (dataRva - rva), data + (dataRva - rva) + length);
        return true;
    }
};

size_t alignUp(size_t v, size_t a) { return (v + a - 1) / a * a; }

size_t tableSize(size_t entries) { return 16 + 8 * entries; }

}  // namespace

bool parseResources(const uint8_t* section, size_t size, uint32_t sectionRva, ResourceTree* out, std::string* error) {
    Reader r{section, size, sectionRva, error};
    out->clear();
    return r.readTable(0, true, [&](const ResName& type, size_t typeAt) {
        return r.readTable(typeAt, true, [&](const ResName& name, size_t nameAt) {
            return r.readTable(nameAt, false, [&](const ResName& lang, size_t leafAt) {
                if (lang.isText) return r.fail("a language given by name");
                return r.readLeaf(leafAt, &(*out)[type][name][lang.id]);
            });
        });
    });
}

std::vector<uint8_t> resourceHead(const ResourceTree& tree, uint32_t sectionRva, size_t* sectionSize) {
    // First pass: where each part begins. Tables come first (root, types,
    // names), then the name texts, then the leaves, then the data.
    size_t tables = tableSize(tree.size()), nameBytes = 0, leafCount = 0, dataBytes = 0;
    auto addName = [&](const ResName& n) {
        if (n.isText) nameBytes += 2 + 2 * n.text.size();
    };
    for (auto& type : tree) {
        addName(type.first);
        tables += tableSize(type.second.size());
        for (auto& name : type.second) {
            addName(name.first);
            tables += tableSize(name.second.size());
            for (auto& lang : name.second) {
                ++leafCount;
                dataBytes += alignUp(lang.second.size(), 8);
            }
        }
    }
    size_t namesAt = tables, leavesAt = alignUp(namesAt + nameBytes, 8), dataAt = leavesAt + 16 * leafCount;
    std::vector<uint8_t> out(dataAt, 0);
    *sectionSize = dataAt + dataBytes;

    size_t nextTable = 0, nextName = namesAt, nextLeaf = leavesAt, nextData = dataAt;
    auto nameField = [&](const ResName& n) -> uint32_t {
        if (!n.isText) return n.id;
        size_t at = nextName;
        storeLe16(out.data() + at, (uint16_t)n.text.size());
        for (size_t i = 0; i < n.text.size(); ++i) storeLe16(out.data() + at + 2 + 2 * i, n.text[i]);
        nextName += 2 + 2 * n.text.size();
        return 0x80000000u | (uint32_t)at;
    };
    auto startTable = [&](size_t named, size_t numbered) {
        size_t at = nextTable;
        storeLe16(out.data() + at + 12, (uint16_t)named);
        storeLe16(out.data() + at + 14, (uint16_t)numbered);
        nextTable += tableSize(named + numbered);
        return at;
    };
    auto countNamed = [](const auto& level) {
        size_t n = 0;
        for (auto& e : level) n += e.first.isText;
        return n;
    };

    // Tables are laid out breadth-first: the root, every type table, then
    // every name table.
    size_t root = startTable(countNamed(tree), tree.size() - countNamed(tree));
    std::vector<size_t> typeTables;
    size_t i = 0;
    for (auto& type : tree) {
        size_t at = startTable(countNamed(type.second), type.second.size() - countNamed(type.second));
        typeTables.push_back(at);
        storeLe32(out.data() + root + 16 + 8 * i, nameField(type.first));
        storeLe32(out.data() + root + 20 + 8 * i, 0x80000000u | (uint32_t)at);
        ++i;
    }
    i = 0;
    for (auto& type : tree) {
        size_t j = 0;
        for (auto& name : type.second) {
            size_t at = startTable(0, name.second.size());
            storeLe32(out.data() + typeTables[i] + 16 + 8 * j, nameField(name.first));
            storeLe32(out.data() + typeTables[i] + 20 + 8 * j, 0x80000000u | (uint32_t)at);
            size_t k = 0;
            for (auto& lang : name.second) {
                storeLe32(out.data() + at + 16 + 8 * k, lang.first);
                storeLe32(out.data() + at + 20 + 8 * k, (uint32_t)nextLeaf);
                storeLe32(out.data() + nextLeaf, sectionRva + (uint32_t)nextData);
                storeLe32(out.data() + nextLeaf + 4, (uint32_t)lang.second.size());
                nextLeaf += 16;
                nextData += alignUp(lang.second.size(), 8);
                ++k;
            }
            ++j;
        }
        ++i;
    }
    return out;
}

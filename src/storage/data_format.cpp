#include "storage/data_format.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "storage/byte_order.h"
#include "storage/cipher.h"
#include "storage/key_tree.h"

namespace kw::storage {

namespace {

void putText(uint8_t* out, const std::string& s, std::size_t width) {
    std::memset(out, ' ', width);
    std::memcpy(out, s.data(), std::min(s.size(), width));
}

std::string getText(const uint8_t* in, std::size_t width) {
    return std::string(reinterpret_cast<const char*>(in), width);
}

std::string padded(const std::string& s, std::size_t width) {
    std::string r = s.substr(0, width);
    r.resize(width, ' ');
    return r;
}

std::string upperTrim(const std::string& s) {
    std::string r = s;
    while (!r.empty() && (r.back() == ' ' || r.back() == '\0')) r.pop_back();
    for (auto& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

uint8_t keyFlags(const KeyDecl& k) {
    uint8_t f = 0;
    if (k.dup) f |= kKeyDup;
    if (k.nocase) f |= kKeyNoCase;
    if (!k.opt) f |= kKeyNotOpt;
    return f;
}

}  // namespace

void encodeHeader(const Header& h, uint8_t* o) {
    std::memset(o, 0, kHeaderSize);
    le::put16(o + 0, h.signature);
    le::put16(o + 2, h.attributes);
    o[4] = h.keyCount;
    le::put32(o + 5, h.records);
    le::put32(o + 9, h.deleted);
    le::put16(o + 13, h.fieldCount);
    le::put16(o + 15, h.pictureCount);
    le::put16(o + 17, h.arrayCount);
    le::put16(o + 19, h.slotLength);
    le::put32(o + 21, h.dataOffset);
    le::put32(o + 25, h.highest);
    le::put32(o + 29, h.lowest);
    le::put32(o + 33, h.firstFree);
    putText(o + 37, h.recordName, 12);
    putText(o + 49, h.memoName, 12);
    putText(o + 61, h.filePrefix, 3);
    putText(o + 64, h.recordPrefix, 3);
    le::put16(o + 67, h.memoLength);
    le::put16(o + 69, h.memoWidth);
    le::put32(o + 71, h.reserved);
    le::put32(o + 75, h.changeTime);
    le::put32(o + 79, h.changeDate);
    le::put16(o + kHeaderCheckAt, h.check);
}

Header decodeHeader(const uint8_t* i) {
    Header h;
    h.signature = le::get16(i + 0);
    h.attributes = le::get16(i + 2);
    h.keyCount = i[4];
    h.records = le::get32(i + 5);
    h.deleted = le::get32(i + 9);
    h.fieldCount = le::get16(i + 13);
    h.pictureCount = le::get16(i + 15);
    h.arrayCount = le::get16(i + 17);
    h.slotLength = le::get16(i + 19);
    h.dataOffset = le::get32(i + 21);
    h.highest = le::get32(i + 25);
    h.lowest = le::get32(i + 29);
    h.firstFree = le::get32(i + 33);
    h.recordName = getText(i + 37, 12);
    h.memoName = getText(i + 49, 12);
    h.filePrefix = getText(i + 61, 3);
    h.recordPrefix = getText(i + 64, 3);
    h.memoLength = le::get16(i + 67);
    h.memoWidth = le::get16(i + 69);
    h.reserved = le::get32(i + 71);
    h.changeTime = le::get32(i + 75);
    h.changeDate = le::get32(i + 79);
    h.check = le::get16(i + kHeaderCheckAt);
    return h;
}

void encodeField(const FieldDesc& f, uint8_t* o) {
    o[0] = f.type;
    putText(o + 1, f.name, 16);
    le::put16(o + 17, f.offset);
    le::put16(o + 19, f.length);
    o[21] = f.digits;
    o[22] = f.places;
    le::put16(o + 23, f.array);
    le::put16(o + 25, f.picture);
}

FieldDesc decodeField(const uint8_t* i) {
    FieldDesc f;
    f.type = i[0];
    f.name = getText(i + 1, 16);
    f.offset = le::get16(i + 17);
    f.length = le::get16(i + 19);
    f.digits = i[21];
    f.places = i[22];
    f.array = le::get16(i + 23);
    f.picture = le::get16(i + 25);
    return f;
}

void encodeKey(const KeyDesc& k, uint8_t* o) {
    o[0] = static_cast<uint8_t>(k.components.size());
    putText(o + 1, k.name, 16);
    o[17] = k.flags;
    o[18] = k.length;
    uint8_t* c = o + kKeyDescHeadSize;
    for (const auto& comp : k.components) {
        c[0] = comp.type;
        le::put16(c + 1, comp.field);
        le::put16(c + 3, comp.offset);
        c[5] = comp.length;
        c += kKeyCompSize;
    }
}

uint8_t descriptorType(FieldType t) {
    switch (t) {
        case FieldType::Long:
            return 1;
        case FieldType::Real:
            return 2;
        case FieldType::String:
            return 3;
        case FieldType::Byte:
            return 5;
        case FieldType::Short:
            return 6;
        case FieldType::Group:
            return 7;
        case FieldType::Decimal:
            return 8;
        default:
            return 0;
    }
}

bool fieldTypeOf(uint8_t code, FieldType& out) {
    switch (code) {
        case 1:
            out = FieldType::Long;
            return true;
        case 2:
            out = FieldType::Real;
            return true;
        case 3:
        case 4:
            out = FieldType::String;
            return true;
        case 5:
            out = FieldType::Byte;
            return true;
        case 6:
            out = FieldType::Short;
            return true;
        case 7:
            out = FieldType::Group;
            return true;
        case 8:
            out = FieldType::Decimal;
            return true;
        default:
            return false;
    }
}

Status layoutFor(const TableDecl& decl, Layout& out) {
    out = Layout{};
    Header& h = out.header;
    if (decl.recordSize == 0 || decl.recordSize > 0xFFFF - kSlotPrefix ||
        decl.fields.size() > 0xFFFF || decl.keys.size() > 255)
        return Status::error(kInvalidRecordDeclaration);
    h.attributes = kAttrDriver;
    if (!decl.owner.empty()) h.attributes |= kAttrOwner;
    if (decl.reclaim) h.attributes |= kAttrReclaim;
    if (decl.encrypt) h.attributes |= kAttrEncrypt;
    h.fieldCount = static_cast<uint16_t>(decl.fields.size());
    h.keyCount = static_cast<uint8_t>(decl.keys.size());
    h.slotLength = static_cast<uint16_t>(decl.recordSize + kSlotPrefix);
    h.filePrefix = padded(decl.label, 3);
    for (const auto& f : decl.fields) {
        FieldDesc d;
        d.type = descriptorType(f.type);
        if (d.type == 0) return Status::error(kInvalidFieldType);
        if (f.offset + f.size > decl.recordSize) return Status::error(kInvalidRecordDeclaration);
        d.name = padded(decl.label + ":" + f.name, 16);
        d.offset = f.offset;
        d.length = f.size;
        if (f.type == FieldType::Decimal) {
            if (f.size < 1 || f.size > 8 || f.places >= 2 * f.size)
                return Status::error(kInvalidFieldType);
            d.digits = static_cast<uint8_t>(2 * f.size - f.places - 1);
            d.places = f.places;
        }
        out.fields.push_back(d);
    }
    for (const auto& k : decl.keys) {
        KeyDesc d;
        d.name = padded(k.name, 16);
        d.flags = keyFlags(k);
        unsigned len = 0;
        if (k.components.empty() || k.components.size() > 255)
            return Status::error(kInvalidRecordDeclaration);
        for (int n : k.components) {
            if (n < 1 || n > static_cast<int>(decl.fields.size()))
                return Status::error(kInvalidRecordDeclaration);
            const FieldDecl& f = decl.field(n);
            if (f.size > 255) return Status::error(kInvalidKeyLength);
            d.components.push_back({descriptorType(f.type), static_cast<uint16_t>(n), f.offset,
                                    static_cast<uint8_t>(f.size)});
            len += f.size;
        }
        // A node of the upper levels holds entries of length + 8 bytes; it must hold two.
        if (len > 255 || kNodeRoom / (len + 8) < 2) return Status::error(kInvalidKeyLength);
        d.length = static_cast<uint8_t>(len);
        out.keys.push_back(d);
    }
    uint32_t offset = kHeaderSize + static_cast<uint32_t>(kFieldDescSize * out.fields.size());
    for (const auto& k : out.keys) offset += static_cast<uint32_t>(k.size());
    h.dataOffset = offset;
    return Status::okay();
}

Status decodeDescriptors(const Header& h, const uint8_t* bytes, std::size_t len, bool owned,
                         uint16_t key, Layout& out) {
    out = Layout{};
    out.header = h;
    const Status bad = Status::error(kInvalidDataFile);
    if (h.dataOffset < kHeaderSize || h.dataOffset - kHeaderSize > len) return bad;
    const std::size_t limit = h.dataOffset - kHeaderSize;  // descriptors end before slot 1
    std::size_t pos = 0;
    uint8_t tmp[kKeyDescHeadSize > kFieldDescSize ? kKeyDescHeadSize : kFieldDescSize];
    for (unsigned i = 0; i < h.fieldCount; ++i) {
        if (limit - pos < kFieldDescSize) return bad;
        std::memcpy(tmp, bytes + pos, kFieldDescSize);
        if (owned) cipher::apply(tmp, kFieldDescSize, key);
        out.fields.push_back(decodeField(tmp));
        pos += kFieldDescSize;
    }
    for (unsigned i = 0; i < h.keyCount; ++i) {
        if (limit - pos < kKeyDescHeadSize) return bad;
        std::memcpy(tmp, bytes + pos, kKeyDescHeadSize);
        if (owned) cipher::apply(tmp, kKeyDescHeadSize, key);
        pos += kKeyDescHeadSize;
        KeyDesc k;
        const unsigned n = tmp[0];
        k.name = getText(tmp + 1, 16);
        k.flags = tmp[17];
        k.length = tmp[18];
        for (unsigned c = 0; c < n; ++c) {
            if (limit - pos < kKeyCompSize) return bad;
            uint8_t e[kKeyCompSize];
            std::memcpy(e, bytes + pos, kKeyCompSize);
            if (owned) cipher::apply(e, kKeyCompSize, key);
            k.components.push_back({e[0], le::get16(e + 1), le::get16(e + 3), e[5]});
            pos += kKeyCompSize;
        }
        out.keys.push_back(std::move(k));
    }
    return Status::okay();
}

std::vector<uint8_t> encodeLayout(const Layout& l, bool owned, uint16_t key) {
    std::vector<uint8_t> out(l.header.dataOffset, 0);
    Header h = l.header;
    h.check = 0;
    encodeHeader(h, out.data());
    if (owned) {
        le::put16(out.data() + kHeaderCheckAt, cipher::headerSum(out.data()));
        cipher::apply(out.data() + 4, kHeaderSize - 4, key);
    }
    std::size_t pos = kHeaderSize;
    for (const auto& f : l.fields) {
        encodeField(f, out.data() + pos);
        if (owned) cipher::apply(out.data() + pos, kFieldDescSize, key);
        pos += kFieldDescSize;
    }
    for (const auto& k : l.keys) {
        encodeKey(k, out.data() + pos);
        if (owned) {
            cipher::apply(out.data() + pos, kKeyDescHeadSize, key);
            for (std::size_t c = 0; c < k.components.size(); ++c)
                cipher::apply(out.data() + pos + kKeyDescHeadSize + c * kKeyCompSize, kKeyCompSize,
                              key);
        }
        pos += k.size();
    }
    return out;
}

Status checkAgainst(const Layout& file, const TableDecl& decl) {
    const Status bad = Status::error(kInvalidRecordDeclaration);
    const Header& h = file.header;
    if (h.slotLength != decl.recordSize + kSlotPrefix) return bad;
    if (h.attributes & kAttrMemo) return bad;  // no table declares memo fields
    if (!decl.owner.empty() && !(h.attributes & kAttrOwner)) return bad;
    if (decl.encrypt && !(h.attributes & kAttrEncrypt)) return bad;
    if (h.keyCount != decl.keys.size() || h.fieldCount != decl.fields.size() || h.arrayCount != 0)
        return bad;
    Layout want;
    if (!layoutFor(decl, want).ok()) return bad;
    for (std::size_t i = 0; i < want.fields.size(); ++i) {
        const FieldDesc &a = file.fields[i], &b = want.fields[i];
        if ((a.type == 4 ? 3 : a.type) != b.type || a.offset != b.offset || a.length != b.length)
            return bad;
    }
    for (std::size_t i = 0; i < want.keys.size(); ++i) {
        const KeyDesc &a = file.keys[i], &b = want.keys[i];
        if (upperTrim(a.name) != upperTrim(b.name) || a.flags != b.flags || a.length != b.length ||
            a.components.size() != b.components.size())
            return bad;
        for (std::size_t c = 0; c < a.components.size(); ++c) {
            const KeyCompDesc &x = a.components[c], &y = b.components[c];
            if (x.field != y.field || x.offset != y.offset || x.length != y.length) return bad;
        }
    }
    return Status::okay();
}

TableDecl declFromLayout(const Layout& l, const std::string& label) {
    TableDecl d;
    d.label = label;
    d.diskName = label;
    d.messageName = label;
    d.recordSize = l.header.slotLength >= kSlotPrefix ? l.header.slotLength - kSlotPrefix : 0;
    d.reclaim = (l.header.attributes & kAttrReclaim) != 0;
    d.encrypt = (l.header.attributes & kAttrEncrypt) != 0;
    for (const auto& f : l.fields) {
        FieldDecl fd;
        std::string n = upperTrim(f.name);
        auto colon = n.find(':');
        fd.name = colon == std::string::npos ? n : n.substr(colon + 1);
        if (!fieldTypeOf(f.type, fd.type)) fd.type = FieldType::Group;
        fd.offset = f.offset;
        fd.size = f.length;
        fd.places = f.places;
        d.fields.push_back(fd);
    }
    for (const auto& k : l.keys) {
        KeyDecl kd;
        kd.name = upperTrim(k.name);
        kd.description = label + ":" + kd.name;
        for (const auto& c : k.components) kd.components.push_back(c.field);
        kd.dup = (k.flags & kKeyDup) != 0;
        kd.nocase = (k.flags & kKeyNoCase) != 0;
        kd.opt = (k.flags & kKeyNotOpt) == 0;
        d.keys.push_back(kd);
    }
    return d;
}

}  // namespace kw::storage

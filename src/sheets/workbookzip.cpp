// Walking a workbook's zip container with zlib: what each entry really unpacks to, parts missing
// or cut short, and absolute relationship targets rewritten relative to their source part.
#include "sheets/workbookzip.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

namespace gyro {

namespace {

using Verdict = ZipCheck::Verdict;

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::size_t kMaxEntries = 100000;      // a workbook holds a few dozen parts
constexpr std::size_t kKeptPartBytes = 16 << 20; // relationship parts kept whole up to this
constexpr std::size_t kHeadBytes = 4096, kTailBytes = 256;

struct Entry {
    std::string name;
    std::uint16_t flags = 0, method = 0, time = 0, date = 0;
    std::uint32_t crc = 0, packed = 0, unpacked = 0;
    std::size_t dataAt = 0;
    std::string kept;       // whole content of a relationship part
    std::string head, tail; // first and last bytes of an XML part
    bool rewritten = false;
};

class Bytes {
public:
    explicit Bytes(const std::string& b) : m_b(b) {}
    bool has(std::size_t at, std::size_t n) const {
        return at <= m_b.size() && n <= m_b.size() - at;
    }
    unsigned u16(std::size_t at) const {
        return has(at, 2)
                   ? unsigned(std::uint8_t(m_b[at])) | unsigned(std::uint8_t(m_b[at + 1])) << 8
                   : 0u;
    }
    std::uint32_t u32(std::size_t at) const {
        return std::uint32_t(u16(at)) | std::uint32_t(u16(at + 2)) << 16;
    }

private:
    const std::string& m_b;
};

void put16(std::string& out, unsigned v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

bool endsWith(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

bool isXmlPart(const std::string& name) {
    return endsWith(name, ".xml") || endsWith(name, ".rels");
}

// Inflates one entry, feeding its output to `sink`; counts into `total` and stops past `limit`.
template <typename Sink>
Verdict inflateEntry(const std::string& bytes, const Entry& e, std::size_t& total,
                     std::size_t limit, Sink sink, std::uint32_t& crc) {
    crc = crc32(0L, Z_NULL, 0);
    const auto* data = reinterpret_cast<const Bytef*>(bytes.data() + e.dataAt);
    if (e.method == 0) {
        total += e.packed;
        if (total > limit) return Verdict::TooLarge;
        crc = crc32(crc, data, e.packed);
        sink(std::string_view(bytes.data() + e.dataAt, e.packed));
        return Verdict::Ok;
    }
    if (e.method != 8) return Verdict::Damaged;
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return Verdict::Damaged;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = e.packed;
    std::vector<Bytef> out(1 << 16);
    Verdict verdict = Verdict::Ok;
    for (;;) {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        const int rc = inflate(&z, Z_NO_FLUSH);
        const std::size_t produced = out.size() - z.avail_out;
        total += produced;
        if (total > limit) {
            verdict = Verdict::TooLarge;
            break;
        }
        crc = crc32(crc, out.data(), static_cast<uInt>(produced));
        sink(std::string_view(reinterpret_cast<const char*>(out.data()), produced));
        if (rc == Z_STREAM_END) break;
        if (rc != Z_OK || (produced == 0 && z.avail_in == 0)) {
            verdict = Verdict::Damaged;
            break;
        }
    }
    inflateEnd(&z);
    return verdict;
}

// The name of the root element of an XML text, and whether its start tag closes itself.
std::string rootElement(std::string_view head, bool& selfClosed) {
    selfClosed = false;
    std::size_t at = 0;
    while ((at = head.find('<', at)) != std::string_view::npos) {
        if (at + 1 >= head.size()) return {};
        const char c = head[at + 1];
        if (c == '?' || c == '!') {
            const std::string_view close = head.compare(at, 4, "<!--") == 0 ? "-->" : ">";
            const std::size_t end = head.find(close, at);
            if (end == std::string_view::npos) return {};
            at = end + close.size();
            continue;
        }
        std::size_t end = at + 1;
        while (end < head.size() && !std::isspace(static_cast<unsigned char>(head[end])) &&
               head[end] != '>' && head[end] != '/')
            ++end;
        const std::size_t tagEnd = head.find('>', at);
        selfClosed = tagEnd != std::string_view::npos && tagEnd > 0 && head[tagEnd - 1] == '/';
        return std::string(head.substr(at + 1, end - at - 1));
    }
    return {};
}

// Whether an XML part ends with the end tag of its root element.
bool xmlComplete(const Entry& e) {
    bool selfClosed = false;
    const std::string root = rootElement(e.head, selfClosed);
    if (root.empty()) return e.head.find_first_not_of(" \t\r\n") == std::string::npos;
    if (selfClosed) return true;
    std::string_view tail = e.tail;
    while (!tail.empty() && std::isspace(static_cast<unsigned char>(tail.back())))
        tail.remove_suffix(1);
    if (!endsWith(tail, ">")) return false;
    tail.remove_suffix(1);
    while (!tail.empty() && std::isspace(static_cast<unsigned char>(tail.back())))
        tail.remove_suffix(1);
    return endsWith(tail, "</" + root);
}

// The folder of a relationship part's source: "xl/_rels/workbook.xml.rels" -> "xl/".
std::string sourceFolder(const std::string& relsName) {
    const std::size_t rels = relsName.rfind("_rels/");
    return rels == std::string::npos ? std::string() : relsName.substr(0, rels);
}

std::string attribute(std::string_view element, std::string_view name) {
    std::size_t at = 0;
    while ((at = element.find(name, at)) != std::string_view::npos) {
        const bool starts = at > 0 && std::isspace(static_cast<unsigned char>(element[at - 1]));
        std::size_t p = at + name.size();
        while (p < element.size() && std::isspace(static_cast<unsigned char>(element[p]))) ++p;
        if (starts && p < element.size() && element[p] == '=') {
            ++p;
            while (p < element.size() && std::isspace(static_cast<unsigned char>(element[p]))) ++p;
            if (p >= element.size()) return {};
            const char quote = element[p];
            const std::size_t end = element.find(quote, p + 1);
            if (end == std::string_view::npos) return {};
            return std::string(element.substr(p + 1, end - p - 1));
        }
        at += name.size();
    }
    return {};
}

// The calculation properties of a workbook part (<calcPr ... fullCalcOnLoad="1"/>) ask for every
// formula to be recomputed when the workbook is opened.
bool recomputeOnOpen(std::string_view workbook) {
    const std::size_t at = workbook.find("<calcPr");
    if (at == std::string_view::npos) return false;
    const std::size_t end = workbook.find('>', at);
    const std::string value = attribute(workbook.substr(at, end - at), "fullCalcOnLoad");
    return value == "1" || value == "true";
}

// Rewrites Target="/a/b" of the relationships in `text` relative to `folder`. Calls `seen` with
// each internal target resolved to a part name and the relationship's type.
template <typename Seen>
bool rewriteTargets(std::string& text, const std::string& folder, Seen seen) {
    bool changed = false;
    std::size_t at = 0;
    while ((at = text.find("<Relationship", at)) != std::string::npos) {
        const std::size_t end = text.find('>', at);
        if (end == std::string::npos) break;
        std::string_view element(text.data() + at, end - at);
        if (element.size() > 13 && !std::isspace(static_cast<unsigned char>(element[13]))) {
            at = end; // <Relationships>
            continue;
        }
        const std::string target = attribute(element, "Target");
        const bool external = attribute(element, "TargetMode") == "External";
        if (external || target.empty()) {
            at = end;
            continue;
        }
        std::string part;
        if (target.front() == '/') {
            part = target.substr(1);
            std::string relative = part;
            if (part.compare(0, folder.size(), folder) == 0) {
                relative = part.substr(folder.size());
            } else {
                const auto depth = std::count(folder.begin(), folder.end(), '/');
                relative.clear();
                for (long i = 0; i < depth; ++i) relative += "../";
                relative += part;
            }
            const std::size_t value = text.find(target, at);
            if (value != std::string::npos && value < end) {
                text.replace(value, target.size(), relative);
                changed = true;
            }
        } else {
            part = folder + target;
        }
        // Resolve "../" in the part name.
        std::vector<std::string> pieces;
        std::size_t p = 0;
        while (p <= part.size()) {
            const std::size_t slash = std::min(part.find('/', p), part.size());
            const std::string piece = part.substr(p, slash - p);
            if (piece == "..") {
                if (!pieces.empty()) pieces.pop_back();
            } else if (!piece.empty() && piece != ".") {
                pieces.push_back(piece);
            }
            p = slash + 1;
        }
        std::string resolved;
        for (const std::string& piece : pieces) resolved += (resolved.empty() ? "" : "/") + piece;
        seen(resolved,
             attribute(std::string_view(text).substr(at, text.find('>', at) - at), "Type"));
        at = text.find('>', at);
    }
    return changed;
}

// The fields a local header and a directory entry share, from "version needed" to the extra
// field's length. Sizes are given in the header: no data descriptor follows.
void putEntryFields(std::string& out, const Entry& e) {
    put16(out, 20);
    put16(out, e.flags & ~0x0008u);
    put16(out, e.method);
    put16(out, e.time);
    put16(out, e.date);
    put32(out, e.crc);
    put32(out, e.packed);
    put32(out, e.unpacked);
    put16(out, static_cast<unsigned>(e.name.size()));
    put16(out, 0);
}

std::string rebuild(const std::string& bytes, const std::vector<Entry>& entries) {
    std::string out;
    out.reserve(bytes.size() + 1024);
    std::vector<std::uint32_t> offsets;
    for (const Entry& e : entries) {
        offsets.push_back(static_cast<std::uint32_t>(out.size()));
        put32(out, kLocalSignature);
        putEntryFields(out, e);
        out += e.name;
        if (e.rewritten)
            out += e.kept;
        else
            out.append(bytes, e.dataAt, e.packed);
    }
    const std::size_t directory = out.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        put32(out, kCentralSignature);
        put16(out, 20); // made by
        putEntryFields(out, e);
        put16(out, 0);
        put16(out, 0);
        put16(out, 0);
        put32(out, 0);
        put32(out, offsets[i]);
        out += e.name;
    }
    put32(out, kEndSignature);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<unsigned>(entries.size()));
    put16(out, static_cast<unsigned>(entries.size()));
    put32(out, static_cast<std::uint32_t>(out.size() - directory - 0));
    put32(out, static_cast<std::uint32_t>(directory));
    put16(out, 0);
    return out;
}

} // namespace

ZipCheck CheckWorkbookZip(std::string& bytes, std::size_t unpackedLimit) {
    ZipCheck check;
    auto fail = [&](Verdict verdict, std::string problem) {
        check.verdict = verdict;
        check.problem = std::move(problem);
        return check;
    };
    const Bytes b(bytes);
    if (bytes.size() < 22) return fail(Verdict::Damaged, "its zip container is cut short");
    const std::size_t lowest = bytes.size() > 22 + 65535 ? bytes.size() - 22 - 65535 : 0;
    std::size_t end = bytes.size() - 22;
    while (b.u32(end) != kEndSignature) {
        if (end == lowest) return fail(Verdict::Damaged, "its zip container is cut short");
        --end;
    }
    const std::uint32_t directory = b.u32(end + 16);
    if (directory == 0xFFFFFFFFu)
        return fail(Verdict::TooLarge, "it is a zip container of more than 4 GB");

    // Every central entry, found by its signature: the count in the end record may lie.
    std::vector<Entry> entries;
    std::map<std::string, std::size_t> byName;
    std::size_t declared = 0;
    for (std::size_t at = directory; b.has(at, 46) && b.u32(at) == kCentralSignature;) {
        if (entries.size() >= kMaxEntries)
            return fail(Verdict::TooLarge, "its zip container holds more than " +
                                               std::to_string(kMaxEntries) + " parts");
        Entry e;
        e.flags = static_cast<std::uint16_t>(b.u16(at + 8));
        e.method = static_cast<std::uint16_t>(b.u16(at + 10));
        e.time = static_cast<std::uint16_t>(b.u16(at + 12));
        e.date = static_cast<std::uint16_t>(b.u16(at + 14));
        e.crc = b.u32(at + 16);
        e.packed = b.u32(at + 20);
        e.unpacked = b.u32(at + 24);
        const unsigned nameLength = b.u16(at + 28);
        const std::size_t local = b.u32(at + 42);
        if (!b.has(at + 46, nameLength))
            return fail(Verdict::Damaged, "its zip directory is cut short");
        e.name = bytes.substr(at + 46, nameLength);
        at += 46 + nameLength + b.u16(at + 30) + b.u16(at + 32);
        if (e.packed == 0xFFFFFFFFu || e.unpacked == 0xFFFFFFFFu)
            return fail(Verdict::TooLarge, "its part " + e.name + " is larger than 4 GB");
        declared += e.unpacked;
        if (declared > unpackedLimit)
            return fail(Verdict::TooLarge, "its parts say they would take more than " +
                                               std::to_string(unpackedLimit >> 20) +
                                               " MB once unpacked");
        if (!b.has(local, 30) || b.u32(local) != kLocalSignature)
            return fail(Verdict::Damaged, "its part " + e.name + " is missing from the container");
        e.dataAt = local + 30 + b.u16(local + 26) + b.u16(local + 28);
        if (!b.has(e.dataAt, e.packed))
            return fail(Verdict::Damaged, "its part " + e.name + " is cut short");
        byName[e.name] = entries.size();
        entries.push_back(std::move(e));
    }
    if (entries.empty()) return fail(Verdict::Damaged, "its zip directory is damaged");

    // Inflate everything once, counting what really comes out.
    for (Entry& e : entries) {
        if (e.flags & 1) return fail(Verdict::Damaged, "its part " + e.name + " is encrypted");
        const bool xml = isXmlPart(e.name), rels = endsWith(e.name, ".rels");
        const bool book = e.name == "xl/workbook.xml" || e.name == "meta.xml";
        std::uint32_t crc = 0;
        const Verdict verdict = inflateEntry(
            bytes, e, check.unpackedBytes, unpackedLimit,
            [&](std::string_view piece) {
                if ((rels || book) && e.kept.size() < kKeptPartBytes) e.kept.append(piece);
                if (!xml) return;
                if (e.head.size() < kHeadBytes)
                    e.head.append(piece.substr(0, kHeadBytes - e.head.size()));
                e.tail.append(piece);
                if (e.tail.size() > kTailBytes) e.tail.erase(0, e.tail.size() - kTailBytes);
            },
            crc);
        if (verdict == Verdict::TooLarge)
            return fail(verdict, "it would take more than " + std::to_string(unpackedLimit >> 20) +
                                     " MB once unpacked");
        if (verdict == Verdict::Damaged || crc != e.crc)
            return fail(Verdict::Damaged, "its part " + e.name + " cannot be unpacked");
        if (xml && !xmlComplete(e))
            return fail(Verdict::Damaged, "its part " + e.name + " is cut short");
        if (book && e.name == "xl/workbook.xml") check.recomputeOnOpen = recomputeOnOpen(e.kept);
    }

    // Relationships: absolute targets made relative, and the sheets they name must be there.
    bool rewritten = false;
    std::string missing;
    for (Entry& e : entries) {
        if (!endsWith(e.name, ".rels")) continue;
        const bool changed = rewriteTargets(
            e.kept, sourceFolder(e.name), [&](const std::string& part, const std::string& type) {
                if (missing.empty() && endsWith(type, "/worksheet") && !byName.count(part))
                    missing = part;
            });
        if (changed) {
            e.rewritten = rewritten = true;
            e.method = 0;
            e.packed = e.unpacked = static_cast<std::uint32_t>(e.kept.size());
            e.crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(e.kept.data()),
                          static_cast<uInt>(e.kept.size()));
        }
    }
    if (!missing.empty())
        return fail(Verdict::Damaged, "its sheet part " + missing + " is missing");
    if (byName.count("content.xml")) {
        const auto meta = byName.find("meta.xml");
        check.recomputeOnOpen =
            meta == byName.end() ||
            entries[meta->second].kept.find("<meta:generator>") == std::string::npos;
    }
    if (rewritten) bytes = rebuild(bytes, entries);
    return check;
}

} // namespace gyro

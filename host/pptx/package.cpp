#include "host/pptx/package.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "host/pptx/xml.h"
#include "host/pptx/zip.h"

namespace quillet::pptx {

namespace {

std::string lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

// A stored entry name is usable when it is a relative path without parent or empty segments,
// backslashes, drive letters or control characters.
bool safeEntryName(const std::string& name) {
    if (name.empty() || name.size() > 1024) return false;
    if (name.front() == '/' || name.find('\\') != std::string::npos) return false;
    if (name.find(':') != std::string::npos) return false;
    for (unsigned char c : name) {
        if (c < 0x20) return false;
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        std::string segment = name.substr(start, end - start);
        if (segment == ".." || segment == ".") return false;
        if (segment.empty() && end != name.size()) return false;
        start = end + 1;
    }
    return true;
}

std::string extensionOf(const std::string& name) {
    std::size_t slash = name.rfind('/');
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return lower(name.substr(dot + 1));
}

std::string relsPartFor(const std::string& partName) {
    if (partName.empty()) return "_rels/.rels";
    std::size_t slash = partName.rfind('/');
    if (slash == std::string::npos) return "_rels/" + partName + ".rels";
    return partName.substr(0, slash + 1) + "_rels/" + partName.substr(slash + 1) + ".rels";
}

std::string percentDecode(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            auto hex = [](char c) -> int {
                if (c >= '0' && c <= '9') return c - '0';
                if (c >= 'a' && c <= 'f') return c - 'a' + 10;
                if (c >= 'A' && c <= 'F') return c - 'A' + 10;
                return -1;
            };
            int hi = hex(s[i + 1]);
            int lo = hex(s[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

}  // namespace

std::string relationshipKind(const std::string& type) {
    std::size_t slash = type.rfind('/');
    return slash == std::string::npos ? type : type.substr(slash + 1);
}

std::string resolvePartName(const std::string& sourcePart, const std::string& rawTarget) {
    std::string target = percentDecode(rawTarget);
    if (target.empty()) return "";
    std::size_t hash = target.find('#');
    if (hash != std::string::npos) target.resize(hash);
    if (target.empty()) return "";
    std::vector<std::string> segments;
    if (target.front() != '/') {
        std::size_t slash = sourcePart.rfind('/');
        std::string base = slash == std::string::npos ? "" : sourcePart.substr(0, slash);
        std::size_t start = 0;
        while (!base.empty() && start <= base.size()) {
            std::size_t end = base.find('/', start);
            if (end == std::string::npos) end = base.size();
            segments.push_back(base.substr(start, end - start));
            start = end + 1;
        }
    }
    std::size_t start = target.front() == '/' ? 1 : 0;
    while (start <= target.size()) {
        std::size_t end = target.find('/', start);
        if (end == std::string::npos) end = target.size();
        std::string segment = target.substr(start, end - start);
        start = end + 1;
        if (segment.empty() || segment == ".") continue;
        if (segment == "..") {
            if (segments.empty()) return "";
            segments.pop_back();
            continue;
        }
        if (segment.find('\\') != std::string::npos || segment.find(':') != std::string::npos) {
            return "";
        }
        segments.push_back(segment);
    }
    std::string out;
    for (const std::string& s : segments) {
        if (!out.empty()) out += '/';
        out += s;
    }
    return out;
}

std::shared_ptr<Package> Package::openFile(const std::string& path, PackageLimits limits) {
    // Opening a FIFO would wait for a writer, and a device may never end: only files are read.
    std::error_code error;
    const auto type = std::filesystem::status(path, error).type();
    if (type == std::filesystem::file_type::directory) {
        throw PackageError("\"" + path + "\" is a directory, not a presentation file");
    }
    if (!error && type != std::filesystem::file_type::regular &&
        type != std::filesystem::file_type::not_found) {
        throw PackageError("\"" + path + "\" is not a regular file (a FIFO, device or socket)");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) throw PackageError("cannot open \"" + path + "\"");
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0) throw PackageError("cannot read \"" + path + "\"");
    if (static_cast<std::uint64_t>(size) > limits.maxFileSize) {
        throw PackageError("\"" + path + "\" is larger than the " +
                           std::to_string(limits.maxFileSize >> 20) + " MiB limit");
    }
    in.seekg(0, std::ios::beg);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        throw PackageError("cannot read \"" + path + "\"");
    }
    return openMemory(std::move(bytes), limits);
}

std::shared_ptr<Package> Package::openMemory(std::vector<std::uint8_t> bytes,
                                             PackageLimits limits) {
    if (bytes.size() > limits.maxFileSize) throw PackageError("package exceeds the size limit");
    return std::shared_ptr<Package>(new Package(std::move(bytes), limits));
}

Package::Package(std::vector<std::uint8_t> bytes, PackageLimits limits)
    : bytes_(std::move(bytes)), limits_(limits) {
    static const std::uint8_t kCompoundFile[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (bytes_.size() >= 8 && std::equal(kCompoundFile, kCompoundFile + 8, bytes_.begin())) {
        throw PackageError(
            "not an Office Open XML package: the file is a compound document (an encrypted "
            "presentation or the older binary format)");
    }
    if (bytes_.size() < 22 || bytes_[0] != 'P' || bytes_[1] != 'K') {
        throw PackageError("not an Office Open XML package: the file is not a ZIP archive");
    }
    std::uint64_t count = 0;
    try {
        archive_ = std::make_unique<ZipArchive>(bytes_, limits_.maxEntries, &count);
    } catch (const ZipError& e) {
        if (count > limits_.maxEntries) {
            throw PackageError("ZIP archive has " + std::to_string(count) +
                               " entries, more than the " + std::to_string(limits_.maxEntries) +
                               " allowed");
        }
        throw PackageError("not an Office Open XML package: broken ZIP archive (" +
                           std::string(e.what()) + ")");
    }
    const std::vector<ZipEntry>& all = archive_->entries();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::string& name = all[i].name;
        if (!name.empty() && name.back() == '/') continue;  // folder entry
        if (!safeEntryName(name)) {
            skipped_.push_back(name);
            continue;
        }
        std::string key = lower(name);
        if (entries_.count(key)) continue;  // first entry of a duplicated name wins
        entries_[key] = i;
        names_[key] = name;
    }
    readContentTypes();
}

Package::~Package() = default;

void Package::readContentTypes() {
    if (!hasPart("[Content_Types].xml")) {
        throw PackageError("not an Office Open XML package: [Content_Types].xml is missing");
    }
    auto doc = parseXml(readXmlPart("[Content_Types].xml"), "[Content_Types].xml");
    pugi::xml_node types = doc->document_element();
    for (pugi::xml_node n : types.children()) {
        if (is(n, "Default")) {
            std::string ext = lower(strAttr(n, "Extension"));
            if (!ext.empty()) defaults_[ext] = strAttr(n, "ContentType");
        } else if (is(n, "Override")) {
            std::string part = strAttr(n, "PartName");
            if (!part.empty() && part.front() == '/') part.erase(0, 1);
            if (!part.empty()) overrides_[lower(part)] = strAttr(n, "ContentType");
        }
    }
}

bool Package::hasPart(const std::string& name) const {
    return entries_.count(lower(name)) != 0;
}

std::vector<std::string> Package::partNames() const {
    std::vector<std::string> out;
    out.reserve(names_.size());
    for (const auto& [key, name] : names_) out.push_back(name);
    return out;
}

std::string Package::contentType(const std::string& name) const {
    auto it = overrides_.find(lower(name));
    if (it != overrides_.end()) return it->second;
    auto def = defaults_.find(extensionOf(name));
    return def == defaults_.end() ? "" : def->second;
}

std::vector<std::uint8_t> Package::readPart(const std::string& name) const {
    return inflate(name, limits_.maxPartSize);
}

std::string Package::readXmlPart(const std::string& name) const {
    std::vector<std::uint8_t> data = inflate(name, limits_.maxXmlPartSize);
    return std::string(data.begin(), data.end());
}

std::vector<std::uint8_t> Package::inflate(const std::string& name, std::uint64_t cap) const {
    auto it = entries_.find(lower(name));
    if (it == entries_.end()) throw PackageError("part \"" + name + "\" is missing");
    const ZipEntry& st = archive_->entries()[static_cast<std::size_t>(it->second)];
    if (st.size > cap) {
        throw PackageError("part \"" + name + "\" inflates to " + std::to_string(st.size) +
                           " bytes, more than the " + std::to_string(cap) + " allowed");
    }
    if (st.size > limits_.ratioFloor &&
        st.size / std::max<std::uint64_t>(st.compressedSize, 1) > limits_.maxRatio) {
        throw PackageError("part \"" + name + "\" has a suspicious compression ratio (" +
                           std::to_string(st.size) + " from " + std::to_string(st.compressedSize) +
                           " bytes)");
    }
    if (totalInflated_ + st.size > limits_.maxTotalInflated) {
        throw PackageError("package inflates to more than " +
                           std::to_string(limits_.maxTotalInflated >> 20) + " MiB in all");
    }
    std::vector<std::uint8_t> out;
    try {
        out = archive_->read(st);
    } catch (const ZipError& e) {
        throw PackageError("part \"" + name + "\": " + e.what());
    }
    totalInflated_ += out.size();
    return out;
}

std::vector<Relationship> Package::relationships(const std::string& partName) const {
    std::vector<Relationship> out;
    std::string relsName = relsPartFor(partName);
    if (!hasPart(relsName)) return out;
    auto doc = parseXml(readXmlPart(relsName), relsName);
    for (pugi::xml_node n : doc->document_element().children()) {
        if (!is(n, "Relationship")) continue;
        Relationship rel;
        rel.id = strAttr(n, "Id");
        rel.type = strAttr(n, "Type");
        rel.external = strAttr(n, "TargetMode") == "External";
        std::string target = strAttr(n, "Target");
        rel.target = rel.external ? target : resolvePartName(partName, target);
        if (rel.id.empty()) continue;
        out.push_back(std::move(rel));
    }
    return out;
}

std::vector<std::uint8_t> emptyPresentationPackage(float slideWidth, float slideHeight) {
    auto emu = [](float points) {
        double v = std::clamp(static_cast<double>(points), 1.0, 4032.0) * 12700.0;
        return std::to_string(static_cast<long long>(v + 0.5));
    };
    const std::string types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Types "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default "
        "Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default "
        "Extension=\"xml\" ContentType=\"application/xml\"/><Override "
        "PartName=\"/ppt/presentation.xml\" "
        "ContentType=\"application/"
        "vnd.openxmlformats-officedocument.presentationml.presentation.main+xml\"/></Types>";
    const std::string rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
        "Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
        "officeDocument\" Target=\"ppt/presentation.xml\"/></Relationships>";
    const std::string main =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<p:presentation "
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
        "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"><p:sldSz cx=\"" +
        emu(slideWidth) + "\" cy=\"" + emu(slideHeight) +
        "\"/><p:notesSz cx=\"6858000\" cy=\"9144000\"/></p:presentation>";
    const std::pair<std::string, std::string> parts[] = {
        {"[Content_Types].xml", types}, {"_rels/.rels", rels}, {"ppt/presentation.xml", main}};
    return storedZip(parts);
}

}  // namespace quillet::pptx

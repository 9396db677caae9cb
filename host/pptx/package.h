// The Office Open XML package: a ZIP archive of parts with content types and relationships.
// Everything read from it is hostile input: entry names are checked, every inflated size is
// capped before and while inflating, and failures are PackageError with the part's name.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillet::pptx {

class ZipArchive;

class PackageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct PackageLimits {
    std::uint64_t maxFileSize = 1ull << 30;  // the package file itself
    std::uint64_t maxEntries = 50000;
    std::uint64_t maxPartSize = 256ull << 20;     // one inflated media part
    std::uint64_t maxXmlPartSize = 64ull << 20;   // one inflated XML part
    std::uint64_t maxTotalInflated = 1ull << 30;  // all parts read from one package
    // Parts larger than ratioFloor may inflate at most maxRatio times their compressed size.
    std::uint64_t maxRatio = 1000;
    std::uint64_t ratioFloor = 1ull << 20;
};

struct Relationship {
    std::string id;
    std::string type;    // the relationship type URI
    std::string target;  // resolved part name ("ppt/slides/slide1.xml"), or the external URI
    bool external = false;
};

// The final segment of a relationship type URI ("slide", "slideLayout", "image", ...).
std::string relationshipKind(const std::string& type);

// Resolves a relationship target against the part that holds it; "" when the target is empty,
// absolute outside the package or climbs above the package root.
std::string resolvePartName(const std::string& sourcePart, const std::string& target);

// A package holding an empty presentation of the given slide size in points: the content types,
// the package relationships and the main part without masters or slides. Throws PackageError when
// the archive cannot be built.
std::vector<std::uint8_t> emptyPresentationPackage(float slideWidth, float slideHeight);

class Package {
  public:
    static std::shared_ptr<Package> openFile(const std::string& path, PackageLimits limits = {});
    static std::shared_ptr<Package> openMemory(std::vector<std::uint8_t> bytes,
                                               PackageLimits limits = {});
    ~Package();
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    bool hasPart(const std::string& name) const;
    std::vector<std::string> partNames() const;
    // Inflates a part, with the media cap; throws PackageError.
    std::vector<std::uint8_t> readPart(const std::string& name) const;
    // Inflates an XML part with the XML cap; throws PackageError.
    std::string readXmlPart(const std::string& name) const;
    // Content type from the overrides, then the extension defaults; "" when unknown.
    std::string contentType(const std::string& name) const;
    // The relationships of a part ("" for the package's own). A missing .rels part is an empty
    // list; a broken one throws.
    std::vector<Relationship> relationships(const std::string& partName) const;
    // The package file as it was read (for save-a-copy).
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    // Entries that were skipped because their names are unsafe (absolute, parent segments, ...).
    const std::vector<std::string>& skippedEntries() const { return skipped_; }

  private:
    Package(std::vector<std::uint8_t> bytes, PackageLimits limits);
    std::vector<std::uint8_t> inflate(const std::string& name, std::uint64_t cap) const;
    void readContentTypes();

    std::vector<std::uint8_t> bytes_;
    PackageLimits limits_;
    std::unique_ptr<ZipArchive> archive_;
    std::map<std::string, std::uint64_t> entries_;  // lower-case part name -> zip index
    std::map<std::string, std::string> names_;      // lower-case part name -> name as stored
    std::map<std::string, std::string> defaults_;   // lower-case extension -> content type
    std::map<std::string, std::string> overrides_;  // lower-case part name -> content type
    std::vector<std::string> skipped_;
    mutable std::uint64_t totalInflated_ = 0;
};

}  // namespace quillet::pptx

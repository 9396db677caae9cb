#include "fonts/font_cache.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "fonts/font_library.h"
#include "tests/fonts/installed_fonts.h"

namespace quillet::fonts {
namespace {

namespace fs = std::filesystem;
using test::font;

// Sets an environment variable (or unsets it, for null) while alive.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

class FontCacheTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("quillet-font-cache-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    static std::string read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void write(const std::string& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }
    fs::path dir_;
};

struct Question {
    const char* face;
    const char* eastAsianFace;
    bool bold;
    bool italic;
    std::uint8_t charSet;
    char32_t code;
};

// Latin faces and their substitutes, a missing face, a symbol face, East Asian faces and
// fallback, bold and italic, and a character nothing has.
const Question kQuestions[] = {
    {"Calibri", "", false, false, charset::ansi, U'A'},
    {"Arial", "", true, true, charset::ansi, U'g'},
    {"Times New Roman", "", false, true, charset::ansi, U'\u03B1'},
    {"No Such Face 123", "", false, false, charset::ansi, U'x'},
    {"No Such Face 123", "", true, false, charset::defaultSet, U'\u2192'},
    {"Wingdings", "", false, false, charset::symbol, 0xF0E0},
    {"Arial", "", false, false, charset::ansi, U'\u65E5'},
    {"Calibri", "MS Mincho", false, false, charset::shiftJis, U'\u3042'},
    {"Arial", "", false, false, charset::ansi, U'\U0010FFFD'},
};

struct Answer {
    std::string primaryFile;
    bool primaryStandIn;
    std::string file;
    int index;
    bool standIn;
    bool operator==(const Answer&) const = default;
};

std::vector<Answer> ask() {
    FontLibrary library;
    std::vector<Answer> answers;
    for (const Question& q : kQuestions) {
        LogicalFont f = font(q.face, -40, q.bold, q.italic, q.charSet);
        f.eastAsianFaceName = q.eastAsianFace;
        const FaceInfo primary = library.primaryFace(f);
        const FaceInfo drawer = library.faceFor(f, q.code);
        answers.push_back(
            {primary.file, primary.standIn, drawer.file, drawer.index, drawer.standIn});
    }
    return answers;
}

TEST_F(FontCacheTest, WarmAnswersEqualFreshOnes) {
    std::vector<Answer> fresh;
    {
        ScopedEnv off("QUILLET_FONT_CACHE", "off");
        fresh = ask();
    }
    ScopedEnv cold("QUILLET_FONT_CACHE", path("cold").c_str());
    EXPECT_EQ(ask(), fresh);
    const std::string written = read(path("cold"));
    std::optional<FontCacheContents> contents = readFontCache(path("cold"));
    ASSERT_TRUE(contents) << "the cold run wrote no usable cache";
    EXPECT_GE(contents->walks.size(), std::size(kQuestions));

    // Another place: the library reads the file anew, and a run answered from it adds nothing.
    write(path("warm"), written);
    ScopedEnv warm("QUILLET_FONT_CACHE", path("warm").c_str());
    EXPECT_EQ(ask(), fresh);
    EXPECT_EQ(read(path("warm")), written);
}

// A cache written under a configuration of its own (one font directory), then something that
// chose it changes.
TEST_F(FontCacheTest, ChangesOfTheFingerprintInvalidate) {
    if (!fs::exists("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"))
        GTEST_SKIP() << "DejaVu Sans is not installed";
    // The configuration in a folder of its own: the caches written beside would change the folder.
    fs::create_directories(dir_ / "fonts");
    fs::create_directories(dir_ / "conf");
    fs::copy_file("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", dir_ / "fonts/a.ttf");
    write(path("conf/fonts.conf"), "<?xml version=\"1.0\"?><fontconfig><dir>" + path("fonts") +
                                       "</dir><cachedir>" + path("fc-cache") +
                                       "</cachedir></fontconfig>");
    ScopedEnv config("FONTCONFIG_FILE", path("conf/fonts.conf").c_str());
    ScopedEnv home("HOME", path("home").c_str());
    ScopedEnv data("XDG_DATA_HOME", nullptr);
    ScopedEnv configHome("XDG_CONFIG_HOME", nullptr);
    ScopedEnv cacheHome("XDG_CACHE_HOME", nullptr);
    // Each change meets a cache written just before it, in a place of its own (so it is read).
    int written = 0;
    auto fresh = [&] {
        const std::string file = path("cache" + std::to_string(++written));
        setenv("QUILLET_FONT_CACHE", file.c_str(), 1);
        EXPECT_EQ(FontLibrary().primaryFace(font("Anything")).file, path("fonts/a.ttf"));
        EXPECT_TRUE(readFontCache(file)) << "not written";
        return file;
    };
    auto touch = [](const std::string& file) {
        const timespec times[2] = {{1000, 0}, {1000, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0) << file;
    };
    ScopedEnv place("QUILLET_FONT_CACHE", nullptr);
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"font directory touched", [&] { touch(path("fonts")); }},
        {"configuration file touched", [&] { touch(path("conf/fonts.conf")); }},
        {"user font directory made", [&] { fs::create_directories(dir_ / "home/.fonts"); }},
        {"environment", [&] { setenv("XDG_DATA_HOME", path("data").c_str(), 1); }},
        {"another build",
         [&] {
             std::optional<FontCacheContents> contents = decodeFontCache(read(path("cache5")));
             ASSERT_TRUE(contents);
             contents->fingerprint.build += "x";
             write(path("cache5"), encodeFontCache(*contents));
         }},
    };
    for (const auto& [what, change] : changes) {
        const std::string file = fresh();
        change();
        EXPECT_FALSE(readFontCache(file)) << what;
    }
}

TEST_F(FontCacheTest, DamagedFilesAreIgnored) {
    FontCacheContents contents;
    contents.fingerprint = {"build", "env", {{"/x", CachedPath::directory, 5, 6}}};
    contents.walks["k"] = {{{"/f.ttf", 1, true, false}, {"", 0, false, true}}, true};
    const std::string good = encodeFontCache(contents);
    std::optional<FontCacheContents> decoded = decodeFontCache(good);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->walks, contents.walks);
    EXPECT_EQ(decoded->fingerprint, contents.fingerprint);

    auto flipped = [&](std::size_t at) {
        std::string bytes = good;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x40);
        return bytes;
    };
    // A count of four billion paths behind a correct checksum.
    std::string huge = good.substr(20);
    huge.replace(4 + 5 + 4 + 3, 4, "\xff\xff\xff\xff");
    const std::vector<std::pair<const char*, std::string>> damaged = {
        {"empty", ""},
        {"header only", good.substr(0, 20)},
        {"truncated", good.substr(0, good.size() - 1)},
        {"trailing byte", good + '\0'},
        {"magic", flipped(0)},
        {"version", flipped(4)},
        {"length", flipped(8)},
        {"checksum", flipped(12)},
        {"payload", flipped(good.size() / 2)},
        {"last byte", flipped(good.size() - 1)},
        {"huge count", sealFontCache(huge)},
        {"oversized", sealFontCache(std::string(kMaxFontCacheBytes, '\0'))},
    };
    for (const auto& [what, bytes] : damaged) EXPECT_FALSE(decodeFontCache(bytes)) << what;

    // A library over a damaged file answers as without one, and writes a good file.
    write(path("cache"), flipped(good.size() / 2));
    ScopedEnv place("QUILLET_FONT_CACHE", path("cache").c_str());
    EXPECT_TRUE(FontLibrary().primaryFace(font("Arial")).valid());
    EXPECT_TRUE(readFontCache(path("cache")));
}

TEST_F(FontCacheTest, NoPlaceToWriteIsNoError) {
    write(path("file"), "x");
    const std::string underFile = path("file") + "/cache";
    // A named pipe in the cache's place is not waited on.
    ASSERT_EQ(mkfifo(path("pipe").c_str(), 0600), 0);
    const std::string pipe = path("pipe");
    ScopedEnv home("HOME", nullptr);
    ScopedEnv cacheHome("XDG_CACHE_HOME", nullptr);
    // Unset, there is no home below for it either.
    for (const char* value : {"off", "/proc/no/such/cache", static_cast<const char*>(nullptr),
                              underFile.c_str(), pipe.c_str()}) {
        ScopedEnv place("QUILLET_FONT_CACHE", value);
        EXPECT_TRUE(FontLibrary().primaryFace(font("Arial")).valid()) << (value ? value : "");
        EXPECT_EQ(fontCachePath(), value && value != std::string("off") ? value : "");
    }
    EXPECT_FALSE(fs::exists(underFile));
}

}  // namespace
}  // namespace quillet::fonts

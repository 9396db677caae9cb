// Shared helpers of the engine tests: a scratch folder, a sink that records every report, walks
// over a decoded movie, the independent parser's verdict on one, and a checked downcast.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "engine/engine.h"
#include "engine/records.h"
#include "swf/movie.h"

// Declares `name` as the object `pointer` points to, taken as a T; the test stops when it is not
// one. More of the failure's message may be streamed after it.
#define ASSERT_AS(T, name, pointer)                  \
    const T* name = dynamic_cast<const T*>(pointer); \
    ASSERT_NE(name, nullptr) << #pointer " is not a " #T " "

namespace quillet::enginetest {

// A slide transition of one effect code at one speed (1 slow, 2 medium, 3 fast).
class FixedTransition : public host::SlideTransition {
  public:
    explicit FixedTransition(int effect, int speed = 2) : effect_(effect), speed_(speed) {}
    int entryEffect() const override { return effect_; }
    int speed() const override { return speed_; }
    float duration() const override { return 0; }
    int advanceOnClick() const override { return host::kTrue; }
    int advanceOnTime() const override { return host::kFalse; }
    float advanceTime() const override { return 0; }
    int hidden() const override { return host::kFalse; }

  private:
    int effect_, speed_;
};

// The names in a folder, sorted.
inline std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quillet-engine-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::vector<std::string> names() const { return namesIn(path_); }

  private:
    std::filesystem::path path_;
};

struct Report {
    std::string text;
    int phaseStep;
    int overallStep;
    bool operator==(const Report&) const = default;
};

inline void PrintTo(const Report& r, std::ostream* os) {
    *os << "(\"" << r.text << "\", " << r.phaseStep << ", " << r.overallStep << ")";
}

class RecordingSink : public engine::ProgressSink {
  public:
    std::vector<Report> reports;
    void reportProgress(std::string text, int phaseStep, int overallStep) override {
        reports.push_back({std::move(text), phaseStep, overallStep});
    }
};

// The objects of one frame of a timeline: frame k (from 0) of a list of tags.
inline std::vector<const transform::FSMovieObject*> frameObjects(
    const transform::FSArray<transform::FSMovieObject>& objects, int frame) {
    std::vector<const transform::FSMovieObject*> result;
    int current = 0;
    for (const auto& object : objects) {
        if (current == frame) result.push_back(object.get());
        if (object->getType() == 1) ++current;
    }
    return result;
}

template <class T>
const T* findDefinition(const transform::FSArray<transform::FSMovieObject>& objects, int id) {
    for (const auto& object : objects) {
        if (auto* t = dynamic_cast<const T*>(object.get()); t && t->getIdentifier() == id) {
            return t;
        }
    }
    return nullptr;
}

// Settings read from a folder of the scratch directory, with this run's overrides.
inline settings::SettingsSource settingsIn(const ScratchDir& dir,
                                           settings::SettingsOverrides o = {}) {
    return settings::SettingsSource(dir.path() / "settings", o);
}

// Options of one conversion: a fixed seed, and a sound and an output path when given.
inline engine::ConversionOptions options(std::uint32_t seed, std::string sound = {},
                                         std::string output = {}) {
    engine::ConversionOptions o;
    o.seed = seed;
    o.soundPath = std::move(sound);
    o.outputPath = std::move(output);
    return o;
}

// Runs the independent parser on a movie our own library wrote and reads back. Empty when it
// agrees on the top-level tags; "skip: ..." when node or the parser is missing; its complaint
// otherwise.
inline std::string independentParserVerdict(const std::string& movieFile) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(QUILLET_SOURCE_DIR);
    if (std::system("node --version > /dev/null 2>&1") != 0 ||
        !fs::exists(root / "node_modules/swf-parser/package.json")) {
        return "skip: node or node_modules/swf-parser is missing (run scripts/setup.sh)";
    }
    transform::FSMovie back(movieFile);
    std::string codes;
    for (std::size_t i = 0; i < back.getObjects().size(); ++i) {
        codes += (i ? "," : "") + std::to_string(back.getObjects()[i].getType());
    }
    const std::string out = movieFile + ".check.txt";
    const std::string command = "node '" + (root / "tests/engine/elements_check.mjs").string() +
                                "' '" + movieFile + "' " + codes + " > '" + out + "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(out);
    std::string output((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(out);
    return status == 0 ? std::string() : "the independent parser refused the movie: " + output;
}

// Has the independent parser read the movie; the test is skipped when node or the parser is
// missing.
inline void expectParserAccepts(const std::string& movieFile) {
    const std::string verdict = independentParserVerdict(movieFile);
    if (verdict.rfind("skip:", 0) == 0) GTEST_SKIP() << verdict;
    EXPECT_EQ(verdict, "");
}

inline std::string corpusDir() {
    return QUILLET_CORPUS;
}

}  // namespace quillet::enginetest

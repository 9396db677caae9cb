// `quillet inspect DECK.pptx [--json]`: prints what the engine sees of a presentation through the
// host interface: masters, slides with their master, background and transition, and every shape
// with its codes, geometry, line, fill, text and animation.
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "app/commands.h"
#include "app/json_writer.h"
#include "host/host.h"
#include "host/pptx/package.h"
#include "host/pptx/pptx_host.h"

namespace quillet::app {

namespace {

std::string jsonString(const std::string& s) { return JsonWriter::quoted(s); }

std::string num(double v) {
    if (!std::isfinite(v)) return "0";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    std::string s = buf;
    while (s.size() > 1 && s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

std::string colour(int rgb) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", host::redOf(rgb), host::greenOf(rgb),
                  host::blueOf(rgb));
    return buf;
}

std::string visibleText(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\v') {
            out += "\\v";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// A small JSON writer that keeps commas right.
class Json {
  public:
    void open(char bracket, const std::string& key = "") {
        item(key);
        out_ << bracket;
        first_.push_back(true);
    }
    void close(char bracket) {
        out_ << bracket;
        first_.pop_back();
    }
    void value(const std::string& key, const std::string& raw) {
        item(key);
        out_ << raw;
    }
    void text(const std::string& key, const std::string& s) { value(key, jsonString(s)); }
    std::string str() const { return out_.str(); }

  private:
    void item(const std::string& key) {
        if (!first_.empty()) {
            if (!first_.back()) out_ << ',';
            first_.back() = false;
        }
        if (!key.empty()) out_ << jsonString(key) << ':';
    }
    std::ostringstream out_;
    std::vector<bool> first_;
};

void fillJson(Json& j, const std::string& key, const host::Fill& f) {
    j.open('{', key);
    j.value("visible", std::to_string(f.visible()));
    j.value("type", std::to_string(f.type()));
    j.text("fore", colour(f.foreColorRgb()));
    j.text("back", colour(f.backColorRgb()));
    if (f.transparency() > 0) j.value("transparency", num(f.transparency()));
    if (f.type() == host::fill_type::kGradient) {
        j.value("gradientStyle", std::to_string(f.gradientStyle()));
        j.value("gradientVariant", std::to_string(f.gradientVariant()));
        j.value("angle", num(f.gradientAngle()));
        j.open('[', "stops");
        for (const host::GradientStop& s : f.gradientStops()) {
            j.open('{');
            j.value("position", num(s.position));
            j.text("colour", colour(s.rgb));
            j.close('}');
        }
        j.close(']');
    }
    if (f.type() == host::fill_type::kPatterned) j.value("pattern", std::to_string(f.pattern()));
    if (auto p = f.picture()) j.text("picture", p->name());
    j.close('}');
}

std::string fillText(const host::Fill& f) {
    if (!f.visible()) return "none";
    std::string s = "type " + std::to_string(f.type()) + " " + colour(f.foreColorRgb());
    if (f.type() == host::fill_type::kGradient) {
        s += ".." + colour(f.backColorRgb()) + " style " + std::to_string(f.gradientStyle()) +
             " variant " + std::to_string(f.gradientVariant());
    }
    if (f.type() == host::fill_type::kPatterned) {
        s += "/" + colour(f.backColorRgb()) + " pattern " + std::to_string(f.pattern());
    }
    if (auto p = f.picture()) s += " " + p->name();
    return s;
}

void textJson(Json& j, const host::TextRange& range) {
    j.open('[', "paragraphs");
    int count = range.paragraphCount();
    for (int p = 1; p <= count; ++p) {
        auto para = range.paragraphs(p);
        if (!para) break;
        auto format = para->paragraphFormat();
        auto bullet = format->bullet();
        j.open('{');
        j.value("level", std::to_string(para->indentLevel()));
        j.value("alignment", std::to_string(format->alignment()));
        j.open('{', "bullet");
        j.value("type", std::to_string(bullet->type()));
        if (bullet->type() == host::bullet_type::kNumbered) {
            j.value("style", std::to_string(bullet->style()));
            j.value("start", std::to_string(bullet->startValue()));
        }
        if (bullet->type() == host::bullet_type::kUnnumbered) {
            j.value("character", std::to_string(static_cast<unsigned>(bullet->character())));
        }
        if (bullet->type() != host::bullet_type::kNone) {
            auto bf = bullet->font();
            j.text("font", bf->name());
            j.text("colour", colour(bf->colorRgb()));
            j.value("size", num(bf->size()));
        }
        j.close('}');
        j.open('[', "runs");
        for (int r = 1; r <= para->runCount(); ++r) {
            auto run = para->runs(r);
            auto font = run->font();
            j.open('{');
            j.text("text", run->text());
            j.text("font", font->name());
            if (!font->nameFarEast().empty()) j.text("eastAsian", font->nameFarEast());
            j.value("size", num(font->size()));
            j.text("colour", colour(font->colorRgb()));
            j.value("bold", std::to_string(font->bold()));
            j.value("italic", std::to_string(font->italic()));
            j.value("underline", std::to_string(font->underline()));
            if (font->shadow()) j.value("shadow", std::to_string(font->shadow()));
            j.close('}');
        }
        j.close(']');
        j.close('}');
    }
    j.close(']');
}

void shapeJson(Json& j, const host::Shape& s) {
    j.open('{');
    j.value("id", std::to_string(s.id()));
    j.text("name", s.name());
    j.value("type", std::to_string(s.type()));
    j.value("kind", std::to_string(s.autoShapeType()));
    j.open('[', "adjustments");
    for (float a : s.adjustments()) j.value("", num(a));
    j.close(']');
    j.value("left", num(s.left()));
    j.value("top", num(s.top()));
    j.value("width", num(s.width()));
    j.value("height", num(s.height()));
    j.value("rotation", num(s.rotation()));
    if (s.placeholderType()) j.value("placeholder", std::to_string(s.placeholderType()));
    auto line = s.line();
    j.open('{', "line");
    j.value("visible", std::to_string(line->visible()));
    j.value("weight", num(line->weight()));
    j.text("colour", colour(line->foreColorRgb()));
    j.value("dash", std::to_string(line->dashStyle()));
    j.value("beginArrowhead", std::to_string(line->beginArrowheadStyle()));
    j.value("endArrowhead", std::to_string(line->endArrowheadStyle()));
    j.close('}');
    fillJson(j, "fill", *s.fill());
    if (auto pic = s.picture()) j.text("picture", pic->name());
    if (s.hasTextFrame() && s.textFrame()->hasText()) {
        j.open('{', "text");
        textJson(j, *s.textFrame()->textRange());
        j.close('}');
    }
    if (auto a = s.animationSettings()) {
        j.open('{', "animation");
        j.value("entryEffect", std::to_string(a->entryEffect()));
        j.value("advanceMode", std::to_string(a->advanceMode()));
        j.value("advanceTime", num(a->advanceTime()));
        j.value("order", std::to_string(a->animationOrder()));
        j.close('}');
    }
    if (auto members = s.groupItems()) {
        j.open('[', "members");
        for (int i = 1; i <= members->count(); ++i) shapeJson(j, *members->item(i));
        j.close(']');
    }
    j.close('}');
}

void shapeText(std::ostringstream& o, const host::Shape& s, const std::string& indent) {
    o << indent << "shape " << s.id() << " \"" << s.name() << "\" type " << s.type() << " kind "
      << s.autoShapeType();
    auto adj = s.adjustments();
    if (!adj.empty()) {
        o << " adj";
        for (float a : adj) o << ' ' << num(a);
    }
    o << " at " << num(s.left()) << "," << num(s.top()) << " size " << num(s.width()) << "x"
      << num(s.height());
    if (s.rotation() != 0) o << " rot " << num(s.rotation());
    o << '\n';
    auto line = s.line();
    o << indent << "  line ";
    if (line->visible()) {
        o << num(line->weight()) << "pt " << colour(line->foreColorRgb()) << " dash "
          << line->dashStyle() << " arrows " << line->beginArrowheadStyle() << "/"
          << line->endArrowheadStyle();
    } else {
        o << "none";
    }
    o << "; fill " << fillText(*s.fill()) << '\n';
    if (s.hasTextFrame() && s.textFrame()->hasText()) {
        auto range = s.textFrame()->textRange();
        for (int p = 1; p <= range->paragraphCount(); ++p) {
            auto para = range->paragraphs(p);
            auto bullet = para->paragraphFormat()->bullet();
            o << indent << "  para level " << para->indentLevel() << " bullet " << bullet->type();
            if (bullet->type() == host::bullet_type::kNumbered) o << " style " << bullet->style();
            o << '\n';
            for (int r = 1; r <= para->runCount(); ++r) {
                auto run = para->runs(r);
                auto font = run->font();
                o << indent << "    \"" << visibleText(run->text()) << "\" " << font->name() << ' '
                  << num(font->size()) << "pt " << colour(font->colorRgb());
                if (font->bold() == host::kTrue) o << " bold";
                if (font->italic() == host::kTrue) o << " italic";
                o << '\n';
            }
        }
    }
    if (auto a = s.animationSettings()) {
        o << indent << "  entrance " << a->entryEffect() << " mode " << a->advanceMode()
          << " after " << num(a->advanceTime()) << "s order " << a->animationOrder() << '\n';
    }
    if (auto members = s.groupItems()) {
        for (int i = 1; i <= members->count(); ++i) shapeText(o, *members->item(i), indent + "  ");
    }
}

std::string describe(host::Presentation& p, bool json) {
    auto slides = p.slides();
    std::shared_ptr<host::Master> masters[] = {p.titleMaster(), p.slideMaster()};
    if (json) {
        Json j;
        j.open('{');
        j.text("file", p.fullName());
        j.value("slideWidth", num(p.pageSetup()->slideWidth()));
        j.value("slideHeight", num(p.pageSetup()->slideHeight()));
        j.open('[', "masters");
        for (const auto& m : masters) {
            if (!m) continue;
            j.open('{');
            j.text("name", m->name());
            fillJson(j, "background", *m->background());
            j.open('[', "shapes");
            for (int i = 1; i <= m->shapes()->count(); ++i) shapeJson(j, *m->shapes()->item(i));
            j.close(']');
            j.close('}');
        }
        j.close(']');
        j.open('[', "slides");
        for (int i = 1; i <= slides->count(); ++i) {
            auto s = slides->item(i);
            auto t = s->transition();
            j.open('{');
            j.value("index", std::to_string(i));
            j.text("master", s->master() ? s->master()->name() : "");
            j.value("displayMasterShapes", std::to_string(s->displayMasterShapes()));
            j.value("followMasterBackground", std::to_string(s->followMasterBackground()));
            fillJson(j, "background", *s->background());
            j.open('{', "transition");
            j.value("entryEffect", std::to_string(t->entryEffect()));
            j.value("speed", std::to_string(t->speed()));
            j.value("hidden", std::to_string(t->hidden()));
            j.close('}');
            j.open('[', "shapes");
            for (int k = 1; k <= s->shapes()->count(); ++k) shapeJson(j, *s->shapes()->item(k));
            j.close(']');
            j.close('}');
        }
        j.close(']');
        j.close('}');
        return j.str() + "\n";
    }
    std::ostringstream o;
    o << p.fullName() << ": " << slides->count() << " slides, " << num(p.pageSetup()->slideWidth())
      << " x " << num(p.pageSetup()->slideHeight()) << " pt\n";
    for (const auto& m : masters) {
        if (!m) continue;
        o << "master \"" << m->name() << "\" background " << fillText(*m->background()) << ", "
          << m->shapes()->count() << " shapes\n";
        for (int i = 1; i <= m->shapes()->count(); ++i) shapeText(o, *m->shapes()->item(i), "  ");
    }
    for (int i = 1; i <= slides->count(); ++i) {
        auto s = slides->item(i);
        auto t = s->transition();
        o << "slide " << i << " master \"" << (s->master() ? s->master()->name() : "") << "\"";
        if (!s->displayMasterShapes()) o << " (master shapes hidden)";
        o << " background " << fillText(*s->background());
        if (s->followMasterBackground()) o << " (master's)";
        o << " transition " << t->entryEffect() << " speed " << t->speed();
        if (t->hidden()) o << " hidden";
        o << '\n';
        for (int k = 1; k <= s->shapes()->count(); ++k) shapeText(o, *s->shapes()->item(k), "  ");
    }
    return o.str();
}

}  // namespace

void addInspectCommand(CLI::App& app, int& exitCode) {
    auto* cmd = app.add_subcommand("inspect", "Print what the converter sees of a presentation");
    auto path = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    cmd->add_option("deck", *path, "Presentation file (.pptx, .pptm, .ppsx, .potx)")->required();
    cmd->add_flag("--json", *json, "Print JSON instead of text");
    cmd->callback([path, json, &exitCode]() {
        std::shared_ptr<host::Application> application;
        try {
            application = pptx::openApplication(*path);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "quillet inspect: %s: %s\n", path->c_str(), e.what());
            exitCode = 1;
            return;
        }
        auto presentation = application->activePresentation();
        if (auto model = pptx::modelOf(*presentation)) {
            for (const std::string& w : model->warnings) {
                std::fprintf(stderr, "quillet inspect: warning: %s\n", w.c_str());
            }
        }
        std::string out = describe(*presentation, *json);
        std::fwrite(out.data(), 1, out.size(), stdout);
        exitCode = 0;
    });
}

}  // namespace quillet::app

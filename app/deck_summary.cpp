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

// Numbers in the JSON output keep two decimals, as the text output shows them.
double rounded(double v) {
    if (!std::isfinite(v)) return 0;
    double r = std::round(v * 100) / 100;
    return r == 0 ? 0 : r;
}

void fillJson(JsonWriter& j, const std::string& key, const host::Fill& f) {
    j.key(key).beginObject();
    j.key("visible").value(f.visible());
    j.key("type").value(f.type());
    j.key("fore").value(colour(f.foreColorRgb()));
    j.key("back").value(colour(f.backColorRgb()));
    if (f.transparency() > 0) j.key("transparency").value(rounded(f.transparency()));
    if (f.type() == host::fill_type::kGradient) {
        j.key("gradientStyle").value(f.gradientStyle());
        j.key("gradientVariant").value(f.gradientVariant());
        j.key("angle").value(rounded(f.gradientAngle()));
        j.key("stops").beginArray();
        for (const host::GradientStop& s : f.gradientStops()) {
            j.beginObject();
            j.key("position").value(rounded(s.position));
            j.key("colour").value(colour(s.rgb));
            j.endObject();
        }
        j.endArray();
    }
    if (f.type() == host::fill_type::kPatterned) j.key("pattern").value(f.pattern());
    if (auto p = f.picture()) j.key("picture").value(p->name());
    j.endObject();
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

void textJson(JsonWriter& j, const host::TextRange& range) {
    j.key("paragraphs").beginArray();
    int count = range.paragraphCount();
    for (int p = 1; p <= count; ++p) {
        auto para = range.paragraphs(p);
        if (!para) break;
        auto format = para->paragraphFormat();
        auto bullet = format->bullet();
        j.beginObject();
        j.key("level").value(para->indentLevel());
        j.key("alignment").value(format->alignment());
        j.key("bullet").beginObject();
        j.key("type").value(bullet->type());
        if (bullet->type() == host::bullet_type::kNumbered) {
            j.key("style").value(bullet->style());
            j.key("start").value(bullet->startValue());
        }
        if (bullet->type() == host::bullet_type::kUnnumbered) {
            j.key("character").value(static_cast<long long>(bullet->character()));
        }
        if (bullet->type() != host::bullet_type::kNone) {
            auto bf = bullet->font();
            j.key("font").value(bf->name());
            j.key("colour").value(colour(bf->colorRgb()));
            j.key("size").value(rounded(bf->size()));
        }
        j.endObject();
        j.key("runs").beginArray();
        for (int r = 1; r <= para->runCount(); ++r) {
            auto run = para->runs(r);
            auto font = run->font();
            j.beginObject();
            j.key("text").value(run->text());
            j.key("font").value(font->name());
            if (!font->nameFarEast().empty()) j.key("eastAsian").value(font->nameFarEast());
            j.key("size").value(rounded(font->size()));
            j.key("colour").value(colour(font->colorRgb()));
            j.key("bold").value(font->bold());
            j.key("italic").value(font->italic());
            j.key("underline").value(font->underline());
            if (font->shadow()) j.key("shadow").value(font->shadow());
            j.endObject();
        }
        j.endArray();
        j.endObject();
    }
    j.endArray();
}

void shapeJson(JsonWriter& j, const host::Shape& s) {
    j.beginObject();
    j.key("id").value(s.id());
    j.key("name").value(s.name());
    j.key("type").value(s.type());
    j.key("kind").value(s.autoShapeType());
    j.key("adjustments").beginArray();
    for (float a : s.adjustments()) j.value(rounded(a));
    j.endArray();
    j.key("left").value(rounded(s.left()));
    j.key("top").value(rounded(s.top()));
    j.key("width").value(rounded(s.width()));
    j.key("height").value(rounded(s.height()));
    j.key("rotation").value(rounded(s.rotation()));
    if (s.placeholderType()) j.key("placeholder").value(s.placeholderType());
    auto line = s.line();
    j.key("line").beginObject();
    j.key("visible").value(line->visible());
    j.key("weight").value(rounded(line->weight()));
    j.key("colour").value(colour(line->foreColorRgb()));
    j.key("dash").value(line->dashStyle());
    j.key("beginArrowhead").value(line->beginArrowheadStyle());
    j.key("endArrowhead").value(line->endArrowheadStyle());
    j.endObject();
    fillJson(j, "fill", *s.fill());
    if (auto pic = s.picture()) j.key("picture").value(pic->name());
    if (s.hasTextFrame() && s.textFrame()->hasText()) {
        j.key("text").beginObject();
        textJson(j, *s.textFrame()->textRange());
        j.endObject();
    }
    if (auto a = s.animationSettings()) {
        j.key("animation").beginObject();
        j.key("entryEffect").value(a->entryEffect());
        j.key("advanceMode").value(a->advanceMode());
        j.key("advanceTime").value(rounded(a->advanceTime()));
        j.key("order").value(a->animationOrder());
        j.endObject();
    }
    if (auto members = s.groupItems()) {
        j.key("members").beginArray();
        for (int i = 1; i <= members->count(); ++i) shapeJson(j, *members->item(i));
        j.endArray();
    }
    j.endObject();
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
        JsonWriter j;
        j.beginObject();
        j.key("file").value(p.fullName());
        j.key("slideWidth").value(rounded(p.pageSetup()->slideWidth()));
        j.key("slideHeight").value(rounded(p.pageSetup()->slideHeight()));
        j.key("masters").beginArray();
        for (const auto& m : masters) {
            if (!m) continue;
            j.beginObject();
            j.key("name").value(m->name());
            fillJson(j, "background", *m->background());
            j.key("shapes").beginArray();
            for (int i = 1; i <= m->shapes()->count(); ++i) shapeJson(j, *m->shapes()->item(i));
            j.endArray();
            j.endObject();
        }
        j.endArray();
        j.key("slides").beginArray();
        for (int i = 1; i <= slides->count(); ++i) {
            auto s = slides->item(i);
            auto t = s->transition();
            j.beginObject();
            j.key("index").value(i);
            j.key("master").value(s->master() ? s->master()->name() : "");
            j.key("displayMasterShapes").value(s->displayMasterShapes());
            j.key("followMasterBackground").value(s->followMasterBackground());
            fillJson(j, "background", *s->background());
            j.key("transition").beginObject();
            j.key("entryEffect").value(t->entryEffect());
            j.key("speed").value(t->speed());
            j.key("hidden").value(t->hidden());
            j.endObject();
            j.key("shapes").beginArray();
            for (int k = 1; k <= s->shapes()->count(); ++k) shapeJson(j, *s->shapes()->item(k));
            j.endArray();
            j.endObject();
        }
        j.endArray();
        j.endObject();
        return j.text() + "\n";
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
        const auto model = pptx::modelOf(*presentation);
        exitCode = model && !model->warnings.empty() ? LeftOutStatus : 0;
    });
}

}  // namespace quillet::app
